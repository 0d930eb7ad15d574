#include "app/history.h"

#include <nlohmann/json.hpp>

#include "app/state_dump.h"
#include "app/state_file.h"
#include "app/state_values.h"
#include "app/word_delta.h"

namespace {

// Sizes, not capacities: what was added is what is taken off again.
size_t wordBytes(const std::vector<uint32_t>& words) { return words.size() * sizeof(uint32_t); }

size_t segmentBytes(const HistorySegment& segment) {
    size_t bytes = segment.firstState.size() + wordBytes(segment.layout) + wordBytes(segment.newestValues);
    for (const auto& change : segment.changes) bytes += wordBytes(change);
    return bytes;
}

std::shared_ptr<const ConsoleTexts> consolesNow(const HistorySegment* newest) {
    if (newest != nullptr && *newest->consoles.back() == overlayConsoles) return newest->consoles.back();
    return std::make_shared<const ConsoleTexts>(overlayConsoles);
}

HistorySegment startSegment(std::vector<uint32_t> layout, std::vector<uint32_t> values) {
    HistorySegment segment;
    segment.firstState = nlohmann::ordered_json::to_cbor(stateJson());
    segment.firstState.shrink_to_fit();
    segment.layout = std::move(layout);
    segment.newestValues = std::move(values);
    return segment;
}

// The oldest frame goes; its segment goes with its last frame.
void dropOldest(History& history) {
    HistorySegment& oldest = history.segments.front();
    if (oldest.changes.empty()) {
        history.bytes -= segmentBytes(oldest);
        history.segments.pop_front();
    } else {
        // The first frame's document still holds everything the values do
        // not; the next frame's values overwrite the rest.
        history.bytes -= wordBytes(oldest.changes.front());
        oldest.changes.pop_front();
        oldest.consoles.pop_front();
    }
    history.frames -= 1;
}

// The running state becomes the newest frame. Its document is loaded first
// when the running state's layout is another (a grab since, or the segment
// before the one just left).
void becomeNewest(const History& history, bool loadDocument) {
    const HistorySegment& newest = history.segments.back();
    if (loadDocument || stateLayout() != newest.layout) {
        std::string error;
        loadState(nlohmann::json::from_cbor(newest.firstState), error);
    }
    putStateValues(newest.newestValues);
    overlayConsoles = *newest.consoles.back();
}

// Whether one more segment may begin at this frame.
bool roomForSegment(History& history) {
    auto& starts = history.recentSegmentStarts;
    while (!starts.empty() && starts.front() <= history.framesSeen - segmentWindowFrames) starts.pop_front();
    if (starts.size() >= segmentsPerSecondLimit) return false;
    starts.push_back(history.framesSeen);
    return true;
}

// While suspended: whether the layout has rested long enough to begin again.
bool layoutRested(History& history, std::vector<uint32_t>& layout) {
    if (layout != history.restingLayout) {
        history.restingLayout = std::move(layout);
        history.restingSince = history.framesSeen;
        return false;
    }
    if (history.framesSeen - history.restingSince < segmentWindowFrames) return false;
    history.suspended = false;
    history.recentSegmentStarts.clear();
    return true;
}

}  // namespace

void History::keepFrame() {
    framesSeen += 1;
    std::vector<uint32_t> layout = stateLayout();
    if (suspended && !layoutRested(*this, layout)) return;
    takeStateValues(scratch);
    HistorySegment* newest = segments.empty() ? nullptr : &segments.back();
    std::shared_ptr<const ConsoleTexts> texts = consolesNow(newest);
    if (newest == nullptr || newest->layout != layout) {
        if (!roomForSegment(*this)) {
            clear();
            suspended = true;
            restingLayout = std::move(layout);
            restingSince = framesSeen;
            return;
        }
        segments.push_back(startSegment(std::move(layout), scratch));
        newest = &segments.back();
        bytes += segmentBytes(*newest);
    } else {
        packChange(newest->newestValues, scratch, packed);
        newest->changes.emplace_back(packed.begin(), packed.end());
        newest->newestValues.swap(scratch);
        bytes += wordBytes(newest->changes.back());
    }
    newest->consoles.push_back(std::move(texts));
    frames += 1;
    while (frames > 1 && (frames > frameLimit || bytes > byteLimit)) dropOldest(*this);
}

bool History::stepBack() {
    if (frames == 0) return false;
    if (frames == 1) {
        becomeNewest(*this, false);
        return false;
    }
    HistorySegment& newest = segments.back();
    bool leavesSegment = newest.changes.empty();
    if (leavesSegment) {
        bytes -= segmentBytes(newest);
        segments.pop_back();
    } else {
        applyChange(newest.newestValues, newest.changes.back());
        bytes -= wordBytes(newest.changes.back());
        newest.changes.pop_back();
        newest.consoles.pop_back();
    }
    frames -= 1;
    becomeNewest(*this, leavesSegment);
    return true;
}

void History::clear() {
    segments.clear();
    frames = 0;
    bytes = 0;
}
