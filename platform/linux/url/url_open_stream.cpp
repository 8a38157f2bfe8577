// The blocking URL stream download, on libcurl.
#include <urlmon.h>

#include <curl/curl.h>

#include <mutex>

#include "url/url_transfer.h"

namespace {

void InitialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Stands in for a missing callback: takes every byte and drops it.
class DiscardingCallback final : public IBindStatusCallback {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) return E_POINTER;
        *ppvObject = nullptr;
        if (riid != IID_IUnknown && riid != IID_IBindStatusCallback) return E_NOINTERFACE;
        *ppvObject = static_cast<IBindStatusCallback*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG, ULONG, ULONG, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium) override {
        if (medium != nullptr && medium->tymed == TYMED_ISTREAM && medium->pstm != nullptr) {
            LARGE_INTEGER none{};
            medium->pstm->Seek(none, STREAM_SEEK_END, nullptr);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }
};

}  // namespace

STDAPI URLOpenStreamA(LPUNKNOWN, LPCSTR szURL, DWORD, LPBINDSTATUSCALLBACK lpfnCB) {
    InitialiseCurlOnce();
    DiscardingCallback discard;
    UrlTransfer transfer(lpfnCB != nullptr ? lpfnCB : &discard, szURL);
    return transfer.Run();
}
