#include "geometry/outline_crossing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <optional>
#include <set>

namespace {

// How the tessellator can go wrong at a crossing: it computes the point in
// double precision, with an error of some 1e-16 of the coordinates'
// magnitude, grown by how shallow the crossing is; and where an edge passes
// numerically through a vertex it splices the vertex in, which bends the
// edge by as little. A crossing counts only when its ends lie this far from
// the other edge's line and every vertex this far from the crossing point:
// a thousandth of the longer edge, and never less than 1e-9 of the largest
// coordinate. Then the worst error, some 1e-9 of the longer edge, stays
// many orders below the clearance and cannot snap the crossing onto a vertex.
constexpr double clearanceOfLength = 1e-3;
constexpr double clearanceOfMagnitude = 1e-9;
// Nor may either edge be steeper than this: the sweep runs along x, and
// beside two near-vertical edges a vertex far from their crossing could
// come right next to it in the sweep's order.
constexpr double steepestSlope = 100.0;
// Crossings that fail the clearances are set aside one edge at a time, at
// most this often; then the tessellator decides, as it always did.
constexpr int candidatesTried = 8;
// On a large outline a crossing the sweep set aside is taken as what it
// is: the tessellator's time on an outline crossed again and again near
// its vertices grows much faster than its size (a 12 000-corner sawtooth
// closed by one long edge took it 9 s, 50 000 corners three minutes), and
// setting the long edge aside hides every other crossing. A real figure's
// outline is far below this size.
constexpr size_t largeOutlineEdges = 1024;
// The tessellator finds where each new edge goes on its sweep line by
// walking the edges already there, so its work grows with the edges side
// by side at each vertex: a star of 32 000 spikes took it 8 s. It runs at
// some 16 ns a step here; this bound keeps an outline under half a second,
// some thousand times what a detailed figure needs.
constexpr uint64_t maxSweepWork = uint64_t{1} << 25;
// Edges that run along one another (on one line, overlapping): the
// tessellator merges them, at a cost that grows much faster than their
// number (a 1 000-corner hole traced 160 times over took it 45 s). A slit
// cut into an outline, or a hole along its edge, makes a few such pairs;
// an outline with more than this many counts as crossing itself.
constexpr int overlapsAccepted = 64;

// An edge with its ends in sweep order: x first, then y.
struct Segment {
    Point left, right;
};

bool samePoint(const Point& p, const Point& q) { return p.x == q.x && p.y == q.y; }

bool sweepsBefore(const Point& p, const Point& q) { return p.x < q.x || (p.x == q.x && p.y < q.y); }

struct TwoSum {
    double sum, error;
};

// Knuth's two-sum: sum + error is exactly a + b.
TwoSum twoSum(double a, double b) {
    double sum = a + b;
    double bPart = sum - a;
    double aPart = sum - bPart;
    return {sum, (a - aPart) + (b - bPart)};
}

// Exact sign of a sum of doubles: the terms grow a nonoverlapping expansion
// (Shewchuk's Grow-Expansion), whose largest nonzero part has the sum's sign.
int exactSignOfSum(const std::array<double, 6>& terms) {
    std::array<double, 6> expansion{};
    size_t size = 0;
    for (double term : terms) {
        double carry = term;
        for (size_t i = 0; i < size; ++i) {
            TwoSum step = twoSum(carry, expansion[i]);
            expansion[i] = step.error;
            carry = step.sum;
        }
        expansion[size++] = carry;
    }
    for (size_t i = size; i-- > 0;)
        if (expansion[i] != 0.0) return expansion[i] > 0.0 ? 1 : -1;
    return 0;
}

// Sign of the turn a -> b -> c: 1 left, -1 right, 0 in line; exact. The
// determinant is written as six products of floats, each exact in double;
// only their sum can round, so a close call is summed exactly.
int orientation(const Point& a, const Point& b, const Point& c) {
    std::array<double, 6> terms = {static_cast<double>(b.x) * c.y,  -static_cast<double>(b.x) * a.y,
                                   -static_cast<double>(a.x) * c.y, -static_cast<double>(b.y) * c.x,
                                   static_cast<double>(b.y) * a.x,  static_cast<double>(a.y) * c.x};
    double sum = 0.0, magnitude = 0.0;
    for (double term : terms) {
        sum += term;
        magnitude += std::fabs(term);
    }
    // Six terms summed in double round by less than 5 units of 2^-53 of
    // their magnitudes together.
    if (std::fabs(sum) > 1e-15 * magnitude) return sum > 0.0 ? 1 : -1;
    return exactSignOfSum(terms);
}

bool runAlong(const Segment& a, const Segment& b) {
    return orientation(a.left, a.right, b.left) == 0 && orientation(a.left, a.right, b.right) == 0;
}

bool crossProperly(const Segment& a, const Segment& b) {
    return orientation(a.left, a.right, b.left) * orientation(a.left, a.right, b.right) < 0 &&
           orientation(b.left, b.right, a.left) * orientation(b.left, b.right, a.right) < 0;
}

// The edges the tessellator sweeps: it drops zero-length edges and then any
// contour left with fewer than three edges, so those are left out here too.
void appendEdges(const Contour& contour, std::vector<Segment>& segments) {
    std::vector<Point> corners;
    corners.reserve(contour.size());
    for (const Point& p : contour)
        if (corners.empty() || !samePoint(corners.back(), p)) corners.push_back(p);
    while (corners.size() > 1 && samePoint(corners.back(), corners.front())) corners.pop_back();
    if (corners.size() < 3) return;
    for (size_t j = 0; j < corners.size(); ++j) {
        const Point& a = corners[j];
        const Point& b = corners[(j + 1) % corners.size()];
        segments.push_back(sweepsBefore(a, b) ? Segment{a, b} : Segment{b, a});
    }
}

// Order of edges along the sweep line. Two edges that do not cross keep
// their order wherever both exist, so it is read where the later one
// starts: which side of the earlier edge its left end lies, or its right
// end when the left one touches. Collinear edges go by number.
struct BelowOnSweepLine {
    const std::vector<Segment>* segments;

    bool operator()(uint32_t first, uint32_t second) const {
        if (first == second) return false;
        const Segment& a = (*segments)[first];
        const Segment& b = (*segments)[second];
        int side = 0;  // > 0: b above a
        if (sweepsBefore(b.left, a.left)) {
            side = -orientation(b.left, b.right, a.left);
            if (side == 0) side = -orientation(b.left, b.right, a.right);
        } else {
            side = orientation(a.left, a.right, b.left);
            if (side == 0) side = orientation(a.left, a.right, b.right);
        }
        return side != 0 ? side > 0 : first < second;
    }
};

struct Crossing {
    uint32_t first, second;
};

// What one sweep found: the first crossing, or that too many edges run
// along others before it.
struct SweepFinding {
    std::optional<Crossing> crossing;
    bool runsAlongItself = false;
    bool orderBroken = false;  // a crossing the sweep could not point at
};

struct SweepEvent {
    Point at;
    uint32_t segment;
    bool starts;
};

bool comesFirst(const SweepEvent& p, const SweepEvent& q) {
    if (!samePoint(p.at, q.at)) return sweepsBefore(p.at, q.at);
    if (p.starts != q.starts) return !p.starts;  // ends first
    return p.segment < q.segment;
}

// Shamos and Hoey's sweep: the first pair of edges found crossing, if any.
// Only neighbours on the sweep line are tested, so every step is O(log n);
// once two edges cross, the order past them no longer holds, so the sweep
// stops at the first crossing it meets. Edges on one line that overlap are
// both active where the later one starts and lie next to each other in the
// order (collinear edges go by number), so a new edge is counted against
// its neighbours.
SweepFinding findProperCrossing(const std::vector<Segment>& segments, const std::vector<bool>& active) {
    std::vector<SweepEvent> events;
    events.reserve(2 * segments.size());
    for (uint32_t i = 0; i < segments.size(); ++i) {
        if (!active[i]) continue;
        events.push_back({segments[i].left, i, true});
        events.push_back({segments[i].right, i, false});
    }
    std::sort(events.begin(), events.end(), comesFirst);

    using Status = std::set<uint32_t, BelowOnSweepLine>;
    Status status(BelowOnSweepLine{&segments});
    std::vector<Status::iterator> place(segments.size(), status.end());
    auto crossing = [&](Status::iterator lower, Status::iterator upper) -> std::optional<Crossing> {
        if (lower == status.end() || upper == status.end()) return std::nullopt;
        if (!crossProperly(segments[*lower], segments[*upper])) return std::nullopt;
        return Crossing{*lower, *upper};
    };
    int overlaps = 0;
    auto overlapsWith = [&](Status::iterator at, Status::iterator neighbour) {
        return neighbour != status.end() && runAlong(segments[*at], segments[*neighbour]);
    };

    for (const SweepEvent& event : events) {
        if (event.starts) {
            auto [at, inserted] = status.insert(event.segment);
            // Only an order already broken by a crossing could make the set
            // find an equal.
            if (!inserted) return {std::nullopt, false, true};
            place[event.segment] = at;
            auto below = at == status.begin() ? status.end() : std::prev(at);
            if (overlapsWith(at, below) || overlapsWith(at, std::next(at)))
                if (++overlaps > overlapsAccepted) return {std::nullopt, true};
            if (auto found = crossing(below, at)) return {found};
            if (auto found = crossing(at, std::next(at))) return {found};
        } else {
            auto at = place[event.segment];
            auto above = std::next(at);
            auto below = at == status.begin() ? status.end() : std::prev(at);
            status.erase(at);
            if (auto found = crossing(below, above)) return {found};
        }
    }
    return {};
}

// Edges that are the same edge again, whichever way they run: an outline
// traced over and over repeats every edge. Found by sorting, whatever
// crossings stop the sweep early.
bool repeatsEdges(const std::vector<Segment>& segments) {
    auto key = [](const Segment& s) { return std::array<float, 4>{s.left.x, s.left.y, s.right.x, s.right.y}; };
    std::vector<std::array<float, 4>> keys;
    keys.reserve(segments.size());
    for (const Segment& s : segments) keys.push_back(key(s));
    std::sort(keys.begin(), keys.end());
    int repeats = 0;
    for (size_t i = 1; i < keys.size(); ++i)
        if (keys[i] == keys[i - 1] && ++repeats > overlapsAccepted) return true;
    return false;
}

double approximateTurn(const Point& a, const Point& b, const Point& c) {
    return (static_cast<double>(b.x) - a.x) * (static_cast<double>(c.y) - a.y) -
           (static_cast<double>(b.y) - a.y) * (static_cast<double>(c.x) - a.x);
}

double length(const Segment& s) {
    return std::hypot(static_cast<double>(s.right.x) - s.left.x, static_cast<double>(s.right.y) - s.left.y);
}

bool isSteep(const Segment& s) {
    double dx = static_cast<double>(s.right.x) - s.left.x;
    double dy = static_cast<double>(s.right.y) - s.left.y;
    return std::fabs(dy) > steepestSlope * std::fabs(dx);
}

// Both ends of `s` at least `clearance` from the line through `line`.
bool endsClearOfLine(const Segment& s, const Segment& line, double clearance) {
    double reach = clearance * length(line);
    return std::fabs(approximateTurn(line.left, line.right, s.left)) >= reach &&
           std::fabs(approximateTurn(line.left, line.right, s.right)) >= reach;
}

double largestCoordinate(const Segment& a, const Segment& b) {
    double largest = 0.0;
    for (const Point& p : {a.left, a.right, b.left, b.right})
        largest = std::max({largest, std::fabs(static_cast<double>(p.x)), std::fabs(static_cast<double>(p.y))});
    return largest;
}

// Whether the tessellator must meet this crossing as a new vertex: no
// steep edge, every end clear of the other line, every vertex of the
// polygon clear of the crossing point.
bool isCertain(const Segment& a, const Segment& b, const std::vector<const Contour*>& polygon) {
    if (isSteep(a) || isSteep(b)) return false;
    double clearance =
        std::max(clearanceOfLength * std::max(length(a), length(b)), clearanceOfMagnitude * largestCoordinate(a, b));
    if (!endsClearOfLine(a, b, clearance) || !endsClearOfLine(b, a, clearance)) return false;

    double turnLeft = approximateTurn(a.left, a.right, b.left);
    double turnRight = approximateTurn(a.left, a.right, b.right);
    double along = turnLeft / (turnLeft - turnRight);
    double crossX = b.left.x + along * (static_cast<double>(b.right.x) - b.left.x);
    double crossY = b.left.y + along * (static_cast<double>(b.right.y) - b.left.y);
    for (const Contour* contour : polygon)
        for (const Point& p : *contour)
            if (std::hypot(p.x - crossX, p.y - crossY) < clearance) return false;
    return true;
}

// Steps of the tessellator's walk, bounded above: for each edge, the
// vertices the sweep meets while the edge is on its line.
uint64_t sweepWork(const std::vector<Segment>& segments) {
    std::vector<Point> stops;
    stops.reserve(2 * segments.size());
    for (const Segment& s : segments) {
        stops.push_back(s.left);
        stops.push_back(s.right);
    }
    std::sort(stops.begin(), stops.end(), sweepsBefore);
    uint64_t work = 0;
    for (const Segment& s : segments) {
        auto first = std::upper_bound(stops.begin(), stops.end(), s.left, sweepsBefore);
        auto last = std::lower_bound(stops.begin(), stops.end(), s.right, sweepsBefore);
        if (first < last) work += static_cast<uint64_t>(last - first);
    }
    return work;
}

}  // namespace

bool outlineTooIntricateToFill(const std::vector<const Contour*>& polygon) {
    std::vector<Segment> segments;
    for (const Contour* contour : polygon) appendEdges(*contour, segments);
    return sweepWork(segments) > maxSweepWork;
}

bool outlineCertainlyCrossesItself(const std::vector<const Contour*>& polygon) {
    std::vector<Segment> segments;
    for (const Contour* contour : polygon) appendEdges(*contour, segments);
    if (segments.size() < 4) return false;  // a triangle at most: nothing to cross

    if (repeatsEdges(segments)) return true;
    std::vector<bool> active(segments.size(), true);
    for (int attempt = 0; attempt < candidatesTried; ++attempt) {
        SweepFinding finding = findProperCrossing(segments, active);
        if (finding.runsAlongItself) return true;
        if (finding.orderBroken) return segments.size() > largeOutlineEdges;
        if (!finding.crossing) return false;
        const Crossing* found = &*finding.crossing;
        const Segment& first = segments[found->first];
        const Segment& second = segments[found->second];
        if (isCertain(first, second, polygon) || segments.size() > largeOutlineEdges) return true;
        // The longer edge is the likelier to cross near something again.
        active[length(first) >= length(second) ? found->first : found->second] = false;
    }
    return false;
}
