#include "assets/http_fetch.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

struct FetchTransfer {
    std::string address;
    std::vector<uint8_t> bytes;
    uint64_t maxBytes = 0;
    bool tooLarge = false;
    CURL* handle = nullptr;
};

namespace {

size_t appendBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<FetchTransfer*>(user);
    size_t length = size * count;
    // A short count makes curl abort the transfer.
    if (transfer->bytes.size() + length > transfer->maxBytes) {
        transfer->tooLarge = true;
        return 0;
    }
    transfer->bytes.insert(transfer->bytes.end(), data, data + length);
    return length;
}

bool initialiseCurl() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return initialised;
}

CURLM* multiOf(void* multi) { return static_cast<CURLM*>(multi); }

std::string problemOf(CURLcode result, CURL* handle, const FetchTransfer& transfer) {
    if (transfer.tooLarge || result == CURLE_FILESIZE_EXCEEDED) return "larger than any picture it could hold";
    if (result == CURLE_OPERATION_TIMEDOUT) return "no answer in the time allowed";
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (result == CURLE_HTTP_RETURNED_ERROR) return "the server answered " + std::to_string(status);
    return curl_easy_strerror(result);
}

}  // namespace

HttpFetcher::HttpFetcher(uint64_t maxBytes) : maxBytes_(maxBytes) {
    if (initialiseCurl()) multi_ = curl_multi_init();
    worker_ = std::thread([this] { run(); });
}

HttpFetcher::~HttpFetcher() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (multi_) curl_multi_wakeup(multiOf(multi_));
    worker_.join();
    if (multi_) curl_multi_cleanup(multiOf(multi_));
}

void HttpFetcher::request(const std::string& address, FetchDeadline deadline) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queued_.emplace_back(address, deadline);
        pending_ += 1;
    }
    wake_.notify_all();
    if (multi_) curl_multi_wakeup(multiOf(multi_));
}

std::vector<FetchedAddress> HttpFetcher::takeFinished() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(finished_, {});
}

bool HttpFetcher::waitUntilIdle(FetchDeadline until) {
    std::unique_lock<std::mutex> lock(mutex_);
    return idle_.wait_until(lock, until, [this] { return pending_ == 0; });
}

void HttpFetcher::finish(FetchedAddress fetched) {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_.push_back(std::move(fetched));
    pending_ -= 1;
    if (pending_ == 0) idle_.notify_all();
}

// Each request gets what is left of its deadline as curl's own limit, so
// the requests of one load end together at the latest.
void HttpFetcher::startQueued() {
    std::vector<std::pair<std::string, FetchDeadline>> queued;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queued.swap(queued_);
    }
    for (auto& [address, deadline] : queued) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        CURL* handle = multi_ ? curl_easy_init() : nullptr;
        if (handle == nullptr || left.count() <= 0) {
            if (handle) curl_easy_cleanup(handle);
            finish({address, std::nullopt, handle ? "no answer in the time allowed" : "no network library"});
            continue;
        }
        auto transfer = std::make_unique<FetchTransfer>();
        transfer->address = address;
        transfer->maxBytes = maxBytes_;
        transfer->handle = handle;
        curl_easy_setopt(handle, CURLOPT_URL, address.c_str());
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
        curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes_));
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendBody);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, transfer.get());
        curl_multi_add_handle(multiOf(multi_), handle);
        running_[handle] = transfer.release();
    }
}

void HttpFetcher::collectDone() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multiOf(multi_), &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        CURL* handle = message->easy_handle;
        CURLcode result = message->data.result;
        std::unique_ptr<FetchTransfer> transfer(running_[handle]);
        running_.erase(handle);
        FetchedAddress fetched{transfer->address, std::nullopt, {}};
        if (result == CURLE_OK)
            fetched.bytes = std::move(transfer->bytes);
        else
            fetched.problem = problemOf(result, handle, *transfer);
        curl_multi_remove_handle(multiOf(multi_), handle);
        curl_easy_cleanup(handle);
        finish(std::move(fetched));
    }
}

void HttpFetcher::run() {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_) break;
        }
        startQueued();
        if (multi_ == nullptr) {
            // Every request fails at once; wait for the next one.
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queued_.empty(); });
            continue;
        }
        int running = 0;
        curl_multi_perform(multiOf(multi_), &running);
        collectDone();
        // Woken early by a new request or the end of the program.
        curl_multi_poll(multiOf(multi_), nullptr, 0, 1000, nullptr);
    }
    // Whatever is still pending is dropped, sockets and all.
    for (auto& [handle, transfer] : running_) {
        curl_multi_remove_handle(multiOf(multi_), static_cast<CURL*>(handle));
        curl_easy_cleanup(static_cast<CURL*>(handle));
        delete transfer;
    }
    running_.clear();
}
