// The engine's IBindStatusCallback, one per download. It passes progress to
// the download's listener (whose answer may cancel), collects the received
// bytes into a partial file beside the target, moves that file over the
// target once every byte is on disk, and gives the listener exactly one
// final report: OnDownloadComplete or OnDownloadError.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <atomic>
#include <memory>

struct DownloadEntry;

class TransferCallback final : public IBindStatusCallback {
public:
    // Received bytes are gathered up to this many before each file write.
    static constexpr DWORD kWriteBlockBytes = 256 * 1024;

    explicit TransferCallback(DownloadEntry* servedEntry);
    ~TransferCallback();

    TransferCallback(const TransferCallback&) = delete;
    TransferCallback& operator=(const TransferCallback&) = delete;

    // IUnknown. Release never frees the object: the manager does.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IBindStatusCallback.
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                         LPCWSTR statusText) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* bindFlags, BINDINFO* bindInfo) override;
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD totalSize, FORMATETC* format,
                                              STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID iid, IUnknown* object) override;

    // Called once the URL stream call has returned: a transfer that the
    // service left without a final report ends in an error.
    void TransferEnded();

private:
    bool StopRequested() const;
    // Copies `count` bytes from the stream's current position to the file.
    bool CopyFromStream(IStream* stream, DWORD count);
    bool OpenPartFile();
    bool FlushBlock();
    bool CommitPartFile();
    void DiscardPartFile();
    HRESULT Abandon();
    void ReportError();

    std::atomic<LONG> refCount{0};
    DownloadEntry* entry;

    // Bytes read from the stream and not yet written to the file.
    std::unique_ptr<BYTE[]> block;
    DWORD blockFill = 0;
};
