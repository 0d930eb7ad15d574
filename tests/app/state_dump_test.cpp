// The JSON state dump: floats read back bit for bit, non-finite values stay
// valid JSON, and a small hand-built world shows every documented key.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>

#include "app/history.h"
#include "app/state_dump.h"
#include "app/state_file.h"
#include "assets/textures.h"
#include "hostile/program_run.h"
#include "mouse/cursor.h"
#include "render/overlay_consoles.h"
#include "sim/globals.h"
#include "sim/random.h"
#include "sim/step.h"
#include "support/reset.h"

using nlohmann::json;

namespace {

uint32_t bitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Dumps the process state to text and parses it back, as a reader would.
json dumpAndParse() {
    std::ostringstream text;
    writeStateJson(text, stateJson());
    return json::parse(text.str());
}

float readFloat(const json& value) { return static_cast<float>(value.get<double>()); }

Shape unitSquare() {
    Shape shape;
    shape.contours = {{{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}}};
    shape.triangles = {Triangle{{{{0, 0}, {0, 1}, {0, 2}}}}, Triangle{{{{0, 0}, {0, 2}, {0, 3}}}}};
    shape.reverseNormals = {1};
    shape.predContours = shape.curContours = shape.cornerVectors = shape.edgeNormals = shape.contours;
    shape.discRadii = {0.0f};
    shape.mass = shape.area = 1.0f;
    shape.inertia = 1.0f / 6.0f;
    shape.radius = 0.70710677f;
    shape.name = "square";
    return shape;
}

TextureRecord skin{7, 64, 32, pixelFormatRgba, "tests/data/skin.png"};

// One world, one model: a torso hanging from the mount, a head hanging at
// the torso's socket, a mouse spring from the head to the cursor.
World& buildFigureWorld() {
    auto world = std::make_unique<World>();
    world->label = "figures";
    world->stepCount = 7;
    world->placement.tx = 100.0f;

    auto model = std::make_unique<Model>();
    model->label = "doll";
    model->minX = -1.0f, model->minY = -2.0f, model->maxX = 3.0f, model->maxY = 4.0f;

    auto torso = std::make_unique<Body>();
    torso->name = "torso";
    torso->shapes.push_back(unitSquare());
    torso->shapeCount = 1;
    torso->sockets.push_back(Anchor{});
    torso->sockets[0].name = "neck";
    torso->sockets[0].weight = 2.5f;
    torso->plugs.push_back(Anchor{});
    torso->sockets[0].owner = torso->plugs[0].owner = torso.get();

    auto head = std::make_unique<Body>();
    head->name = "head";
    head->shapes.push_back(unitSquare());
    head->shapeCount = 1;
    head->plugs.push_back(Anchor{});
    head->plugs.push_back(Anchor{});
    head->plugs[1].name = "chin";
    head->parentPlug = 1;
    for (Anchor& plug : head->plugs) plug.owner = head.get();
    auto polygon = std::make_unique<TexturedPolygon>();
    polygon->texture = &skin;
    polygon->texCoords = {{0.0f, 0.0f}, {1.0f, 0.5f}};
    polygon->points = {{-1.0f, 0.0f}, {1.0f, 0.0f}};
    head->textures.push_back(std::move(polygon));

    // Joints: mount <- torso plug 0; torso socket 0 <-> head plug 1.
    torso->plugs[0].partner = &model->mount;
    model->rootPlug = &torso->plugs[0];
    torso->sockets[0].partner = &head->plugs[1];
    head->plugs[1].partner = &torso->sockets[0];

    SpringEnd* grab = &head->grabs.emplace_back(SpringEnd{head.get(), Point{0.25f, 0.75f}, {}});
    Spring& spring = world->springs.emplace_back(Spring{10.0f, grab, &world->cursorEnd});
    grab->springs.push_back(&spring);
    world->cursorEnd.springs.push_back(&spring);

    torso->model = head->model = model.get();
    model->bodies.push_back(std::move(torso));
    model->bodies.push_back(std::move(head));
    world->models.push_back(std::move(model));
    worlds.push_back(std::move(world));
    return *worlds.back();
}

class StateDump : public ::testing::Test {
protected:
    void SetUp() override { resetProcessState(); }
    void TearDown() override { resetProcessState(); }
};

TEST_F(StateDump, FloatsReadBackBitForBit) {
    const float values[] = {0.1f,        1e-30f,      -3.4028235e38f, 3.4028235e38f,
                            1.0f / 3.0f, -0.0f,       0.0f,           std::numeric_limits<float>::min(),
                            16777217.0f, 0.70710677f, -123456.789f};
    for (float value : values) {
        EXPECT_EQ(bitsOf(readFloat(json::parse(floatJson(value).dump()))), bitsOf(value)) << value;
    }

    // The same through a whole dump, in a body field.
    World& world = buildFigureWorld();
    Body& torso = *world.models[0]->bodies[0];
    for (float value : values) {
        torso.x = value;
        json state = dumpAndParse();
        EXPECT_EQ(bitsOf(readFloat(state["worlds"][0]["models"][0]["bodies"][0]["x"])), bitsOf(value)) << value;
    }

    // A denormal (a file can hold one) is written exactly too. Read it with
    // strtof: under this process's flush-to-zero a hardware double-to-float
    // conversion would flush it, which a reader of the dump does not do.
    float tiny = std::numeric_limits<float>::denorm_min() * 3.0f;
    std::string text = floatJson(tiny).dump();
    EXPECT_EQ(bitsOf(std::strtof(text.c_str(), nullptr)), bitsOf(tiny)) << text;
}

TEST_F(StateDump, FloatsUseAtMostNineSignificantDigits) {
    EXPECT_EQ(floatJson(0.1f).dump(), "0.100000001");
    EXPECT_EQ(floatJson(1e-30f).dump(), "1e-30");  // 1.00000000|3e-30: trailing zeros go
    EXPECT_EQ(floatJson(1.1e-30f).dump(), "1.09999997e-30");
    EXPECT_EQ(floatJson(-3.4028235e38f).dump(), "-3.40282347e+38");
    EXPECT_EQ(floatJson(0.5f).dump(), "0.5");
}

TEST_F(StateDump, NonFiniteValuesAreStrings) {
    EXPECT_EQ(floatJson(std::numeric_limits<float>::quiet_NaN()), "nan");
    EXPECT_EQ(floatJson(-std::numeric_limits<float>::quiet_NaN()), "nan");
    EXPECT_EQ(floatJson(std::numeric_limits<float>::infinity()), "inf");
    EXPECT_EQ(floatJson(-std::numeric_limits<float>::infinity()), "-inf");

    World& world = buildFigureWorld();
    Body& head = *world.models[0]->bodies[1];
    head.vx = std::numeric_limits<float>::quiet_NaN();
    head.invMass = std::numeric_limits<float>::infinity();
    head.shapes[0].curContours[0][2].y = -std::numeric_limits<float>::infinity();
    timeScale = std::numeric_limits<float>::quiet_NaN();

    json state = dumpAndParse();  // throws if the text is not JSON
    const json& dumped = state["worlds"][0]["models"][0]["bodies"][1];
    EXPECT_EQ(dumped["vx"], "nan");
    EXPECT_EQ(dumped["invMass"], "inf");
    EXPECT_EQ(dumped["shapes"][0]["curContours"][0][2][1], "-inf");
    EXPECT_EQ(state["timeScale"], "nan");
}

TEST_F(StateDump, GlobalsAndConsoles) {
    buildFigureWorld();
    timeScale = 1.25f;
    stepContext.stepTime = 0.125f;
    stepContext.passCount = 212;
    overlayConsole(-1) = "left\n";
    overlayConsole(0) = "212\n";
    overlayConsole(9) = "right\n";

    json state = dumpAndParse();
    EXPECT_EQ(readFloat(state["timeScale"]), 1.25f);
    EXPECT_EQ(readFloat(state["stepTime"]), 0.125f);
    EXPECT_EQ(state["passCount"], 212);
    for (const char* key : {"settled", "bodySerial", "currentWorld"}) EXPECT_TRUE(state.contains(key)) << key;
    ASSERT_EQ(state["consoles"].size(), 11u);
    EXPECT_EQ(state["consoles"]["-1"], "left\n");
    EXPECT_EQ(state["consoles"]["0"], "212\n");
    EXPECT_EQ(state["consoles"]["5"], "");
    EXPECT_EQ(state["consoles"]["9"], "right\n");
}

TEST_F(StateDump, WorldModelBodyAndShapeKeys) {
    buildFigureWorld();
    json state = dumpAndParse();
    ASSERT_EQ(state["worlds"].size(), 1u);
    const json& world = state["worlds"][0];
    EXPECT_EQ(world["label"], "figures");
    EXPECT_EQ(world["stepCount"], 7);
    EXPECT_EQ(readFloat(world["placement"]["tx"]), 100.0f);
    for (const char* key : {"a", "b", "tx", "c", "d", "ty"}) EXPECT_TRUE(world["placement"].contains(key)) << key;

    const json& model = world["models"][0];
    EXPECT_EQ(model["label"], "doll");
    EXPECT_EQ(model["name"], "");
    EXPECT_EQ(readFloat(model["box"]["minY"]), -2.0f);
    EXPECT_EQ(readFloat(model["box"]["maxX"]), 3.0f);
    EXPECT_EQ(model["rootPlug"], json({{"body", 0}, {"index", 0}}));
    ASSERT_EQ(model["bodies"].size(), 2u);

    const json& torso = model["bodies"][0];
    EXPECT_EQ(torso["name"], "torso");
    for (const char* key :
         {"x",        "y",          "vx",      "vy",      "ax",        "ay",         "px",         "py",
          "omega",    "angle",      "alpha",   "cosTurn", "sinTurn",   "inertia",    "mass",       "baseInertia",
          "baseMass", "invInertia", "invMass", "flags",   "placement", "shapeCount", "parentPlug", "nextSocket",
          "serial",   "shapes",     "sockets", "plugs",   "textures"}) {
        EXPECT_TRUE(torso.contains(key)) << key;
    }
    EXPECT_EQ(readFloat(torso["cosTurn"]), 1.0f);

    const json& shape = torso["shapes"][0];
    for (const char* key : {"name",          "contours",     "triangles",      "reverseNormals",  "predContours",
                            "cornerVectors", "edgeNormals",  "curContours",    "discRadii",       "sweptRadius",
                            "radius",        "centreX",      "centreY",        "sweptX",          "sweptY",
                            "localCentreX",  "localCentreY", "staticFriction", "kineticFriction", "bounce",
                            "collideMask",   "mass",         "area",           "inertia",         "centroidX",
                            "centroidY",     "colour"}) {
        EXPECT_TRUE(shape.contains(key)) << key;
    }
    EXPECT_EQ(shape["name"], "square");
    EXPECT_EQ(shape["collideMask"], 0x18000);
    EXPECT_EQ(shape["reverseNormals"], json::array({true}));
    EXPECT_EQ(shape["triangles"][1], json::parse("[[0,0],[0,2],[0,3]]"));
    ASSERT_EQ(shape["contours"][0].size(), 4u);
    EXPECT_EQ(readFloat(shape["contours"][0][1][0]), 0.5f);
    EXPECT_EQ(readFloat(shape["contours"][0][1][1]), -0.5f);
    EXPECT_EQ(readFloat(shape["staticFriction"]), 0.6f);
    for (const char* key : {"red", "green", "blue"}) EXPECT_TRUE(shape["colour"].contains(key)) << key;
}

TEST_F(StateDump, JointsPointAtAnchorsByIndex) {
    buildFigureWorld();
    json state = dumpAndParse();
    const json& bodies = state["worlds"][0]["models"][0]["bodies"];
    const json& torso = bodies[0];
    const json& head = bodies[1];

    EXPECT_EQ(torso["plugs"][0]["partner"], "mount");
    EXPECT_EQ(torso["sockets"][0]["name"], "neck");
    EXPECT_EQ(readFloat(torso["sockets"][0]["weight"]), 2.5f);
    EXPECT_EQ(torso["sockets"][0]["partner"], json({{"body", 1}, {"kind", "plug"}, {"index", 1}}));
    EXPECT_EQ(head["plugs"][1]["partner"], json({{"body", 0}, {"kind", "socket"}, {"index", 0}}));
    EXPECT_TRUE(head["plugs"][0]["partner"].is_null());
    EXPECT_FALSE(head["plugs"][0].contains("weight"));  // sockets only
    for (const char* key : {"name", "localX", "localY", "worldX", "worldY", "predX", "predY", "partner"}) {
        EXPECT_TRUE(head["plugs"][1].contains(key)) << key;
    }
    EXPECT_EQ(head["parentPlug"], 1);
}

TEST_F(StateDump, SpringsAndTexturedPolygons) {
    buildFigureWorld();
    moveCursor({3.0f, -4.0f});
    json state = dumpAndParse();
    const json& world = state["worlds"][0];

    ASSERT_EQ(world["springs"].size(), 1u);
    const json& spring = world["springs"][0];
    EXPECT_EQ(readFloat(spring["stiffness"]), 10.0f);
    EXPECT_EQ(spring["endA"], json({{"world", 0}, {"model", 0}, {"body", 1}, {"grab", 0}}));
    EXPECT_EQ(spring["endB"], json({{"cursor", 0}}));
    const json& grab = world["models"][0]["bodies"][1]["grabs"][0];
    EXPECT_EQ(grab["point"], json::parse("[0.25, 0.75]"));
    EXPECT_EQ(grab["springs"], json::parse("[[0, 0]]"));
    EXPECT_EQ(world["cursorEnd"]["point"], json::parse("[3.0, -4.0]"));
    EXPECT_EQ(world["cursorEnd"]["springs"], json::parse("[[0, 0]]"));

    const json& polygon = world["models"][0]["bodies"][1]["textures"][0];
    EXPECT_EQ(polygon["path"], "tests/data/skin.png");
    EXPECT_EQ(polygon["textureWidth"], 64);
    EXPECT_EQ(polygon["textureHeight"], 32);
    EXPECT_EQ(polygon["texCoords"][1], json::parse("[1.0, 0.5]"));
    EXPECT_EQ(polygon["points"][0], json::parse("[-1.0, 0.0]"));
    EXPECT_TRUE(polygon["placement"].contains("ty"));
}

// A loaded state is the saved one: the same document comes out again, and
// the pointers it names (joints, springs, ends) are rebuilt.
TEST_F(StateDump, ALoadedStateDumpsAsSaved) {
    World& built = buildFigureWorld();
    built.pairMemory(1, 0) = PairMemory{6, 3};
    timeScale = 0.75f;
    stepContext.stepTime = 1e-40f;  // subnormal: flush-to-zero must not lose it
    resetRandom(0xDEADBEEF);
    overlayConsole(0) = "212\n";
    built.models[0]->bodies[1]->textures.clear();  // its picture is not on disk
    std::string saved = stateJson().dump();

    resetProcessState();
    std::string error;
    ASSERT_TRUE(loadState(json::parse(saved), error)) << error;
    EXPECT_EQ(stateJson().dump(), saved);
    World& world = *worlds[0];
    Body& head = *world.models[0]->bodies[1];
    EXPECT_EQ(world.springs.front().endA, &head.grabs.front());
    EXPECT_EQ(world.springs.front().endB, &world.cursorEnd);
    EXPECT_EQ(head.plugs[1].partner, &world.models[0]->bodies[0]->sockets[0]);
    EXPECT_EQ(world.models[0]->rootPlug->partner, &world.models[0]->mount);
    EXPECT_EQ(head.model, world.models[0].get());
    EXPECT_EQ(randomState(), 0xDEADBEEFu);
}

// The history keeps the newest frames it has room for. Going back gives
// each one's whole state again, past a release of the mouse spring, even
// once the frame its segment began with has gone.
TEST_F(StateDump, TheHistoryGivesBackTheFramesItHasRoomFor) {
    World& world = buildFigureWorld();
    world.models[0]->bodies[1]->textures.clear();
    History history;
    history.frameLimit = 4;
    std::vector<std::string> frames;
    for (int frame = 0; frame <= 10; ++frame) {
        if (frame > 0) stepAllWorlds();
        if (frame == 9) {
            Body& head = *world.models[0]->bodies[1];
            world.springs.clear();
            world.cursorEnd.springs.clear();
            head.grabs.clear();
        }
        history.keepFrame();
        frames.push_back(stateJson().dump());
    }
    EXPECT_EQ(history.frames, 4u);
    for (int frame = 9; frame >= 7; --frame) {
        ASSERT_TRUE(history.stepBack());
        EXPECT_TRUE(stateJson().dump() == frames[static_cast<size_t>(frame)]) << "frame " << frame;
    }
    EXPECT_FALSE(history.stepBack());
    EXPECT_TRUE(stateJson().dump() == frames[7]);
    EXPECT_EQ(worlds[0]->springs.size(), 1u);
}

// A grab end made every frame would cost a whole document a frame: past 20
// segments in 50 frames the history lets go, and keeps frames again once
// the layout has rested for 50.
TEST_F(StateDump, AStormOfGrabsSuspendsTheHistoryUntilItRests) {
    World& world = buildFigureWorld();
    History history;
    history.keepFrame();
    for (int frame = 1; frame < 30; ++frame) {
        world.models[0]->bodies[0]->grabs.push_back(SpringEnd{});
        history.keepFrame();
        EXPECT_EQ(history.frames, frame < 20 ? static_cast<size_t>(frame) + 1 : 0u) << "frame " << frame;
    }
    for (int frame = 0; frame < 50; ++frame) history.keepFrame();
    EXPECT_EQ(history.frames, 1u);
    history.keepFrame();
    EXPECT_EQ(history.frames, 2u);
}

// Anything unsound refuses the whole file, says where, and leaves the
// running state alone.
TEST_F(StateDump, AnUnsoundStateIsRefusedWhole) {
    buildFigureWorld();
    json good = json::parse(stateJson().dump());
    const World* running = worlds[0].get();
    auto refusal = [&](const std::function<void(json&)>& spoil) {
        json state = good;
        spoil(state);
        std::string error;
        EXPECT_FALSE(loadState(state, error));
        EXPECT_EQ(worlds[0].get(), running);
        return error;
    };
    auto body = [](json& state) -> json& { return state["worlds"][0]["models"][0]["bodies"][1]; };
    EXPECT_EQ(refusal([](json& s) { s["version"] = 2; }), "version 2 (this program reads 1)");
    EXPECT_EQ(refusal([](json& s) { s.erase("timeScale"); }), "timeScale: missing");
    EXPECT_EQ(refusal([&](json& s) { body(s)["vx"] = "nan"; }),
              "worlds[0].models[0].bodies[1].vx: not a finite number");
    EXPECT_EQ(refusal([&](json& s) { body(s)["vy"] = 1e39; }), "worlds[0].models[0].bodies[1].vy: not a finite number");
    EXPECT_EQ(refusal([&](json& s) { body(s)["serial"] = 256; }), "worlds[0].models[0].bodies[1].serial: out of range");
    EXPECT_EQ(refusal([&](json& s) { body(s)["plugs"][1]["partner"] = nullptr; }),
              "worlds[0].models[0]: a joint partnered one way only");
    EXPECT_EQ(refusal([&](json& s) { body(s)["grabs"][0]["springs"] = json::array(); }),
              "worlds: a spring is not listed once by each of its ends");
    EXPECT_EQ(refusal([&](json& s) { body(s)["shapes"][0]["curContours"][0].erase(0); }),
              "worlds[0].models[0].bodies[1].shapes[0].curContours: counts differ from \"contours\"");
    EXPECT_EQ(refusal([&](json& s) { s["worlds"][0]["springs"][0]["endA"]["grab"] = 1; }),
              "worlds[0].springs[0].endA.grab: out of range");
    EXPECT_EQ(refusal([](json& s) {
                  json& bodies = s["worlds"][0]["models"][0]["bodies"];
                  json extra = bodies[0];
                  extra["sockets"] = extra["plugs"] = extra["grabs"] = json::array();
                  while (bodies.size() <= maxBodiesPerWorld) bodies.push_back(extra);
              }),
              "worlds[0]: more than 256 bodies in one world");

    ScratchDirectory scratch("state-file");
    std::filesystem::path file = scratch.path / "bad.state.json";
    std::ofstream(file) << "{\"version\": 1,";
    std::string error;
    EXPECT_FALSE(loadStateFile(file.string(), error));
    EXPECT_EQ(error, "bad JSON at byte 15");
    EXPECT_EQ(worlds[0].get(), running);
}

// Saving after 200 frames and going on from the file for 100 gives the
// bytes of 300 frames at once, with a key held across the save: for the
// bundled scene and a bench scene.
TEST(StateFile, SavedAndLoadedRunsEqualOneRun) {
    ScratchDirectory scratch("state-split");
    std::string source = VANTOR_SOURCE_DIR;
    for (std::string world : {source + "/rsc/firstWorld.ini", source + "/bench/scenes/ragdolls.ini"}) {
        std::string common = "--settings " + source + "/rsc/engine.ini --world " +
                             quoted(std::filesystem::path(world)) + " --hold k,space ";
        ProgramRun first = runProgramHeadless(scratch.path, common + "--frames 200");
        ASSERT_EQ(first.exitCode, 0) << first.errors;
        std::filesystem::copy_file(scratch.path / "dump.json", scratch.path / "s.state.json",
                                   std::filesystem::copy_options::overwrite_existing);
        ProgramRun rest = runProgramHeadless(scratch.path, common + "--frames 100 --state s.state.json");
        ASSERT_EQ(rest.exitCode, 0) << rest.errors;
        std::ifstream split(scratch.path / "dump.json");
        std::string splitText((std::istreambuf_iterator<char>(split)), std::istreambuf_iterator<char>());
        ProgramRun whole = runProgramHeadless(scratch.path, common + "--frames 300");
        ASSERT_EQ(whole.exitCode, 0) << whole.errors;
        std::ifstream one(scratch.path / "dump.json");
        std::string wholeText((std::istreambuf_iterator<char>(one)), std::istreambuf_iterator<char>());
        EXPECT_TRUE(splitText == wholeText) << world;
    }
    std::ofstream(scratch.path / "v2.state.json") << "{\"version\": 2}";
    ProgramRun refused =
        runProgramHeadless(scratch.path, "--frames 1 --settings " + source + "/rsc/engine.ini --state v2.state.json");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.errors, "vantor: v2.state.json: version 2 (this program reads 1)\n");
}

TEST_F(StateDump, NamesThatAreNotUtf8StillGiveJson) {
    World& world = buildFigureWorld();
    world.models[0]->bodies[0]->name = "t\xf6rso";  // Latin-1, as an old file might hold
    json state = dumpAndParse();
    EXPECT_EQ(state["worlds"][0]["models"][0]["bodies"][0]["name"], "t\xef\xbf\xbdrso");
}

}  // namespace
