// World and model blocks, and the finishing of a model: its joint tree is
// placed, gathered root first, given its current outline and committed.
#include <cmath>
#include <initializer_list>
#include <unordered_map>

#include "files/blocks.h"
#include "files/diagnostics.h"
#include "files/line_counting_buffer.h"
#include "files/reader_primitives.h"
#include "sim/globals.h"
#include "sim/motion.h"

void Body::placeTree() {
    Plug* plug = parentPlug < plugs.size() ? &plugs[parentPlug] : nullptr;
    Socket* socket = plug ? plug->partner : nullptr;
    if (socket != nullptr && socket->owner != nullptr) {
        const Body& parent = *socket->owner;
        float parentCos = std::cos(parent.angle), parentSin = std::sin(parent.angle);
        float ownCos = std::cos(angle), ownSin = std::sin(angle);
        x = parent.x + (parentCos * socket->localX - parentSin * socket->localY) -
            (ownCos * plug->localX - ownSin * plug->localY);
        y = parent.y + (parentSin * socket->localX + parentCos * socket->localY) -
            (ownSin * plug->localX + ownCos * plug->localY);
    }
    for (Socket& child : sockets)
        if (child.partner != nullptr) child.partner->owner->placeTree();
}

static void gatherTree(Body& body, std::vector<Body*>& order) {
    order.push_back(&body);
    for (Socket& socket : body.sockets)
        if (socket.partner != nullptr) gatherTree(*socket.partner->owner, order);
}

// `bodies` holds every body read for this model; it keeps the tree from
// `root` in pre-order and frees the rest (bodies that hang nowhere). Nothing
// in the tree points at a freed body: joints only lead to bodies gathered.
void Model::collectBodies(Body& root) {
    std::vector<Body*> order;
    gatherTree(root, order);
    std::unordered_map<Body*, size_t> slotOf;
    for (size_t i = 0; i < bodies.size(); ++i) slotOf[bodies[i].get()] = i;
    std::vector<std::unique_ptr<Body>> collected;
    collected.reserve(order.size());
    for (Body* body : order) collected.push_back(std::move(bodies[slotOf.at(body)]));
    bodies = std::move(collected);
}

void placeCurrentOutline(Body& body) {
    float cosine = std::cos(body.angle), sine = std::sin(body.angle);
    for (Shape& shape : body.shapes) {
        shape.curContours.resize(shape.contours.size());
        for (size_t i = 0; i < shape.contours.size(); ++i) {
            const Contour& local = shape.contours[i];
            Contour& current = shape.curContours[i];
            current.resize(local.size());
            for (size_t j = 0; j < local.size(); ++j)
                current[j] = {cosine * local[j].x - sine * local[j].y + body.x,
                              sine * local[j].x + cosine * local[j].y + body.y};
        }
    }
}

static bool allFinite(std::initializer_list<float> values) {
    for (float v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

static bool pointsFinite(const std::vector<Point>& points) {
    for (const Point& p : points)
        if (!allFinite({p.x, p.y})) return false;
    return true;
}

static bool bodyIsFinite(const Body& b) {
    if (!allFinite({b.x, b.y, b.vx, b.vy, b.omega, b.angle, b.mass, b.inertia, b.invMass, b.invInertia,
                    b.baseMass, b.baseInertia}))
        return false;
    for (const Shape& shape : b.shapes) {
        if (!allFinite({shape.centreX, shape.centreY, shape.localCentreX, shape.localCentreY, shape.radius}))
            return false;
        for (const Contour& contour : shape.contours)
            if (!pointsFinite(contour)) return false;
        for (const Contour& contour : shape.curContours)
            if (!pointsFinite(contour)) return false;
    }
    for (const std::deque<Anchor>* anchors : {&b.sockets, &b.plugs})
        for (const Anchor& a : *anchors)
            if (!allFinite({a.localX, a.localY, a.worldX, a.worldY})) return false;
    for (const auto& polygon : b.textures)
        if (!pointsFinite(polygon->points) || !pointsFinite(polygon->texCoords)) return false;
    return true;
}

// Every number the reader checked is finite, but sums of them need not be:
// a body far out plus a local offset far out can pass the float range.
static bool modelIsFinite(const Model& model) {
    for (const auto& body : model.bodies)
        if (!bodyIsFinite(*body)) return false;
    return true;
}

void Model::read(std::istream& input, std::string prefix, Placement& placement) {
    char key = 0;
    while (readKey(input, key)) {
        switch (key) {
        case 'P':
            if (Body* body = constructBody(*this, input, prefix, placement)) {
                if (body->parentPlug < body->plugs.size()) {
                    rootPlug = &body->plugs[body->parentPlug];
                    rootPlug->partner = &mount;
                } else {
                    reportReadProblem(input, "body without plug " + std::to_string(body->parentPlug) +
                                                 " cannot hang from its model; it is left out");
                }
            }
            break;
        case 'l': readText(input, label); break;
        case 'z':
        case 'x':
        case 'a': readPlacementKey(input, key, placement); break;
        case 'f':
            includeFile(input, prefix, [&](std::istream& included, const std::string& includedPrefix) {
                read(included, includedPrefix, placement);
            });
            break;
        case '/': skipComment(input); break;
        case '}': return;
        default: noteIgnoredKey(input, key, "a model block"); break;
        }
    }
}

static void finishModel(std::istream& input, Model& model) {
    Body& root = *model.rootPlug->owner;
    size_t bodiesRead = model.bodies.size();
    root.placeTree();
    model.collectBodies(root);
    size_t leftOut = bodiesRead - model.bodies.size();
    if (leftOut > 0)
        reportReadProblem(input, "left out " + std::to_string(leftOut) + (leftOut == 1 ? " body" : " bodies") +
                                     " of this model that hang nowhere");
    for (auto& body : model.bodies) {
        body->model = &model;
        placeCurrentOutline(*body);
    }
    commitTree(root);
}

std::unique_ptr<Model> constructModel(World& world, std::istream& input, const std::string& prefix) {
    auto model = std::make_unique<Model>();
    Placement placement = world.placement;
    model->read(input, prefix, placement);
    if (model->rootPlug == nullptr) {
        reportReadProblem(input, "model without a body that hangs from it; left out");
        return nullptr;
    }
    finishModel(input, *model);
    return model;
}

void World::read(std::istream& input, std::string prefix) {
    CountedInput counted(input, "<input>");
    std::istream& in = counted.stream();
    currentWorld = this;
    char key = 0;
    while (readKey(in, key)) {
        switch (key) {
        case 'M':
            if (auto model = constructModel(*this, in, prefix)) {
                // The commit moved bodies with an initial velocity; their
                // outlines follow from the local contours again.
                for (auto& body : model->bodies) placeCurrentOutline(*body);
                size_t total = static_cast<size_t>(bodyCount()) + model->bodies.size();
                if (!modelIsFinite(*model))
                    reportReadProblem(in, "model lies beyond the float range once placed; left out");
                else if (total > static_cast<size_t>(maxBodiesPerWorld))
                    reportReadProblem(in, "model would bring the world to " + std::to_string(total) +
                                              " bodies, more than " + std::to_string(maxBodiesPerWorld) +
                                              "; left out");
                else
                    models.push_back(std::move(model));
            }
            break;
        case 'l': readText(in, label); break;
        case 'z':
        case 'x':
        case 'a': readPlacementKey(in, key, placement); break;
        case 'f':
            includeFile(in, prefix, [&](std::istream& included, const std::string& includedPrefix) {
                read(included, includedPrefix);
            });
            break;
        case '/': skipComment(in); break;
        case '}': return;
        default: noteIgnoredKey(in, key, "a world block"); break;
        }
    }
}

std::unique_ptr<World> constructWorld(std::istream& input, const std::string& prefix) {
    auto world = std::make_unique<World>();
    currentWorld = world.get();
    world->read(input, prefix);
    return world;
}
