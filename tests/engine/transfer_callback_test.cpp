// The transfer callback driven directly, the way the URL service drives it,
// with an in-memory stream and a recording listener.
#include <gtest/gtest.h>

#include <windows.h>
#include <urlmon.h>

#include <atomic>
#include <chrono>
#include <os_faults.h>
#include <string>
#include <thread>
#include <vector>

#include "download_entry.h"
#include "memory_stream.h"
#include "recording_listener.h"
#include "scratch_dir.h"
#include "transfer_callback.h"

namespace {

using Names = std::set<std::string>;

class NoBody final : public Runnable {
public:
    void Run(WorkerThread*) override {}
};

// Bytes that differ from one position to the next over a long cycle, made
// with few instrumented steps so that sanitizer builds stay quick.
std::string Pattern(size_t size) {
    std::string cycle(4093, 'x');
    for (size_t i = 0; i < cycle.size(); ++i) cycle[i] = static_cast<char>((i * 131) & 0xFF);
    std::string bytes;
    bytes.reserve(size + cycle.size());
    while (bytes.size() < size) bytes += cycle;
    bytes.resize(size);
    return bytes;
}

class CallbackFixture : public testing::Test {
public:
    CallbackFixture() {
        entry.id = 7;
        entry.path = dir.Path("target.bin");
        entry.thread = std::make_unique<WorkerThread>(&noBody);
        entry.listener = &listener;
        entry.callback = std::make_unique<TransferCallback>(&entry);
    }

    TransferCallback& Callback() { return *entry.callback; }

    // New bytes arrive in the stream and the callback is told of all of them.
    HRESULT Data(const std::string& bytes) {
        stream.Append(bytes);
        STGMEDIUM medium{};
        medium.tymed = TYMED_ISTREAM;
        medium.pstm = &stream;
        return Callback().OnDataAvailable(BSCF_INTERMEDIATEDATANOTIFICATION, stream.Size(), nullptr, &medium);
    }
    HRESULT Progress(ULONG status) { return Callback().OnProgress(stream.Size(), 100, status, nullptr); }

    // The service's side of a transfer: every chunk but the last as
    // intermediate data, then the end announcement and the last chunk.
    // Answers every result the callback gave to a data notification.
    std::vector<HRESULT> Deliver(const std::vector<std::string>& chunks) {
        std::vector<HRESULT> results;
        Progress(BINDSTATUS_BEGINDOWNLOADDATA);
        for (size_t i = 0; i + 1 < chunks.size(); ++i) {
            results.push_back(Data(chunks[i]));
            Progress(BINDSTATUS_DOWNLOADINGDATA);
        }
        Progress(BINDSTATUS_ENDDOWNLOADDATA);
        results.push_back(Data(chunks.back()));
        return results;
    }
    // The end of the URL call: OnStopBinding, then the manager's check.
    void End(HRESULT result) {
        EXPECT_EQ(Callback().OnStopBinding(result, nullptr), E_NOTIMPL);
        Callback().TransferEnded();
    }

    ScratchDir dir;
    NoBody noBody;
    RecordingListener listener;
    MemoryStream stream;
    DownloadEntry entry;
};

using TransferCallbackTest = CallbackFixture;

TEST_F(TransferCallbackTest, CompletesOnceWithEveryByteAtTheTarget) {
    // Larger than the write block, so the bytes reach the file in several writes.
    const std::string body = Pattern(TransferCallback::kWriteBlockBytes + 12345);
    const size_t chunk = 300 * 1024;
    std::vector<std::string> chunks;
    for (size_t at = 0; at < body.size(); at += chunk) chunks.push_back(body.substr(at, chunk));

    Progress(BINDSTATUS_BEGINDOWNLOADDATA);
    for (size_t i = 0; i + 1 < chunks.size(); ++i) ASSERT_EQ(Data(chunks[i]), S_OK);
    EXPECT_TRUE(listener.Heard().empty());
    EXPECT_FALSE(dir.Exists("target.bin")) << "the target must not hold a partial body";
    ASSERT_EQ(Progress(BINDSTATUS_ENDDOWNLOADDATA), S_OK);
    ASSERT_EQ(Data(chunks.back()), S_OK);

    EXPECT_EQ(listener.Heard(), RecordingListener::Reports{"complete 7"});
    EXPECT_EQ(dir.Read("target.bin"), body);
    EXPECT_EQ(dir.Names(), Names{"target.bin"});

    // Whatever follows a completion is no report and does not touch the file.
    const int progressBefore = listener.progressCount.load();
    EXPECT_EQ(Data("late bytes"), S_OK);
    EXPECT_EQ(Progress(BINDSTATUS_DOWNLOADINGDATA), S_OK);
    End(S_OK);
    Callback().OnStopBinding(E_ABORT, nullptr);
    EXPECT_EQ(listener.Heard(), RecordingListener::Reports{"complete 7"});
    EXPECT_EQ(listener.progressCount.load(), progressBefore);
    EXPECT_EQ(dir.Read("target.bin"), body);
    EXPECT_EQ(dir.Names(), Names{"target.bin"});
}

TEST_F(TransferCallbackTest, FinishedIsSetBeforeTheListenerIsAsked) {
    bool finishedWhenAsked = false;
    listener.onProgress = [&](int, ULONG, ULONG) {
        finishedWhenAsked = entry.finished;
        return true;
    };
    EXPECT_EQ(Progress(BINDSTATUS_ENDDOWNLOADDATA), E_ABORT);
    EXPECT_TRUE(finishedWhenAsked);
    EXPECT_TRUE(entry.finished);
}

TEST_F(TransferCallbackTest, EmptyLastNotificationCompletes) {
    dir.Write("target.bin", "an older download");
    EXPECT_EQ(Deliver({"first ", "second", ""}), (std::vector<HRESULT>{S_OK, S_OK, S_OK}));
    EXPECT_EQ(listener.Heard(), RecordingListener::Reports{"complete 7"});
    EXPECT_EQ(dir.Read("target.bin"), "first second");
}

TEST_F(TransferCallbackTest, EmptyBodyLeavesAnEmptyFile) {
    dir.Write("target.bin", "an older download");
    Deliver({""});
    End(S_OK);
    EXPECT_EQ(listener.Heard(), RecordingListener::Reports{"complete 7"});
    EXPECT_TRUE(dir.Exists("target.bin"));
    EXPECT_EQ(dir.Read("target.bin"), "");
}

TEST_F(TransferCallbackTest, ListenerCancelEndsInOneErrorAndRemovesThePartialFile) {
    dir.Write("target.bin", "an older download");
    ASSERT_EQ(Data("abc"), S_OK);
    EXPECT_EQ(dir.Names().size(), 2u) << "the partial file sits beside the target";

    listener.onProgress = [](int, ULONG, ULONG) { return true; };
    EXPECT_EQ(Progress(BINDSTATUS_DOWNLOADINGDATA), E_ABORT);
    End(E_ABORT);

    EXPECT_EQ(listener.Heard(), RecordingListener::Reports{"error 7"});
    EXPECT_EQ(dir.Read("target.bin"), "an older download");
    EXPECT_EQ(dir.Names(), Names{"target.bin"});
}

TEST_F(TransferCallbackTest, StopFlagAbortsProgressAndData) {
    // The callback sees the flag only while its worker thread is being stopped.
    struct StopProbe final : Runnable {
        CallbackFixture* test = nullptr;
        HRESULT progress = S_OK;
        HRESULT data = S_OK;
        void Run(WorkerThread* thread) override {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!thread->StopRequested() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            progress = test->Progress(BINDSTATUS_DOWNLOADINGDATA);
            data = test->Data("never written");
        }
    } probe;
    probe.test = this;
    entry.thread = std::make_unique<WorkerThread>(&probe);
    entry.thread->Start();
    entry.thread->Stop();

    EXPECT_EQ(probe.progress, E_ABORT);
    EXPECT_EQ(probe.data, E_ABORT);
    EXPECT_EQ(listener.progressCount.load(), 0);
    EXPECT_TRUE(dir.Names().empty());
}

// How a transfer can end without the last data: each ends in exactly one
// error, and an earlier file at the target survives.
struct Ending {
    const char* name;
    friend void PrintTo(const Ending& value, std::ostream* out) { *out << value.name; }
    bool announceEnd;  // BINDSTATUS_ENDDOWNLOADDATA came, its data did not
    HRESULT result;    // what OnStopBinding carries
};

class EndingWithoutLastData : public CallbackFixture, public testing::WithParamInterface<Ending> {};

TEST_P(EndingWithoutLastData, EndsInOneError) {
    dir.Write("target.bin", "an older download");
    ASSERT_EQ(Data("partial"), S_OK);
    if (GetParam().announceEnd) Progress(BINDSTATUS_ENDDOWNLOADDATA);
    End(GetParam().result);

    EXPECT_EQ(listener.Heard(), RecordingListener::Reports{"error 7"});
    EXPECT_EQ(dir.Read("target.bin"), "an older download");
    EXPECT_EQ(dir.Names(), Names{"target.bin"});
}

INSTANTIATE_TEST_SUITE_P(Endings, EndingWithoutLastData,
                         testing::Values(Ending{"OkWithoutEndStatus", false, S_OK},
                                         Ending{"OkAfterEndStatusWithoutData", true, S_OK},
                                         Ending{"NonzeroSuccessCode", false, S_FALSE},
                                         Ending{"Failure", false, INET_E_DOWNLOAD_FAILURE},
                                         Ending{"FailureAfterEndStatus", true, E_ABORT}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(TransferCallbackTest, FailureBeforeAnyDataEndsInOneError) {
    End(INET_E_CANNOT_CONNECT);
    EXPECT_EQ(listener.Heard(), RecordingListener::Reports{"error 7"});
    EXPECT_TRUE(dir.Names().empty());
}

// Faults of the medium or the stream: no unread byte may reach the file.
struct StreamFault {
    const char* name;
    friend void PrintTo(const StreamFault& value, std::ostream* out) { *out << value.name; }
    void (*arrange)(MemoryStream& stream, STGMEDIUM& medium);
};

class StreamFaults : public CallbackFixture, public testing::WithParamInterface<StreamFault> {};

TEST_P(StreamFaults, AbandonTheTransfer) {
    dir.Write("target.bin", "an older download");
    ASSERT_EQ(Data("good bytes"), S_OK);

    stream.Append("last bytes");
    STGMEDIUM medium{};
    medium.tymed = TYMED_ISTREAM;
    medium.pstm = &stream;
    GetParam().arrange(stream, medium);
    Progress(BINDSTATUS_ENDDOWNLOADDATA);
    EXPECT_EQ(Callback().OnDataAvailable(BSCF_LASTDATANOTIFICATION, stream.Size(), nullptr, &medium), E_ABORT);
    // An abandoned transfer answers every later notification with E_ABORT.
    EXPECT_EQ(Progress(BINDSTATUS_DOWNLOADINGDATA), E_ABORT);
    End(E_ABORT);

    EXPECT_EQ(listener.Heard(), RecordingListener::Reports{"error 7"});
    EXPECT_EQ(dir.Read("target.bin"), "an older download");
    EXPECT_EQ(dir.Names(), Names{"target.bin"});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, StreamFaults,
    testing::Values(StreamFault{"SeekFails", [](MemoryStream& s, STGMEDIUM&) { s.failSeek = true; }},
                    StreamFault{"ReadFails", [](MemoryStream& s, STGMEDIUM&) { s.failRead = true; }},
                    StreamFault{"ReadDeliversShort", [](MemoryStream& s, STGMEDIUM&) { s.readLimit = 4; }},
                    StreamFault{"MediumIsNoStream", [](MemoryStream&, STGMEDIUM& m) { m.tymed = TYMED_HGLOBAL; }},
                    StreamFault{"MediumWithoutStream", [](MemoryStream&, STGMEDIUM& m) { m.pstm = nullptr; }}),
    [](const auto& param) { return std::string(param.param.name); });

// Faults of the file: the download ends in an error and the target keeps
// what it held.
struct FileFault {
    const char* name;
    friend void PrintTo(const FileFault& value, std::ostream* out) { *out << value.name; }
    void (*arrange)();
};

class FileFaults : public CallbackFixture, public testing::WithParamInterface<FileFault> {};

TEST_P(FileFaults, EndInOneErrorAndLeaveTheTargetAlone) {
    using namespace zanq::testing;
    dir.Write("target.bin", "an older download");
    OsFaultScope faults;
    GetParam().arrange();

    const std::vector<HRESULT> results = Deliver({"new ", "body"});
    EXPECT_NE(std::find(results.begin(), results.end(), E_ABORT), results.end());
    End(E_ABORT);

    EXPECT_EQ(listener.Heard(), RecordingListener::Reports{"error 7"});
    EXPECT_EQ(dir.Read("target.bin"), "an older download");
    EXPECT_EQ(dir.Names(), Names{"target.bin"});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FileFaults,
    testing::Values(
        FileFault{"NoPartialFileName", [] { zanq::testing::FailNext(zanq::testing::OsCall::GetTempFileNameW); }},
        FileFault{"OpenFails", [] { zanq::testing::FailNext(zanq::testing::OsCall::CreateFileW); }},
        FileFault{"WriteFails", [] { zanq::testing::FailNext(zanq::testing::OsCall::WriteFile); }},
        FileFault{"WriteFallsShort", [] { zanq::testing::ShortWriteNext(3); }},
        FileFault{"CloseFails", [] { zanq::testing::FailNext(zanq::testing::OsCall::CloseHandle); }},
        FileFault{"MoveFails", [] { zanq::testing::FailNext(zanq::testing::OsCall::MoveFileExW); }}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(TransferCallbackTest, UnusableTargetPathEndsInError) {
    for (const std::wstring& path : {std::wstring(), dir.Path("missing/target.bin")}) {
        DownloadEntry other;
        other.id = 8;
        other.path = path;
        other.thread = std::make_unique<WorkerThread>(&noBody);
        other.listener = &listener;
        other.callback = std::make_unique<TransferCallback>(&other);
        stream.Append("bytes");
        STGMEDIUM medium{};
        medium.tymed = TYMED_ISTREAM;
        medium.pstm = &stream;
        EXPECT_EQ(other.callback->OnDataAvailable(0, stream.Size(), nullptr, &medium), E_ABORT);
        other.callback->OnStopBinding(E_ABORT, nullptr);
        other.callback->TransferEnded();
    }
    EXPECT_EQ(listener.Heard(), (RecordingListener::Reports{"error 8", "error 8"}));
    EXPECT_TRUE(dir.Names().empty());
}

TEST_F(TransferCallbackTest, ComAnswers) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(Callback().QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IBindStatusCallback*>(&Callback()));
    EXPECT_EQ(Callback().QueryInterface(IID_IBindStatusCallback, &out), S_OK);
    EXPECT_EQ(out, static_cast<IBindStatusCallback*>(&Callback()));
    EXPECT_EQ(Callback().QueryInterface(IID_IStream, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    // Two references from QueryInterface; releasing past them frees nothing.
    EXPECT_EQ(Callback().AddRef(), 3u);
    EXPECT_EQ(Callback().Release(), 2u);
    EXPECT_EQ(Callback().Release(), 1u);
    EXPECT_EQ(Callback().Release(), 0u);

    LONG priority = 0;
    DWORD bindFlags = 0;
    BINDINFO bindInfo{};
    EXPECT_EQ(Callback().OnStartBinding(0, nullptr), E_NOTIMPL);
    EXPECT_EQ(Callback().GetPriority(&priority), E_NOTIMPL);
    EXPECT_EQ(Callback().OnLowResource(0), E_NOTIMPL);
    EXPECT_EQ(Callback().GetBindInfo(&bindFlags, &bindInfo), E_NOTIMPL);
    EXPECT_EQ(Callback().OnObjectAvailable(IID_IUnknown, nullptr), E_NOTIMPL);
    // Still usable after its count reached 0.
    EXPECT_EQ(Progress(BINDSTATUS_CONNECTING), S_OK);
    EXPECT_EQ(listener.progressCount.load(), 1);
}

}  // namespace
