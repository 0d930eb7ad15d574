// The body block: shapes and their mass, anchors, textured polygons, child
// bodies hung at sockets, and the body's finishing steps.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "files/block_reader.h"
#include "files/blocks.h"
#include "files/diagnostics.h"
#include "files/read_budget.h"
#include "files/reader_primitives.h"
#include "files/shape_block.h"
#include "files/value_ranges.h"

// Body "r" pre-sizes the shapes array; slots past this are not made ahead,
// later shapes are appended instead, which stores the same shapes. Every
// body of a nested chain holds its slots until it ends, so the hint is
// kept small.
static constexpr long long maxShapeSlots = 256;

static std::string describe(const Body& body) {
    return body.name.empty() ? std::string("body") : "body \"" + body.name + "\"";
}

static void takeStaged(Body& body, ShapeStaging& staging) {
    for (Anchor& socket : staging.stagedSockets) {
        socket.owner = &body;
        body.sockets.push_back(socket);
    }
    for (Anchor& plug : staging.stagedPlugs) {
        plug.owner = &body;
        body.plugs.push_back(plug);
    }
    for (auto& polygon : staging.stagedTexturedPolygons) body.textures.push_back(std::move(polygon));
    staging.stagedSockets.clear();
    staging.stagedPlugs.clear();
    staging.stagedTexturedPolygons.clear();
}

// The shape joins the body with what its block staged, and its mass is
// merged. False (the shape not stored) when the merged mass figures would
// overflow a float; the staged items join the body anyway.
static bool addShape(Body& body, Shape&& shape, ShapeStaging& staging) {
    takeStaged(body, staging);

    // Mass merge in placement coordinates: the new centre of mass and the
    // moment about it by the parallel-axis rule.
    float totalMass = body.mass + shape.mass;
    float centreX = (body.mass * body.x + shape.mass * shape.centroidX) / totalMass;
    float centreY = (body.mass * body.y + shape.mass * shape.centroidY) / totalMass;
    float bodyDx = body.x - centreX, bodyDy = body.y - centreY;
    float shapeDx = shape.centroidX - centreX, shapeDy = shape.centroidY - centreY;
    float mergedInertia = body.inertia + body.mass * (bodyDx * bodyDx + bodyDy * bodyDy) + shape.inertia +
                          shape.mass * (shapeDx * shapeDx + shapeDy * shapeDy);
    if (!std::isfinite(totalMass) || !std::isfinite(centreX) || !std::isfinite(centreY) ||
        !std::isfinite(mergedInertia))
        return false;

    if (body.shapes.size() > body.shapeCount)
        body.shapes[body.shapeCount] = std::move(shape);
    else
        body.shapes.push_back(std::move(shape));
    body.shapeCount += 1;
    body.mass = totalMass;
    body.x = centreX;
    body.y = centreY;
    body.inertia = mergedInertia;
    return true;
}

static void readShapeBlock(std::istream& input, const std::string& prefix, Body& body) {
    long line = keyLineOf(input);
    ShapeStaging staging;
    std::optional<Shape> shape = constructShape(input, prefix, body.placement, staging);
    if (!shape) {
        takeStaged(body, staging);  // its anchors and polygons still belong to the body
        return;
    }
    if (body.mass + shape->mass > maxMass) {
        takeStaged(body, staging);
        reportReadProblemAtLine(
            input, line,
            "shape would bring the mass of " + describe(body) + " above " + numberText(maxMass) + "; left out");
        return;
    }
    if (!addShape(body, std::move(*shape), staging))
        reportReadProblemAtLine(input, line,
                                "shape would make the mass of " + describe(body) + " overflow a float; left out");
}

// "c": which socket the next child hangs at, or which plug hangs this body.
// Blanks are skipped before looking for a digit, so «c s 1» selects socket 1.
static void readSelection(std::istream& input, Body& body) {
    char which = 0;
    if (!readSubKey(input, which)) return;
    bool sockets = which == 's';
    if (!sockets && which != 'g' && which != 'p') {
        reportReadProblem(input, std::string("selection sub-key '") + which + "' means nothing; skipped");
        return;
    }
    uint32_t& index = sockets ? body.nextSocket : body.parentPlug;
    skipBlanks(input);
    if (std::isdigit(input.peek())) {
        readIndex(input, index);
        return;
    }
    std::string name;
    if (!readText(input, name)) return;
    const std::deque<Anchor>& anchors = sockets ? body.sockets : body.plugs;
    auto found = std::find_if(anchors.begin(), anchors.end(), [&](const Anchor& a) { return a.name == name; });
    if (found == anchors.end()) {
        reportReadProblem(input, std::string("no ") + (sockets ? "socket" : "plug") + " named \"" + name + "\" in " +
                                     describe(body) + "; selection unchanged");
        return;
    }
    index = static_cast<uint32_t>(found - anchors.begin());
}

// A child "P": read with this body's placement, then joined by the socket
// at nextSocket and the child's plug at its parentPlug. A child that cannot
// be joined hangs nowhere and is left out when the model gathers its tree.
static void readChild(std::istream& input, const std::string& prefix, Body& parent) {
    long line = keyLineOf(input);
    Body* child = constructBody(*parent.model, input, prefix, parent.placement);
    if (child == nullptr) return;
    uint32_t socketIndex = parent.nextSocket;
    parent.nextSocket += 1;
    if (socketIndex >= parent.sockets.size()) {
        reportReadProblemAtLine(input, line,
                                describe(parent) + " has no socket " + std::to_string(socketIndex) + " for " +
                                    describe(*child) + "; the child is left out");
        return;
    }
    if (child->parentPlug >= child->plugs.size()) {
        reportReadProblemAtLine(
            input, line,
            describe(*child) + " has no plug " + std::to_string(child->parentPlug) + " to hang by; it is left out");
        return;
    }
    Anchor& socket = parent.sockets[socketIndex];
    if (socket.partner != nullptr)
        reportReadProblemAtLine(input, line,
                                "socket " + std::to_string(socketIndex) + " of " + describe(parent) +
                                    " already holds a child; the earlier one is left out");
    Anchor& plug = child->plugs[child->parentPlug];
    socket.partner = &plug;
    plug.partner = &socket;
}

static void readKeyword(std::istream& input, Body& body) {
    std::string keyword;
    if (!readText(input, keyword)) return;
    if (keyword == "BOLTED")
        body.flags |= boltedFlag;
    else if (keyword == "NOGRAVITY")
        body.flags |= noGravityFlag;
    else
        reportReadProblem(input, "keyword \"" + keyword + "\" means nothing; skipped");
}

static void readShapeSlots(std::istream& input, Body& body) {
    long long count = 0;
    if (!readInteger(input, count)) return;
    // Slots already filled are kept: their mass is merged into the body.
    long long filled = static_cast<long long>(body.shapeCount);
    if (count < filled)
        reportReadProblem(input, "\"r " + std::to_string(count) + "\" is below the " + std::to_string(filled) +
                                     " shapes already read; they are kept");
    body.shapes.resize(static_cast<size_t>(std::max(std::min(count, maxShapeSlots), filled)));
}

// The keys of a body block.
static bool readBodyKey(std::istream& input, const std::string& prefix, char key, Body& body) {
    Point vector;
    float number = 0.0f;
    switch (key) {
        case 'p':
            readShapeBlock(input, prefix, body);
            return true;
        case 's':
            body.sockets.push_back(constructAnchor(input, prefix, body.placement, true));
            body.sockets.back().owner = &body;
            return true;
        case 'g':
            body.plugs.push_back(constructAnchor(input, prefix, body.placement, false));
            body.plugs.back().owner = &body;
            return true;
        case 't':
            if (auto polygon = constructTexturedPolygon(input, prefix, body.placement))
                body.textures.push_back(std::move(polygon));
            return true;
        case 'P':
            readChild(input, prefix, body);
            return true;
        case 'c':
            readSelection(input, body);
            return true;
        case 'V':
            if (!readVector(input, vector)) return true;
            body.vx = vector.x, body.vy = vector.y;
            if (std::hypot(vector.x, vector.y) > plausibleStartSpeed)
                reportReadProblem(input, "velocity " + numberText(std::hypot(vector.x, vector.y)) +
                                             " units a frame crosses the window in one frame; the range is up to " +
                                             numberText(plausibleStartSpeed));
            return true;
        case 'W':
            if (!readNumber(input, number)) return true;
            body.omega = number;
            if (std::fabs(number) > plausibleStartSpin)
                reportReadProblem(input, "angular velocity " + numberText(number) +
                                             " radians a frame turns the body more than half a turn each frame; the "
                                             "range is up to 3.14");
            return true;
        case '!':
            readKeyword(input, body);
            return true;
        case 'l':
            readText(input, body.name);
            return true;
        case 'r':
            readShapeSlots(input, body);
            return true;
        default:
            return false;
    }
}

// Everything read in placement coordinates moves so the centre of mass
// becomes the origin of the body's local frame.
static void recentre(Body& body) {
    float cx = body.x, cy = body.y;
    for (Shape& shape : body.shapes) {
        for (Contour& contour : shape.contours)
            for (Point& p : contour) p.x -= cx, p.y -= cy;
        shape.centroidX -= cx, shape.centroidY -= cy;
        shape.localCentreX -= cx, shape.localCentreY -= cy;
    }
    for (Anchor& socket : body.sockets) socket.localX -= cx, socket.localY -= cy;
    for (Anchor& plug : body.plugs) plug.localX -= cx, plug.localY -= cy;
    for (auto& polygon : body.textures)
        for (Point& p : polygon->points) p.x -= cx, p.y -= cy;
}

// Inverses of what the shapes gave. A body without usable mass or moment
// gets 0, never an infinity: the solvers then leave it where it is.
static void setInverses(std::istream& input, Body& body) {
    bool bolted = body.flags & boltedFlag;
    bool hasMass = std::isfinite(body.mass) && body.mass > 0.0f;
    bool hasMoment = std::isfinite(body.inertia) && body.inertia > 0.0f;
    body.invMass = hasMass ? 1.0f / body.mass : 0.0f;
    body.invInertia = hasMass && hasMoment ? 1.0f / body.inertia : 0.0f;
    if (!std::isfinite(body.invMass) || !std::isfinite(body.invInertia)) body.invMass = body.invInertia = 0.0f;
    if (bolted) return;
    if (!hasMass)
        reportReadProblemAtLine(input, body.origin.line, describe(body) + " has no shape with mass; it will not move");
    else if (!hasMoment)
        reportReadProblemAtLine(input, body.origin.line,
                                describe(body) + " has no moment of inertia; it will not move");
}

// How far the body reaches from its centre of mass: its shapes' circles
// and its anchors.
static float reachOf(const Body& body) {
    float reach = 0.0f;
    for (const Shape& shape : body.shapes)
        reach = std::max(reach, std::hypot(shape.localCentreX, shape.localCentreY) + shape.radius);
    for (const std::deque<Anchor>* anchors : {&body.sockets, &body.plugs})
        for (const Anchor& anchor : *anchors) reach = std::max(reach, std::hypot(anchor.localX, anchor.localY));
    return reach;
}

// "V" and "W" are refused together when some point of the body would start
// faster than the step's products allow.
static void boundStartSpeed(std::istream& input, Body& body) {
    float fastest = std::hypot(body.vx, body.vy) + std::fabs(body.omega) * reachOf(body);
    if (fastest <= maxStartSpeed) return;
    reportReadProblemAtLine(input, body.origin.line,
                            describe(body) + " would start with points moving at " + numberText(fastest) +
                                " units a frame, more than " + numberText(maxStartSpeed) + "; it starts at rest");
    body.vx = body.vy = 0.0f;
    body.omega = 0.0f;
}

static void finishBody(std::istream& input, Body& body, const Placement& container) {
    body.shapes.resize(body.shapeCount);
    body.shapes.shrink_to_fit();  // what "r" reserved and no shape filled
    recentre(body);
    boundStartSpeed(input, body);
    body.angle = 0.0f;
    // The container's translation, not the centre of mass: a root lands on
    // its model's translation, children are moved by the tree placement.
    body.x = container.tx;
    body.y = container.ty;
    setInverses(input, body);
    body.baseMass = body.mass;
    body.baseInertia = body.inertia;
    if (body.flags & boltedFlag) {
        body.vx = body.vy = 0.0f;
        body.omega = 0.0f;
        body.baseMass = body.mass;
        body.mass = -1.0f;
        body.invMass = 0.0f;
        body.inertia = -1.0f;
        body.invInertia = 0.0f;
    }
}

Body* constructBody(Model& model, std::istream& input, const std::string& prefix, const Placement& container) {
    // Checked before the block is read, so that no input can nest the
    // reader's calls deeper than the bound.
    long line = keyLineOf(input);
    BodyNesting nesting(input);
    if (!nesting.entered()) return nullptr;
    chargePart(input);
    // A model keeps one body past what a world holds: that one marks it as
    // too large to keep. Later bodies are still read, so the model's block
    // ends where it should and the file reads on, but they are not kept.
    bool kept = model.bodies.size() <= static_cast<size_t>(maxBodiesPerWorld);
    std::unique_ptr<Body> discarded;
    if (kept)
        model.bodies.push_back(std::make_unique<Body>());
    else
        discarded = std::make_unique<Body>();
    Body& body = kept ? *model.bodies.back() : *discarded;
    body.model = &model;
    body.origin = {sourceNameOf(input), line};
    body.placement = container;
    readBlock(input, prefix, {"a body block", &body.placement, '}', true, "psgtP"},
              [&](std::istream& in, const std::string& at, char key) { return readBodyKey(in, at, key, body); });
    finishBody(input, body, container);
    return kept ? &body : nullptr;
}
