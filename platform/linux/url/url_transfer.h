// One call of the URL stream service: fetches a URL with libcurl on the
// calling thread and reports every stage, every batch of data and the end
// of the transfer to the caller's IBindStatusCallback, on that thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <curl/curl.h>
#include <urlmon.h>

#include "url/url_service_timeouts.h"

class ReceivedDataStream;
class TransferBinding;

class UrlTransfer {
public:
    UrlTransfer(IBindStatusCallback* callback, const char* url);
    ~UrlTransfer();
    UrlTransfer(const UrlTransfer&) = delete;
    UrlTransfer& operator=(const UrlTransfer&) = delete;

    // The whole transfer, from OnStartBinding to OnStopBinding, which comes
    // exactly once. Returns what OnStopBinding was given.
    HRESULT Run();

private:
    using Clock = std::chrono::steady_clock;
    struct Stage {
        ULONG status;
        std::wstring text;
    };

    HRESULT Transfer();
    HRESULT CheckUrl();
    bool OpenCurl();
    void CloseCurl();
    HRESULT Pump();
    HRESULT Finish(CURLcode code);
    HRESULT FailureFor(CURLcode code) const;
    std::chrono::milliseconds PollTimeout() const;

    // Notifications to the callback; false means the transfer is abandoned.
    bool Progress(ULONG status, const std::wstring& text);
    bool DeliverStages();
    bool DataDue() const;
    bool DeliverData(bool last);

    // What libcurl reports, from inside curl_multi_perform.
    // Receiving pauses while this much waits for a data notification, so
    // that one turn of libcurl cannot pile up more than that.
    static constexpr std::uint64_t kPauseAt = 1024 * 1024;

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
    static curl_socket_t OnOpenSocket(void* self, curlsocktype purpose, curl_sockaddr* address);
    static int OnConnected(void* self, char* remoteIp, char* localIp, int remotePort, int localPort);
    bool HandleHeaderLine(std::string_view line);
    bool HandleEndOfHeaders();
    std::size_t HandleBody(const char* data, std::size_t size);

    IBindStatusCallback* callback_;
    std::string url_;
    std::string host_;
    UrlServiceTimeouts timeouts_;
    ReceivedDataStream* stream_;
    TransferBinding* binding_;
    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    bool easyAdded_ = false;
    char curlError_[CURL_ERROR_SIZE] = {};
    std::wstring failureText_;  // why the transfer failed, when libcurl does not say

    // Stages seen inside libcurl, reported once it has returned.
    std::vector<Stage> stages_;
    // The status a progress notification reports while nothing happens.
    ULONG idleStatus_ = BINDSTATUS_FINDINGRESOURCE;

    // The response whose header lines are arriving.
    bool inHeaders_ = false;
    std::int64_t headerLength_ = -1;
    bool headerChunked_ = false;
    std::string headerLocation_;
    std::string headerContentType_;

    // The request under way.
    bool connectingReported_ = false;
    bool connected_ = false;
    bool redirected_ = false;
    bool bodyWanted_ = false;     // a 2xx response's body is arriving
    long refusedStatus_ = 0;      // an answer outside 200-299 stopped the transfer
    bool outOfMemory_ = false;
    std::int64_t contentLength_ = -1;  // of the delivered body; -1 when unknown

    // Flow of the transfer.
    bool activity_ = false;       // libcurl connected or received something
    bool paused_ = false;         // receiving waits for the next data notification
    Clock::duration idle_{};      // time in libcurl without any activity
    bool dataBegun_ = false;
    std::uint64_t notified_ = 0;  // bytes announced by data notifications
    Clock::time_point lastData_;
    Clock::time_point lastProgress_;
};
