#include "url/url_transfer.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "url/received_data_stream.h"
#include "url/transfer_binding.h"
#include "url/transfer_text.h"

namespace {

using namespace std::chrono_literals;

// A data notification goes out once this much is waiting, or once some
// bytes have waited this long.
constexpr std::uint64_t kDataBlock = 256 * 1024;
constexpr auto kDataInterval = 100ms;
// Without anything else to report, progress goes out this often.
constexpr auto kProgressInterval = 1s;
constexpr long kReceiveBufferSize = 512 * 1024;
constexpr auto kPollInterval = 100ms;
constexpr long kMaxRedirects = 10;
constexpr DWORD kContentAspect = 1;  // DVASPECT_CONTENT

ULONG Saturated(std::uint64_t value) {
    return static_cast<ULONG>(std::min<std::uint64_t>(value, 0xFFFFFFFFu));
}

HRESULT FailureForStatus(long status) {
    if (status == 404 || status == 410) return INET_E_RESOURCE_NOT_FOUND;
    if (status == 401 || status == 407) return INET_E_AUTHENTICATION_REQUIRED;
    if (status >= 300 && status < 400) return INET_E_REDIRECT_FAILED;
    return INET_E_DOWNLOAD_FAILURE;
}

}  // namespace

UrlTransfer::UrlTransfer(IBindStatusCallback* callback, const char* url)
    : callback_(callback),
      url_(url != nullptr ? url : ""),
      timeouts_(CurrentUrlServiceTimeouts()),
      stream_(ReceivedDataStream::Create()),
      binding_(TransferBinding::Create()) {}

UrlTransfer::~UrlTransfer() {
    CloseCurl();
    binding_->Release();
    stream_->Release();
}

HRESULT UrlTransfer::Run() {
    callback_->AddRef();
    const HRESULT result = Transfer();
    // The connection goes before the callback hears the end.
    CloseCurl();
    std::wstring error;
    if (result == E_ABORT) {
        error = L"transfer abandoned";
    } else if (result != S_OK) {
        error = !failureText_.empty() ? failureText_ : curlError_[0] != '\0' ? Widen(curlError_) : L"transfer failed";
    }
    callback_->OnStopBinding(result, result == S_OK ? nullptr : error.c_str());
    callback_->Release();
    return result;
}

HRESULT UrlTransfer::Transfer() {
    if (callback_->OnStartBinding(0, binding_) == E_ABORT) return E_ABORT;
    DWORD bindFlags = 0;
    BINDINFO bindInfo{};
    bindInfo.cbSize = sizeof bindInfo;
    callback_->GetBindInfo(&bindFlags, &bindInfo);
    if (binding_->AbortRequested()) return E_ABORT;
    if (const HRESULT invalid = CheckUrl(); FAILED(invalid)) return invalid;
    if (!Progress(BINDSTATUS_FINDINGRESOURCE, Widen(host_))) return E_ABORT;
    if (!OpenCurl()) return E_OUTOFMEMORY;
    return Pump();
}

HRESULT UrlTransfer::CheckUrl() {
    if (url_.empty()) return INET_E_INVALID_URL;
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
    if (!parsed) return E_OUTOFMEMORY;
    if (curl_url_set(parsed.get(), CURLUPART_URL, url_.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return INET_E_INVALID_URL;
    }
    char* part = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &part, 0) != CURLUE_OK) return INET_E_INVALID_URL;
    const std::string scheme = part;
    curl_free(part);
    if (!EqualsNoCase(scheme, "http") && !EqualsNoCase(scheme, "https")) return INET_E_UNKNOWN_PROTOCOL;
    part = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_HOST, &part, 0) != CURLUE_OK) return INET_E_INVALID_URL;
    host_ = part;
    curl_free(part);
    return host_.empty() ? INET_E_INVALID_URL : S_OK;
}

bool UrlTransfer::OpenCurl() {
    multi_ = curl_multi_init();
    easy_ = curl_easy_init();
    if (multi_ == nullptr || easy_ == nullptr) return false;
    bool ok = curl_easy_setopt(easy_, CURLOPT_URL, url_.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, kReceiveBufferSize) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, curlError_) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &UrlTransfer::OnHeader) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &UrlTransfer::OnBody) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_OPENSOCKETFUNCTION, &UrlTransfer::OnOpenSocket) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_OPENSOCKETDATA, this) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_PREREQFUNCTION, &UrlTransfer::OnConnected) == CURLE_OK;
    ok = ok && curl_easy_setopt(easy_, CURLOPT_PREREQDATA, this) == CURLE_OK;
    if (!ok || curl_multi_add_handle(multi_, easy_) != CURLM_OK) return false;
    easyAdded_ = true;
    binding_->Attach(multi_);
    return true;
}

void UrlTransfer::CloseCurl() {
    binding_->Detach();
    if (easyAdded_) curl_multi_remove_handle(multi_, easy_);
    easyAdded_ = false;
    if (easy_ != nullptr) curl_easy_cleanup(easy_);
    easy_ = nullptr;
    if (multi_ != nullptr) curl_multi_cleanup(multi_);
    multi_ = nullptr;
}

HRESULT UrlTransfer::Pump() {
    lastData_ = lastProgress_ = Clock::now();
    Clock::time_point segmentStart = lastData_;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi_, &running) != CURLM_OK) return INET_E_DOWNLOAD_FAILURE;
        std::optional<CURLcode> done;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
            if (message->msg == CURLMSG_DONE) done = message->data.result;
        }
        // Time spent in the callback's notifications does not count as idle.
        if (activity_ || paused_) {
            idle_ = {};
        } else {
            idle_ += Clock::now() - segmentStart;
        }
        activity_ = false;

        if (!DeliverStages()) return E_ABORT;
        if (done) return Finish(*done);
        if (DataDue() && !DeliverData(false)) return E_ABORT;
        if (paused_ && stream_->Received() - notified_ < kPauseAt) {
            paused_ = false;
            curl_easy_pause(easy_, CURLPAUSE_CONT);
        }
        if (Clock::now() - lastProgress_ >= kProgressInterval && !Progress(idleStatus_, {})) return E_ABORT;
        if (binding_->AbortRequested()) return E_ABORT;
        if (idle_ >= (connected_ ? timeouts_.noByte : timeouts_.connect)) {
            failureText_ = connected_ ? L"no data received in time" : L"no connection made in time";
            return INET_E_CONNECTION_TIMEOUT;
        }
        segmentStart = Clock::now();
        curl_multi_poll(multi_, nullptr, 0, static_cast<int>(PollTimeout().count()), nullptr);
    }
}

std::chrono::milliseconds UrlTransfer::PollTimeout() const {
    std::chrono::milliseconds timeout = kPollInterval;
    const auto limit = connected_ ? timeouts_.noByte : timeouts_.connect;
    const auto untilLimit = std::chrono::ceil<std::chrono::milliseconds>(limit - idle_);
    timeout = std::clamp(untilLimit, std::chrono::milliseconds(1), timeout);
    if (stream_->Received() > notified_) {
        const auto untilData =
            std::chrono::ceil<std::chrono::milliseconds>(kDataInterval - (Clock::now() - lastData_));
        timeout = std::clamp(untilData, std::chrono::milliseconds(1), timeout);
    }
    return timeout;
}

HRESULT UrlTransfer::Finish(CURLcode code) {
    if (code != CURLE_OK) return FailureFor(code);
    long status = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) return FailureForStatus(status);
    return DeliverData(true) ? S_OK : E_ABORT;
}

HRESULT UrlTransfer::FailureFor(CURLcode code) const {
    switch (code) {
    case CURLE_WRITE_ERROR:
        if (outOfMemory_) return E_OUTOFMEMORY;
        return refusedStatus_ != 0 ? FailureForStatus(refusedStatus_) : INET_E_DOWNLOAD_FAILURE;
    case CURLE_UNSUPPORTED_PROTOCOL:
        // The first URL's scheme was checked before: this is a redirect to
        // another scheme, or an answer that is not HTTP at all.
        return redirected_ ? INET_E_REDIRECT_FAILED : INET_E_DOWNLOAD_FAILURE;
    case CURLE_URL_MALFORMAT:
        return redirected_ ? INET_E_REDIRECT_FAILED : INET_E_INVALID_URL;
    case CURLE_TOO_MANY_REDIRECTS:
        return INET_E_REDIRECT_FAILED;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return INET_E_RESOURCE_NOT_FOUND;
    case CURLE_COULDNT_CONNECT:
        return INET_E_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return INET_E_CONNECTION_TIMEOUT;
    case CURLE_OUT_OF_MEMORY:
        return E_OUTOFMEMORY;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return INET_E_SECURITY_PROBLEM;
    default:
        return INET_E_DOWNLOAD_FAILURE;
    }
}

bool UrlTransfer::Progress(ULONG status, const std::wstring& text) {
    const ULONG maximum = contentLength_ > 0 ? Saturated(static_cast<std::uint64_t>(contentLength_)) : 0;
    const HRESULT answer = callback_->OnProgress(Saturated(stream_->Received()), maximum, status, text.c_str());
    lastProgress_ = Clock::now();
    return answer != E_ABORT && !binding_->AbortRequested();
}

bool UrlTransfer::DeliverStages() {
    std::vector<Stage> stages;
    stages.swap(stages_);
    for (const Stage& stage : stages) {
        idleStatus_ = stage.status == BINDSTATUS_MIMETYPEAVAILABLE ? static_cast<ULONG>(BINDSTATUS_DOWNLOADINGDATA)
                                                                    : stage.status;
        if (!Progress(stage.status, stage.text)) return false;
    }
    return true;
}

bool UrlTransfer::DataDue() const {
    const std::uint64_t fresh = stream_->Received() - notified_;
    if (fresh >= kDataBlock) return true;
    return fresh > 0 && Clock::now() - lastData_ >= kDataInterval;
}

bool UrlTransfer::DeliverData(bool last) {
    DWORD flags = 0;
    if (!dataBegun_) {
        dataBegun_ = true;
        flags |= BSCF_FIRSTDATANOTIFICATION;
        if (!Progress(BINDSTATUS_BEGINDOWNLOADDATA, Widen(url_))) return false;
    } else if (!last) {
        flags |= BSCF_INTERMEDIATEDATANOTIFICATION;
        if (!Progress(BINDSTATUS_DOWNLOADINGDATA, Widen(url_))) return false;
    }
    if (last) {
        flags |= BSCF_LASTDATANOTIFICATION | BSCF_DATAFULLYAVAILABLE;
        if (!Progress(BINDSTATUS_ENDDOWNLOADDATA, Widen(url_))) return false;
    } else if (contentLength_ < 0) {
        flags |= BSCF_AVAILABLEDATASIZEUNKNOWN;
    }
    idleStatus_ = BINDSTATUS_DOWNLOADINGDATA;

    const std::uint64_t total = stream_->Received();
    FORMATETC format{0, nullptr, kContentAspect, -1, TYMED_ISTREAM};
    STGMEDIUM medium{};
    medium.tymed = TYMED_ISTREAM;
    medium.pstm = stream_;
    medium.pUnkForRelease = nullptr;
    // The size is the running total; past 4 GiB it wraps, so that the
    // difference to the stream's position still counts the new bytes.
    const HRESULT answer = callback_->OnDataAvailable(flags, static_cast<DWORD>(total), &format, &medium);
    notified_ = total;
    lastData_ = Clock::now();
    return answer != E_ABORT && !binding_->AbortRequested();
}
