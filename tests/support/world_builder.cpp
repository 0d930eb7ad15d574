#include "support/world_builder.h"

#include <cmath>
#include <initializer_list>

#include "sim/globals.h"
#include "sim/trig.h"

std::unique_ptr<Body> makeBox(float width, float height, float x, float y, float density) {
    auto body = std::make_unique<Body>();
    Shape shape;
    float hw = width / 2, hh = height / 2;
    shape.contours = {{{-hw, -hh}, {hw, -hh}, {hw, hh}, {-hw, hh}}};
    shape.reverseNormals = {1};  // counter-clockwise outline
    shape.discRadii = {0.0f};
    shape.area = width * height;
    shape.mass = shape.area * density;
    shape.inertia = shape.mass * (width * width + height * height) / 12.0f;
    shape.radius = std::sqrt(hw * hw + hh * hh);
    shape.predContours = shape.curContours = shape.cornerVectors = shape.edgeNormals = shape.contours;
    body->shapes.push_back(shape);
    body->shapeCount = 1;
    body->mass = body->baseMass = shape.mass;
    body->inertia = body->baseInertia = shape.inertia;
    body->invMass = 1.0f / body->mass;
    body->invInertia = 1.0f / body->inertia;
    body->x = x;
    body->y = y;
    Plug plug;
    plug.owner = body.get();
    body->plugs.push_back(plug);
    placeBody(*body);
    return body;
}

void makeBolted(Body& body) {
    body.flags |= boltedFlag;
    body.vx = body.vy = body.omega = 0.0f;
    body.mass = body.inertia = -1.0f;
    body.invMass = body.invInertia = 0.0f;
}

Model& addModel(World& world, std::unique_ptr<Body> root) {
    auto model = std::make_unique<Model>();
    root->model = model.get();
    root->parentPlug = 0;
    root->plugs[0].partner = &model->mount;
    model->rootPlug = &root->plugs[0];
    model->bodies.push_back(std::move(root));
    world.models.push_back(std::move(model));
    return *world.models.back();
}

Body& attachChild(Model& model, Body& parent, Point parentLocal, std::unique_ptr<Body> child, Point childLocal) {
    Socket socket;
    socket.localX = parentLocal.x;
    socket.localY = parentLocal.y;
    socket.owner = &parent;
    parent.sockets.push_back(socket);
    Plug plug;
    plug.localX = childLocal.x;
    plug.localY = childLocal.y;
    plug.owner = child.get();
    child->plugs.push_back(plug);
    child->parentPlug = static_cast<uint32_t>(child->plugs.size() - 1);
    parent.sockets.back().partner = &child->plugs.back();
    child->plugs.back().partner = &parent.sockets.back();
    child->model = &model;
    placeBody(parent);
    placeBody(*child);
    model.bodies.push_back(std::move(child));
    return *model.bodies.back();
}

void placeBody(Body& body) {
    float c = cosOf(body.angle), s = sinOf(body.angle);
    auto place = [&](Point p) { return Point{c * p.x - s * p.y + body.x, s * p.x + c * p.y + body.y}; };
    for (Shape& shape : body.shapes) {
        for (size_t i = 0; i < shape.contours.size(); ++i)
            for (size_t j = 0; j < shape.contours[i].size(); ++j) shape.curContours[i][j] = place(shape.contours[i][j]);
        shape.predContours = shape.curContours;
        Point centre = place({shape.localCentreX, shape.localCentreY});
        shape.centreX = centre.x;
        shape.centreY = centre.y;
    }
    for (auto* anchors : {&body.sockets, &body.plugs})
        for (Anchor& anchor : *anchors) {
            Point p = place({anchor.localX, anchor.localY});
            anchor.worldX = anchor.predX = p.x;
            anchor.worldY = anchor.predY = p.y;
        }
}

World& addWorld() {
    worlds.push_back(std::make_unique<World>());
    return *worlds.back();
}

static bool contoursFinite(const ContourSet& contours) {
    for (const Contour& contour : contours)
        for (const Point& p : contour)
            if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    return true;
}

static bool allFinite(std::initializer_list<float> values) {
    for (float v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

bool worldIsFinite(const World& world) {
    for (const auto& model : world.models)
        for (const auto& body : model->bodies) {
            for (float v : {body->x, body->y, body->vx, body->vy, body->omega, body->angle, body->ax, body->ay})
                if (!std::isfinite(v)) return false;
            for (const Shape& shape : body->shapes)
                if (!contoursFinite(shape.curContours)) return false;
        }
    return true;
}

bool everyNumberFinite(const World& world) {
    for (const auto& model : world.models) {
        if (!allFinite({model->minX, model->minY, model->maxX, model->maxY})) return false;
        for (const auto& body : model->bodies) {
            const Body& b = *body;
            if (!allFinite({b.x, b.y, b.vx, b.vy, b.omega, b.angle, b.ax, b.ay, b.alpha, b.px, b.py, b.cosTurn,
                            b.sinTurn, b.mass, b.inertia, b.invMass, b.invInertia}))
                return false;
            for (const Shape& shape : b.shapes) {
                if (!allFinite(
                        {shape.sweptRadius, shape.sweptX, shape.sweptY, shape.centreX, shape.centreY, shape.radius}))
                    return false;
                for (const ContourSet* set : {&shape.contours, &shape.curContours, &shape.predContours,
                                              &shape.cornerVectors, &shape.edgeNormals})
                    if (!contoursFinite(*set)) return false;
            }
            for (const std::deque<Anchor>* anchors : {&b.sockets, &b.plugs})
                for (const Anchor& a : *anchors)
                    if (!allFinite({a.localX, a.localY, a.worldX, a.worldY, a.predX, a.predY})) return false;
        }
    }
    return true;
}
