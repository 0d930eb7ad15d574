// The frames behind the running state, for Backspace: the state at the end
// of each of the last frames (60 seconds at 50 a second), exactly, so that
// going back to a frame and on again makes the same bytes as never leaving
// it. A run of frames of one layout is a segment: the whole state document
// of its first frame, the values of its newest frame, and per frame the
// packed change from the frame before. Going back one frame undoes one
// change; going back past a grab, a release or a drop loads the document
// of the segment before.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "render/overlay_consoles.h"

using ConsoleTexts = std::array<std::string, consoleCount>;

struct HistorySegment {
    std::vector<uint8_t> firstState;     // the state document of the first frame, as CBOR
    std::vector<uint32_t> layout;        // stateLayout() of every frame in it
    std::vector<uint32_t> newestValues;  // takeStateValues() of the newest frame
    // One per frame after the first: the packed change from the frame before.
    std::deque<std::vector<uint32_t>> changes;
    // One per frame; frames with the same texts share them.
    std::deque<std::shared_ptr<const ConsoleTexts>> consoles;
};

// 60 seconds at 50 frames a second.
constexpr size_t historyFrameLimit = 3000;
// Past this the oldest frames go, whatever their count: a safeguard for
// scenes far beyond the bundled one.
constexpr size_t historyByteLimit = size_t{1} << 30;

// Each segment costs a whole state document. A storm of grabs and releases
// (a replayed or scripted one: a hand makes a few a second) would make one
// a frame. Past this many segments begun in the last 50 frames the history
// lets go of its frames, and starts anew once the layout has stayed the
// same for 50 frames.
constexpr size_t segmentsPerSecondLimit = 20;
constexpr long segmentWindowFrames = 50;

struct History {
    std::deque<HistorySegment> segments;
    size_t frames = 0;
    size_t bytes = 0;  // held by the segments
    size_t frameLimit = historyFrameLimit;
    size_t byteLimit = historyByteLimit;
    long framesSeen = 0;                   // every keepFrame call, kept or not
    std::deque<long> recentSegmentStarts;  // framesSeen of each segment begun in the window
    bool suspended = false;                // after a storm of segments, until the layout rests
    std::vector<uint32_t> restingLayout;   // while suspended: the layout of the last frame
    long restingSince = 0;                 // while suspended: framesSeen when it last changed
    // The values being taken and their change, kept to spare allocations.
    std::vector<uint32_t> scratch;
    std::vector<uint32_t> packed;

    // Keeps the running state as the newest frame.
    void keepFrame();
    // Goes back one frame: the newest is dropped and the one before becomes
    // the running state. With one frame left, the running state becomes
    // that frame again and false is returned.
    bool stepBack();
    // Forgets every frame (the worlds were read again, or too many segments
    // began too quickly).
    void clear();
};
