#include "sim/edge_quads.h"

namespace {

size_t quadsNeeded(const ContourSet& contours) {
    size_t quads = 0;
    for (const Contour& contour : contours) quads += (contour.size() + 3) / 4;
    return quads;
}

void layOutEdges(Shape& shape) {
    EdgeQuad* quad = shape.edgeQuads.data();
    for (size_t contour = 0; contour < shape.predContours.size(); ++contour) {
        const Point* points = shape.predContours[contour].data();
        const Point* normals = shape.edgeNormals[contour].data();
        size_t n = shape.predContours[contour].size();
        for (size_t first = 0; first < n; first += 4, ++quad) {
            quad->contour = static_cast<uint32_t>(contour);
            quad->firstEdge = static_cast<uint32_t>(first);
            if (first + 4 <= n) {  // four edges: straight from the points, as the loop below would
                __m128 x, y, nx, ny;
                loadPoints(points + first, x, y);
                loadPoints(normals + first, nx, ny);
                Point next = points[first + 4 < n ? first + 4 : 0];
                _mm_store_ps(quad->e0x, x);
                _mm_store_ps(quad->e0y, y);
                _mm_store_ps(quad->e1x, shiftDown(x, next.x));
                _mm_store_ps(quad->e1y, shiftDown(y, next.y));
                _mm_store_ps(quad->nx, nx);
                _mm_store_ps(quad->ny, ny);
                quad->laneMask = 0xF;
                quad->boundedMask = boundedEdgeLanes(*quad);
                continue;
            }
            quad->laneMask = 0;
            for (size_t lane = 0; lane < 4; ++lane) {
                size_t edge = first + lane;
                bool real = edge < n;
                Point start = real ? points[edge] : Point{};
                Point end = real ? points[edge + 1 < n ? edge + 1 : 0] : Point{};
                Point normal = real ? normals[edge] : Point{};
                quad->e0x[lane] = start.x;
                quad->e0y[lane] = start.y;
                quad->e1x[lane] = end.x;
                quad->e1y[lane] = end.y;
                quad->nx[lane] = normal.x;
                quad->ny[lane] = normal.y;
                if (real) quad->laneMask |= 1u << lane;
            }
            quad->boundedMask = boundedEdgeLanes(*quad);
        }
    }
}

void boundVertices(VertexQuad& quad) {
    quad.bounds = boundsOfFour(_mm_load_ps(quad.curX), _mm_load_ps(quad.curY), _mm_load_ps(quad.predX),
                               _mm_load_ps(quad.predY), quad.laneMask);
}

void layOutVertices(Shape& shape) {
    VertexQuad* quad = shape.vertexQuads.data();
    for (size_t contour = 0; contour < shape.curContours.size(); ++contour) {
        const Point* current = shape.curContours[contour].data();
        const Point* predicted = shape.predContours[contour].data();
        const Point* corners = shape.cornerVectors[contour].data();
        size_t n = shape.curContours[contour].size();
        for (size_t first = 0; first < n; first += 4, ++quad) {
            quad->contour = static_cast<uint32_t>(contour);
            quad->firstVertex = static_cast<uint32_t>(first);
            if (first + 4 <= n) {
                __m128 x, y;
                loadPoints(current + first, x, y);
                _mm_store_ps(quad->curX, x);
                _mm_store_ps(quad->curY, y);
                loadPoints(predicted + first, x, y);
                _mm_store_ps(quad->predX, x);
                _mm_store_ps(quad->predY, y);
                loadPoints(corners + first, x, y);
                _mm_store_ps(quad->cornerX, x);
                _mm_store_ps(quad->cornerY, y);
                quad->laneMask = 0xF;
                boundVertices(*quad);
                continue;
            }
            quad->laneMask = 0;
            for (size_t lane = 0; lane < 4; ++lane) {
                size_t vertex = first + lane;
                bool real = vertex < n;
                Point here = real ? current[vertex] : Point{};
                Point there = real ? predicted[vertex] : Point{};
                Point corner = real ? corners[vertex] : Point{};
                quad->curX[lane] = here.x;
                quad->curY[lane] = here.y;
                quad->predX[lane] = there.x;
                quad->predY[lane] = there.y;
                quad->cornerX[lane] = corner.x;
                quad->cornerY[lane] = corner.y;
                if (real) quad->laneMask |= 1u << lane;
            }
            boundVertices(*quad);
        }
    }
}

}  // namespace

void layOutQuads(Shape& shape) {
    size_t edgeQuads = quadsNeeded(shape.predContours);
    if (shape.edgeQuads.size() != edgeQuads) shape.edgeQuads.resize(edgeQuads);
    size_t vertexQuads = quadsNeeded(shape.curContours);
    if (shape.vertexQuads.size() != vertexQuads) shape.vertexQuads.resize(vertexQuads);
    layOutEdges(shape);
    layOutVertices(shape);
    shape.bounds = emptyBounds();
    for (const VertexQuad& quad : shape.vertexQuads) widenBounds(shape.bounds, quad.bounds);
    if (shape.vertexQuads.empty()) shape.bounds.exact = 0;
}
