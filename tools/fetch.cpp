// fetch URL PATH: downloads URL into PATH through the download engine and
// shows its progress. Exits 0 when PATH holds the whole body, 1 on failure,
// 130 when Ctrl-C cancelled the download.
#include <windows.h>

#include <unistd.h>

#include <atomic>
#include <clocale>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cwchar>
#include <mutex>
#include <optional>
#include <string>

#include "download_listener.h"
#include "download_manager.h"
#include "transfer_progress.h"

namespace {

constexpr int kExitComplete = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void OnInterrupt(int) { interrupted.store(true); }

void CatchInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // A second Ctrl-C ends the program at once, in case the transfer stalls.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
}

// Command-line text is UTF-8; the engine takes paths as wide strings.
std::optional<std::wstring> WidenArgument(const char* text) {
    std::mbstate_t state{};
    const char* source = text;
    const std::size_t length = std::mbsrtowcs(nullptr, &source, 0, &state);
    if (length == static_cast<std::size_t>(-1)) return std::nullopt;
    std::wstring wide(length, L'\0');
    source = text;
    state = {};
    std::mbsrtowcs(wide.data(), &source, length, &state);
    return wide;
}

class FetchListener final : public DownloadListener {
public:
    explicit FetchListener(TransferProgress& shownProgress) : progress(shownProgress) {}

    bool OnDownloadProgress(int, ULONG current, ULONG maximum) override {
        progress.Update(current, maximum);
        return interrupted.load();
    }
    void OnDownloadComplete(int) override { End(true); }
    void OnDownloadError(int) override { End(false); }

    // Blocks until the download's final report; answers whether it completed.
    bool WaitForEnd() {
        std::unique_lock lock(mutex);
        ended.wait(lock, [this] { return completed.has_value(); });
        return *completed;
    }

private:
    void End(bool success) {
        progress.Finish();
        std::lock_guard lock(mutex);
        completed = success;
        ended.notify_all();
    }

    TransferProgress& progress;
    std::mutex mutex;
    std::condition_variable ended;
    std::optional<bool> completed;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fetch URL PATH\n");
        return kExitUsage;
    }
    std::setlocale(LC_CTYPE, "C.UTF-8");
    const std::string url = argv[1];
    const auto path = WidenArgument(argv[2]);
    if (!path) {
        std::fprintf(stderr, "fetch: %s is not valid UTF-8\n", argv[2]);
        return kExitUsage;
    }
    CatchInterrupt();

    TransferProgress progress(stdout, isatty(STDOUT_FILENO) != 0);
    FetchListener listener(progress);
    bool completed = false;
    {
        DownloadManager manager;
        manager.AddDownload(url, *path, &listener);
        completed = listener.WaitForEnd();
    }

    if (completed) {
        std::printf("fetch: saved %s in %.2f s\n", argv[2], progress.SecondsSinceStart());
        return kExitComplete;
    }
    if (interrupted.load()) {
        std::fprintf(stderr, "fetch: cancelled; %s is unchanged\n", argv[2]);
        return kExitInterrupted;
    }
    std::fprintf(stderr, "fetch: download of %s failed; %s is unchanged\n", url.c_str(), argv[2]);
    return kExitFailed;
}
