#include "app/state_dump.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <unordered_map>

#include "assets/textures.h"
#include "render/overlay_consoles.h"
#include "sim/globals.h"
#include "sim/random.h"

using json = nlohmann::ordered_json;

namespace {

struct BodyRef {
    int world = 0, model = 0, body = 0;
};

// Where every collected body sits, so pointers can be written as indices.
using BodyIndex = std::unordered_map<const Body*, BodyRef>;

// Every spring as [world, position in that world's springs].
using SpringIndex = std::unordered_map<const Spring*, json>;

SpringIndex indexSprings() {
    SpringIndex index;
    for (size_t w = 0; w < worlds.size(); ++w) {
        int position = 0;
        for (const Spring& spring : worlds[w]->springs) index[&spring] = json::array({w, position++});
    }
    return index;
}

// A spring end's springs, in the order they were made (a right press
// re-makes the cursor's springs in that order).
json endSpringsJson(const SpringEnd& end, const SpringIndex& springs) {
    json list = json::array();
    for (const Spring* spring : end.springs) {
        auto found = springs.find(spring);
        list.push_back(found == springs.end() ? json(nullptr) : found->second);
    }
    return list;
}

BodyIndex indexBodies() {
    BodyIndex index;
    for (size_t w = 0; w < worlds.size(); ++w) {
        const World& world = *worlds[w];
        for (size_t m = 0; m < world.models.size(); ++m) {
            const Model& model = *world.models[m];
            for (size_t b = 0; b < model.bodies.size(); ++b) {
                index[model.bodies[b].get()] = {static_cast<int>(w), static_cast<int>(m), static_cast<int>(b)};
            }
        }
    }
    return index;
}

json pointJson(const Point& p) { return json::array({floatJson(p.x), floatJson(p.y)}); }

json pointsJson(const std::vector<Point>& points) {
    json list = json::array();
    for (const Point& p : points) list.push_back(pointJson(p));
    return list;
}

json contoursJson(const ContourSet& contours) {
    json list = json::array();
    for (const Contour& contour : contours) list.push_back(pointsJson(contour));
    return list;
}

json floatsJson(const std::vector<float>& values) {
    json list = json::array();
    for (float value : values) list.push_back(floatJson(value));
    return list;
}

json placementJson(const Placement& p) {
    return {{"a", floatJson(p.a)}, {"b", floatJson(p.b)}, {"tx", floatJson(p.tx)},
            {"c", floatJson(p.c)}, {"d", floatJson(p.d)}, {"ty", floatJson(p.ty)}};
}

json trianglesJson(const std::vector<Triangle>& triangles) {
    json list = json::array();
    for (const Triangle& triangle : triangles) {
        json corners = json::array();
        for (const VertexRef& corner : triangle.corners) corners.push_back({corner.contour, corner.point});
        list.push_back(std::move(corners));
    }
    return list;
}

json reverseNormalsJson(const std::vector<uint8_t>& flags) {
    json list = json::array();
    for (uint8_t flag : flags) list.push_back(flag != 0);
    return list;
}

json shapeJson(const Shape& shape) {
    return {
        {"name", shape.name},
        {"contours", contoursJson(shape.contours)},
        {"triangles", trianglesJson(shape.triangles)},
        {"reverseNormals", reverseNormalsJson(shape.reverseNormals)},
        {"predContours", contoursJson(shape.predContours)},
        {"cornerVectors", contoursJson(shape.cornerVectors)},
        {"edgeNormals", contoursJson(shape.edgeNormals)},
        {"curContours", contoursJson(shape.curContours)},
        {"discRadii", floatsJson(shape.discRadii)},
        {"sweptRadius", floatJson(shape.sweptRadius)},
        {"radius", floatJson(shape.radius)},
        {"centreX", floatJson(shape.centreX)},
        {"centreY", floatJson(shape.centreY)},
        {"sweptX", floatJson(shape.sweptX)},
        {"sweptY", floatJson(shape.sweptY)},
        {"localCentreX", floatJson(shape.localCentreX)},
        {"localCentreY", floatJson(shape.localCentreY)},
        {"staticFriction", floatJson(shape.staticFriction)},
        {"kineticFriction", floatJson(shape.kineticFriction)},
        {"bounce", floatJson(shape.bounce)},
        {"collideMask", shape.collideMask},
        {"mass", floatJson(shape.mass)},
        {"area", floatJson(shape.area)},
        {"inertia", floatJson(shape.inertia)},
        {"centroidX", floatJson(shape.centroidX)},
        {"centroidY", floatJson(shape.centroidY)},
        {"colour",
         {{"red", floatJson(shape.colour.red)},
          {"green", floatJson(shape.colour.green)},
          {"blue", floatJson(shape.colour.blue)}}},
    };
}

// Position of `anchor` inside `anchors`, or -1.
int anchorPosition(const std::deque<Anchor>& anchors, const Anchor* anchor) {
    for (size_t i = 0; i < anchors.size(); ++i) {
        if (&anchors[i] == anchor) return static_cast<int>(i);
    }
    return -1;
}

// The other side of a joint: the model's mount, or an anchor of a body of
// the same model named by body index, kind and position.
json partnerJson(const Anchor* partner, const BodyIndex& index) {
    if (partner == nullptr) return nullptr;
    if (partner->owner == nullptr) return "mount";
    const Body& owner = *partner->owner;
    auto found = index.find(&owner);
    json body = found == index.end() ? json(nullptr) : json(found->second.body);
    int socket = anchorPosition(owner.sockets, partner);
    int plug = anchorPosition(owner.plugs, partner);
    json kind = socket >= 0 ? json("socket") : plug >= 0 ? json("plug") : json(nullptr);
    json position = socket >= 0 ? json(socket) : plug >= 0 ? json(plug) : json(nullptr);
    return {{"body", body}, {"kind", kind}, {"index", position}};
}

json anchorJson(const Anchor& anchor, bool isSocket, const BodyIndex& index) {
    json out = {
        {"name", anchor.name},
        {"localX", floatJson(anchor.localX)},
        {"localY", floatJson(anchor.localY)},
        {"worldX", floatJson(anchor.worldX)},
        {"worldY", floatJson(anchor.worldY)},
        {"predX", floatJson(anchor.predX)},
        {"predY", floatJson(anchor.predY)},
        {"partner", partnerJson(anchor.partner, index)},
    };
    if (isSocket) out["weight"] = floatJson(anchor.weight);
    return out;
}

json anchorsJson(const std::deque<Anchor>& anchors, bool isSocket, const BodyIndex& index) {
    json list = json::array();
    for (const Anchor& anchor : anchors) list.push_back(anchorJson(anchor, isSocket, index));
    return list;
}

json texturedPolygonJson(const TexturedPolygon& polygon) {
    const TextureRecord* texture = polygon.texture;
    return {
        {"path", texture ? json(texture->path) : json(nullptr)},
        {"textureWidth", texture ? json(texture->width) : json(nullptr)},
        {"textureHeight", texture ? json(texture->height) : json(nullptr)},
        {"texCoords", pointsJson(polygon.texCoords)},
        {"points", pointsJson(polygon.points)},
        {"placement", placementJson(polygon.placement)},
        {"awaitsTexture", polygon.awaitsTexture},
    };
}

json grabsJson(const Body& body, const SpringIndex& springs) {
    json list = json::array();
    for (const SpringEnd& grab : body.grabs)
        list.push_back({{"point", pointJson(grab.point)}, {"springs", endSpringsJson(grab, springs)}});
    return list;
}

json bodyJson(const Body& body, const BodyIndex& index, const SpringIndex& springs) {
    json shapes = json::array();
    for (const Shape& shape : body.shapes) shapes.push_back(shapeJson(shape));
    json textures = json::array();
    for (const auto& polygon : body.textures) textures.push_back(texturedPolygonJson(*polygon));
    return {
        {"name", body.name},
        {"x", floatJson(body.x)},
        {"y", floatJson(body.y)},
        {"vx", floatJson(body.vx)},
        {"vy", floatJson(body.vy)},
        {"ax", floatJson(body.ax)},
        {"ay", floatJson(body.ay)},
        {"px", floatJson(body.px)},
        {"py", floatJson(body.py)},
        {"omega", floatJson(body.omega)},
        {"angle", floatJson(body.angle)},
        {"alpha", floatJson(body.alpha)},
        {"cosTurn", floatJson(body.cosTurn)},
        {"sinTurn", floatJson(body.sinTurn)},
        {"inertia", floatJson(body.inertia)},
        {"mass", floatJson(body.mass)},
        {"baseInertia", floatJson(body.baseInertia)},
        {"baseMass", floatJson(body.baseMass)},
        {"invInertia", floatJson(body.invInertia)},
        {"invMass", floatJson(body.invMass)},
        {"flags", body.flags},
        {"placement", placementJson(body.placement)},
        {"shapeCount", body.shapeCount},
        {"parentPlug", body.parentPlug},
        {"nextSocket", body.nextSocket},
        {"serial", body.serial},
        {"shapes", std::move(shapes)},
        {"sockets", anchorsJson(body.sockets, true, index)},
        {"plugs", anchorsJson(body.plugs, false, index)},
        {"textures", std::move(textures)},
        {"grabs", grabsJson(body, springs)},
    };
}

json rootPlugJson(const Model& model, const BodyIndex& index) {
    if (model.rootPlug == nullptr || model.rootPlug->owner == nullptr) return nullptr;
    const Body& root = *model.rootPlug->owner;
    auto found = index.find(&root);
    return {{"body", found == index.end() ? json(nullptr) : json(found->second.body)},
            {"index", anchorPosition(root.plugs, model.rootPlug)}};
}

json modelJson(const Model& model, const BodyIndex& index, const SpringIndex& springs) {
    json bodies = json::array();
    for (const auto& body : model.bodies) bodies.push_back(bodyJson(*body, index, springs));
    return {
        {"label", model.label},
        {"name", model.name},
        {"box",
         {{"minX", floatJson(model.minX)},
          {"minY", floatJson(model.minY)},
          {"maxX", floatJson(model.maxX)},
          {"maxY", floatJson(model.maxY)}}},
        {"rootPlug", rootPlugJson(model, index)},
        {"bodies", std::move(bodies)},
    };
}

// A spring end: the cursor end of a world, or a grab end on a body. Both
// ends of a spring may be the same grab end, and one grab end may hold
// several springs, so an end is named, not copied.
// Each grab end of a world by its place among its body's grab ends.
using GrabIndex = std::unordered_map<const SpringEnd*, int>;

GrabIndex indexGrabs(const World& world) {
    GrabIndex index;
    for (const auto& model : world.models) {
        for (const auto& body : model->bodies) {
            int position = 0;
            for (const SpringEnd& grab : body->grabs) index[&grab] = position++;
        }
    }
    return index;
}

json springEndJson(const SpringEnd* end, const BodyIndex& index, const GrabIndex& grabs) {
    if (end == nullptr) return nullptr;
    if (end->body == nullptr) {
        for (size_t w = 0; w < worlds.size(); ++w)
            if (end == &worlds[w]->cursorEnd) return {{"cursor", w}};
        return nullptr;
    }
    auto found = index.find(end->body);
    if (found == index.end()) return nullptr;
    auto place = grabs.find(end);
    int grab = place == grabs.end() ? static_cast<int>(end->body->grabs.size()) : place->second;
    return {
        {"world", found->second.world}, {"model", found->second.model}, {"body", found->second.body}, {"grab", grab}};
}

json springJson(const Spring& spring, const BodyIndex& index, const GrabIndex& grabs) {
    return {
        {"stiffness", floatJson(spring.stiffness)},
        {"endA", springEndJson(spring.endA, index, grabs)},
        {"endB", springEndJson(spring.endB, index, grabs)},
    };
}

// The entries a step has touched, as [first serial, second serial, stamp,
// hits]; every other entry is zero.
json contactMemoryJson(const World& world) {
    json list = json::array();
    for (size_t i = 0; i < world.contactMemory.size(); ++i) {
        const PairMemory& entry = world.contactMemory[i];
        if (entry.stamp == 0 && entry.hits == 0) continue;
        list.push_back({i / maxBodiesPerWorld, i % maxBodiesPerWorld, entry.stamp, entry.hits});
    }
    return list;
}

json worldJson(const World& world, const BodyIndex& index, const SpringIndex& springIndex) {
    json springs = json::array();
    GrabIndex grabs = indexGrabs(world);
    for (const Spring& spring : world.springs) springs.push_back(springJson(spring, index, grabs));
    json models = json::array();
    for (const auto& model : world.models) models.push_back(modelJson(*model, index, springIndex));
    return {
        {"label", world.label},
        {"stepCount", world.stepCount},
        {"placement", placementJson(world.placement)},
        {"cursorEnd",
         {{"point", pointJson(world.cursorEnd.point)}, {"springs", endSpringsJson(world.cursorEnd, springIndex)}}},
        {"springs", std::move(springs)},
        {"models", std::move(models)},
        {"contactMemory", contactMemoryJson(world)},
    };
}

json consolesJson() {
    json consoles = json::object();
    for (int number = firstConsole; number <= lastConsole; ++number) {
        consoles[std::to_string(number)] = overlayConsoles[static_cast<size_t>(number - firstConsole)];
    }
    return consoles;
}

json currentWorldJson() {
    for (size_t w = 0; w < worlds.size(); ++w) {
        if (worlds[w].get() == stepContext.currentWorld) return static_cast<int>(w);
    }
    return nullptr;
}

}  // namespace

json floatJson(float value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    // Nine significant digits name one float; the double parsed from them
    // prints back as the same digits, and reads back to the same float.
    char text[32];
    auto printed = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9);
    double nearest = 0.0;
    std::from_chars(text, printed.ptr, nearest);
    return nearest;
}

json stateJson() {
    BodyIndex index = indexBodies();
    SpringIndex springs = indexSprings();
    json worldList = json::array();
    for (const auto& world : worlds) worldList.push_back(worldJson(*world, index, springs));
    return {
        {"version", stateFormatVersion},
        {"timeScale", floatJson(timeScale)},
        {"stepTime", floatJson(stepContext.stepTime)},
        {"passCount", stepContext.passCount},
        {"settled", stepContext.settled},
        {"bodySerial", stepContext.bodySerial},
        {"random", randomState()},
        {"currentWorld", currentWorldJson()},
        {"consoles", consolesJson()},
        {"worlds", std::move(worldList)},
    };
}

void writeStateJson(std::ostream& out, const json& state) {
    out << state.dump(1, ' ', false, json::error_handler_t::replace) << '\n';
}

bool writeStateDump(const std::string& path) {
    std::ofstream out(path);
    if (!out) return false;
    writeStateJson(out, stateJson());
    out.close();
    return !out.fail();
}
