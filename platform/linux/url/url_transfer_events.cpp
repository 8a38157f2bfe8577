// What libcurl reports from inside curl_multi_perform: header lines, body
// bytes, the opening of a connection and its readiness for the request.
// Nothing here calls the caller's callback; stages are queued for the
// transfer loop and bytes go into the stream.
#include "url/url_transfer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <charconv>
#include <new>

#include "url/received_data_stream.h"
#include "url/transfer_text.h"

namespace {

std::string AddressText(const curl_sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address->family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&address->addr);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    } else if (address->family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&address->addr);
        inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    }
    return text;
}

}  // namespace

std::size_t UrlTransfer::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* transfer = static_cast<UrlTransfer*>(self);
    try {
        return transfer->HandleHeaderLine(std::string_view(data, size * count)) ? size * count : 0;
    } catch (const std::bad_alloc&) {
        transfer->outOfMemory_ = true;
        return 0;
    }
}

bool UrlTransfer::HandleHeaderLine(std::string_view line) {
    activity_ = true;
    if (line.starts_with("HTTP/")) {
        inHeaders_ = true;
        bodyWanted_ = false;
        headerLength_ = -1;
        headerChunked_ = false;
        headerLocation_.clear();
        headerContentType_.clear();
        return true;
    }
    if (!inHeaders_) return true;  // trailers after a chunked body
    line = Trimmed(line);
    if (line.empty()) {
        inHeaders_ = false;
        return HandleEndOfHeaders();
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return true;
    const std::string_view name = Trimmed(line.substr(0, colon));
    const std::string_view value = Trimmed(line.substr(colon + 1));
    if (EqualsNoCase(name, "Content-Length")) {
        std::int64_t length = -1;
        const auto parsed = std::from_chars(value.data(), value.data() + value.size(), length);
        headerLength_ = parsed.ec == std::errc() && parsed.ptr == value.data() + value.size() ? length : -1;
    } else if (EqualsNoCase(name, "Transfer-Encoding")) {
        headerChunked_ = ContainsNoCase(value, "chunked");
    } else if (EqualsNoCase(name, "Location")) {
        headerLocation_ = value;
    } else if (EqualsNoCase(name, "Content-Type")) {
        headerContentType_ = value;
    }
    return true;
}

bool UrlTransfer::HandleEndOfHeaders() {
    long status = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 100 && status < 200) return true;  // an interim answer; the real one follows
    if (status >= 300 && status < 400 && !headerLocation_.empty()) {
        // libcurl follows it (or fails the transfer when it may not).
        stages_.push_back({BINDSTATUS_REDIRECTING, Widen(headerLocation_)});
        redirected_ = true;
        connected_ = false;
        connectingReported_ = false;
        return true;
    }
    if (status < 200 || status > 299) {
        refusedStatus_ = status;
        return false;
    }
    bodyWanted_ = true;
    contentLength_ = headerChunked_ ? -1 : headerLength_;
    stages_.push_back({BINDSTATUS_MIMETYPEAVAILABLE, Widen(headerContentType_)});
    return true;
}

std::size_t UrlTransfer::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* transfer = static_cast<UrlTransfer*>(self);
    try {
        return transfer->HandleBody(data, size * count);
    } catch (const std::bad_alloc&) {
        transfer->outOfMemory_ = true;
        return 0;
    }
}

std::size_t UrlTransfer::HandleBody(const char* data, std::size_t size) {
    activity_ = true;
    // The body of an answer that is not delivered (one libcurl does not
    // follow after all) is dropped; the transfer then fails on its status.
    if (!bodyWanted_) return size;
    if (stream_->Received() - notified_ >= kPauseAt) {
        paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    stream_->Append(data, size);
    return size;
}

curl_socket_t UrlTransfer::OnOpenSocket(void* self, curlsocktype purpose, curl_sockaddr* address) {
    auto* transfer = static_cast<UrlTransfer*>(self);
    if (purpose == CURLSOCKTYPE_IPCXN && !transfer->connectingReported_) {
        transfer->connectingReported_ = true;
        try {
            transfer->stages_.push_back({BINDSTATUS_CONNECTING, Widen(AddressText(address))});
        } catch (const std::bad_alloc&) {
            transfer->outOfMemory_ = true;
            return CURL_SOCKET_BAD;
        }
    }
    return socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

int UrlTransfer::OnConnected(void* self, char*, char*, int, int) {
    auto* transfer = static_cast<UrlTransfer*>(self);
    transfer->connected_ = true;
    transfer->activity_ = true;
    try {
        transfer->stages_.push_back({BINDSTATUS_SENDINGREQUEST, {}});
    } catch (const std::bad_alloc&) {
        transfer->outOfMemory_ = true;
        return CURL_PREREQFUNC_ABORT;
    }
    return CURL_PREREQFUNC_OK;
}
