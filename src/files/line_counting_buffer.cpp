#include "files/line_counting_buffer.h"

#include <algorithm>
#include <exception>
#include <ios>

#include "files/diagnostics.h"

LineCountingBuffer::LineCountingBuffer(std::streambuf* source, std::string sourceName, LineCountingBuffer* includedFrom)
    : source(source), name(std::move(sourceName)), depth(includedFrom ? includedFrom->depth + 1 : 0),
      parent(includedFrom), top(includedFrom ? includedFrom->top : this) {
    setg(chunk.data(), chunk.data() + 1, chunk.data() + 1);
}

LineCountingBuffer::int_type LineCountingBuffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    char* first = chunk.data() + 1;
    keyLineNumber();  // the chunk that holds the mark is about to go
    linesBeforeChunk += std::count(first, egptr(), '\n');
    if (egptr() > first) chunk[0] = egptr()[-1];
    std::streamsize got = readChunk(first);
    setg(chunk.data(), first, first + got);
    if (got <= 0) return traits_type::eof();
    return traits_type::to_int_type(*gptr());
}

// What an exception from the source says went wrong, without the library's
// own words ("basic_filebuf::underflow error reading the file").
static std::string reasonOf(const std::exception& error) {
    if (const auto* failure = dynamic_cast<const std::ios_base::failure*>(&error)) return failure->code().message();
    return error.what();
}

// The next chunk from the source, within the read's text budget. The reader
// takes characters from this buffer directly, outside the stream's own
// error handling, so a source that fails (a folder, a file under /proc that
// answers EIO) is caught here: the file ends with a note, as a missing one
// reads, and the files around it go on.
std::streamsize LineCountingBuffer::readChunk(char* into) {
    ReadBudget& read = top->budget;
    if (source == nullptr || readFailed || read.stopped) return 0;
    uint64_t left = maxTextPerRead - std::min(read.textRead, maxTextPerRead);
    std::streamsize got = 0;
    try {
        if (left == 0) {
            // A file that ends right at the budget has not passed it.
            if (source->sgetc() == traits_type::eof()) return 0;
            reportReadProblemAt(*this, "more than " + std::to_string(maxTextPerRead >> 20) +
                                           " MB of text in one read; reading stops here");
            stopRead();
            return 0;
        }
        got = source->sgetn(into, static_cast<std::streamsize>(std::min<uint64_t>(chunkSize, left)));
    } catch (const std::exception& error) {
        readFailed = true;
        reportReadProblemAt(*this,
                            "cannot read further (" + reasonOf(error) + "); the rest of this file reads as empty");
        return 0;
    }
    got = std::max<std::streamsize>(got, 0);
    read.textRead += static_cast<uint64_t>(got);
    return got;
}

void LineCountingBuffer::stopRead() {
    top->budget.stopped = true;
    for (LineCountingBuffer* open = this; open != nullptr; open = open->parent)
        open->setg(open->eback(), open->egptr(), open->egptr());
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

long LineCountingBuffer::keyLineNumber() {
    if (!keyLineKnown) {
        const char* first = chunk.data() + 1;
        keyLine = linesBeforeChunk + 1 + (keyMark >= first ? std::count(first, keyMark, '\n') : 0);
        keyLineKnown = true;
    }
    return keyLine;
}

LineCountingBuffer* countingBufferOf(std::istream& input) { return dynamic_cast<LineCountingBuffer*>(input.rdbuf()); }

CountedInput::CountedInput(std::istream& input, const std::string& sourceName) : original(input) {
    if (countingBufferOf(input)) return;
    buffer = std::make_unique<LineCountingBuffer>(input.rdbuf(), sourceName);
    wrapped = std::make_unique<std::istream>(buffer.get());
    // A stream that failed to open reads as empty.
    if (input.fail()) wrapped->setstate(std::ios::failbit);
}
