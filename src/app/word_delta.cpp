#include "app/word_delta.h"

#include <algorithm>
#include <cstring>

void packChange(const std::vector<uint32_t>& before, const std::vector<uint32_t>& after,
                std::vector<uint32_t>& packed) {
    packed.clear();
    size_t size = std::min(before.size(), after.size());
    size_t at = 0;
    while (at < size) {
        size_t runStart = at;
        // Long equal runs (bodies at rest, the contact memory) go by in blocks.
        constexpr size_t block = 16;
        while (at + block <= size && std::memcmp(&before[at], &after[at], block * sizeof(uint32_t)) == 0) at += block;
        while (at < size && before[at] == after[at]) ++at;
        if (at == size) break;
        size_t changedStart = at;
        // A single equal word inside changes costs more to count than to keep.
        while (at < size && (before[at] != after[at] || (at + 1 < size && before[at + 1] != after[at + 1]))) ++at;
        packed.push_back(static_cast<uint32_t>(changedStart - runStart));
        packed.push_back(static_cast<uint32_t>(at - changedStart));
        for (size_t i = changedStart; i < at; ++i) packed.push_back(before[i] ^ after[i]);
    }
}

void applyChange(std::vector<uint32_t>& words, const std::vector<uint32_t>& change) {
    size_t at = 0;
    size_t read = 0;
    while (read + 2 <= change.size()) {
        at += change[read];
        size_t count = change[read + 1];
        read += 2;
        for (size_t i = 0; i < count && at < words.size() && read < change.size(); ++i) words[at++] ^= change[read++];
    }
}
