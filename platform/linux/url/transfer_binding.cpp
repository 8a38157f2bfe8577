#include "url/transfer_binding.h"

TransferBinding* TransferBinding::Create() { return new TransferBinding(); }

void TransferBinding::Attach(CURLM* multi) {
    std::lock_guard lock(mutex_);
    multi_ = multi;
}

void TransferBinding::Detach() {
    std::lock_guard lock(mutex_);
    multi_ = nullptr;
}

HRESULT STDMETHODCALLTYPE TransferBinding::QueryInterface(REFIID riid, void** ppvObject) {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IBinding) {
        *ppvObject = static_cast<IBinding*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TransferBinding::AddRef() { return refs_.fetch_add(1) + 1; }

ULONG STDMETHODCALLTYPE TransferBinding::Release() {
    const ULONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE TransferBinding::Abort() {
    aborted_.store(true);
    std::lock_guard lock(mutex_);
    if (multi_ != nullptr) curl_multi_wakeup(multi_);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TransferBinding::Suspend() { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TransferBinding::Resume() { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TransferBinding::SetPriority(LONG) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TransferBinding::GetPriority(LONG*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE TransferBinding::GetBindResult(CLSID*, DWORD*, LPOLESTR*, DWORD*) { return E_NOTIMPL; }
