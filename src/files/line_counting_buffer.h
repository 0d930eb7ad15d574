// A read-through stream buffer that knows which file it reads and on which
// line it stands, so the reader's notes can name the place of a problem.
// Every file the reader opens (and every stream handed to it) is read
// through one; includes get their own, one level deeper.
#pragma once

#include <array>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>

#include "files/read_budget.h"

class LineCountingBuffer : public std::streambuf {
public:
    // `includedFrom` is the buffer of the including file (null at the top);
    // every file of one top-level read shares the top's include budget.
    LineCountingBuffer(std::streambuf* source, std::string sourceName, LineCountingBuffer* includedFrom = nullptr);

    // Line (from 1) of the next character to be read.
    long lineNumber() const;

    // The reader marks each key it takes; notes about the key, or about the
    // block the key opened, name the key's line, not where reading stands.
    void markKey() {
        keyMark = gptr() - 1;
        keyLineKnown = false;
    }
    long keyLineNumber();

    // Set once the end of a file has been noted as leaving a block open, so
    // the blocks around it do not note it again.
    bool openBlockNoted = false;
    const std::string& sourceName() const { return name; }
    int includeDepth() const { return depth; }

    // Notes written for the whole top-level read, included files too: the
    // reader stops writing them after a limit, so a binary file read as a
    // world (or a file that includes itself) does not flood the output.
    int& notesWritten() { return top->budget.notesWritten; }

    // Files opened by "f" below the top-level file, all levels together.
    int& includesOpened() { return top->budget.includesOpened; }

    // What the whole top-level read has used of its limits.
    ReadBudget& readBudget() { return top->budget; }

    // Marks the read stopped and ends this file and every file that
    // includes it: what they still hold in their chunks is not read.
    void stopRead();

protected:
    int_type underflow() override;

private:
    static constexpr size_t chunkSize = 4096;
    std::streambuf* source;
    std::string name;
    int depth;
    LineCountingBuffer* parent;
    LineCountingBuffer* top;
    ReadBudget budget;              // used in the top buffer only
    bool readFailed = false;        // the file could not be read further
    long linesBeforeChunk = 0;      // line breaks in the chunks already passed
    const char* keyMark = nullptr;  // the last key, while its chunk is held
    long keyLine = 0;
    bool keyLineKnown = true;

    std::streamsize readChunk(char* into);
    // Slot 0 keeps the last character of the previous chunk for one putback.
    std::array<char, chunkSize + 1> chunk{};
};

// The counting buffer under `input`, or null for a plain stream.
LineCountingBuffer* countingBufferOf(std::istream& input);

// `input` itself when it already counts lines, else a counting view of it.
class CountedInput {
public:
    CountedInput(std::istream& input, const std::string& sourceName);
    std::istream& stream() { return wrapped ? *wrapped : original; }

private:
    std::istream& original;
    std::unique_ptr<LineCountingBuffer> buffer;
    std::unique_ptr<std::istream> wrapped;
};
