#include "transfer_callback.h"

#include <new>

#include "download_entry.h"

namespace {

// The folder that receives the partial file: the target's own, so that the
// finished file can be moved over the target without copying.
bool FolderOf(const std::wstring& path, std::wstring& folder) {
    if (path.empty()) return false;
    const auto separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        folder = L".";
        return true;
    }
    folder = path.substr(0, separator);
    // Keep the separator of a root ("\", "/", "C:\").
    if (folder.empty() || folder.back() == L':') folder = path.substr(0, separator + 1);
    return true;
}

constexpr const wchar_t* kPartPrefix = L"zdl";

}  // namespace

TransferCallback::TransferCallback(DownloadEntry* servedEntry) : entry(servedEntry) {}

TransferCallback::~TransferCallback() = default;

HRESULT STDMETHODCALLTYPE TransferCallback::QueryInterface(REFIID iid, void** out) {
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback)) {
        *out = static_cast<IBindStatusCallback*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TransferCallback::AddRef() { return static_cast<ULONG>(++refCount); }

ULONG STDMETHODCALLTYPE TransferCallback::Release() { return static_cast<ULONG>(--refCount); }

HRESULT STDMETHODCALLTYPE TransferCallback::OnStartBinding(DWORD, IBinding*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TransferCallback::GetPriority(LONG*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TransferCallback::OnLowResource(DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TransferCallback::GetBindInfo(DWORD*, BINDINFO*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TransferCallback::OnObjectAvailable(REFIID, IUnknown*) { return E_NOTIMPL; }

bool TransferCallback::StopRequested() const { return entry->thread->StopRequested(); }

HRESULT STDMETHODCALLTYPE TransferCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                                       LPCWSTR) {
    if (statusCode == BINDSTATUS_ENDDOWNLOADDATA) entry->finished = true;
    if (StopRequested() || entry->abandoned) return E_ABORT;
    // After the final report the listener hears nothing more.
    if (entry->reported) return S_OK;
    const bool cancel = entry->listener->OnDownloadProgress(entry->id, progress, progressMax);
    return cancel ? E_ABORT : S_OK;
}

HRESULT STDMETHODCALLTYPE TransferCallback::OnStopBinding(HRESULT result, LPCWSTR) {
    if (result != S_OK) ReportError();
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TransferCallback::OnDataAvailable(DWORD, DWORD totalSize, FORMATETC*,
                                                            STGMEDIUM* medium) {
    if (StopRequested() || entry->abandoned) return E_ABORT;
    // Data after completion is ignored: the target is complete already.
    if (entry->reported) return S_OK;
    if (medium == nullptr || medium->tymed != TYMED_ISTREAM || medium->pstm == nullptr) return Abandon();

    IStream* stream = medium->pstm;
    LARGE_INTEGER noMove{};
    ULARGE_INTEGER position{};
    if (FAILED(stream->Seek(noMove, STREAM_SEEK_CUR, &position))) return Abandon();
    // 32-bit arithmetic, like the service's counts: a block is always
    // smaller than 4 GiB even when the whole body is not.
    const DWORD count = totalSize - static_cast<DWORD>(position.QuadPart);

    if (!entry->file.IsOpen() && !OpenPartFile()) return Abandon();
    if (!CopyFromStream(stream, count)) return Abandon();

    if (entry->finished) {
        if (!CommitPartFile()) return Abandon();
        entry->reported = true;
        entry->listener->OnDownloadComplete(entry->id);
    }
    return S_OK;
}

void TransferCallback::TransferEnded() { ReportError(); }

bool TransferCallback::CopyFromStream(IStream* stream, DWORD count) {
    while (count > 0) {
        const DWORD room = kWriteBlockBytes - blockFill;
        const DWORD wanted = count < room ? count : room;
        ULONG got = 0;
        if (FAILED(stream->Read(block.get() + blockFill, wanted, &got)) || got != wanted) return false;
        blockFill += wanted;
        count -= wanted;
        if (blockFill == kWriteBlockBytes && !FlushBlock()) return false;
    }
    return true;
}

bool TransferCallback::OpenPartFile() {
    if (!block) {
        block.reset(new (std::nothrow) BYTE[kWriteBlockBytes]);
        if (!block) return false;
    }
    std::wstring folder;
    if (!FolderOf(entry->path, folder)) return false;
    WCHAR partName[MAX_PATH] = {};
    // Creates the file under a name no other transfer or process holds.
    if (GetTempFileNameW(folder.c_str(), kPartPrefix, 0, partName) == 0) return false;
    entry->partPath = partName;
    return entry->file.Open(entry->partPath, OutputFile::ModeWrite) == OutputFile::Opened;
}

bool TransferCallback::FlushBlock() {
    const DWORD pending = blockFill;
    blockFill = 0;
    return pending == 0 || entry->file.Write(block.get(), pending) == pending;
}

bool TransferCallback::CommitPartFile() {
    if (!FlushBlock()) return false;
    if (!entry->file.CloseChecked()) return false;
    if (!MoveFileExW(entry->partPath.c_str(), entry->path.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
    entry->partPath.clear();
    block.reset();
    return true;
}

void TransferCallback::DiscardPartFile() {
    entry->file.Close();
    if (!entry->partPath.empty()) DeleteFileW(entry->partPath.c_str());
    entry->partPath.clear();
    blockFill = 0;
    block.reset();
}

HRESULT TransferCallback::Abandon() {
    DiscardPartFile();
    entry->abandoned = true;
    return E_ABORT;
}

void TransferCallback::ReportError() {
    DiscardPartFile();
    if (entry->reported) return;
    entry->reported = true;
    entry->listener->OnDownloadError(entry->id);
}
