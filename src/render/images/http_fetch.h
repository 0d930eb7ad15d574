// Fetching an image named by an "http://" address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The address starts at the first "http://" of `path`: a world file's
// directory prefix in front of an address is not part of it.
std::string addressIn(const std::string& path);

// The body of a successful HTTP GET of the address in `path`; nothing on a
// network or HTTP error, a body larger than `maxBytes`, or after
// `timeoutSeconds`. Only plain HTTP is spoken, also across redirects.
std::optional<std::vector<uint8_t>> fetchAddress(const std::string& path, uint64_t maxBytes, long timeoutSeconds = 30);
