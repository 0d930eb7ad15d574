#include "files/line_counting_buffer.h"

#include <algorithm>

LineCountingBuffer::LineCountingBuffer(std::streambuf* source, std::string sourceName, LineCountingBuffer* includedFrom)
    : source(source), name(std::move(sourceName)), depth(includedFrom ? includedFrom->depth + 1 : 0),
      top(includedFrom ? includedFrom->top : this) {
    setg(chunk.data(), chunk.data() + 1, chunk.data() + 1);
}

LineCountingBuffer::int_type LineCountingBuffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    char* first = chunk.data() + 1;
    linesBeforeChunk += std::count(first, egptr(), '\n');
    if (egptr() > first) chunk[0] = egptr()[-1];
    std::streamsize got = source ? source->sgetn(first, chunkSize) : 0;
    setg(chunk.data(), first, first + std::max<std::streamsize>(got, 0));
    if (got <= 0) return traits_type::eof();
    return traits_type::to_int_type(*gptr());
}

long LineCountingBuffer::lineNumber() const {
    const char* first = chunk.data() + 1;
    long lines = linesBeforeChunk;
    if (gptr() >= first)
        lines += std::count(first, static_cast<const char*>(gptr()), '\n');
    else if (chunk[0] == '\n')
        lines -= 1;  // the previous chunk's last line break was put back
    return lines + 1;
}

LineCountingBuffer* countingBufferOf(std::istream& input) { return dynamic_cast<LineCountingBuffer*>(input.rdbuf()); }

CountedInput::CountedInput(std::istream& input, const std::string& sourceName) : original(input) {
    if (countingBufferOf(input)) return;
    buffer = std::make_unique<LineCountingBuffer>(input.rdbuf(), sourceName);
    wrapped = std::make_unique<std::istream>(buffer.get());
    // A stream that failed to open reads as empty.
    if (input.fail()) wrapped->setstate(std::ios::failbit);
}
