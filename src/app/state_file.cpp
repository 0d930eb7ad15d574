#include "app/state_file.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "app/state_dump.h"
#include "assets/textures.h"
#include "render/overlay_consoles.h"
#include "sim/globals.h"
#include "sim/random.h"

using json = nlohmann::json;

namespace {

// Thrown at the first thing wrong; the load as a whole is then refused.
struct Refusal {
    std::string what;
};

// A JSON value and where it sits in the document, for the messages.
struct Node {
    const json& value;
    std::string path;

    [[noreturn]] void refuse(const std::string& what) const { throw Refusal{path + ": " + what}; }

    Node field(const char* key) const {
        if (!value.is_object()) refuse("not an object");
        std::string fieldPath = path.empty() ? std::string(key) : path + "." + key;
        auto found = value.find(key);
        if (found == value.end()) throw Refusal{fieldPath + ": missing"};
        return Node{*found, std::move(fieldPath)};
    }
    Node at(size_t index) const { return Node{value[index], path + "[" + std::to_string(index) + "]"}; }
    size_t size() const {
        if (!value.is_array()) refuse("not an array");
        return value.size();
    }
    bool isNull() const { return value.is_null(); }

    int64_t integer(int64_t lowest, int64_t highest) const {
        if (!value.is_number_integer()) refuse("not a whole number");
        if (value.is_number_unsigned() && value.get<uint64_t>() > static_cast<uint64_t>(highest))
            refuse("out of range");
        int64_t number = value.get<int64_t>();
        if (number < lowest || number > highest) refuse("out of range");
        return number;
    }
    size_t index(size_t count) const {
        if (count == 0) refuse("refers to nothing (there is none)");
        return static_cast<size_t>(integer(0, static_cast<int64_t>(count) - 1));
    }
    uint32_t unsigned32() const { return static_cast<uint32_t>(integer(0, std::numeric_limits<uint32_t>::max())); }
    int32_t signed32() const {
        return static_cast<int32_t>(integer(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    }
    bool boolean() const {
        if (!value.is_boolean()) refuse("not true or false");
        return value.get<bool>();
    }
    std::string text() const {
        if (!value.is_string()) refuse("not a text");
        return value.get<std::string>();
    }
    float number() const;
};

// The float a number names. The conversion is done on the bits where the
// float is subnormal: under flush-to-zero the processor's conversion would
// give 0 for a value the file holds exactly.
float floatFromDouble(double value) {
    if (value == 0.0 || std::fabs(value) >= static_cast<double>(FLT_MIN)) return static_cast<float>(value);
    // Units of the smallest subnormal, 2^-149; 2^23 of them is FLT_MIN.
    auto units = static_cast<uint32_t>(std::llround(std::fabs(value) * 0x1p149));
    uint32_t bits = units | (value < 0.0 ? 0x80000000u : 0u);
    float result = 0.0f;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}

float Node::number() const {
    if (!value.is_number()) refuse("not a finite number");
    float result = floatFromDouble(value.get<double>());
    if (!std::isfinite(result)) refuse("not a finite number");
    return result;
}

Point readPoint(const Node& node) {
    if (node.size() != 2) node.refuse("not a point [x, y]");
    return Point{node.at(0).number(), node.at(1).number()};
}

std::vector<Point> readPoints(const Node& node) {
    std::vector<Point> points(node.size());
    for (size_t i = 0; i < points.size(); ++i) points[i] = readPoint(node.at(i));
    return points;
}

ContourSet readContours(const Node& node) {
    ContourSet contours(node.size());
    for (size_t i = 0; i < contours.size(); ++i) {
        contours[i] = readPoints(node.at(i));
        if (contours[i].empty()) node.at(i).refuse("a contour without points");
    }
    return contours;
}

// A contour set that must have the counts of the local outline.
ContourSet readMatchingContours(const Node& node, const ContourSet& outline) {
    ContourSet contours = readContours(node);
    bool same = contours.size() == outline.size();
    for (size_t i = 0; same && i < contours.size(); ++i) same = contours[i].size() == outline[i].size();
    if (!same) node.refuse("counts differ from \"contours\"");
    return contours;
}

Placement readPlacement(const Node& node) {
    return Placement{node.field("a").number(), node.field("b").number(), node.field("tx").number(),
                     node.field("c").number(), node.field("d").number(), node.field("ty").number()};
}

std::vector<Triangle> readTriangles(const Node& node, const ContourSet& outline) {
    std::vector<Triangle> triangles(node.size());
    for (size_t t = 0; t < triangles.size(); ++t) {
        Node corners = node.at(t);
        if (corners.size() != 3) corners.refuse("not three corners");
        for (size_t k = 0; k < 3; ++k) {
            Node corner = corners.at(k);
            if (corner.size() != 2) corner.refuse("not a corner [contour, point]");
            size_t contour = corner.at(0).index(outline.size());
            size_t point = corner.at(1).index(outline[contour].size());
            triangles[t].corners[k] = VertexRef{static_cast<uint32_t>(contour), static_cast<uint32_t>(point)};
        }
    }
    return triangles;
}

void readShape(const Node& node, Shape& shape) {
    shape.name = node.field("name").text();
    shape.contours = readContours(node.field("contours"));
    shape.triangles = readTriangles(node.field("triangles"), shape.contours);
    Node reverse = node.field("reverseNormals");
    if (reverse.size() != shape.contours.size()) reverse.refuse("not one flag per contour");
    for (size_t i = 0; i < reverse.size(); ++i) shape.reverseNormals.push_back(reverse.at(i).boolean() ? 1 : 0);
    shape.predContours = readMatchingContours(node.field("predContours"), shape.contours);
    shape.cornerVectors = readMatchingContours(node.field("cornerVectors"), shape.contours);
    shape.edgeNormals = readMatchingContours(node.field("edgeNormals"), shape.contours);
    shape.curContours = readMatchingContours(node.field("curContours"), shape.contours);
    Node discs = node.field("discRadii");
    if (discs.size() > shape.contours.size()) discs.refuse("more radii than contours");
    for (size_t i = 0; i < discs.size(); ++i) shape.discRadii.push_back(discs.at(i).number());
    shape.sweptRadius = node.field("sweptRadius").number();
    shape.radius = node.field("radius").number();
    shape.centreX = node.field("centreX").number();
    shape.centreY = node.field("centreY").number();
    shape.sweptX = node.field("sweptX").number();
    shape.sweptY = node.field("sweptY").number();
    shape.localCentreX = node.field("localCentreX").number();
    shape.localCentreY = node.field("localCentreY").number();
    shape.staticFriction = node.field("staticFriction").number();
    shape.kineticFriction = node.field("kineticFriction").number();
    shape.bounce = node.field("bounce").number();
    shape.collideMask = node.field("collideMask").unsigned32();
    shape.mass = node.field("mass").number();
    shape.area = node.field("area").number();
    shape.inertia = node.field("inertia").number();
    shape.centroidX = node.field("centroidX").number();
    shape.centroidY = node.field("centroidY").number();
    Node colour = node.field("colour");
    shape.colour = Colour{colour.field("red").number(), colour.field("green").number(), colour.field("blue").number()};
}

void readAnchor(const Node& node, Anchor& anchor, Body& owner, bool isSocket) {
    anchor.name = node.field("name").text();
    anchor.localX = node.field("localX").number();
    anchor.localY = node.field("localY").number();
    anchor.worldX = node.field("worldX").number();
    anchor.worldY = node.field("worldY").number();
    anchor.predX = node.field("predX").number();
    anchor.predY = node.field("predY").number();
    anchor.owner = &owner;
    if (isSocket) anchor.weight = node.field("weight").number();
}

void readTexturedPolygon(const Node& node, TexturedPolygon& polygon) {
    Node path = node.field("path");
    // The picture is asked for again by the name it was first asked for.
    if (!path.isNull()) polygon.texture = acquireTexture(path.text());
    polygon.texCoords = readPoints(node.field("texCoords"));
    polygon.points = readPoints(node.field("points"));
    if (polygon.texCoords.size() != polygon.points.size()) node.refuse("not one texture point per point");
    polygon.placement = readPlacement(node.field("placement"));
    polygon.awaitsTexture = node.field("awaitsTexture").boolean();
}

void readBody(const Node& node, Body& body) {
    body.name = node.field("name").text();
    body.x = node.field("x").number();
    body.y = node.field("y").number();
    body.vx = node.field("vx").number();
    body.vy = node.field("vy").number();
    body.ax = node.field("ax").number();
    body.ay = node.field("ay").number();
    body.px = node.field("px").number();
    body.py = node.field("py").number();
    body.omega = node.field("omega").number();
    body.angle = node.field("angle").number();
    body.alpha = node.field("alpha").number();
    body.cosTurn = node.field("cosTurn").number();
    body.sinTurn = node.field("sinTurn").number();
    body.inertia = node.field("inertia").number();
    body.mass = node.field("mass").number();
    body.baseInertia = node.field("baseInertia").number();
    body.baseMass = node.field("baseMass").number();
    body.invInertia = node.field("invInertia").number();
    body.invMass = node.field("invMass").number();
    body.flags = static_cast<uint8_t>(node.field("flags").integer(0, 255));
    body.placement = readPlacement(node.field("placement"));
    body.shapeCount = node.field("shapeCount").unsigned32();
    body.parentPlug = node.field("parentPlug").unsigned32();
    body.nextSocket = node.field("nextSocket").unsigned32();
    // The serial indexes the contact memory; a body outside every tree
    // keeps the one it has.
    body.serial = static_cast<int32_t>(node.field("serial").integer(0, maxBodiesPerWorld - 1));
    Node shapes = node.field("shapes");
    body.shapes.resize(shapes.size());
    for (size_t i = 0; i < body.shapes.size(); ++i) readShape(shapes.at(i), body.shapes[i]);
    Node sockets = node.field("sockets");
    body.sockets.resize(sockets.size());
    for (size_t i = 0; i < body.sockets.size(); ++i) readAnchor(sockets.at(i), body.sockets[i], body, true);
    Node plugs = node.field("plugs");
    body.plugs.resize(plugs.size());
    for (size_t i = 0; i < body.plugs.size(); ++i) readAnchor(plugs.at(i), body.plugs[i], body, false);
    Node textures = node.field("textures");
    for (size_t i = 0; i < textures.size(); ++i) {
        body.textures.push_back(std::make_unique<TexturedPolygon>());
        readTexturedPolygon(textures.at(i), *body.textures.back());
    }
    Node grabs = node.field("grabs");
    for (size_t i = 0; i < grabs.size(); ++i)
        body.grabs.push_back(SpringEnd{&body, readPoint(grabs.at(i).field("point")), {}});
}

// A joint partner: the mount (plugs only) or an anchor of the other kind on
// a body of the same model.
Anchor* readPartner(const Node& node, Model& model, bool isSocket) {
    if (node.isNull()) return nullptr;
    if (node.value.is_string()) {
        if (node.text() != "mount" || isSocket) node.refuse("not a partner");
        return &model.mount;
    }
    Body& body = *model.bodies[node.field("body").index(model.bodies.size())];
    std::string kind = node.field("kind").text();
    if (kind != (isSocket ? "plug" : "socket")) node.field("kind").refuse("a joint joins a socket and a plug");
    std::deque<Anchor>& anchors = isSocket ? body.plugs : body.sockets;
    return &anchors[node.field("index").index(anchors.size())];
}

// The joints must form trees: the step and the drawing walk them from
// the roots down, and a loop would never end. Partners are checked both
// ways, each body hangs from one socket at most, and every body is reached
// from a body that hangs from none.
void checkJoints(const Node& node, const Model& model) {
    std::unordered_map<const Body*, int> parents;
    for (const auto& body : model.bodies) {
        for (const Anchor& socket : body->sockets) {
            if (socket.partner == nullptr) continue;
            if (socket.partner->partner != &socket) node.refuse("a joint partnered one way only");
            parents[socket.partner->owner] += 1;
        }
        for (const Anchor& plug : body->plugs)
            if (plug.partner && plug.partner != &model.mount && plug.partner->partner != &plug)
                node.refuse("a joint partnered one way only");
    }
    std::vector<const Body*> waiting;
    for (const auto& body : model.bodies) {
        int count = parents[body.get()];
        if (count > 1) node.refuse("a body hangs from two sockets");
        if (count == 0) waiting.push_back(body.get());
    }
    size_t reached = 0;
    while (!waiting.empty()) {
        const Body* body = waiting.back();
        waiting.pop_back();
        reached += 1;
        for (const Anchor& socket : body->sockets)
            if (socket.partner) waiting.push_back(socket.partner->owner);
    }
    if (reached != model.bodies.size()) node.refuse("the joints form a loop");
}

void readModel(const Node& node, Model& model) {
    model.label = node.field("label").text();
    model.name = node.field("name").text();
    Node box = node.field("box");
    model.minX = box.field("minX").number();
    model.minY = box.field("minY").number();
    model.maxX = box.field("maxX").number();
    model.maxY = box.field("maxY").number();
    Node bodies = node.field("bodies");
    for (size_t i = 0; i < bodies.size(); ++i) {
        model.bodies.push_back(std::make_unique<Body>());
        model.bodies.back()->model = &model;
        readBody(bodies.at(i), *model.bodies.back());
    }
    for (size_t i = 0; i < bodies.size(); ++i) {
        Body& body = *model.bodies[i];
        Node socketsNode = bodies.at(i).field("sockets");
        for (size_t k = 0; k < body.sockets.size(); ++k)
            body.sockets[k].partner = readPartner(socketsNode.at(k).field("partner"), model, true);
        Node plugsNode = bodies.at(i).field("plugs");
        for (size_t k = 0; k < body.plugs.size(); ++k)
            body.plugs[k].partner = readPartner(plugsNode.at(k).field("partner"), model, false);
    }
    Node root = node.field("rootPlug");
    if (!root.isNull()) {
        Body& rootBody = *model.bodies[root.field("body").index(model.bodies.size())];
        model.rootPlug = &rootBody.plugs[root.field("index").index(rootBody.plugs.size())];
        if (model.rootPlug->partner != &model.mount) root.refuse("the root plug does not hang from the mount");
    }
    checkJoints(node, model);
}

void readContactMemory(const Node& node, World& world) {
    for (size_t i = 0; i < node.size(); ++i) {
        Node entry = node.at(i);
        if (entry.size() != 4) entry.refuse("not [first, second, stamp, hits]");
        size_t first = entry.at(0).index(maxBodiesPerWorld);
        size_t second = entry.at(1).index(maxBodiesPerWorld);
        PairMemory& memory = world.pairMemory(static_cast<int32_t>(first), static_cast<int32_t>(second));
        memory.stamp = entry.at(2).signed32();
        memory.hits = static_cast<uint8_t>(entry.at(3).integer(0, 255));
    }
}

// What a load builds before it replaces anything.
struct LoadedState {
    std::vector<std::unique_ptr<World>> worlds;
    float timeScale = 1.0f;
    StepContext step;
    uint32_t random = 1;
    std::array<std::string, consoleCount> consoles;
    std::optional<size_t> currentWorld;
};

void readWorldBodies(const Node& node, World& world) {
    world.label = node.field("label").text();
    world.stepCount = node.field("stepCount").signed32();
    world.placement = readPlacement(node.field("placement"));
    world.cursorEnd.point = readPoint(node.field("cursorEnd").field("point"));
    Node models = node.field("models");
    for (size_t i = 0; i < models.size(); ++i) {
        world.models.push_back(std::make_unique<Model>());
        readModel(models.at(i), *world.models.back());
    }
    if (world.bodyCount() > maxBodiesPerWorld)
        node.refuse("more than " + std::to_string(maxBodiesPerWorld) + " bodies in one world");
    readContactMemory(node.field("contactMemory"), world);
}

SpringEnd* readSpringEnd(const Node& node, LoadedState& state) {
    if (node.value.is_object() && node.value.contains("cursor"))
        return &state.worlds[node.field("cursor").index(state.worlds.size())]->cursorEnd;
    World& world = *state.worlds[node.field("world").index(state.worlds.size())];
    Model& model = *world.models[node.field("model").index(world.models.size())];
    Body& body = *model.bodies[node.field("body").index(model.bodies.size())];
    auto grab = body.grabs.begin();
    std::advance(grab, static_cast<long>(node.field("grab").index(body.grabs.size())));
    return &*grab;
}

// The springs of every world, then the list of springs of every end, which
// must hold each spring once for each of its ends.
void readSprings(const Node& worldsNode, LoadedState& state) {
    std::vector<std::vector<Spring*>> byWorld(state.worlds.size());
    for (size_t w = 0; w < state.worlds.size(); ++w) {
        Node springs = worldsNode.at(w).field("springs");
        for (size_t s = 0; s < springs.size(); ++s) {
            Node node = springs.at(s);
            Spring& spring = state.worlds[w]->springs.emplace_back();
            spring.stiffness = node.field("stiffness").number();
            spring.endA = readSpringEnd(node.field("endA"), state);
            spring.endB = readSpringEnd(node.field("endB"), state);
            byWorld[w].push_back(&spring);
        }
    }
    std::unordered_map<const Spring*, int> listed;
    auto readList = [&](const Node& node, SpringEnd& end) {
        for (size_t i = 0; i < node.size(); ++i) {
            Node ref = node.at(i);
            if (ref.size() != 2) ref.refuse("not a spring [world, index]");
            size_t w = ref.at(0).index(byWorld.size());
            Spring* spring = byWorld[w][ref.at(1).index(byWorld[w].size())];
            if (spring->endA != &end && spring->endB != &end) ref.refuse("a spring that does not use this end");
            end.springs.push_back(spring);
            listed[spring] += 1;
        }
    };
    for (size_t w = 0; w < state.worlds.size(); ++w) {
        Node worldNode = worldsNode.at(w);
        readList(worldNode.field("cursorEnd").field("springs"), state.worlds[w]->cursorEnd);
        Node models = worldNode.field("models");
        for (size_t m = 0; m < models.size(); ++m) {
            Node bodies = models.at(m).field("bodies");
            for (size_t b = 0; b < bodies.size(); ++b) {
                Node grabs = bodies.at(b).field("grabs");
                auto grab = state.worlds[w]->models[m]->bodies[b]->grabs.begin();
                for (size_t g = 0; g < grabs.size(); ++g, ++grab) readList(grabs.at(g).field("springs"), *grab);
            }
        }
    }
    for (const auto& springs : byWorld)
        for (const Spring* spring : springs)
            if (listed[spring] != 2) worldsNode.refuse("a spring is not listed once by each of its ends");
}

LoadedState readState(const json& document) {
    Node root{document, ""};
    if (!document.is_object()) throw Refusal{"not a state (no JSON object)"};
    Node version = root.field("version");
    if (!version.value.is_number_integer() || version.value.get<int64_t>() != stateFormatVersion)
        throw Refusal{"version " + version.value.dump() + " (this program reads " + std::to_string(stateFormatVersion) +
                      ")"};
    LoadedState state;
    state.timeScale = root.field("timeScale").number();
    state.step.stepTime = root.field("stepTime").number();
    state.step.passCount = root.field("passCount").signed32();
    state.step.settled = root.field("settled").signed32();
    state.step.bodySerial = root.field("bodySerial").signed32();
    state.random = root.field("random").unsigned32();
    Node consoles = root.field("consoles");
    for (int number = firstConsole; number <= lastConsole; ++number)
        state.consoles[static_cast<size_t>(number - firstConsole)] =
            consoles.field(std::to_string(number).c_str()).text();
    Node worldsNode = root.field("worlds");
    for (size_t w = 0; w < worldsNode.size(); ++w) {
        state.worlds.push_back(std::make_unique<World>());
        readWorldBodies(worldsNode.at(w), *state.worlds.back());
    }
    readSprings(worldsNode, state);
    Node current = root.field("currentWorld");
    if (!current.isNull()) state.currentWorld = current.index(state.worlds.size());
    return state;
}

void putInPlace(LoadedState& state) {
    worlds = std::move(state.worlds);
    timeScale = state.timeScale;
    stepContext.stepTime = state.step.stepTime;
    stepContext.passCount = state.step.passCount;
    stepContext.settled = state.step.settled;
    stepContext.bodySerial = state.step.bodySerial;
    stepContext.currentWorld = state.currentWorld ? worlds[*state.currentWorld].get() : nullptr;
    resetRandom(state.random);
    for (size_t i = 0; i < state.consoles.size(); ++i) overlayConsoles[i] = std::move(state.consoles[i]);
}

}  // namespace

bool loadState(const json& state, std::string& error) {
    try {
        LoadedState loaded = readState(state);
        putInPlace(loaded);
        return true;
    } catch (const Refusal& refusal) {
        error = refusal.what;
        return false;
    }
}

bool loadStateFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot be read";
        return false;
    }
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > maxStateFileBytes) {
            error = "larger than " + std::to_string(maxStateFileBytes >> 20) + " MiB";
            return false;
        }
    }
    if (in.bad()) {
        error = "cannot be read";
        return false;
    }
    json document;
    try {
        document = json::parse(text);
    } catch (const json::parse_error& parseError) {
        error = "bad JSON at byte " + std::to_string(parseError.byte);
        return false;
    }
    return loadState(document, error);
}

bool isStateFileName(const std::string& path) {
    const std::string ending = ".state.json";
    return path.size() >= ending.size() && path.compare(path.size() - ending.size(), ending.size(), ending) == 0;
}
