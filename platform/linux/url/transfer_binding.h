// The binding object a transfer offers its callback in OnStartBinding. Its
// Abort may be called from any thread, also after the transfer has ended
// (it then does nothing); the other operations are not supported.
#pragma once

#include <atomic>
#include <mutex>

#include <curl/curl.h>
#include <urlmon.h>

class TransferBinding final : public IBinding {
public:
    // A new binding with one reference, owned by the caller.
    static TransferBinding* Create();

    // The transfer's side: Attach the multi handle to wake when Abort is
    // called; Detach before that handle goes away.
    void Attach(CURLM* multi);
    void Detach();
    bool AbortRequested() const { return aborted_.load(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Abort() override;
    HRESULT STDMETHODCALLTYPE Suspend() override;
    HRESULT STDMETHODCALLTYPE Resume() override;
    HRESULT STDMETHODCALLTYPE SetPriority(LONG nPriority) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG* pnPriority) override;
    HRESULT STDMETHODCALLTYPE GetBindResult(CLSID* pclsidProtocol, DWORD* pdwResult, LPOLESTR* pszResult,
                                            DWORD* pdwReserved) override;

private:
    TransferBinding() = default;
    ~TransferBinding() = default;

    std::atomic<ULONG> refs_{1};
    std::atomic<bool> aborted_{false};
    std::mutex mutex_;
    CURLM* multi_ = nullptr;  // guarded by mutex_
};
