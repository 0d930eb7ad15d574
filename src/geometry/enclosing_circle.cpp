#include "geometry/enclosing_circle.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>

namespace {

struct Vec {
    double x, y;
};

struct Disc {
    Vec centre{0.0, 0.0};
    double squaredRadius = 0.0;
};

double squaredDistance(Vec a, Vec b) {
    double dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

// A relative tolerance keeps points that lie on the boundary, up to
// rounding, from being taken as outside (which would only cost time).
bool holds(const Disc& disc, Vec p) { return squaredDistance(disc.centre, p) <= disc.squaredRadius * (1.0 + 1e-12); }

Disc discOnDiameter(Vec a, Vec b) {
    Vec centre{(a.x + b.x) / 2.0, (a.y + b.y) / 2.0};
    return {centre, std::max(squaredDistance(centre, a), squaredDistance(centre, b))};
}

// Circle through three points; for (nearly) collinear points the one on the
// farthest pair, which then holds the third.
Disc discThrough(Vec a, Vec b, Vec c) {
    double bx = b.x - a.x, by = b.y - a.y;
    double cx = c.x - a.x, cy = c.y - a.y;
    double determinant = 2.0 * (bx * cy - by * cx);
    double bb = bx * bx + by * by, cc = cx * cx + cy * cy;
    if (std::fabs(determinant) > 1e-12 * std::sqrt(bb * cc)) {
        double ux = (cy * bb - by * cc) / determinant;
        double uy = (bx * cc - cx * bb) / determinant;
        Vec centre{a.x + ux, a.y + uy};
        double r2 = std::max({squaredDistance(centre, a), squaredDistance(centre, b), squaredDistance(centre, c)});
        if (std::isfinite(r2)) return {centre, r2};
    }
    Disc best = discOnDiameter(a, b);
    for (Disc candidate : {discOnDiameter(a, c), discOnDiameter(b, c)})
        if (candidate.squaredRadius > best.squaredRadius) best = candidate;
    return best;
}

// A fixed, local generator: the order must not depend on, nor disturb, the
// program's random sequence.
void shuffle(std::vector<Vec>& points) {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (size_t i = points.size(); i > 1; --i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::swap(points[i - 1], points[state % i]);
    }
}

// Welzl's method on the shuffled points, giving up (empty) past `budget`
// tests of a point against a disc. On any order of the points but a few it
// needs some ten tests a point; a file can still list them in the order
// that the fixed shuffle turns into the worst one (collinear points, each
// farther out than all before it), where it needs n² or more.
std::optional<Disc> welzlWithin(const std::vector<Vec>& points, uint64_t budget) {
    uint64_t tests = 0;
    Disc disc{points[0], 0.0};
    for (size_t i = 1; i < points.size(); ++i) {
        if (++tests > budget) return std::nullopt;
        if (holds(disc, points[i])) continue;
        disc = {points[i], 0.0};
        for (size_t j = 0; j < i; ++j) {
            if (++tests > budget) return std::nullopt;
            if (holds(disc, points[j])) continue;
            disc = discOnDiameter(points[i], points[j]);
            tests += j;
            for (size_t k = 0; k < j; ++k)
                if (!holds(disc, points[k])) disc = discThrough(points[i], points[j], points[k]);
        }
    }
    return disc;
}

// The smallest of the discs with `q` on their edge and one or two of
// `support` too that holds all of them: the smallest disc of support and q
// when q lies outside the smallest disc of support. Its support (q first)
// replaces `support`.
Disc discWithOnEdge(Vec q, std::vector<Vec>& support) {
    std::vector<std::pair<Disc, std::vector<Vec>>> candidates;
    for (size_t i = 0; i < support.size(); ++i) {
        candidates.push_back({discOnDiameter(q, support[i]), {q, support[i]}});
        for (size_t j = i + 1; j < support.size(); ++j)
            candidates.push_back({discThrough(q, support[i], support[j]), {q, support[i], support[j]}});
    }
    auto holdsAll = [&](const Disc& disc) {
        return std::all_of(support.begin(), support.end(), [&](Vec p) { return holds(disc, p); });
    };
    const std::pair<Disc, std::vector<Vec>>* best = nullptr;
    for (const auto& candidate : candidates)
        if (holdsAll(candidate.first) && (best == nullptr || candidate.first.squaredRadius < best->first.squaredRadius))
            best = &candidate;
    // Rounding may leave no candidate holding all: the largest then.
    if (best == nullptr)
        for (const auto& candidate : candidates)
            if (best == nullptr || candidate.first.squaredRadius > best->first.squaredRadius) best = &candidate;
    support = best->second;
    return best->first;
}

// Elzinga and Hearn's method: the disc of at most three support points
// grows to take in the point farthest from its centre, until none lies
// outside. Every round is one pass over the points and the disc grows
// strictly, so no order of the points can make it slow; it stops after
// `rounds` at the latest (far more than any input has needed), and the
// caller then widens the radius to the farthest point, so the disc always
// holds them all.
Disc farthestPointDisc(const std::vector<Vec>& points, int rounds) {
    std::vector<Vec> support{points[0]};
    Disc disc{points[0], 0.0};
    for (int round = 0; round < rounds; ++round) {
        size_t farthest = 0;
        double farthestSquared = -1.0;
        for (size_t i = 0; i < points.size(); ++i) {
            double squared = squaredDistance(disc.centre, points[i]);
            if (squared > farthestSquared) farthest = i, farthestSquared = squared;
        }
        if (holds(disc, points[farthest])) break;
        disc = discWithOnEdge(points[farthest], support);
    }
    return disc;
}

// Tests Welzl's method may make before the other method takes over: far
// more than it needs on any order but the worst (no set of 70 points or
// fewer can reach it), and little time on the largest outlines.
uint64_t welzlBudget(size_t count) { return 256 * static_cast<uint64_t>(count) + 65536; }

constexpr int farthestPointRounds = 256;

std::vector<Vec> inDouble(const std::vector<Point>& input) {
    std::vector<Vec> points;
    points.reserve(input.size());
    for (const Point& p : input) points.push_back({static_cast<double>(p.x), static_cast<double>(p.y)});
    return points;
}

// The radius reaches the farthest point exactly, tolerance or not.
EnclosingCircle reachingEveryPoint(const Disc& disc, const std::vector<Vec>& points) {
    double squaredRadius = 0.0;
    for (Vec p : points) squaredRadius = std::max(squaredRadius, squaredDistance(disc.centre, p));
    return {disc.centre.x, disc.centre.y, std::sqrt(squaredRadius)};
}

}  // namespace

EnclosingCircle smallestEnclosingCircle(const std::vector<Point>& input) {
    if (input.empty()) return {};
    std::vector<Vec> points = inDouble(input);
    shuffle(points);
    std::optional<Disc> found = welzlWithin(points, welzlBudget(points.size()));
    return reachingEveryPoint(found ? *found : farthestPointDisc(points, farthestPointRounds), points);
}

EnclosingCircle enclosingCircleByFarthestPoints(const std::vector<Point>& input) {
    if (input.empty()) return {};
    std::vector<Vec> points = inDouble(input);
    return reachingEveryPoint(farthestPointDisc(points, farthestPointRounds), points);
}
