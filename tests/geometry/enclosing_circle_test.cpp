// The smallest enclosing circle against a brute-force search, on awkward
// inputs and at size.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>

#include "geometry/enclosing_circle.h"

namespace {

double distance(double x, double y, const Point& p) { return std::hypot(p.x - x, p.y - y); }

bool holdsAll(const EnclosingCircle& c, const std::vector<Point>& points, double slack) {
    for (const Point& p : points)
        if (distance(c.x, c.y, p) > c.radius + slack) return false;
    return true;
}

// The smallest circle has two or three of the points on its boundary:
// try every pair (as a diameter) and every triple.
double bruteForceRadius(const std::vector<Point>& points) {
    double best = INFINITY;
    auto consider = [&](double x, double y) {
        double r = 0;
        for (const Point& p : points) r = std::max(r, distance(x, y, p));
        best = std::min(best, r);
    };
    size_t n = points.size();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j) {
            consider((points[i].x + points[j].x) / 2.0, (points[i].y + points[j].y) / 2.0);
            for (size_t k = j + 1; k < n; ++k) {
                double ax = points[i].x, ay = points[i].y;
                double bx = points[j].x - ax, by = points[j].y - ay;
                double cx = points[k].x - ax, cy = points[k].y - ay;
                double d = 2 * (bx * cy - by * cx);
                if (std::fabs(d) < 1e-12) continue;
                double bb = bx * bx + by * by, cc = cx * cx + cy * cy;
                consider(ax + (cy * bb - by * cc) / d, ay + (bx * cc - cx * bb) / d);
            }
        }
    return best;
}

}  // namespace

TEST(EnclosingCircle, SmallCases) {
    EnclosingCircle none = smallestEnclosingCircle({});
    EXPECT_EQ(none.radius, 0.0);
    EnclosingCircle one = smallestEnclosingCircle({{3, 4}});
    EXPECT_EQ(one.x, 3.0);
    EXPECT_EQ(one.radius, 0.0);
    EnclosingCircle two = smallestEnclosingCircle({{0, 0}, {4, 0}, {0, 0}, {4, 0}});
    EXPECT_DOUBLE_EQ(two.x, 2.0);
    EXPECT_DOUBLE_EQ(two.radius, 2.0);
    // Collinear: the outer pair decides.
    EnclosingCircle line = smallestEnclosingCircle({{1, 1}, {3, 3}, {0, 0}, {2, 2}});
    EXPECT_NEAR(line.radius, std::sqrt(18.0) / 2, 1e-12);
    // Obtuse triangle: the long side is a diameter, not the circumcircle.
    EnclosingCircle obtuse = smallestEnclosingCircle({{0, 0}, {10, 0}, {5, 1}});
    EXPECT_NEAR(obtuse.radius, 5.0, 1e-12);
}

TEST(EnclosingCircle, MatchesBruteForceOnRandomSets) {
    std::mt19937 generator(7);
    std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<Point> points(2 + trial % 12);
        for (Point& p : points) p = {coordinate(generator), coordinate(generator)};
        EnclosingCircle circle = smallestEnclosingCircle(points);
        EXPECT_TRUE(holdsAll(circle, points, 1e-9)) << "trial " << trial;
        // The brute force rounds its own way on ill-conditioned triples: the
        // two agree closely, and ours is never the larger one.
        double brute = bruteForceRadius(points);
        EXPECT_NEAR(circle.radius, brute, 1e-6 * brute) << "trial " << trial;
        EXPECT_LE(circle.radius, brute + 1e-9) << "trial " << trial;
    }
}

// The method that takes over when an order defeats the shuffle finds the
// same circle, on random sets and on the awkward ones: points on one
// circle, on one line, repeated.
TEST(EnclosingCircle, FarthestPointMethodFindsTheSameCircle) {
    std::mt19937 generator(11);
    std::uniform_real_distribution<float> coordinate(-100.0f, 100.0f);
    std::vector<std::vector<Point>> sets;
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<Point> points(1 + trial % 200);
        for (Point& p : points) p = {coordinate(generator), coordinate(generator)};
        sets.push_back(points);
    }
    std::vector<Point> onCircle, onLine, repeated(50, Point{3, 4});
    for (int i = 0; i < 360; ++i) {
        onCircle.push_back(
            {static_cast<float>(30 * std::cos(i * 0.0174532925)), static_cast<float>(30 * std::sin(i * 0.0174532925))});
        onLine.push_back({static_cast<float>((i % 2 ? -1 : 1) * i), static_cast<float>((i % 2 ? -1 : 1) * i * 0.5)});
    }
    sets.insert(sets.end(), {onCircle, onLine, repeated});
    for (const std::vector<Point>& points : sets) {
        EnclosingCircle welzl = smallestEnclosingCircle(points);
        EnclosingCircle farthest = enclosingCircleByFarthestPoints(points);
        EXPECT_TRUE(holdsAll(farthest, points, 1e-9)) << points.size();
        EXPECT_NEAR(farthest.radius, welzl.radius, 1e-9 * (1 + welzl.radius)) << points.size();
        EXPECT_NEAR(farthest.x, welzl.x, 1e-6 * (1 + welzl.radius)) << points.size();
        EXPECT_NEAR(farthest.y, welzl.y, 1e-6 * (1 + welzl.radius)) << points.size();
    }
}

TEST(EnclosingCircle, ThousandsOfPointsInOutlineOrderAreFast) {
    // A many-sided polygon in drawing order: the worst order for an
    // unshuffled incremental method.
    std::vector<Point> points;
    for (int i = 0; i < 20000; ++i) {
        double angle = i * 2.0 * 3.14159265358979 / 20000;
        points.push_back({static_cast<float>(50 * std::cos(angle)), static_cast<float>(50 * std::sin(angle))});
    }
    auto start = std::chrono::steady_clock::now();
    EnclosingCircle circle = smallestEnclosingCircle(points);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 1.0);
    EXPECT_NEAR(circle.radius, 50.0, 1e-4);
    EXPECT_TRUE(holdsAll(circle, points, 0.0));
}
