// URL monikers, the part the program uses: the blocking URL stream download
// and the binding callback through which it reports progress, data and the
// end of the transfer. Values, layouts and slot order are the system's.
#pragma once

#include "win32/com.h"
#include "win32/stream.h"
#include "win32/types.h"

// Result codes of the internet family.
#define INET_E_INVALID_URL (static_cast<HRESULT>(0x800C0002u))
#define INET_E_NO_SESSION (static_cast<HRESULT>(0x800C0003u))
#define INET_E_CANNOT_CONNECT (static_cast<HRESULT>(0x800C0004u))
#define INET_E_RESOURCE_NOT_FOUND (static_cast<HRESULT>(0x800C0005u))
#define INET_E_OBJECT_NOT_FOUND (static_cast<HRESULT>(0x800C0006u))
#define INET_E_DATA_NOT_AVAILABLE (static_cast<HRESULT>(0x800C0007u))
#define INET_E_DOWNLOAD_FAILURE (static_cast<HRESULT>(0x800C0008u))
#define INET_E_AUTHENTICATION_REQUIRED (static_cast<HRESULT>(0x800C0009u))
#define INET_E_NO_VALID_MEDIA (static_cast<HRESULT>(0x800C000Au))
#define INET_E_CONNECTION_TIMEOUT (static_cast<HRESULT>(0x800C000Bu))
#define INET_E_INVALID_REQUEST (static_cast<HRESULT>(0x800C000Cu))
#define INET_E_UNKNOWN_PROTOCOL (static_cast<HRESULT>(0x800C000Du))
#define INET_E_SECURITY_PROBLEM (static_cast<HRESULT>(0x800C000Eu))
#define INET_E_CANNOT_LOAD_DATA (static_cast<HRESULT>(0x800C000Fu))
#define INET_E_CANNOT_INSTANTIATE_OBJECT (static_cast<HRESULT>(0x800C0010u))
#define INET_E_REDIRECT_FAILED (static_cast<HRESULT>(0x800C0014u))
#define INET_E_REDIRECT_TO_DIR (static_cast<HRESULT>(0x800C0015u))

enum tagBINDSTATUS {
    BINDSTATUS_FINDINGRESOURCE = 1,
    BINDSTATUS_CONNECTING = 2,
    BINDSTATUS_REDIRECTING = 3,
    BINDSTATUS_BEGINDOWNLOADDATA = 4,
    BINDSTATUS_DOWNLOADINGDATA = 5,
    BINDSTATUS_ENDDOWNLOADDATA = 6,
    BINDSTATUS_BEGINDOWNLOADCOMPONENTS = 7,
    BINDSTATUS_INSTALLINGCOMPONENTS = 8,
    BINDSTATUS_ENDDOWNLOADCOMPONENTS = 9,
    BINDSTATUS_USINGCACHEDCOPY = 10,
    BINDSTATUS_SENDINGREQUEST = 11,
    BINDSTATUS_CLASSIDAVAILABLE = 12,
    BINDSTATUS_MIMETYPEAVAILABLE = 13,
    BINDSTATUS_CACHEFILENAMEAVAILABLE = 14,
    BINDSTATUS_BEGINSYNCOPERATION = 15,
    BINDSTATUS_ENDSYNCOPERATION = 16,
    BINDSTATUS_BEGINUPLOADDATA = 17,
    BINDSTATUS_UPLOADINGDATA = 18,
    BINDSTATUS_ENDUPLOADDATA = 19,
    BINDSTATUS_PROTOCOLCLASSID = 20,
    BINDSTATUS_ENCODING = 21,
    BINDSTATUS_VERIFIEDMIMETYPEAVAILABLE = 22,
    BINDSTATUS_CLASSINSTALLLOCATION = 23,
    BINDSTATUS_DECODING = 24,
    BINDSTATUS_LOADINGMIMEHANDLER = 25,
    BINDSTATUS_CONTENTDISPOSITIONATTACH = 26,
    BINDSTATUS_FILTERREPORTMIMETYPE = 27,
    BINDSTATUS_CLSIDCANINSTANTIATE = 28,
    BINDSTATUS_IUNKNOWNAVAILABLE = 29,
    BINDSTATUS_DIRECTBIND = 30,
    BINDSTATUS_RAWMIMETYPE = 31,
    BINDSTATUS_PROXYDETECTING = 32,
    BINDSTATUS_ACCEPTRANGES = 33,
};

// Flags of a data notification.
enum tagBSCF {
    BSCF_FIRSTDATANOTIFICATION = 0x01,
    BSCF_INTERMEDIATEDATANOTIFICATION = 0x02,
    BSCF_LASTDATANOTIFICATION = 0x04,
    BSCF_DATAFULLYAVAILABLE = 0x08,
    BSCF_AVAILABLEDATASIZEUNKNOWN = 0x10,
};

struct BINDINFO {
    ULONG cbSize;
    LPWSTR szExtraInfo;
    STGMEDIUM stgmedData;
    DWORD grfBindInfoF;
    DWORD dwBindVerb;
    LPWSTR szCustomVerb;
    DWORD cbstgmedData;
    DWORD dwOptions;
    DWORD dwOptionsFlags;
    DWORD dwCodePage;
    SECURITY_ATTRIBUTES securityAttributes;
    IID iid;
    IUnknown* pUnk;
    DWORD dwReserved;
};

// {79EAC9C0-BAF9-11CE-8C82-00AA004BA90B}
inline constexpr IID IID_IBinding = {0x79EAC9C0, 0xBAF9, 0x11CE, {0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B}};
// {79EAC9C1-BAF9-11CE-8C82-00AA004BA90B}
inline constexpr IID IID_IBindStatusCallback = {
    0x79EAC9C1, 0xBAF9, 0x11CE, {0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B}};

struct IBinding : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Abort() = 0;
    virtual HRESULT STDMETHODCALLTYPE Suspend() = 0;
    virtual HRESULT STDMETHODCALLTYPE Resume() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPriority(LONG nPriority) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPriority(LONG* pnPriority) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBindResult(CLSID* pclsidProtocol, DWORD* pdwResult, LPOLESTR* pszResult,
                                                    DWORD* pdwReserved) = 0;

protected:
    ~IBinding() = default;
};
using LPBINDING = IBinding*;

struct IBindStatusCallback : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD dwReserved, IBinding* pib) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPriority(LONG* pnPriority) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnProgress(ULONG ulProgress, ULONG ulProgressMax, ULONG ulStatusCode,
                                                 LPCWSTR szStatusText) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT hresult, LPCWSTR szError) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* grfBINDF, BINDINFO* pbindinfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD grfBSCF, DWORD dwSize, FORMATETC* pformatetc,
                                                      STGMEDIUM* pstgmed) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID riid, IUnknown* punk) = 0;

protected:
    ~IBindStatusCallback() = default;
};
using LPBINDSTATUSCALLBACK = IBindStatusCallback*;

// Fetches url and hands its bytes to callback as they arrive, blocking the
// calling thread until the transfer has ended; every notification reaches
// callback on that thread. Returns S_OK after a complete, successful
// transfer, otherwise the failure that OnStopBinding reported.
//
// The stand-in's service, in short: http and https only, redirects to http
// and https followed up to 10 times; any answer outside 200-299 fails without
// its body being delivered. OnStartBinding comes first and OnStopBinding
// last, exactly once, whatever happens, also for an empty or malformed URL.
// E_ABORT from OnStartBinding, OnProgress or OnDataAvailable abandons the
// transfer. The bind information is asked for but not used.
STDAPI URLOpenStreamA(LPUNKNOWN pCaller, LPCSTR szURL, DWORD dwReserved, LPBINDSTATUSCALLBACK lpfnCB);
