#include "sim/predicted_outline.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "sim/edge_quads.h"
#include "sim/lanes.h"

namespace {

void widenBox(Model& m, Point p) {
    if (p.x < m.minX) m.minX = p.x;
    if (p.y < m.minY) m.minY = p.y;
    if (p.x > m.maxX) m.maxX = p.x;
    if (p.y > m.maxY) m.maxY = p.y;
}

// The shape's bounds folded into the model's box. Folding the bounds gives
// the box that widening point by point would, because equal floats are the
// same bits, but for +0 and -0: there the first met wins, and the bounds
// have lost the order. So a bound of zero, and bounds that left a NaN out
// (not exact), are found again point by point.
void widenModelBox(Model& m, const Shape& shape) {
    const PointBounds& bounds = shape.bounds;
    float minX = std::min(bounds.lower[0], bounds.lower[2]), minY = std::min(bounds.lower[1], bounds.lower[3]);
    float maxX = std::max(bounds.upper[0], bounds.upper[2]), maxY = std::max(bounds.upper[1], bounds.upper[3]);
    if (!bounds.exact || minX == 0.0f || minY == 0.0f || maxX == 0.0f || maxY == 0.0f) {
        for (size_t i = 0; i < shape.contours.size(); ++i)
            for (size_t j = 0; j < shape.curContours[i].size(); ++j) {
                widenBox(m, shape.curContours[i][j]);
                widenBox(m, shape.predContours[i][j]);
            }
        return;
    }
    if (minX < m.minX) m.minX = minX;
    if (minY < m.minY) m.minY = minY;
    if (maxX > m.maxX) m.maxX = maxX;
    if (maxY > m.maxY) m.maxY = maxY;
}

// Predicted points of one contour, and the current and predicted lanes of
// its vertex quads.
void predictPoints(const Contour& current, Contour& predicted, const MotionLanes& motion, VertexQuad* quad,
                   uint32_t contour) {
    size_t n = current.size();
    for (size_t first = 0; first < n; first += 4, ++quad) {
        quad->contour = contour;
        quad->firstVertex = static_cast<uint32_t>(first);
        Float4 x, y, px, py;
        if (first + 4 <= n) {
            loadPoints(current.data() + first, x, y);
            motion.apply(x, y, px, py);
            storePoints(predicted.data() + first, px, py);
            quad->laneMask = 0xF;
        } else {
            size_t real = n - first;
            alignas(16) float curX[4] = {}, curY[4] = {}, predX[4], predY[4];
            for (size_t lane = 0; lane < real; ++lane) {
                curX[lane] = current[first + lane].x;
                curY[lane] = current[first + lane].y;
            }
            x = loadLanes(curX);
            y = loadLanes(curY);
            motion.apply(x, y, px, py);
            quad->laneMask = (1u << real) - 1u;
            px = keepLanes(px, quad->laneMask);  // padding lanes are zero in the quad
            py = keepLanes(py, quad->laneMask);
            storeLanes(predX, px);
            storeLanes(predY, py);
            for (size_t lane = 0; lane < real; ++lane) predicted[first + lane] = {predX[lane], predY[lane]};
        }
        storeLanes(quad->curX, x);
        storeLanes(quad->curY, y);
        storeLanes(quad->predX, px);
        storeLanes(quad->predY, py);
        quad->bounds = boundsOfFour(x, y, px, py, quad->laneMask);
    }
}

// Corner vector and unit normal of vertex `here` of a contour.
void edgeDataAt(Point here, Point next, Point previous, bool reversed, Point& corner, Point& normal) {
    corner = {(here.x - next.x) + (here.x - previous.x), (here.y - next.y) + (here.y - previous.y)};
    float dx = here.x - next.x;
    float dy = here.y - next.y;
    normal = {dy, -dx};
    float length = std::sqrt(normal.x * normal.x + normal.y * normal.y);
    if (length != 0.0f) normal = {normal.x / length, normal.y / length};
    if (reversed) normal = {-normal.x, -normal.y};
}

// edgeDataAt for vertices j .. j+3 at once, lane by lane the same
// arithmetic, written to the contour sets and the quads.
[[gnu::always_inline]] inline void edgeDataOfFour(const Point* p, Point next, Point previous, bool reversed,
                                                  Point* corners, Point* normals, EdgeQuad& edges,
                                                  VertexQuad& vertices) {
    Float4 x, y;
    loadPoints(p, x, y);
    Float4 nextX = shiftDown(x, next.x), nextY = shiftDown(y, next.y);
    Float4 previousX = shiftUp(x, previous.x), previousY = shiftUp(y, previous.y);
    Float4 dx = x - nextX, dy = y - nextY;
    Float4 cornerX = dx + (x - previousX), cornerY = dy + (y - previousY);
    storePoints(corners, cornerX, cornerY);

    Float4 normalX = dy, normalY = -dx;
    Float4 length = squareRoot(normalX * normalX + normalY * normalY);
    Mask4 divide = length != splat(0.0f);  // NaN divides too, as length != 0 holds
    normalX = select(divide, normalX / length, normalX);
    normalY = select(divide, normalY / length, normalY);
    if (reversed) {
        normalX = -normalX;
        normalY = -normalY;
    }
    storePoints(normals, normalX, normalY);

    storeLanes(edges.e0x, x);
    storeLanes(edges.e0y, y);
    storeLanes(edges.e1x, nextX);
    storeLanes(edges.e1y, nextY);
    storeLanes(edges.nx, normalX);
    storeLanes(edges.ny, normalY);
    storeLanes(vertices.cornerX, cornerX);
    storeLanes(vertices.cornerY, cornerY);
}

// Corner vectors and unit edge normals over one predicted contour, and the
// edge quads and the corner lanes of the vertex quads.
[[gnu::always_inline]] inline void predictEdges(const Contour& predicted, Contour& corners, Contour& normals,
                                                bool reversed, EdgeQuad* edges, VertexQuad* vertices,
                                                uint32_t contour) {
    const Point* p = predicted.data();
    size_t n = predicted.size();
    for (size_t first = 0; first < n; first += 4, ++edges, ++vertices) {
        edges->contour = contour;
        edges->firstEdge = static_cast<uint32_t>(first);
        if (first + 4 <= n) {
            edgeDataOfFour(p + first, p[first + 4 < n ? first + 4 : 0], p[first > 0 ? first - 1 : n - 1], reversed,
                           corners.data() + first, normals.data() + first, *edges, *vertices);
            edges->laneMask = 0xF;
            edges->boundedMask = boundedEdgeLanes(*edges);
            continue;
        }
        edges->laneMask = 0;
        for (size_t lane = 0; lane < 4; ++lane) {
            size_t j = first + lane;
            bool real = j < n;
            Point corner{}, normal{}, start{}, end{};
            if (real) {
                edgeDataAt(p[j], p[j + 1 < n ? j + 1 : 0], p[j > 0 ? j - 1 : n - 1], reversed, corners[j], normals[j]);
                corner = corners[j];
                normal = normals[j];
                start = p[j];
                end = p[j + 1 < n ? j + 1 : 0];
                edges->laneMask |= 1u << lane;
            }
            edges->e0x[lane] = start.x;
            edges->e0y[lane] = start.y;
            edges->e1x[lane] = end.x;
            edges->e1y[lane] = end.y;
            edges->nx[lane] = normal.x;
            edges->ny[lane] = normal.y;
            vertices->cornerX[lane] = corner.x;
            vertices->cornerY[lane] = corner.y;
        }
        edges->boundedMask = boundedEdgeLanes(*edges);
    }
}

// predictEdges for contour i of a shape, whose quads begin at edges and
// vertices.
[[gnu::always_inline]] inline void predictContourEdges(Shape& shape, size_t i, EdgeQuad* edges, VertexQuad* vertices) {
    bool reversed = i < shape.reverseNormals.size() && shape.reverseNormals[i];
    predictEdges(shape.predContours[i], shape.cornerVectors[i], shape.edgeNormals[i], reversed, edges, vertices,
                 static_cast<uint32_t>(i));
}

size_t quadsOf(const Shape& shape) {
    size_t quads = 0;
    for (size_t i = 0; i < shape.contours.size(); ++i) quads += (shape.curContours[i].size() + 3) / 4;
    return quads;
}

}  // namespace

void predictShapeOutline(Shape& shape, const PredictedMotion& motion, Model* model, bool withEdges) {
    size_t quads = quadsOf(shape);
    if (shape.vertexQuads.size() != quads) shape.vertexQuads.resize(quads);
    if (shape.edgeQuads.size() != quads) shape.edgeQuads.resize(quads);
    MotionLanes motionLanes(motion);
    VertexQuad* vertices = shape.vertexQuads.data();
    EdgeQuad* edges = shape.edgeQuads.data();
    for (size_t i = 0; i < shape.contours.size(); ++i) {
        auto contour = static_cast<uint32_t>(i);
        predictPoints(shape.curContours[i], shape.predContours[i], motionLanes, vertices, contour);
        // In the same walk, while the points are at hand.
        if (withEdges) predictContourEdges(shape, i, edges, vertices);
        size_t groups = (shape.curContours[i].size() + 3) / 4;
        vertices += groups;
        edges += groups;
    }
    if (quads == 1) {
        shape.bounds = shape.vertexQuads[0].bounds;
    } else {
        shape.bounds = emptyBounds();
        for (const VertexQuad& quad : shape.vertexQuads) widenBounds(shape.bounds, quad.bounds);
        if (quads == 0) shape.bounds.exact = 0;
    }
    if (model != nullptr) widenModelBox(*model, shape);
}

void layOutShapeEdges(Shape& shape) {
    VertexQuad* vertices = shape.vertexQuads.data();
    EdgeQuad* edges = shape.edgeQuads.data();
    for (size_t i = 0; i < shape.contours.size(); ++i) {
        predictContourEdges(shape, i, edges, vertices);
        size_t groups = (shape.curContours[i].size() + 3) / 4;
        vertices += groups;
        edges += groups;
    }
}
