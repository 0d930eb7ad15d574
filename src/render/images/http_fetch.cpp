#include "render/images/http_fetch.h"

#include <curl/curl.h>

namespace {

struct Download {
    std::vector<uint8_t> bytes;
    uint64_t maxBytes = 0;
};

size_t appendBody(char* data, size_t size, size_t count, void* user) {
    auto* download = static_cast<Download*>(user);
    size_t length = size * count;
    // A short count makes curl abort the transfer.
    if (download->bytes.size() + length > download->maxBytes) return 0;
    download->bytes.insert(download->bytes.end(), data, data + length);
    return length;
}

bool initialiseCurl() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return initialised;
}

}  // namespace

std::string addressIn(const std::string& path) {
    size_t start = path.find("http://");
    return start == std::string::npos ? std::string{} : path.substr(start);
}

std::optional<std::vector<uint8_t>> fetchAddress(const std::string& path, uint64_t maxBytes, long timeoutSeconds) {
    std::string address = addressIn(path);
    if (address.empty() || !initialiseCurl()) return std::nullopt;
    CURL* curl = curl_easy_init();
    if (!curl) return std::nullopt;
    Download download;
    download.maxBytes = maxBytes;
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &download);
    CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK) return std::nullopt;
    return std::move(download.bytes);
}
