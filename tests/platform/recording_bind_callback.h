// A binding callback for tests of the URL stream service: records every
// notification in order, reads each batch of data the way the download
// engine does (position by Seek, then everything up to the announced total)
// and can answer E_ABORT or take its time where a test says so.
#pragma once

#include <urlmon.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

struct BindNotification {
    enum Kind { Start, BindInfo, Progress, Data, Stop } kind;
    ULONG status = 0;     // Progress: the status code
    ULONG progress = 0;   // Progress: the two counts
    ULONG maximum = 0;
    DWORD flags = 0;      // Data: the BSCF flags
    DWORD size = 0;       // Data: the announced total
    ULONG bytesRead = 0;  // Data: what the stream delivered
    HRESULT result = 0;   // Stop
    std::chrono::steady_clock::time_point when = std::chrono::steady_clock::now();
    std::thread::id thread = std::this_thread::get_id();
};

class RecordingBindCallback final : public IBindStatusCallback {
public:
    // Hooks: return E_ABORT to abandon the transfer, S_OK to go on.
    std::function<HRESULT(const BindNotification&)> onProgress;
    std::function<HRESULT(const BindNotification&)> onData;
    // Sees the stream of each data notification before it is read.
    std::function<void(IStream*, DWORD size)> onStream;
    // When false, data notifications read nothing except the last one.
    bool readEveryTime = true;

    std::vector<BindNotification> notifications;
    std::string body;
    LONG references = 0;

    std::vector<BindNotification> Of(BindNotification::Kind kind) const {
        std::vector<BindNotification> found;
        for (const auto& n : notifications)
            if (n.kind == kind) found.push_back(n);
        return found;
    }
    std::vector<ULONG> Statuses() const {
        std::vector<ULONG> statuses;
        for (const auto& n : notifications)
            if (n.kind == BindNotification::Progress) statuses.push_back(n.status);
        return statuses;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        *out = nullptr;
        if (riid != IID_IUnknown && riid != IID_IBindStatusCallback) return E_NOINTERFACE;
        *out = static_cast<IBindStatusCallback*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    // The binding offered by OnStartBinding, kept for the callback's life.
    IBinding* binding = nullptr;

    RecordingBindCallback() = default;
    RecordingBindCallback(const RecordingBindCallback&) = delete;
    RecordingBindCallback& operator=(const RecordingBindCallback&) = delete;
    ~RecordingBindCallback() {
        if (binding != nullptr) binding->Release();
    }

    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* offered) override {
        if (offered != nullptr && binding == nullptr) {
            binding = offered;
            binding->AddRef();
        }
        notifications.push_back({BindNotification::Start});
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG maximum, ULONG status, LPCWSTR) override {
        BindNotification n{BindNotification::Progress};
        n.status = status;
        n.progress = progress;
        n.maximum = maximum;
        notifications.push_back(n);
        return onProgress ? onProgress(n) : S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR) override {
        BindNotification n{BindNotification::Stop};
        n.result = result;
        notifications.push_back(n);
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override {
        notifications.push_back({BindNotification::BindInfo});
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC*, STGMEDIUM* medium) override {
        BindNotification n{BindNotification::Data};
        n.flags = flags;
        n.size = size;
        if (medium == nullptr || medium->tymed != TYMED_ISTREAM || medium->pstm == nullptr) return E_ABORT;
        if (onStream) onStream(medium->pstm, size);
        if (readEveryTime || (flags & BSCF_LASTDATANOTIFICATION) != 0) {
            ULARGE_INTEGER position{};
            LARGE_INTEGER none{};
            medium->pstm->Seek(none, STREAM_SEEK_CUR, &position);
            const ULONG count = size - static_cast<ULONG>(position.QuadPart);
            std::string chunk(count, '\0');
            medium->pstm->Read(chunk.data(), count, &n.bytesRead);
            body.append(chunk.data(), n.bytesRead);
        }
        notifications.push_back(n);
        return onData ? onData(n) : S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }
};
