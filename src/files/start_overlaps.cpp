#include "files/start_overlaps.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "files/diagnostics.h"
#include "files/read_budget.h"

namespace {

// Bodies that only touch (a box standing on a floor, a corner on an edge)
// are not overlapping: a corner must lie this far inside.
constexpr double touchDepth = 0.05;

struct Box {
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
};

Box boxOf(const Shape& shape) {
    Box box;
    for (const Contour& contour : shape.curContours)
        for (const Point& p : contour) {
            box.minX = std::min<double>(box.minX, p.x), box.maxX = std::max<double>(box.maxX, p.x);
            box.minY = std::min<double>(box.minY, p.y), box.maxY = std::max<double>(box.maxY, p.y);
        }
    return box;
}

bool boxesMeet(const Box& a, const Box& b) {
    return a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
}

double distanceToSegment(Point p, Point a, Point b) {
    double dx = static_cast<double>(b.x) - a.x, dy = static_cast<double>(b.y) - a.y;
    double px = static_cast<double>(p.x) - a.x, py = static_cast<double>(p.y) - a.y;
    double length = dx * dx + dy * dy;
    double t = length > 0.0 ? std::clamp((px * dx + py * dy) / length, 0.0, 1.0) : 0.0;
    return std::hypot(px - t * dx, py - t * dy);
}

// Inside the shape's outlines by the even-odd rule (holes are outside), and
// farther than a touch from every edge.
bool deepInside(const Shape& shape, Point p) {
    bool inside = false;
    double nearest = INFINITY;
    for (const Contour& contour : shape.curContours) {
        if (contour.size() < 3) continue;
        for (size_t i = 0, j = contour.size() - 1; i < contour.size(); j = i++) {
            const Point& a = contour[i];
            const Point& b = contour[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < (static_cast<double>(b.x) - a.x) *
                                                            (static_cast<double>(p.y) - a.y) /
                                                            (static_cast<double>(b.y) - a.y) +
                                                        a.x)
                inside = !inside;
            nearest = std::min(nearest, distanceToSegment(p, a, b));
        }
    }
    return inside && nearest > touchDepth;
}

double cross(Point o, Point a, Point b) {
    return (static_cast<double>(a.x) - o.x) * (static_cast<double>(b.y) - o.y) -
           (static_cast<double>(a.y) - o.y) * (static_cast<double>(b.x) - o.x);
}

// Edges that cross each other away from their ends.
bool edgesCross(Point a, Point b, Point c, Point d) {
    double d1 = cross(c, d, a), d2 = cross(c, d, b), d3 = cross(a, b, c), d4 = cross(a, b, d);
    if (!((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) || !((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0))) return false;
    // Where along each edge they cross; near an end is a touch.
    double t = d1 / (d1 - d2), u = d3 / (d3 - d4);
    double lengthAB = std::hypot(static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y);
    double lengthCD = std::hypot(static_cast<double>(d.x) - c.x, static_cast<double>(d.y) - c.y);
    return std::min(t, 1.0 - t) * lengthAB > touchDepth && std::min(u, 1.0 - u) * lengthCD > touchDepth;
}

// Corners, and the middles of edges: two rectangles that overlap along
// lines of each other's edges have no corner inside the other.
bool anyCornerInside(const Shape& corners, const Shape& shape) {
    for (const Contour& contour : corners.curContours)
        for (size_t i = 0, j = contour.size() - 1; i < contour.size(); j = i++) {
            const Point& p = contour[i];
            if (deepInside(shape, p)) return true;
            Point middle{(p.x + contour[j].x) * 0.5f, (p.y + contour[j].y) * 0.5f};
            if (contour.size() > 1 && deepInside(shape, middle)) return true;
        }
    return false;
}

bool anyEdgesCross(const Shape& a, const Shape& b) {
    for (const Contour& ca : a.curContours) {
        if (ca.size() < 3) continue;
        for (const Contour& cb : b.curContours) {
            if (cb.size() < 3) continue;
            for (size_t i = 0, j = ca.size() - 1; i < ca.size(); j = i++)
                for (size_t k = 0, l = cb.size() - 1; k < cb.size(); l = k++)
                    if (edgesCross(ca[j], ca[i], cb[l], cb[k])) return true;
        }
    }
    return false;
}

std::string maskText(uint32_t mask) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", mask);
    return text;
}

std::string describe(const Model& model, const Body& body) {
    size_t index = 0;
    while (index < model.bodies.size() && model.bodies[index].get() != &body) ++index;
    std::string name = body.name.empty() ? "body " + std::to_string(index) : "body \"" + body.name + "\"";
    std::string label = model.label.empty() ? std::string("model") : "model \"" + model.label + "\"";
    return name + " of " + label;
}

uint64_t pointsOf(const Shape& shape) {
    uint64_t count = 0;
    for (const Contour& contour : shape.curContours) count += contour.size();
    return count;
}

// The bits the two bodies' overlapping shapes share; 0 when none overlap
// (or the read's tests for it are used up).
uint32_t overlapMask(const Body& a, const Body& b, uint64_t& testsLeft) {
    uint32_t shared = 0;
    for (const Shape& s : a.shapes)
        for (const Shape& t : b.shapes) {
            uint32_t common = s.collideMask & t.collideMask;
            if (common == 0 || (shared & common) == common || !boxesMeet(boxOf(s), boxOf(t))) continue;
            // Corners and edge middles of each against every edge of the other,
            // and every edge pair.
            uint64_t tests = 5 * pointsOf(s) * pointsOf(t);
            if (tests > testsLeft) {
                testsLeft = 0;
                return shared;
            }
            testsLeft -= tests;
            if (shapesOverlapAtStart(s, t)) shared |= common;
        }
    return shared;
}

void notePair(std::istream& input, const Model& modelA, const Body& a, const Model& modelB, const Body& b,
              uint32_t mask) {
    reportReadProblemAtPlace(input, b.origin.file, b.origin.line,
                             describe(modelB, b) + " overlaps " + describe(modelA, a) + " (" +
                                 printable(a.origin.file) + ":" + std::to_string(a.origin.line) +
                                 ") where they start, and their masks share " + maskText(mask) +
                                 ": they are pushed apart on every solver pass; move them apart or give them "
                                 "masks with no common bit");
}

}  // namespace

bool shapesOverlapAtStart(const Shape& a, const Shape& b) {
    if (!boxesMeet(boxOf(a), boxOf(b))) return false;
    return anyCornerInside(a, b) || anyCornerInside(b, a) || anyEdgesCross(a, b);
}

void noteStartOverlaps(std::istream& input, const World& world, const Model& added) {
    ReadBudget* budget = readBudgetOf(input);
    uint64_t unbounded = UINT64_MAX;
    uint64_t& testsLeft = budget ? budget->overlapTestsLeft : unbounded;
    for (const auto& model : world.models) {
        bool same = model.get() == &added;
        for (size_t i = 0; i < model->bodies.size(); ++i) {
            const Body& a = *model->bodies[i];
            for (size_t j = same ? i + 1 : 0; j < added.bodies.size(); ++j) {
                const Body& b = *added.bodies[j];
                if ((a.flags & boltedFlag) && (b.flags & boltedFlag)) continue;
                if (testsLeft == 0) return;
                if (uint32_t mask = overlapMask(a, b, testsLeft)) notePair(input, *model, a, added, b, mask);
            }
        }
        if (same) break;
    }
}
