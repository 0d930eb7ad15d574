#include "geometry/tessellation.h"

#include <GL/glu.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "geometry/outline_crossing.h"
#include "sim/trig.h"

// The triangle assembler's state lives for the whole run: the tessellator
// only ever emits whole triangles, so the counter is back at 0 after every
// polygon and never needs resetting.
static uint32_t cornerCounter = 0;
static Triangle pendingTriangle;

// Registering an edge-flag callback, even one that does nothing, makes the
// tessellator emit independent triangles only (no strips, no fans), so every
// three reported vertices are one triangle.
static void GLAPIENTRY ignoreEdgeFlag(GLboolean, void*) {}

static void GLAPIENTRY assembleTriangle(void* vertexData, void* polygonData) {
    // Without a combine callback the tessellator never invents vertices, so
    // the data is always one of ours; a null is skipped rather than read.
    if (vertexData == nullptr) return;
    pendingTriangle.corners[cornerCounter] = *static_cast<const VertexRef*>(vertexData);
    if (cornerCounter == 2) static_cast<Shape*>(polygonData)->triangles.push_back(pendingTriangle);
    cornerCounter = (cornerCounter + 1) % 3;
}

static bool isDiscContour(const Contour& contour) { return contour.size() == 1; }

// A missing radius reads as 0: the reader sets one per contour, but a shape
// built by hand may carry fewer.
static float discRadius(const Shape& shape, size_t contour) {
    return contour < shape.discRadii.size() ? shape.discRadii[contour] : 0.0f;
}

// The tessellator's sweep orders vertices by comparison; a non-number breaks
// that order, so an outline holding one is not handed to it at all.
static bool outlineIsFinite(const ContourSet& contours) {
    for (const Contour& contour : contours) {
        if (isDiscContour(contour)) continue;
        for (const Point& p : contour)
            if (!isFinitePoint(p)) return false;
    }
    return true;
}

struct TessellatorDeleter {
    void operator()(GLUtesselator* tess) const { gluDeleteTess(tess); }
};
using TessellatorHandle = std::unique_ptr<GLUtesselator, TessellatorDeleter>;

// One contour: every point with the shared coordinate buffer (the
// tessellator copies the coordinates) and a fresh reference as its data.
static void feedContour(GLUtesselator* tess, const Contour& contour, uint32_t contourIndex, GLdouble* coords,
                        std::vector<VertexRef>& refs) {
    gluTessBeginContour(tess);
    for (uint32_t j = 0; j < contour.size(); ++j) {
        coords[0] = static_cast<GLdouble>(contour[j].x);
        coords[1] = static_cast<GLdouble>(contour[j].y);
        coords[2] = 0.0;
        refs.push_back(VertexRef{contourIndex, j});
        gluTessVertex(tess, coords, &refs.back());
    }
    gluTessEndContour(tess);
}

// Why a polygon is not handed to the tessellator, if it is not.
static TessellationOutcome holdBack(const std::vector<const Contour*>& polygon) {
    if (outlineCertainlyCrossesItself(polygon)) return TessellationOutcome::outlineCrossesItself;
    if (outlineTooIntricateToFill(polygon)) return TessellationOutcome::outlineTooIntricate;
    return TessellationOutcome::tessellated;
}

// A polygon whose outline certainly crosses itself is not handed over: the
// tessellator would sweep through every crossing only to give no triangles.
static TessellationOutcome feedOutline(GLUtesselator* tess, Shape& shape) {
    const ContourSet& contours = shape.contours;
    size_t totalPoints = 0;
    for (const Contour& contour : contours) totalPoints += contour.size();
    // Reserved up front: the tessellator keeps pointers into it until the
    // last polygon ends.
    std::vector<VertexRef> refs;
    refs.reserve(totalPoints);
    auto coords = std::make_unique<GLdouble[]>(3);
    TessellationOutcome outcome = TessellationOutcome::tessellated;

    if (!contours.empty() && isDiscContour(contours[0])) {
        // A disc with holes: each polygonal hole is a polygon of its own.
        for (uint32_t i = 1; i < contours.size(); ++i) {
            if (isDiscContour(contours[i])) continue;
            if (TessellationOutcome heldBack = holdBack({&contours[i]}); heldBack != TessellationOutcome::tessellated) {
                outcome = heldBack;
                continue;
            }
            gluTessBeginPolygon(tess, &shape);
            feedContour(tess, contours[i], i, coords.get(), refs);
            gluTessEndPolygon(tess);
        }
    } else {
        // One region under the odd rule: inner contours cut holes.
        std::vector<const Contour*> polygon;
        for (const Contour& contour : contours)
            if (!isDiscContour(contour)) polygon.push_back(&contour);
        if (TessellationOutcome heldBack = holdBack(polygon); heldBack != TessellationOutcome::tessellated)
            return heldBack;
        gluTessBeginPolygon(tess, &shape);
        for (uint32_t i = 0; i < contours.size(); ++i) {
            if (isDiscContour(contours[i])) continue;
            feedContour(tess, contours[i], i, coords.get(), refs);
        }
        gluTessEndPolygon(tess);
    }
    return outcome;
}

static float triangleArea(const Point& a, const Point& b, const Point& c) {
    return std::fabs(a.x * b.y - b.x * a.y + b.x * c.y - c.x * b.y + c.x * a.y - a.x * c.y) * 0.5f;
}

static Point triangleCentroid(const Point& a, const Point& b, const Point& c) {
    return {(a.x + b.x + c.x) / 3.0f, (a.y + b.y + c.y) / 3.0f};
}

// Polar moment of a triangle about its own centroid, from the side AC as
// base: B - A is expressed in the frame whose x axis runs from A to C.
static float triangleOwnMoment(const Point& a, const Point& b, const Point& c) {
    float acX = c.x - a.x, acY = c.y - a.y;
    float abX = b.x - a.x, abY = b.y - a.y;
    float baseLength = std::sqrt(acX * acX + acY * acY);
    float direction = atan2Of(acY, acX);
    float cosTurn = cosOf(-direction), sinTurn = sinOf(-direction);
    float u = abX * cosTurn - abY * sinTurn;
    float h = abX * sinTurn + abY * cosTurn;
    return std::fabs(baseLength * h * (u * u + h * h + baseLength * baseLength - baseLength * u)) / 36.0f;
}

static float squaredDistance(const Point& p, float x, float y) {
    float dx = p.x - x, dy = p.y - y;
    return dx * dx + dy * dy;
}

// Area, centroid and polar moment for unit density over the local outline.
// pi is a double, so the disc terms are formed in double and the running
// sums rounded back to float on every addition.
static void computeMassFigures(Shape& shape) {
    constexpr double pi = std::numbers::pi;
    const ContourSet& contours = shape.contours;
    float sumX = 0.0f, sumY = 0.0f;

    for (const Triangle& t : shape.triangles) {
        const Point& a = resolveVertex(contours, t.corners[0]);
        const Point& b = resolveVertex(contours, t.corners[1]);
        const Point& c = resolveVertex(contours, t.corners[2]);
        float area = triangleArea(a, b, c);
        Point centre = triangleCentroid(a, b, c);
        shape.area += area;
        sumX += centre.x * area;
        sumY += centre.y * area;
    }
    for (size_t i = 1; i < contours.size(); ++i) {
        if (!isDiscContour(contours[i])) continue;
        float r = discRadius(shape, i);
        double discArea = pi * r * r;
        shape.area += discArea;
        sumX += contours[i][0].x * discArea;
        sumY += contours[i][0].y * discArea;
    }
    bool discWithHoles = !contours.empty() && isDiscContour(contours[0]);
    if (discWithHoles) {
        float r0 = discRadius(shape, 0);
        shape.area -= pi * r0 * r0;
        sumX -= contours[0][0].x * (pi * r0 * r0);
        sumY -= contours[0][0].y * (pi * r0 * r0);
    }
    // An outline that yields no area (no triangles, no discs) has no
    // centroid; the origin stands in so no non-number enters the body.
    if (shape.area != 0.0f) {
        shape.centroidX = sumX / shape.area;
        shape.centroidY = sumY / shape.area;
    } else {
        shape.centroidX = 0.0f;
        shape.centroidY = 0.0f;
    }

    for (const Triangle& t : shape.triangles) {
        const Point& a = resolveVertex(contours, t.corners[0]);
        const Point& b = resolveVertex(contours, t.corners[1]);
        const Point& c = resolveVertex(contours, t.corners[2]);
        float area = triangleArea(a, b, c);
        Point centre = triangleCentroid(a, b, c);
        shape.inertia += triangleOwnMoment(a, b, c) + area * squaredDistance(centre, shape.centroidX, shape.centroidY);
    }
    for (size_t i = 1; i < contours.size(); ++i) {
        if (!isDiscContour(contours[i])) continue;
        float r = discRadius(shape, i);
        float d2 = squaredDistance(contours[i][0], shape.centroidX, shape.centroidY);
        shape.inertia += pi * r * r * d2 + (pi / 2.0) * r * r * r * r;
    }
    if (discWithHoles) {
        // The disc's own figures were built with every hole added; negating
        // the difference leaves disc minus holes.
        float r0 = discRadius(shape, 0);
        float d2 = squaredDistance(contours[0][0], shape.centroidX, shape.centroidY);
        shape.inertia -= pi * r0 * r0 * d2 + (pi / 2.0) * r0 * r0 * r0 * r0;
        shape.inertia = -shape.inertia;
        shape.area = -shape.area;
    }
}

// Twice the signed area: positive for a counter-clockwise contour (y up).
static float signedAreaTwice(const Contour& contour) {
    float s = 0.0f;
    for (size_t j = 0; j < contour.size(); ++j) {
        const Point& p = contour[j];
        const Point& q = contour[(j + 1) % contour.size()];
        s += p.x * q.y - p.y * q.x;
    }
    return s;
}

// Every edge normal must point out of the solid: an outer contour running
// counter-clockwise, or a hole running clockwise, has its normals reversed.
static void orientNormals(Shape& shape) {
    shape.reverseNormals.assign(shape.contours.size(), 0);
    for (size_t i = 0; i < shape.contours.size(); ++i) {
        float s = signedAreaTwice(shape.contours[i]);
        shape.reverseNormals[i] = (i == 0) ? (s > 0.0f) : (s < 0.0f);
    }
}

TessellationOutcome prepareShape(Shape& shape) {
    TessellatorHandle tess(gluNewTess());
    if (!tess) throw std::runtime_error("Creation of tesselation object failed.");
    shape.area = 0.0f;
    shape.inertia = 0.0f;
    gluTessCallback(tess.get(), GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<_GLUfuncptr>(ignoreEdgeFlag));
    gluTessCallback(tess.get(), GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(assembleTriangle));

    TessellationOutcome outcome = TessellationOutcome::tessellated;
    if (outlineIsFinite(shape.contours)) outcome = feedOutline(tess.get(), shape);
    tess.reset();

    computeMassFigures(shape);
    orientNormals(shape);
    return outcome;
}
