// An in-memory IStream, as the URL service hands received data to the
// callback: it holds everything received so far and reads from its current
// position. Tests can make Seek or Read fail, or Read deliver short.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include <algorithm>
#include <cstring>
#include <string>

class MemoryStream final : public IStream {
public:
    void Append(const std::string& bytes) { data += bytes; }
    DWORD Size() const { return static_cast<DWORD>(data.size()); }

    bool failSeek = false;
    bool failRead = false;
    ULONG readLimit = 0xFFFFFFFFu;  // at most this many bytes per Read

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IStream)) {
            *out = static_cast<IStream*>(this);
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
        if (read != nullptr) *read = 0;
        if (failRead) return E_FAIL;
        const size_t left = data.size() - position;
        const ULONG delivered = static_cast<ULONG>(std::min<size_t>({count, left, readLimit}));
        std::memcpy(buffer, data.data() + position, delivered);
        position += delivered;
        if (read != nullptr) *read = delivered;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        if (failSeek) return E_FAIL;
        LONGLONG base = 0;
        if (origin == STREAM_SEEK_CUR) base = static_cast<LONGLONG>(position);
        if (origin == STREAM_SEEK_END) base = static_cast<LONGLONG>(data.size());
        const LONGLONG target = base + move.QuadPart;
        if (target < 0) return STG_E_INVALIDFUNCTION;
        position = static_cast<size_t>(target);
        if (newPosition != nullptr) newPosition->QuadPart = position;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    std::string data;
    size_t position = 0;
};
