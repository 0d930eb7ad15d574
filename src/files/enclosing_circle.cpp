#include "files/enclosing_circle.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
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

}  // namespace

EnclosingCircle smallestEnclosingCircle(const std::vector<Point>& input) {
    if (input.empty()) return {};
    std::vector<Vec> points;
    points.reserve(input.size());
    for (const Point& p : input) points.push_back({static_cast<double>(p.x), static_cast<double>(p.y)});
    shuffle(points);

    Disc disc{points[0], 0.0};
    for (size_t i = 1; i < points.size(); ++i) {
        if (holds(disc, points[i])) continue;
        disc = {points[i], 0.0};
        for (size_t j = 0; j < i; ++j) {
            if (holds(disc, points[j])) continue;
            disc = discOnDiameter(points[i], points[j]);
            for (size_t k = 0; k < j; ++k)
                if (!holds(disc, points[k])) disc = discThrough(points[i], points[j], points[k]);
        }
    }
    // The radius reaches the farthest point exactly, tolerance or not.
    double squaredRadius = 0.0;
    for (Vec p : points) squaredRadius = std::max(squaredRadius, squaredDistance(disc.centre, p));
    return {disc.centre.x, disc.centre.y, std::sqrt(squaredRadius)};
}
