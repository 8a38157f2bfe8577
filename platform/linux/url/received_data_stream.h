// The stream a transfer hands to its callback: bytes are appended as they
// arrive and read by the callback. Only bytes not yet read are kept, so the
// memory it holds stays small however long the download is, as long as the
// reader keeps up. Its position is the number of bytes read so far; its
// size the number received so far.
//
// Bytes are kept in fixed-size chunks. A chunk read to its end goes to a
// short list of spares that later bytes are written into, so a transfer
// whose reader keeps up allocates nothing once the first few chunks exist,
// and the spares never hold more than a couple of megabytes.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include <urlmon.h>

class ReceivedDataStream final : public IStream {
public:
    // A new stream with one reference, owned by the caller.
    static ReceivedDataStream* Create();

    // The producer's side.
    void Append(const char* data, std::size_t size);
    std::uint64_t Received() const;
    std::size_t Unread() const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // Copies up to cb unread bytes; S_OK when all cb were there, S_FALSE
    // when fewer (the count says how many).
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
    // Reports the position; moves it forward (skipping bytes) within what was
    // received. Moving back is refused: read bytes are gone.
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER libNewSize) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                    ULARGE_INTEGER* pcbWritten) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD grfCommitFlags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** ppstm) override;

private:
    ReceivedDataStream();
    ~ReceivedDataStream() = default;
    struct Chunk {
        std::unique_ptr<char[]> bytes;  // kChunkSize of them
        std::size_t filled = 0;
    };
    void DiscardLocked(std::uint64_t count);
    Chunk TakeChunkLocked();

    std::atomic<ULONG> refs_{1};
    mutable std::mutex mutex_;
    std::deque<Chunk> chunks_;                          // unread bytes, oldest first
    std::vector<std::unique_ptr<char[]>> spareChunks_;  // read to their end, ready for reuse
    std::size_t frontOffset_ = 0;                       // bytes of chunks_.front() already read
    std::size_t unread_ = 0;
    std::uint64_t received_ = 0;
    std::uint64_t position_ = 0;
};
