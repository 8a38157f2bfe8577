#include "url/received_data_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Below the allocator's threshold for mapping blocks of their own, so that
// even the chunks that are allocated or freed come from the heap.
constexpr std::size_t kChunkSize = 64 * 1024;
// Enough for everything that waits between two data notifications (libcurl
// pauses at 1 MiB, and one of its writes may add 512 KiB).
constexpr std::size_t kMaxSpareChunks = 32;

}  // namespace

// Room for every spare up front: keeping a chunk never allocates.
ReceivedDataStream::ReceivedDataStream() { spareChunks_.reserve(kMaxSpareChunks); }

ReceivedDataStream* ReceivedDataStream::Create() { return new ReceivedDataStream(); }

ReceivedDataStream::Chunk ReceivedDataStream::TakeChunkLocked() {
    if (spareChunks_.empty()) return Chunk{std::make_unique_for_overwrite<char[]>(kChunkSize), 0};
    Chunk chunk{std::move(spareChunks_.back()), 0};
    spareChunks_.pop_back();
    return chunk;
}

void ReceivedDataStream::Append(const char* data, std::size_t size) {
    if (size == 0) return;
    std::lock_guard lock(mutex_);
    std::size_t copied = 0;
    while (copied < size) {
        if (chunks_.empty() || chunks_.back().filled == kChunkSize) chunks_.push_back(TakeChunkLocked());
        Chunk& back = chunks_.back();
        const std::size_t take = std::min(size - copied, kChunkSize - back.filled);
        std::memcpy(back.bytes.get() + back.filled, data + copied, take);
        back.filled += take;
        copied += take;
        // Counted as they land: should a chunk be out of memory, the stream
        // still holds exactly what it says it holds.
        unread_ += take;
        received_ += take;
    }
}

std::uint64_t ReceivedDataStream::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::size_t ReceivedDataStream::Unread() const {
    std::lock_guard lock(mutex_);
    return unread_;
}

HRESULT STDMETHODCALLTYPE ReceivedDataStream::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_ISequentialStream || riid == IID_IStream) {
        *ppvObject = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ReceivedDataStream::AddRef() { return refs_.fetch_add(1) + 1; }

ULONG STDMETHODCALLTYPE ReceivedDataStream::Release() {
    const ULONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE ReceivedDataStream::Read(void* pv, ULONG cb, ULONG* pcbRead) {
    if (pcbRead != nullptr) *pcbRead = 0;
    if (pv == nullptr && cb != 0) return STG_E_INVALIDPOINTER;
    std::lock_guard lock(mutex_);
    auto* out = static_cast<char*>(pv);
    ULONG copied = 0;
    while (copied < cb && unread_ > 0) {
        const Chunk& front = chunks_.front();
        const std::size_t take = std::min<std::size_t>(cb - copied, front.filled - frontOffset_);
        std::memcpy(out + copied, front.bytes.get() + frontOffset_, take);
        copied += static_cast<ULONG>(take);
        DiscardLocked(take);
    }
    if (pcbRead != nullptr) *pcbRead = copied;
    return copied == cb ? S_OK : S_FALSE;
}

void ReceivedDataStream::DiscardLocked(std::uint64_t count) {
    while (count > 0 && unread_ > 0) {
        Chunk& front = chunks_.front();
        const std::size_t available = front.filled - frontOffset_;
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(count, available));
        frontOffset_ += take;
        unread_ -= take;
        position_ += take;
        count -= take;
        if (frontOffset_ < front.filled) break;
        // Read to its end. The last chunk may still be filling; it is
        // rewound rather than replaced.
        frontOffset_ = 0;
        if (chunks_.size() == 1) {
            front.filled = 0;
            break;
        }
        if (spareChunks_.size() < kMaxSpareChunks) spareChunks_.push_back(std::move(front.bytes));
        chunks_.pop_front();
    }
}

HRESULT STDMETHODCALLTYPE ReceivedDataStream::Write(const void*, ULONG, ULONG* pcbWritten) {
    if (pcbWritten != nullptr) *pcbWritten = 0;
    return STG_E_ACCESSDENIED;
}

HRESULT STDMETHODCALLTYPE ReceivedDataStream::Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin,
                                                   ULARGE_INTEGER* plibNewPosition) {
    std::lock_guard lock(mutex_);
    std::int64_t base = 0;
    switch (dwOrigin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = static_cast<std::int64_t>(position_); break;
    case STREAM_SEEK_END: base = static_cast<std::int64_t>(received_); break;
    default: return STG_E_INVALIDFUNCTION;
    }
    const std::int64_t target = base + dlibMove.QuadPart;
    if (target < static_cast<std::int64_t>(position_) || target > static_cast<std::int64_t>(received_)) {
        return STG_E_INVALIDFUNCTION;
    }
    DiscardLocked(static_cast<std::uint64_t>(target) - position_);
    if (plibNewPosition != nullptr) plibNewPosition->QuadPart = position_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ReceivedDataStream::SetSize(ULARGE_INTEGER) { return STG_E_ACCESSDENIED; }

HRESULT STDMETHODCALLTYPE ReceivedDataStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE ReceivedDataStream::Commit(DWORD) { return S_OK; }

HRESULT STDMETHODCALLTYPE ReceivedDataStream::Revert() { return S_OK; }

HRESULT STDMETHODCALLTYPE ReceivedDataStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE ReceivedDataStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE ReceivedDataStream::Stat(STATSTG* pstatstg, DWORD) {
    if (pstatstg == nullptr) return STG_E_INVALIDPOINTER;
    std::memset(pstatstg, 0, sizeof *pstatstg);
    pstatstg->type = STGTY_STREAM;
    std::lock_guard lock(mutex_);
    pstatstg->cbSize.QuadPart = received_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ReceivedDataStream::Clone(IStream** ppstm) {
    if (ppstm != nullptr) *ppstm = nullptr;
    return E_NOTIMPL;
}
