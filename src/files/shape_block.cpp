#include "files/shape_block.h"

#include <algorithm>
#include <cmath>

#include "files/block_reader.h"
#include "files/blocks.h"
#include "files/diagnostics.h"
#include "files/read_budget.h"
#include "files/reader_primitives.h"
#include "files/value_ranges.h"
#include "geometry/enclosing_circle.h"
#include "geometry/tessellation.h"
#include "sim/random.h"

// "r" only hints at sizes; a hint beyond this reserves no more, so a huge
// number in a file cannot claim gigabytes.
static constexpr long long maxCapacityHint = 4096;

// Ellipses are 36-gons: one point every 10 degrees.
static constexpr int ellipsePoints = 36;
static constexpr double ellipseStep = 0.17453292519943295;

static size_t capacityHint(long long n) { return static_cast<size_t>(std::clamp<long long>(n, 0, maxCapacityHint)); }

static bool isUnrotated(const Placement& p) { return p.b == 0.0f && p.c == 0.0f; }

// Rotation with one scale, mirrored or not: circles stay circles.
static bool isSimilarity(const Placement& p) {
    double size = std::max({std::fabs(p.a), std::fabs(p.b), std::fabs(p.c), std::fabs(p.d)});
    double tolerance = 1e-6 * size;
    bool turning = std::fabs(p.a - p.d) <= tolerance && std::fabs(p.b + p.c) <= tolerance;
    bool mirroring = std::fabs(p.a + p.d) <= tolerance && std::fabs(p.b - p.c) <= tolerance;
    return turning || mirroring;
}

// The 36-gon through which an ellipse (a circle under a placement that
// scales x and y differently) is given.
static bool writeEllipse(std::istream& input, const Placement& placement, Point centre, float radius,
                         Contour& contour) {
    const float cosine = static_cast<float>(std::cos(ellipseStep));
    const float sine = static_cast<float>(std::sin(ellipseStep));
    Contour ellipse(ellipsePoints);
    float ox = radius, oy = 0.0f;
    for (Point& point : ellipse) {
        if (!mapPoint(input, placement, {centre.x + ox, centre.y + oy}, point)) return false;
        float turnedX = cosine * ox - sine * oy;
        oy = sine * ox + cosine * oy;
        ox = turnedX;
    }
    contour = std::move(ellipse);
    return true;
}

// `count` more points for the shape, counted against its own limit and the
// read's; false, with a note, past either.
static bool takePoints(std::istream& input, ShapeStaging& staging, size_t count) {
    if (staging.pointsRead + count > maxPointsPerShape) {
        failStream(input,
                   "shape has more than " + groupedNumber(maxPointsPerShape) + " points; reading of this file stops");
        return false;
    }
    if (!chargePoints(input, count)) return false;
    staging.pointsRead += count;
    return true;
}

static bool makesEllipse(const Placement& p) {
    if (isUnrotated(p)) return std::fabs(static_cast<double>(p.a) - static_cast<double>(p.d)) > 1e-9;
    return !isSimilarity(p);
}

// "o": the last contour becomes a circle (one point and a radius) or, when
// the placement would stretch it, an ellipse.
static void readCircle(std::istream& input, Shape& shape, ShapeStaging& staging) {
    const Placement& placement = staging.shapePlacement;
    Point centre;
    float radius = 0.0f;
    if (!readVector(input, centre) || !readNumber(input, radius)) return;
    // A negative radius draws the same circle; a disc keeps a size, not a sign.
    if (radius < 0.0f)
        reportReadProblem(input, "circle radius " + numberText(radius) + " is negative; a radius lies above 0, " +
                                     numberText(-radius) + " is used");
    radius = std::fabs(radius);
    Point mappedCentre;
    if (!mapPoint(input, placement, centre, mappedCentre)) return;
    if (!takePoints(input, staging, makesEllipse(placement) ? ellipsePoints : 1)) return;
    size_t last = shape.contours.size() - 1;
    shape.discRadii.resize(shape.contours.size(), 0.0f);
    shape.discRadii[last] = radius;
    shape.contours[last].assign(1, mappedCentre);

    if (isUnrotated(placement)) {
        if (std::fabs(static_cast<double>(placement.a) - static_cast<double>(placement.d)) > 1e-9)
            writeEllipse(input, placement, centre, radius, shape.contours[last]);
        else
            // |a|: a mirrored placement (z -1 -1) must not give a negative radius.
            shape.discRadii[last] *= std::fabs(placement.a);
    } else if (isSimilarity(placement)) {
        // Under a rotation the scale is sqrt|det|, not the entry a.
        double determinant =
            static_cast<double>(placement.a) * placement.d - static_cast<double>(placement.b) * placement.c;
        shape.discRadii[last] = static_cast<float>(radius * std::sqrt(std::fabs(determinant)));
    } else {
        writeEllipse(input, placement, centre, radius, shape.contours[last]);
    }
    if (!(shape.discRadii[last] <= maxCoordinate))
        failStream(input, "circle radius lies beyond " + numberText(maxCoordinate) +
                              " once placed; reading of this file stops");
}

// Friction into [0, maxFriction], with a note when it had to be moved.
static float boundedFriction(std::istream& input, float value) {
    if (value >= 0.0f && value <= maxFriction) return value;
    if (value < 0.0f) {
        reportReadProblem(input, "friction " + numberText(value) +
                                     " is refused: below 0 it would speed a sliding body up (the range is 0 to " +
                                     numberText(maxFriction) + "); 0 is used");
        return 0.0f;
    }
    reportReadProblem(input, "friction " + numberText(value) + " lies above the range 0 to " + numberText(maxFriction) +
                                 " (already 2 holds any slope a body stands on); " + numberText(maxFriction) +
                                 " is used");
    return maxFriction;
}

// Bounce below 0.01 (compared in double) counts as 0.01 without a word, as
// it always has; above 1 it would add energy at every contact.
static float boundedBounce(std::istream& input, float value) {
    if (static_cast<double>(value) < 0.01) return 0.01f;
    if (value <= maxBounce) return value;
    reportReadProblem(input, "bounce " + numberText(value) +
                                 " is refused: above 1 a body would rise higher at every bounce (the range is 0.01 "
                                 "to 1); 1 is used");
    return maxBounce;
}

static void readFriction(std::istream& input, Shape& shape) {
    char which = 0;
    if (!readSubKey(input, which)) return;
    float value = 0.0f;
    if (which == 's') {
        if (readNumber(input, value)) shape.staticFriction = boundedFriction(input, value);
    } else if (which == 'k') {
        if (readNumber(input, value)) shape.kineticFriction = boundedFriction(input, value);
    } else {
        reportReadProblem(input, std::string("friction sub-key '") + which + "' means nothing; skipped");
    }
}

static void readCapacityHint(std::istream& input, Shape& shape) {
    char which = 0;
    long long count = 0;
    if (!readSubKey(input, which) || !readInteger(input, count)) return;
    if (which == 'h')
        shape.contours.back().reserve(capacityHint(count) + 1);
    else
        shape.contours.reserve(capacityHint(count));
}

static void readColour(std::istream& input, Shape& shape) {
    float red = 0.0f, green = 0.0f, blue = 0.0f;
    if (!readNumber(input, red) || !readNumber(input, green) || !readNumber(input, blue)) return;
    // Kept as given: the drawing clamps each component to the range.
    for (float component : {red, green, blue})
        if (!(component >= 0.0f && component <= 255.0f)) {
            reportReadProblem(input, "colour " + numberText(red) + " " + numberText(green) + " " + numberText(blue) +
                                         ": components lie in 0 to 255; one outside draws as 0 or 255");
            break;
        }
    shape.colour = {red / 255.0f, green / 255.0f, blue / 255.0f};
}

// The keys of a shape block.
static bool readShapeKey(std::istream& input, const std::string& prefix, char key, Shape& shape,
                         ShapeStaging& staging) {
    Point point;
    float number = 0.0f;
    switch (key) {
        case 'v':
            if (readVector(input, point) && mapPoint(input, staging.shapePlacement, point, point) &&
                takePoints(input, staging, 1))
                shape.contours.back().push_back(point);
            return true;
        case 'h':
            shape.contours.emplace_back();
            staging.contourLines.push_back(keyLineOf(input));
            return true;
        case 'o':
            readCircle(input, shape, staging);
            return true;
        case 'm':
            if (readNumber(input, number)) shape.mass = number;
            return true;
        case 'd':
            if (!readNumber(input, number)) return true;
            if (number > 0.0f) {
                staging.pendingDensity = number;
            } else {
                // 0 and below cannot be a density; the mass rule goes on as without "d".
                staging.pendingDensity = 0.0f;
                reportReadProblem(input, "density " + numberText(number) +
                                             " is refused: a density lies above 0; the shape's mass is its \"m\" "
                                             "or its area");
            }
            return true;
        case 'u':
            readFriction(input, shape);
            return true;
        case 'e':
            if (readNumber(input, number)) shape.bounce = boundedBounce(input, number);
            return true;
        case 'k':
            readMask(input, shape.collideMask);
            return true;
        case 'c':
            readColour(input, shape);
            return true;
        case 'l':
            readText(input, shape.name);
            return true;
        case 'r':
            readCapacityHint(input, shape);
            return true;
        case 's':
            staging.stagedSockets.push_back(constructAnchor(input, prefix, staging.shapePlacement, true));
            return true;
        case 'g':
            staging.stagedPlugs.push_back(constructAnchor(input, prefix, staging.shapePlacement, false));
            return true;
        case 't':
            if (auto polygon = constructTexturedPolygon(input, prefix, staging.shapePlacement))
                staging.stagedTexturedPolygons.push_back(std::move(polygon));
            return true;
        default:
            return false;
    }
}

// Contours that "h" opened and nothing filled add nothing to the outline;
// dropping them (with their radius entries) keeps per-contour loops from
// meeting a contour without points. Every one-point contour gets a radius
// entry, 0 when no "o" gave it one.
static void tidyContours(Shape& shape) {
    shape.discRadii.resize(shape.contours.size(), 0.0f);
    size_t kept = 1;
    for (size_t i = 1; i < shape.contours.size(); ++i) {
        if (shape.contours[i].empty()) continue;
        if (kept != i) {
            shape.contours[kept] = std::move(shape.contours[i]);
            shape.discRadii[kept] = shape.discRadii[i];
        }
        ++kept;
    }
    shape.contours.resize(kept);
    shape.discRadii.resize(kept);
    // What capacity hints reserved and the points did not fill is let go.
    for (Contour& contour : shape.contours) contour.shrink_to_fit();
    shape.contours.shrink_to_fit();
}

static void placeBoundingCircle(Shape& shape) {
    const Contour& first = shape.contours[0];
    EnclosingCircle circle = smallestEnclosingCircle(first);
    shape.localCentreX = static_cast<float>(circle.x);
    shape.localCentreY = static_cast<float>(circle.y);
    // Measured again from the centre as stored, and rounded up, so that the
    // float circle still holds every point.
    double farthest = 0.0;
    for (const Point& p : first)
        farthest = std::max(farthest, std::hypot(p.x - static_cast<double>(shape.localCentreX),
                                                 p.y - static_cast<double>(shape.localCentreY)));
    float radius = static_cast<float>(farthest);
    if (static_cast<double>(radius) < farthest) radius = std::nextafter(radius, INFINITY);
    shape.radius = radius;
}

static bool hasUsableFigures(const Shape& shape) {
    return std::isfinite(shape.area) && shape.area > 0.0f && std::isfinite(shape.mass) && shape.mass > 0.0f &&
           std::isfinite(shape.inertia) && shape.inertia >= 0.0f && std::isfinite(shape.centroidX) &&
           std::isfinite(shape.centroidY) && std::isfinite(shape.radius) && std::isfinite(shape.localCentreX) &&
           std::isfinite(shape.localCentreY);
}

static std::string describe(const Shape& shape) {
    return shape.name.empty() ? std::string("shape") : "shape \"" + shape.name + "\"";
}

// Even-odd test of `p` against a closed polygon.
static bool insidePolygon(const Contour& polygon, Point p) {
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Point& a = polygon[i];
        const Point& b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) &&
            p.x < (b.x - a.x) * (static_cast<double>(p.y) - a.y) / (static_cast<double>(b.y) - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

// A contour that "h" began wholly outside the first outline cuts no hole:
// it is a second solid piece. Said at its "h", since a hole is what "h"
// is mostly written for.
static void noteHolesOutside(std::istream& input, const Shape& shape, const ShapeStaging& staging) {
    const Contour& outline = shape.contours[0];
    if (outline.size() < 3) return;
    for (size_t i = 1; i < shape.contours.size() && i - 1 < staging.contourLines.size(); ++i) {
        const Contour& contour = shape.contours[i];
        if (contour.size() < 3) continue;
        bool anyInside =
            std::any_of(contour.begin(), contour.end(), [&](const Point& p) { return insidePolygon(outline, p); });
        // One that holds the first outline inside it makes that a hole instead.
        if (!anyInside && !insidePolygon(contour, outline[0]))
            reportReadProblemAtLine(input, staging.contourLines[i - 1],
                                    "contour lies wholly outside the shape's first contour: it cuts no hole and "
                                    "adds a second solid piece; for a second piece write a second shape \"p\"");
    }
}

// The finishing steps; false when the shape cannot join a body.
static bool finishShape(std::istream& input, long line, Shape& shape, const ShapeStaging& staging) {
    if (shape.contours[0].empty()) {
        reportReadProblemAtLine(input, line, describe(shape) + " has no points in its first contour; left out");
        return false;
    }
    noteHolesOutside(input, shape, staging);
    tidyContours(shape);
    shape.predContours = shape.contours;
    shape.cornerVectors = shape.contours;
    shape.edgeNormals = shape.contours;
    shape.curContours = shape.contours;
    placeBoundingCircle(shape);
    TessellationOutcome outcome = prepareShape(shape);
    bool crossesItself = outcome == TessellationOutcome::outlineCrossesItself;
    const char* heldBack = crossesItself ? " has an outline that crosses itself"
                                         : " has an outline too intricate to fill (too many edges side by side)";
    if (!std::isfinite(shape.area)) {
        reportReadProblemAtLine(input, line, describe(shape) + " is too large: its area overflows a float; left out");
        return false;
    }
    if (!(shape.area > 0.0f)) {
        bool tessellated = outcome == TessellationOutcome::tessellated;
        reportReadProblemAtLine(input, line,
                                describe(shape) + (tessellated ? " has no area" : heldBack) + "; left out");
        return false;
    }
    // Kept for its circles; the crossing outline (or crossing hole) counts for nothing.
    if (outcome != TessellationOutcome::tessellated)
        reportReadProblemAtLine(input, line, describe(shape) + heldBack + "; it is ignored");
    if (shape.mass == 0.0f) shape.mass = shape.area;
    if (staging.pendingDensity != 0.0f) shape.mass = staging.pendingDensity * shape.area;
    if (shape.mass > 0.0f && !(shape.mass >= minMass && shape.mass <= maxMass)) {
        reportReadProblemAtLine(input, line,
                                describe(shape) + " has mass " + numberText(shape.mass) + ", outside " +
                                    numberText(minMass) + " to " + numberText(maxMass) + "; left out");
        return false;
    }
    shape.inertia = (shape.mass / shape.area) * shape.inertia;
    if (shape.mass > 0.0f && !std::isfinite(shape.inertia)) {
        reportReadProblemAtLine(input, line,
                                describe(shape) + " is too large: its moment of inertia overflows a float; left out");
        return false;
    }
    if (!hasUsableFigures(shape)) {
        reportReadProblemAtLine(input, line, describe(shape) + " has no positive finite mass or moment; left out");
        return false;
    }
    return true;
}

std::optional<Shape> constructShape(std::istream& input, const std::string& prefix, const Placement& bodyPlacement,
                                    ShapeStaging& staging) {
    long line = keyLineOf(input);
    chargePart(input);
    Shape shape;
    shape.contours.emplace_back();
    staging.stagedSockets.clear();
    staging.stagedPlugs.clear();
    staging.pendingDensity = 0.0f;
    staging.pointsRead = 0;
    staging.contourLines.clear();
    staging.shapePlacement = bodyPlacement;
    // Drawn even for a shape that ends up left out, so a file's colours do
    // not depend on whether an earlier shape was usable.
    float red = static_cast<float>(nextRandom() / 32767.0);
    float green = static_cast<float>(nextRandom() / 32767.0);
    float blue = static_cast<float>(nextRandom() / 32767.0);
    shape.colour = {red, green, blue};

    readBlock(
        input, prefix, {"a shape block", &staging.shapePlacement, '}', true, "vosgt"},
        [&](std::istream& in, const std::string& at, char key) { return readShapeKey(in, at, key, shape, staging); });
    if (!finishShape(input, line, shape, staging)) return std::nullopt;
    return shape;
}
