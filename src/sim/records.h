// The simulation records: worlds, models, bodies, shapes, anchors, springs.
// Plain records with public fields. The reader builds them, the step moves
// them, the renderer draws them and the mouse grabs them.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "sim/pair_sweep.h"

struct Point {
    float x = 0.0f;
    float y = 0.0f;
};

inline bool isFinitePoint(Point p) { return std::isfinite(p.x) && std::isfinite(p.y); }

using Contour = std::vector<Point>;
using ContourSet = std::vector<Contour>;

// 2x3 affine matrix, row-major (a, b, tx / c, d, ty): p maps to
// (a·x + b·y + tx, c·x + d·y + ty).
struct Placement {
    float a = 1.0f, b = 0.0f, tx = 0.0f;
    float c = 0.0f, d = 1.0f, ty = 0.0f;

    Point apply(Point p) const { return {a * p.x + b * p.y + tx, c * p.x + d * p.y + ty}; }
};

// A triangle corner: point `point` of contour `contour` of whichever
// contour set is current (local outline for mass figures, current outline
// for drawing and picking).
struct VertexRef {
    uint32_t contour = 0;
    uint32_t point = 0;
};

struct Triangle {
    std::array<VertexRef, 3> corners{};  // A, B, C as the tessellator emitted them
};

struct Colour {
    float red = 0.0f, green = 0.0f, blue = 0.0f;
};

// Bounds of some current and predicted points, for the contact test's box
// rejection: lower holds the smallest current x and y, then the smallest
// predicted x and y; upper the largest. `exact` is 0 when a point is NaN or
// a bound reaches 1e18 in size; the rejection uses only exact bounds.
struct PointBounds {
    alignas(16) float lower[4];
    alignas(16) float upper[4];
    uint32_t exact = 0;
};

// Four predicted edges of one contour, laid out for the contact kernel: lane
// k is edge firstEdge + k, from (e0x, e0y) to (e1x, e1y) with unit normal
// (nx, ny). Lanes past the contour's last edge are zero and left out of
// laneMask (bit k set for a real edge). boundedMask holds the real edges
// whose start and normal are finite and below 1e18 in size, the only ones
// the contact test's box rejection may pass over.
struct EdgeQuad {
    alignas(16) float e0x[4];
    alignas(16) float e0y[4];
    alignas(16) float e1x[4];
    alignas(16) float e1y[4];
    alignas(16) float nx[4];
    alignas(16) float ny[4];
    uint32_t contour = 0;
    uint32_t firstEdge = 0;
    uint32_t laneMask = 0;
    uint32_t boundedMask = 0;
};

// Four vertices of one contour for the contact kernel: current and
// predicted position and corner vector, and the bounds of the real lanes.
// Lanes past the contour's last vertex are zero and left out of laneMask.
struct VertexQuad {
    alignas(16) float curX[4];
    alignas(16) float curY[4];
    alignas(16) float predX[4];
    alignas(16) float predY[4];
    alignas(16) float cornerX[4];
    alignas(16) float cornerY[4];
    uint32_t contour = 0;
    uint32_t firstVertex = 0;
    uint32_t laneMask = 0;
    PointBounds bounds;
};

struct Body;
struct Model;

// Where a model or body begins in the file it was read from, for notes
// that name it (empty for one built in code).
struct SourcePlace {
    std::string file;
    long line = 0;
};
struct World;
struct Spring;
struct TextureRecord;  // owned by the texture registry

struct Shape {
    ContourSet contours;                  // local outline (body frame after reading)
    std::vector<Triangle> triangles;      // from the tessellation
    std::vector<uint8_t> reverseNormals;  // one flag per contour: negate its edge normals
    ContourSet predContours;              // predicted world outline
    ContourSet cornerVectors;             // 2·p[j] - p[j+1] - p[j-1] over the predicted outline
    ContourSet edgeNormals;               // unit outward normal of edge j over the predicted outline
    ContourSet curContours;               // current world outline
    std::vector<EdgeQuad> edgeQuads;      // the predicted edges and normals again, four by four
    std::vector<VertexQuad> vertexQuads;  // current and predicted vertices and corners, four by four
    PointBounds bounds;                   // of all vertexQuads
    float sweptRadius = 0.0f;
    float radius = 0.0f;  // bounding radius about the local centre
    float centreX = 0.0f, centreY = 0.0f;
    float sweptX = 0.0f, sweptY = 0.0f;
    float localCentreX = 0.0f, localCentreY = 0.0f;
    float staticFriction = 0.6f;
    float kineticFriction = 0.3f;
    float bounce = 0.25f;
    uint32_t collideMask = 0x18000;

    // Filled by the reader and the tessellation.
    std::vector<float> discRadii;  // radius of each one-point (disc) contour
    float mass = 0.0f;             // 0 until the file or the area sets it
    float area = 0.0f;
    float inertia = 0.0f;  // polar moment about the centroid
    float centroidX = 0.0f, centroidY = 0.0f;
    Colour colour;
    std::string name;
};

// Sockets and plugs share one record kind; a joint is a partnered pair.
struct Anchor {
    float localX = 0.0f, localY = 0.0f;
    float worldX = 0.0f, worldY = 0.0f;
    float predX = 0.0f, predY = 0.0f;
    Body* owner = nullptr;      // null for a model's mount
    Anchor* partner = nullptr;  // the other side of the joint
    std::string name;
    float weight = 0.0f;  // sockets only; read from the file, used by nothing
};

using Socket = Anchor;
using Plug = Anchor;

// Where a spring acts. A world's cursor end has no body; the mouse code
// keeps its point at the cursor.
struct SpringEnd {
    Body* body = nullptr;        // null for a world's cursor end
    Point point;                 // world units; on a body, carried with it at every commit
    std::list<Spring*> springs;  // springs that use this end, in the order made

    bool isCursor() const { return body == nullptr; }
};

struct Spring {
    float stiffness = 0.0f;
    SpringEnd* endA = nullptr;
    SpringEnd* endB = nullptr;
};

struct TexturedPolygon {
    TextureRecord* texture = nullptr;
    std::vector<Point> texCoords;  // normalised by the texture size once read
    std::vector<Point> points;     // body-local outline
    Placement placement;
    // The picture is still being fetched: texCoords are in pixels until it
    // arrives and gives the size to divide them by.
    bool awaitsTexture = false;
};

// Body::edgeState. edgesRead: the last prediction's edges are laid out and
// were read since (or nothing was predicted yet), so the next prediction
// lays them out at once, in its walk over the points. edgesLaidOut: laid out,
// and not read since. edgesPending: the last prediction left them out, to be
// laid out when first read. A prediction halves the state: read becomes laid
// out, anything else pending.
constexpr uint8_t edgesPending = 0;
constexpr uint8_t edgesLaidOut = 1;
constexpr uint8_t edgesRead = 2;
static_assert(edgesRead / 2 == edgesLaidOut && edgesLaidOut / 2 == edgesPending && edgesPending / 2 == edgesPending);

struct Body {
    float x = 0.0f, y = 0.0f;  // centre of mass, origin of the local frame
    float vx = 0.0f, vy = 0.0f;
    float ax = 0.0f, ay = 0.0f;  // accumulated for the current sub-step
    float px = 0.0f, py = 0.0f;  // predicted position at the end of the sub-step
    float omega = 0.0f;
    float angle = 0.0f;
    float alpha = 0.0f;
    float cosTurn = 1.0f, sinTurn = 0.0f;  // predicted turn over the sub-step
    // contactBounds of the last prediction, kept for the pair loops, which
    // read it for every body pair; wild (meeting everything) until then.
    SweepBox contactBox{0.0f, 0.0f, 0.0f, 0.0f, ~0u, true};
    float inertia = 0.0f, mass = 0.0f;
    float baseInertia = 0.0f, baseMass = 0.0f;
    float invInertia = 0.0f, invMass = 0.0f;
    uint8_t flags = 0;  // bit 0 NOGRAVITY, bit 1 BOLTED
    Placement placement;
    Model* model = nullptr;
    uint32_t shapeCount = 0;
    uint32_t parentPlug = 0;
    uint32_t nextSocket = 0;
    int32_t serial = 0;  // row of the world's contact memory
    // Predictions made so far; a pair's contact test reads nothing else that
    // changes within a cycle (see PairNotes). Not part of the state.
    uint32_t predictions = 0;
    std::vector<Shape> shapes;
    // Deques: joints point into these, and an anchor added later must not
    // move the ones already partnered.
    std::deque<Socket> sockets;
    std::deque<Plug> plugs;
    std::list<SpringEnd> grabs;  // ends fixed on this body; their springs are the world's
    std::string name;
    std::vector<std::unique_ptr<TexturedPolygon>> textures;
    SourcePlace origin;
    // The edge data of the shapes' predictions (corner vectors, normals, edge
    // quads, the corner lanes of the vertex quads) is laid out only for the
    // contact tests: see edgesRead and readEdgesOf.
    uint8_t edgeState = edgesRead;
    // Corrections of the joint this body hangs by from pass
    // countedPassesFrom on, while storms are watched; cleared like lateHits.
    uint16_t lateJointFixes = 0;

    Body() = default;
    Body(const Body&) = delete;
    Body& operator=(const Body&) = delete;
};

constexpr uint8_t noGravityFlag = 1u << 0;
constexpr uint8_t boltedFlag = 1u << 1;

struct Model {
    float minX = 0.0f, minY = 0.0f, maxX = 0.0f, maxY = 0.0f;
    std::vector<std::unique_ptr<Body>> bodies;  // pre-order of the joint tree, root first
    Anchor mount;                               // owner null: marks the root's parent
    Plug* rootPlug = nullptr;
    std::string name;
    std::string label;
    SourcePlace origin;
};

struct PairMemory {
    int32_t stamp = 0;  // world stepCount of the pair's last response
    uint8_t hits = 0;   // responses of the ordered pair within that step
    // Responses from pass countedPassesFrom on, while storms are
    // watched (see StormRecord); gathered and cleared at the end of the step.
    uint16_t lateHits = 0;
};

// Body serials run 0..255, so a world holds at most this many bodies.
constexpr int maxBodiesPerWorld = 256;

struct World {
    std::vector<std::unique_ptr<Model>> models;
    std::list<Spring> springs;  // every spring the mouse made in this world
    SpringEnd cursorEnd;
    int32_t stepCount = 0;
    std::string label;
    Placement placement;
    std::vector<PairMemory> contactMemory;  // maxBodiesPerWorld² entries, row = first body's serial

    World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    PairMemory& pairMemory(int32_t firstSerial, int32_t secondSerial) {
        return contactMemory[static_cast<size_t>(firstSerial) * maxBodiesPerWorld + static_cast<size_t>(secondSerial)];
    }
    int bodyCount() const;
};
