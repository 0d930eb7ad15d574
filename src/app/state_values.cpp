#include "app/state_values.h"

#include <algorithm>
#include <bit>
#include <type_traits>
#include <utility>

#include "sim/globals.h"
#include "sim/random.h"

namespace {

// Rows and columns of a world's contact memory that its bodies' serials
// reach; the rest of the table stays as the last load left it.
size_t contactSide(const World& world) {
    size_t side = static_cast<size_t>(world.bodyCount());
    for (const auto& model : world.models)
        for (const auto& body : model->bodies)
            if (body->serial >= 0) side = std::max(side, static_cast<size_t>(body->serial) + 1);
    return std::min(side, static_cast<size_t>(maxBodiesPerWorld));
}

// Takes values into words.
struct Taking {
    std::vector<uint32_t>& words;

    void operator()(float& value) { words.push_back(std::bit_cast<uint32_t>(value)); }
    template <class Integer>
    requires std::is_integral_v<Integer>
    void operator()(Integer& value) { words.push_back(static_cast<uint32_t>(value)); }
    static constexpr bool putsBack = false;
};

// Puts words back into values, in the order Taking took them.
struct Putting {
    const uint32_t* next;
    const uint32_t* end;  // words of another layout run out here rather than past the end

    void operator()(float& value) {
        if (next != end) value = std::bit_cast<float>(*next++);
    }
    template <class Integer>
    requires std::is_integral_v<Integer>
    void operator()(Integer& value) {
        if (next != end) value = static_cast<Integer>(*next++);
    }
    static constexpr bool putsBack = true;
};

template <class Io>
void visitPoint(Io& io, Point& point) {
    io(point.x);
    io(point.y);
}

template <class Io>
void visitPlacement(Io& io, Placement& p) {
    io(p.a), io(p.b), io(p.tx), io(p.c), io(p.d), io(p.ty);
}

template <class Io>
void visitShape(Io& io, Shape& shape) {
    for (ContourSet* set :
         {&shape.contours, &shape.predContours, &shape.cornerVectors, &shape.edgeNormals, &shape.curContours})
        for (Contour& contour : *set)
            for (Point& point : contour) visitPoint(io, point);
    for (float& radius : shape.discRadii) io(radius);
    io(shape.sweptRadius), io(shape.radius), io(shape.centreX), io(shape.centreY), io(shape.sweptX);
    io(shape.sweptY), io(shape.localCentreX), io(shape.localCentreY), io(shape.staticFriction);
    io(shape.kineticFriction), io(shape.bounce), io(shape.collideMask), io(shape.mass), io(shape.area);
    io(shape.inertia), io(shape.centroidX), io(shape.centroidY);
    io(shape.colour.red), io(shape.colour.green), io(shape.colour.blue);
}

template <class Io>
void visitAnchor(Io& io, Anchor& anchor) {
    io(anchor.localX), io(anchor.localY), io(anchor.worldX), io(anchor.worldY), io(anchor.predX), io(anchor.predY);
    io(anchor.weight);
}

template <class Io>
void visitBody(Io& io, Body& body) {
    io(body.x), io(body.y), io(body.vx), io(body.vy), io(body.ax), io(body.ay), io(body.px), io(body.py);
    io(body.omega), io(body.angle), io(body.alpha), io(body.cosTurn), io(body.sinTurn);
    io(body.inertia), io(body.mass), io(body.baseInertia), io(body.baseMass), io(body.invInertia), io(body.invMass);
    io(body.flags), io(body.shapeCount), io(body.parentPlug), io(body.nextSocket), io(body.serial);
    io(body.lateJointFixes);
    // Not in a state file (a loaded body starts wild), but a frame gone back
    // to holds it as it was.
    SweepBox& box = body.contactBox;
    io(box.minX), io(box.minY), io(box.maxX), io(box.maxY), io(box.mask), io(box.wild);
    visitPlacement(io, body.placement);
    for (Shape& shape : body.shapes) visitShape(io, shape);
    for (Anchor& socket : body.sockets) visitAnchor(io, socket);
    for (Anchor& plug : body.plugs) visitAnchor(io, plug);
    for (SpringEnd& grab : body.grabs) visitPoint(io, grab.point);
}

template <class Io>
void visitWorld(Io& io, World& world) {
    io(world.stepCount);
    visitPlacement(io, world.placement);
    visitPoint(io, world.cursorEnd.point);
    for (Spring& spring : world.springs) io(spring.stiffness);
    for (auto& model : world.models) {
        io(model->minX), io(model->minY), io(model->maxX), io(model->maxY);
        for (auto& body : model->bodies) visitBody(io, *body);
    }
    size_t side = contactSide(world);
    for (size_t first = 0; first < side; ++first) {
        for (size_t second = 0; second < side; ++second) {
            PairMemory& entry = world.contactMemory[first * maxBodiesPerWorld + second];
            io(entry.stamp), io(entry.hits), io(entry.lateHits);
        }
    }
}

int32_t currentWorldIndex() {
    for (size_t w = 0; w < worlds.size(); ++w)
        if (worlds[w].get() == stepContext.currentWorld) return static_cast<int32_t>(w);
    return -1;
}

template <class Io>
void visitGlobals(Io& io) {
    io(timeScale), io(stepContext.stepTime), io(stepContext.passCount), io(stepContext.settled);
    io(stepContext.bodySerial);
    uint32_t random = randomState();
    int32_t current = currentWorldIndex();
    io(random), io(current);
    if constexpr (Io::putsBack) {
        resetRandom(random);
        bool known = current >= 0 && static_cast<size_t>(current) < worlds.size();
        stepContext.currentWorld = known ? worlds[static_cast<size_t>(current)].get() : nullptr;
    }
}

template <class Io>
void visitState(Io& io) {
    visitGlobals(io);
    for (auto& world : worlds) visitWorld(io, *world);
}

// Each spring end of one world by its place: the cursor end first, then
// every body's grab ends in order. Sorted by address, for lookups without
// a node per end: this runs every frame, with thousands of springs at worst.
using EndNumbers = std::vector<std::pair<const SpringEnd*, uint32_t>>;

EndNumbers numberSpringEnds(const World& world) {
    EndNumbers numbers{{&world.cursorEnd, 0}};
    for (const auto& model : world.models)
        for (const auto& body : model->bodies)
            for (const SpringEnd& grab : body->grabs)
                numbers.emplace_back(&grab, static_cast<uint32_t>(numbers.size()));
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

uint32_t endNumber(const EndNumbers& numbers, const SpringEnd* end) {
    auto found = std::lower_bound(numbers.begin(), numbers.end(), std::make_pair(end, uint32_t{0}));
    return found != numbers.end() && found->first == end ? found->second : UINT32_MAX;
}

void addShapeLayout(std::vector<uint32_t>& layout, const Shape& shape) {
    for (const ContourSet* set :
         {&shape.contours, &shape.predContours, &shape.cornerVectors, &shape.edgeNormals, &shape.curContours}) {
        layout.push_back(static_cast<uint32_t>(set->size()));
        for (const Contour& contour : *set) layout.push_back(static_cast<uint32_t>(contour.size()));
    }
    layout.push_back(static_cast<uint32_t>(shape.discRadii.size()));
}

void addWorldLayout(std::vector<uint32_t>& layout, const World& world) {
    layout.push_back(static_cast<uint32_t>(world.models.size()));
    for (const auto& model : world.models) {
        layout.push_back(static_cast<uint32_t>(model->bodies.size()));
        for (const auto& body : model->bodies) {
            layout.push_back(static_cast<uint32_t>(body->shapes.size()));
            for (const Shape& shape : body->shapes) addShapeLayout(layout, shape);
            layout.push_back(static_cast<uint32_t>(body->sockets.size()));
            layout.push_back(static_cast<uint32_t>(body->plugs.size()));
            layout.push_back(static_cast<uint32_t>(body->grabs.size()));
        }
    }
    auto ends = numberSpringEnds(world);
    layout.push_back(static_cast<uint32_t>(world.springs.size()));
    for (const Spring& spring : world.springs) {
        layout.push_back(endNumber(ends, spring.endA));
        layout.push_back(endNumber(ends, spring.endB));
    }
    layout.push_back(static_cast<uint32_t>(contactSide(world)));
}

}  // namespace

std::vector<uint32_t> stateLayout() {
    std::vector<uint32_t> layout{static_cast<uint32_t>(worlds.size())};
    for (const auto& world : worlds) addWorldLayout(layout, *world);
    return layout;
}

void takeStateValues(std::vector<uint32_t>& words) {
    words.clear();
    Taking taking{words};
    visitState(taking);
}

void putStateValues(const std::vector<uint32_t>& words) {
    Putting putting{words.data(), words.data() + words.size()};
    visitState(putting);
}
