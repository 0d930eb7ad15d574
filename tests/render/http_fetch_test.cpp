// Fetching images by "http://" address, against a tiny server on 127.0.0.1.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "render/images/http_fetch.h"

namespace {

// Answers GET requests by path: /ok and /redirect (to /ok) succeed,
// /big sends 1000 bytes, /to-file redirects to a file: address, anything
// else is 404.
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
            std::string response = answer(request.substr(4, request.find(' ', 4) - 4));
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
    std::thread thread_;
};

std::string text(const std::optional<std::vector<uint8_t>>& bytes) {
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<nothing>");
}

TEST(HttpFetch, TheAddressStartsAtItsScheme) {
    EXPECT_EQ(addressIn("http://host/a.jpg"), "http://host/a.jpg");
    EXPECT_EQ(addressIn("rsc/http://host/a.jpg"), "http://host/a.jpg");
    EXPECT_EQ(addressIn("rsc/a.jpg"), "");
    EXPECT_EQ(addressIn("https://host/a.jpg"), "");
}

TEST(HttpFetch, FetchesTheBodyOrNothing) {
    TinyServer server;
    EXPECT_EQ(text(fetchAddress(server.url("/ok"), 1000)), "image bytes");
    // A world file's directory in front of the address does not matter.
    EXPECT_EQ(text(fetchAddress("rsc/models/" + server.url("/ok"), 1000)), "image bytes");
    EXPECT_EQ(text(fetchAddress(server.url("/redirect"), 1000)), "image bytes");
    EXPECT_EQ(text(fetchAddress(server.url("/missing"), 1000)), "<nothing>");
    // Larger than allowed: nothing, rather than a cut image.
    EXPECT_EQ(text(fetchAddress(server.url("/big"), 100)), "<nothing>");
    // Redirects may not leave plain HTTP.
    EXPECT_EQ(text(fetchAddress(server.url("/to-file"), 1000)), "<nothing>");
}

TEST(HttpFetch, NoServerMeansNothing) {
    uint16_t port = 0;
    {
        TinyServer closed;
        port = static_cast<uint16_t>(std::stoi(closed.url("").substr(17)));
    }
    EXPECT_FALSE(fetchAddress("http://127.0.0.1:" + std::to_string(port) + "/ok", 1000, 5).has_value());
}

}  // namespace
