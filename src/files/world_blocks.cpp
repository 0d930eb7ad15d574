// World and model blocks, and the finishing of a model: its joint tree is
// placed, gathered root first, given its current outline and committed.
#include <cmath>
#include <initializer_list>
#include <unordered_map>

#include "files/block_reader.h"
#include "files/blocks.h"
#include "files/diagnostics.h"
#include "files/line_counting_buffer.h"
#include "files/read_budget.h"
#include "files/reader_primitives.h"
#include "files/start_overlaps.h"
#include "files/value_ranges.h"
#include "sim/body_frame.h"
#include "sim/globals.h"
#include "sim/motion.h"

// Every body of the tree from `body` moved so that its plug meets its
// parent's socket, parents first.
static void placeTree(Body& body) {
    Plug* plug = body.parentPlug < body.plugs.size() ? &body.plugs[body.parentPlug] : nullptr;
    Socket* socket = plug ? plug->partner : nullptr;
    if (socket != nullptr && socket->owner != nullptr) {
        const Body& parent = *socket->owner;
        Point socketOffset = BodyFrame(parent).turned(socket->localX, socket->localY);
        Point plugOffset = BodyFrame(body).turned(plug->localX, plug->localY);
        body.x = parent.x + socketOffset.x - plugOffset.x;
        body.y = parent.y + socketOffset.y - plugOffset.y;
    }
    for (Socket& child : body.sockets)
        if (child.partner != nullptr) placeTree(*child.partner->owner);
}

static void gatherTree(Body& body, std::vector<Body*>& order) {
    order.push_back(&body);
    for (Socket& socket : body.sockets)
        if (socket.partner != nullptr) gatherTree(*socket.partner->owner, order);
}

// `bodies` holds every body read for this model; it keeps the tree from
// `root` in pre-order and frees the rest (bodies that hang nowhere). Nothing
// in the tree points at a freed body: joints only lead to bodies gathered.
static void collectBodies(Model& model, Body& root) {
    std::vector<Body*> order;
    gatherTree(root, order);
    std::unordered_map<Body*, size_t> slotOf;
    for (size_t i = 0; i < model.bodies.size(); ++i) slotOf[model.bodies[i].get()] = i;
    std::vector<std::unique_ptr<Body>> collected;
    collected.reserve(order.size());
    for (Body* body : order) collected.push_back(std::move(model.bodies[slotOf.at(body)]));
    model.bodies = std::move(collected);
}

void placeCurrentOutline(Body& body) {
    BodyFrame frame(body);
    for (Shape& shape : body.shapes) {
        shape.curContours.resize(shape.contours.size());
        for (size_t i = 0; i < shape.contours.size(); ++i) {
            const Contour& local = shape.contours[i];
            Contour& current = shape.curContours[i];
            current.resize(local.size());
            for (size_t j = 0; j < local.size(); ++j) current[j] = frame.toWorld(local[j].x, local[j].y);
        }
    }
}

static bool allFinite(std::initializer_list<float> values) {
    for (float v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

// Coordinates within the range the step's products allow (false for NaN).
static bool allWithinRange(std::initializer_list<float> coordinates) {
    for (float v : coordinates)
        if (!(std::fabs(v) <= maxCoordinate)) return false;
    return true;
}

static bool pointsWithinRange(const std::vector<Point>& points) {
    for (const Point& p : points)
        if (!allWithinRange({p.x, p.y})) return false;
    return true;
}

static bool pointsFinite(const std::vector<Point>& points) {
    for (const Point& p : points)
        if (!allFinite({p.x, p.y})) return false;
    return true;
}

static bool bodyIsWithinRange(const Body& b) {
    if (!allFinite(
            {b.vx, b.vy, b.omega, b.angle, b.mass, b.inertia, b.invMass, b.invInertia, b.baseMass, b.baseInertia}))
        return false;
    if (!allWithinRange({b.x, b.y})) return false;
    for (const Shape& shape : b.shapes) {
        if (!allWithinRange({shape.centreX, shape.centreY, shape.localCentreX, shape.localCentreY, shape.radius}))
            return false;
        for (const Contour& contour : shape.contours)
            if (!pointsWithinRange(contour)) return false;
        for (const Contour& contour : shape.curContours)
            if (!pointsWithinRange(contour)) return false;
    }
    for (const std::deque<Anchor>* anchors : {&b.sockets, &b.plugs})
        for (const Anchor& a : *anchors)
            if (!allWithinRange({a.localX, a.localY, a.worldX, a.worldY})) return false;
    for (const auto& polygon : b.textures)
        if (!pointsWithinRange(polygon->points) || !pointsFinite(polygon->texCoords)) return false;
    return true;
}

// Every point the reader took lies within the coordinate range, but sums
// of them need not: a body far out plus a local offset far out can pass it.
static bool modelIsWithinRange(const Model& model) {
    for (const auto& body : model.bodies)
        if (!bodyIsWithinRange(*body)) return false;
    return true;
}

// A root "P": the body hangs from the model's mount by its parentPlug; a
// later root takes the place of an earlier one.
static void readRootBody(Model& model, std::istream& input, const std::string& prefix, const Placement& placement) {
    long line = keyLineOf(input);
    Body* body = constructBody(model, input, prefix, placement);
    if (body == nullptr) return;
    if (body->parentPlug >= body->plugs.size()) {
        reportReadProblemAtLine(
            input, line,
            "body without plug " + std::to_string(body->parentPlug) + " cannot hang from its model; it is left out");
        return;
    }
    model.rootPlug = &body->plugs[body->parentPlug];
    model.rootPlug->partner = &model.mount;
}

// The keys of a model block, with the model's own copy of the world placement.
static void readModel(Model& model, std::istream& input, const std::string& prefix, Placement& placement) {
    readBlock(input, prefix, {"a model block", &placement, '}', true, "P"},
              [&](std::istream& in, const std::string& at, char key) {
                  switch (key) {
                      case 'P':
                          readRootBody(model, in, at, placement);
                          return true;
                      case 'l':
                          readText(in, model.label);
                          return true;
                      default:
                          return false;
                  }
              });
}

static void finishModel(std::istream& input, long line, Model& model) {
    Body& root = *model.rootPlug->owner;
    size_t bodiesRead = model.bodies.size();
    placeTree(root);
    collectBodies(model, root);
    size_t leftOut = bodiesRead - model.bodies.size();
    if (leftOut > 0)
        reportReadProblemAtLine(input, line,
                                "left out " + std::to_string(leftOut) + (leftOut == 1 ? " body" : " bodies") +
                                    " of this model that hang nowhere");
    for (auto& body : model.bodies) {
        body->model = &model;
        placeCurrentOutline(*body);
    }
    commitTree(root, stepContext);
}

std::unique_ptr<Model> constructModel(World& world, std::istream& input, const std::string& prefix) {
    long line = keyLineOf(input);
    chargePart(input);
    auto model = std::make_unique<Model>();
    Placement placement = world.placement;
    readModel(*model, input, prefix, placement);
    if (model->bodies.size() > static_cast<size_t>(maxBodiesPerWorld)) {
        reportReadProblemAtLine(
            input, line,
            "model has more than " + std::to_string(maxBodiesPerWorld) + " bodies, more than a world holds; left out");
        return nullptr;
    }
    if (model->rootPlug == nullptr) {
        reportReadProblemAtLine(input, line, "model without a body that hangs from it; left out");
        return nullptr;
    }
    finishModel(input, line, *model);
    model->origin = {sourceNameOf(input), line};
    return model;
}

// A model joins the world when it lies within the coordinate range once
// placed and the world has room for its bodies; otherwise it is left out
// with a note.
static void addModel(World& world, std::istream& input, std::unique_ptr<Model> model) {
    long line = model->origin.line;
    // The commit moved bodies with an initial velocity; their outlines
    // follow from the local contours again.
    for (auto& body : model->bodies) placeCurrentOutline(*body);
    size_t total = static_cast<size_t>(world.bodyCount()) + model->bodies.size();
    if (!modelIsWithinRange(*model))
        reportReadProblemAtLine(input, line,
                                "model lies beyond ±" + numberText(maxCoordinate) + " once placed; left out");
    else if (total > static_cast<size_t>(maxBodiesPerWorld))
        reportReadProblemAtLine(input, line,
                                "model would bring the world to " + std::to_string(total) + " bodies, more than " +
                                    std::to_string(maxBodiesPerWorld) + "; left out");
    else {
        world.models.push_back(std::move(model));
        noteStartOverlaps(input, world, *world.models.back());
    }
}

// `whole`: the block with its "}" (a "W" in a file); otherwise its inside
// alone (a dropped file).
static void readWorldBlock(World& world, std::istream& input, const std::string& prefix, bool whole) {
    CountedInput counted(input, "<input>");
    stepContext.currentWorld = &world;
    BlockSyntax syntax{"a world block", &world.placement, '}', true, "M"};
    syntax.needsClosing = whole;
    readBlock(counted.stream(), prefix, syntax, [&](std::istream& in, const std::string& at, char key) {
        switch (key) {
            case 'M':
                if (auto model = constructModel(world, in, at)) addModel(world, in, std::move(model));
                return true;
            case 'l':
                readText(in, world.label);
                return true;
            default:
                return false;
        }
    });
}

void readWorld(World& world, std::istream& input, const std::string& prefix) {
    readWorldBlock(world, input, prefix, false);
}

std::unique_ptr<World> constructWorld(std::istream& input, const std::string& prefix) {
    auto world = std::make_unique<World>();
    stepContext.currentWorld = world.get();
    readWorldBlock(*world, input, prefix, true);
    return world;
}
