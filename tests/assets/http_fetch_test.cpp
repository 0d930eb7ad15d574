// Fetching images by address in the background, against a tiny server on
// 127.0.0.1.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "assets/http_fetch.h"

namespace {

// Answers GET requests by path: /ok and /redirect (to /ok) succeed,
// /big sends 1000 bytes, /to-file redirects to a file: address, /silent
// never answers (the connection stays open), anything else is 404.
class TinyServer {
public:
    TinyServer() {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 8);
        socklen_t length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~TinyServer() {
        stopping_ = true;
        shutdown(listener_, SHUT_RDWR);
        close(listener_);
        thread_.join();
        for (int connection : silent_) close(connection);
    }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }

private:
    void serve() {
        while (!stopping_) {
            int connection = accept(listener_, nullptr, nullptr);
            if (connection < 0) return;
            std::string request;
            char buffer[1024];
            while (request.find("\r\n\r\n") == std::string::npos) {
                ssize_t got = recv(connection, buffer, sizeof buffer, 0);
                if (got <= 0) break;
                request.append(buffer, static_cast<size_t>(got));
            }
            std::string path = request.size() > 4 ? request.substr(4, request.find(' ', 4) - 4) : "";
            if (path.rfind("/silent", 0) == 0) {
                silent_.push_back(connection);
                continue;
            }
            std::string response = answer(path);
            send(connection, response.data(), response.size(), MSG_NOSIGNAL);
            close(connection);
        }
    }
    std::string answer(const std::string& path) const {
        auto reply = [](const std::string& status, const std::string& headers, const std::string& body) {
            return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
                   "\r\nConnection: close\r\n" + headers + "\r\n" + body;
        };
        if (path == "/ok") return reply("200 OK", "", "image bytes");
        if (path == "/big") return reply("200 OK", "", std::string(1000, 'x'));
        if (path == "/redirect") return reply("302 Found", "Location: " + url("/ok") + "\r\n", "");
        if (path == "/to-file") return reply("302 Found", "Location: file:///etc/hostname\r\n", "");
        return reply("404 Not Found", "", "missing");
    }

    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::vector<int> silent_;  // the server thread's alone until it is joined
    std::thread thread_;
};

using Clock = std::chrono::steady_clock;

std::string text(const FetchedAddress& fetched) {
    return fetched.bytes ? std::string(fetched.bytes->begin(), fetched.bytes->end()) : "<nothing>";
}

// Asks for every address at once, with one deadline, and waits for all.
std::map<std::string, FetchedAddress> fetchAll(const std::vector<std::string>& addresses, uint64_t maxBytes,
                                               Clock::duration allowed = std::chrono::seconds(10)) {
    HttpFetcher fetcher(maxBytes);
    for (const std::string& address : addresses) fetcher.request(address, Clock::now() + allowed);
    EXPECT_TRUE(fetcher.waitUntilIdle(Clock::now() + allowed + std::chrono::seconds(5)));
    std::map<std::string, FetchedAddress> fetched;
    for (FetchedAddress& one : fetcher.takeFinished()) fetched[one.address] = std::move(one);
    EXPECT_EQ(fetched.size(), addresses.size());
    return fetched;
}

TEST(HttpFetch, FetchesTheBodyOrNothing) {
    TinyServer server;
    auto fetched = fetchAll({server.url("/ok"), server.url("/redirect"), server.url("/missing"), server.url("/to-file"),
                             "https://127.0.0.1:1/none"},
                            1000);
    EXPECT_EQ(text(fetched[server.url("/ok")]), "image bytes");
    EXPECT_EQ(text(fetched[server.url("/redirect")]), "image bytes");
    EXPECT_EQ(text(fetched[server.url("/missing")]), "<nothing>");
    EXPECT_EQ(fetched[server.url("/missing")].problem, "the server answered 404");
    // Redirects may not leave HTTP.
    EXPECT_EQ(text(fetched[server.url("/to-file")]), "<nothing>");
    EXPECT_FALSE(fetched["https://127.0.0.1:1/none"].problem.empty());
    // Larger than allowed: nothing, rather than a cut image.
    auto small = fetchAll({server.url("/big")}, 100);
    EXPECT_EQ(text(small[server.url("/big")]), "<nothing>");
}

// Three pictures on a server that never answers cost the one budget they
// share, not three; and the program need not wait for them to end.
TEST(HttpFetch, SilentServersCostOneDeadlineAndNeverHoldUpTheEnd) {
    TinyServer server;
    auto began = Clock::now();
    auto fetched = fetchAll({server.url("/silent?a"), server.url("/silent?b"), server.url("/silent?c")}, 1000,
                            std::chrono::milliseconds(1500));
    double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    EXPECT_GE(seconds, 1.4);
    EXPECT_LT(seconds, 4.0);  // one after another would take 4.5 s
    for (auto& [address, one] : fetched) EXPECT_EQ(one.problem, "no answer in the time allowed") << address;

    began = Clock::now();
    {
        HttpFetcher fetcher(1000);
        fetcher.request(server.url("/silent?d"), Clock::now() + std::chrono::minutes(5));
        EXPECT_FALSE(fetcher.waitUntilIdle(Clock::now() + std::chrono::milliseconds(200)));
    }
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - began).count(), 3.0);
}

TEST(HttpFetch, NoServerMeansNothing) {
    uint16_t port = 0;
    {
        TinyServer closed;
        port = static_cast<uint16_t>(std::stoi(closed.url("").substr(17)));
    }
    std::string address = "http://127.0.0.1:" + std::to_string(port) + "/ok";
    auto fetched = fetchAll({address}, 1000, std::chrono::seconds(5));
    EXPECT_FALSE(fetched[address].bytes.has_value());
}

}  // namespace
