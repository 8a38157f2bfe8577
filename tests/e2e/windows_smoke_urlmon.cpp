// A stand-in urlmon.dll for the Windows smoke test under Wine. Wine's own URL
// moniker returns from URLOpenStreamA at once instead of blocking until the
// transfer has ended, so the program's download fails before anybody can
// look at the dialog. This one keeps the blocking contract, without any
// network: it reports progress every 50 ms and blocks until the callback
// answers E_ABORT (Cancel, or the stop flag at exit), then ends the transfer
// with OnStopBinding(E_ABORT). Every requested URL is appended, one a line,
// to the file named by ZANQ_SMOKE_URL_LOG.
#include <windows.h>
#include <urlmon.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr ULONG kProgressMax = 1000000;
constexpr ULONG kProgressStep = 2000;
constexpr DWORD kReportIntervalMs = 50;

void LogUrl(LPCSTR url) {
    const char* logPath = std::getenv("ZANQ_SMOKE_URL_LOG");
    if (logPath == nullptr || *logPath == '\0') return;
    if (FILE* log = std::fopen(logPath, "ab")) {
        std::fprintf(log, "%s\n", url != nullptr ? url : "");
        std::fclose(log);
    }
}

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI URLOpenStreamA(LPUNKNOWN, LPCSTR url, DWORD,
                                                               LPBINDSTATUSCALLBACK callback) {
    LogUrl(url);
    if (callback == nullptr) return E_INVALIDARG;
    callback->OnStartBinding(0, nullptr);
    ULONG progress = 0;
    for (;;) {
        const ULONG status = progress == 0 ? BINDSTATUS_BEGINDOWNLOADDATA : BINDSTATUS_DOWNLOADINGDATA;
        if (callback->OnProgress(progress, kProgressMax, status, L"") == E_ABORT) break;
        if (progress + kProgressStep < kProgressMax) progress += kProgressStep;
        Sleep(kReportIntervalMs);
    }
    callback->OnStopBinding(E_ABORT, nullptr);
    return E_ABORT;
}
