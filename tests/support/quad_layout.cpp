#include "support/quad_layout.h"

#include "sim/edge_quads.h"

namespace {

size_t quadsNeeded(const ContourSet& contours) {
    size_t quads = 0;
    for (const Contour& contour : contours) quads += (contour.size() + 3) / 4;
    return quads;
}

// The point at `index`, or zero past the contour's end (the unused lanes).
Point pointOr0(const Contour& contour, size_t index) { return index < contour.size() ? contour[index] : Point{}; }

void layOutEdges(Shape& shape) {
    EdgeQuad* quad = shape.edgeQuads.data();
    for (size_t contour = 0; contour < shape.predContours.size(); ++contour) {
        const Contour& points = shape.predContours[contour];
        size_t n = points.size();
        for (size_t first = 0; first < n; first += 4, ++quad) {
            quad->contour = static_cast<uint32_t>(contour);
            quad->firstEdge = static_cast<uint32_t>(first);
            quad->laneMask = 0;
            for (size_t lane = 0; lane < 4; ++lane) {
                size_t edge = first + lane;
                Point start = pointOr0(points, edge);
                Point end = edge < n ? points[edge + 1 < n ? edge + 1 : 0] : Point{};
                Point normal = pointOr0(shape.edgeNormals[contour], edge);
                quad->e0x[lane] = start.x;
                quad->e0y[lane] = start.y;
                quad->e1x[lane] = end.x;
                quad->e1y[lane] = end.y;
                quad->nx[lane] = normal.x;
                quad->ny[lane] = normal.y;
                if (edge < n) quad->laneMask |= 1u << lane;
            }
            quad->boundedMask = boundedEdgeLanes(*quad);
        }
    }
}

void layOutVertices(Shape& shape) {
    VertexQuad* quad = shape.vertexQuads.data();
    for (size_t contour = 0; contour < shape.curContours.size(); ++contour) {
        size_t n = shape.curContours[contour].size();
        for (size_t first = 0; first < n; first += 4, ++quad) {
            quad->contour = static_cast<uint32_t>(contour);
            quad->firstVertex = static_cast<uint32_t>(first);
            quad->laneMask = 0;
            for (size_t lane = 0; lane < 4; ++lane) {
                size_t vertex = first + lane;
                Point here = pointOr0(shape.curContours[contour], vertex);
                Point there = pointOr0(shape.predContours[contour], vertex);
                Point corner = pointOr0(shape.cornerVectors[contour], vertex);
                quad->curX[lane] = here.x;
                quad->curY[lane] = here.y;
                quad->predX[lane] = there.x;
                quad->predY[lane] = there.y;
                quad->cornerX[lane] = corner.x;
                quad->cornerY[lane] = corner.y;
                if (vertex < n) quad->laneMask |= 1u << lane;
            }
            quad->bounds = boundsOfFour(loadLanes(quad->curX), loadLanes(quad->curY), loadLanes(quad->predX),
                                        loadLanes(quad->predY), quad->laneMask);
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
