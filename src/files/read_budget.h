// What one top-level read (a settings file, a world file, a dropped file,
// with everything they include) may make the program read, build and
// compute. Each limit lies far above any real scene; past one the whole
// read stops with one note and keeps what it had built, as if the input
// ended there. docs/limits.md lists them with their notes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>

// Bytes of text over all files of one read: a file included 4 096 times
// must not read gigabytes.
constexpr uint64_t maxTextPerRead = uint64_t{256} << 20;

// Points over all shapes and textured polygons of one read, and in one
// shape: each point is kept five times over, triangulated, stepped and, in
// a dump, written five times (some 1 KB a point in all). One shape may
// take the whole budget; its own bound stops only its file.
constexpr uint64_t maxPointsPerRead = uint64_t{1} << 18;
constexpr size_t maxPointsPerShape = size_t{1} << 18;

// Models, bodies, shapes, sockets, plugs and textured polygons of one read:
// "s { }" is three bytes of text and a record of a hundred.
constexpr uint64_t maxPartsPerRead = uint64_t{1} << 14;

// Worlds of one read: each carries a contact table of 512 KB and is
// stepped every frame.
constexpr uint64_t maxWorldsPerRead = 64;

// Characters in one text (a name, a file name): a name of 250 MB would be
// kept, and copied into every dump.
constexpr size_t maxTextLength = 4096;

// Body blocks nested in one another. A model keeps at most 256 bodies, so
// a body deeper than that is never kept (the model is left out, and the
// file reads on after it); past this bound the read stops. It keeps the
// reader's recursion, some 1 KB of stack a level (a few in a sanitizer
// build), far from the end of an 8 MB stack.
constexpr int maxBodyNesting = 512;

// The counts of one read, kept by its top-level file's buffer.
struct ReadBudget {
    uint64_t textRead = 0;
    uint64_t points = 0;
    uint64_t parts = 0;
    uint64_t worlds = 0;
    int bodyDepth = 0;
    int includesOpened = 0;
    int notesWritten = 0;
    // Corner-and-edge tests left for finding bodies that overlap at the
    // start: past them the search stops quietly, so that a file of many
    // large overlapping outlines cannot make reading take hours.
    uint64_t overlapTestsLeft = 200'000'000;
    bool stopped = false;  // a budget is spent: every file of the read ends
};

// The budget of the read `input` belongs to; null for a stream that is not
// read through a counting buffer (such a read has no budget).
ReadBudget* readBudgetOf(std::istream& input);

// Ends the whole read: `why` is its last note, every file of the read
// (the one `input` reads and each that includes it) reads as ended, and
// `input` fails.
void stopRead(std::istream& input, const std::string& why);

// Count `count` more points, one more part or one more world against the
// read's budget; false (the read stopped, with a note) past it.
bool chargePoints(std::istream& input, uint64_t count);
bool chargePart(std::istream& input);
bool chargeWorld(std::istream& input);

// One body block deeper while it lives. `entered` is false (with a note,
// and the read stopped) when the block would be nested deeper than
// maxBodyNesting; the block must then not be read.
class BodyNesting {
public:
    explicit BodyNesting(std::istream& input);
    ~BodyNesting();
    BodyNesting(const BodyNesting&) = delete;
    BodyNesting& operator=(const BodyNesting&) = delete;
    bool entered() const { return isEntered; }

private:
    ReadBudget* budget = nullptr;
    bool isEntered = true;
};
