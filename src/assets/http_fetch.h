// Fetching images named by "http://" and "https://" addresses, in the
// background: a request returns at once, and every pending request runs at
// the same time on one worker thread until its deadline. A server that never
// answers holds up neither the window nor the end of the program.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using FetchDeadline = std::chrono::steady_clock::time_point;

struct FetchTransfer;

// One request that ended.
struct FetchedAddress {
    std::string address;
    std::optional<std::vector<uint8_t>> bytes;  // the body; nothing when the fetch failed
    std::string problem;                        // why nothing came, for a note
};

// What the texture registry asks of a fetcher; tests stand in their own.
class AddressFetcher {
public:
    virtual ~AddressFetcher() = default;
    // Starts fetching `address`, giving up at `deadline`.
    virtual void request(const std::string& address, FetchDeadline deadline) = 0;
    // The requests that ended since the last call, in the order they ended.
    virtual std::vector<FetchedAddress> takeFinished() = 0;
    // Waits until every request has ended or `until` has come; true when
    // nothing is pending any more.
    virtual bool waitUntilIdle(FetchDeadline until) = 0;
};

// The real fetcher, on libcurl's multi interface. Plain HTTP and HTTPS only,
// also across redirects; a body larger than `maxBytes` counts as a failure.
class HttpFetcher : public AddressFetcher {
public:
    explicit HttpFetcher(uint64_t maxBytes);
    // Abandons whatever is still pending, without waiting for any server.
    ~HttpFetcher() override;
    HttpFetcher(const HttpFetcher&) = delete;
    HttpFetcher& operator=(const HttpFetcher&) = delete;

    void request(const std::string& address, FetchDeadline deadline) override;
    std::vector<FetchedAddress> takeFinished() override;
    bool waitUntilIdle(FetchDeadline until) override;

private:
    void run();
    void startQueued();
    void collectDone();
    void finish(FetchedAddress fetched);

    uint64_t maxBytes_;
    void* multi_ = nullptr;  // CURLM*
    std::mutex mutex_;
    std::condition_variable idle_;
    std::condition_variable wake_;  // without libcurl: a request or the end
    std::vector<std::pair<std::string, FetchDeadline>> queued_;
    std::vector<FetchedAddress> finished_;
    size_t pending_ = 0;  // requested and not yet finished
    bool stopping_ = false;
    std::map<void*, FetchTransfer*> running_;  // by CURL* easy handle; worker thread only
    std::thread worker_;
};
