#include "sim/predicted_outline.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "sim/edge_quads.h"
#include "sim/lanes.h"

namespace {

struct MotionLanes {
    __m128 cosTurn, sinTurn, originX, originY, targetX, targetY;

    explicit MotionLanes(const PredictedMotion& m)
        : cosTurn(_mm_set1_ps(m.cosTurn)), sinTurn(_mm_set1_ps(m.sinTurn)), originX(_mm_set1_ps(m.originX)),
          originY(_mm_set1_ps(m.originY)), targetX(_mm_set1_ps(m.targetX)), targetY(_mm_set1_ps(m.targetY)) {}

    // PredictedMotion::apply in every lane, in its order of operations.
    void apply(__m128 x, __m128 y, __m128& outX, __m128& outY) const {
        __m128 u = _mm_sub_ps(x, originX), v = _mm_sub_ps(y, originY);
        outX = _mm_add_ps(_mm_sub_ps(_mm_mul_ps(cosTurn, u), _mm_mul_ps(sinTurn, v)), targetX);
        outY = _mm_add_ps(_mm_add_ps(_mm_mul_ps(sinTurn, u), _mm_mul_ps(cosTurn, v)), targetY);
    }
};

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

// Lanes at or past `count` are cleared.
__m128 firstLanes(__m128 lanes, size_t count) {
    alignas(16) static const uint32_t masks[5][4] = {
        {0, 0, 0, 0}, {~0u, 0, 0, 0}, {~0u, ~0u, 0, 0}, {~0u, ~0u, ~0u, 0}, {~0u, ~0u, ~0u, ~0u}};
    return _mm_and_ps(lanes, _mm_load_ps(reinterpret_cast<const float*>(masks[count])));
}

// Predicted points of one contour, and the current and predicted lanes of
// its vertex quads.
void predictPoints(const Contour& current, Contour& predicted, const MotionLanes& motion, VertexQuad* quad,
                   uint32_t contour) {
    size_t n = current.size();
    for (size_t first = 0; first < n; first += 4, ++quad) {
        quad->contour = contour;
        quad->firstVertex = static_cast<uint32_t>(first);
        __m128 x, y, px, py;
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
            x = _mm_load_ps(curX);
            y = _mm_load_ps(curY);
            motion.apply(x, y, px, py);
            px = firstLanes(px, real);  // padding lanes are zero in the quad
            py = firstLanes(py, real);
            _mm_store_ps(predX, px);
            _mm_store_ps(predY, py);
            for (size_t lane = 0; lane < real; ++lane) predicted[first + lane] = {predX[lane], predY[lane]};
            quad->laneMask = (1u << real) - 1u;
        }
        _mm_store_ps(quad->curX, x);
        _mm_store_ps(quad->curY, y);
        _mm_store_ps(quad->predX, px);
        _mm_store_ps(quad->predY, py);
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
void edgeDataOfFour(const Point* p, Point next, Point previous, bool reversed, Point* corners, Point* normals,
                    EdgeQuad& edges, VertexQuad& vertices) {
    __m128 x, y;
    loadPoints(p, x, y);
    __m128 nextX = shiftDown(x, next.x), nextY = shiftDown(y, next.y);
    __m128 previousX = shiftUp(x, previous.x), previousY = shiftUp(y, previous.y);
    __m128 dx = _mm_sub_ps(x, nextX), dy = _mm_sub_ps(y, nextY);
    __m128 cornerX = _mm_add_ps(dx, _mm_sub_ps(x, previousX)), cornerY = _mm_add_ps(dy, _mm_sub_ps(y, previousY));
    storePoints(corners, cornerX, cornerY);

    __m128 normalX = dy, normalY = negate(dx);
    __m128 length = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(normalX, normalX), _mm_mul_ps(normalY, normalY)));
    __m128 divide = _mm_cmpneq_ps(length, _mm_setzero_ps());  // NaN divides too, as length != 0 holds
    normalX = _mm_or_ps(_mm_and_ps(divide, _mm_div_ps(normalX, length)), _mm_andnot_ps(divide, normalX));
    normalY = _mm_or_ps(_mm_and_ps(divide, _mm_div_ps(normalY, length)), _mm_andnot_ps(divide, normalY));
    if (reversed) {
        normalX = negate(normalX);
        normalY = negate(normalY);
    }
    storePoints(normals, normalX, normalY);

    _mm_store_ps(edges.e0x, x);
    _mm_store_ps(edges.e0y, y);
    _mm_store_ps(edges.e1x, nextX);
    _mm_store_ps(edges.e1y, nextY);
    _mm_store_ps(edges.nx, normalX);
    _mm_store_ps(edges.ny, normalY);
    _mm_store_ps(vertices.cornerX, cornerX);
    _mm_store_ps(vertices.cornerY, cornerY);
}

// Corner vectors and unit edge normals over one predicted contour, and the
// edge quads and the corner lanes of the vertex quads.
void predictEdges(const Contour& predicted, Contour& corners, Contour& normals, bool reversed, EdgeQuad* edges,
                  VertexQuad* vertices, uint32_t contour) {
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

size_t quadsOf(const Shape& shape) {
    size_t quads = 0;
    for (size_t i = 0; i < shape.contours.size(); ++i) quads += (shape.curContours[i].size() + 3) / 4;
    return quads;
}

}  // namespace

void predictShapeOutline(Shape& shape, const PredictedMotion& motion, Model* model) {
    size_t quads = quadsOf(shape);
    if (shape.vertexQuads.size() != quads) shape.vertexQuads.resize(quads);
    if (shape.edgeQuads.size() != quads) shape.edgeQuads.resize(quads);
    MotionLanes lanes(motion);
    VertexQuad* vertices = shape.vertexQuads.data();
    EdgeQuad* edges = shape.edgeQuads.data();
    for (size_t i = 0; i < shape.contours.size(); ++i) {
        auto contour = static_cast<uint32_t>(i);
        predictPoints(shape.curContours[i], shape.predContours[i], lanes, vertices, contour);
        bool reversed = i < shape.reverseNormals.size() && shape.reverseNormals[i];
        predictEdges(shape.predContours[i], shape.cornerVectors[i], shape.edgeNormals[i], reversed, edges, vertices,
                     contour);
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
