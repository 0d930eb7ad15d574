// Files that break the rules of a well-formed world: nothing crashes, no
// non-number reaches a world, and each problem is noted once.
#include <cmath>
#include <numbers>
#include <random>

#include "reader_fixture.h"

using BadInputTest = ReaderTest;

static bool bodyIsFinite(const Body& body) {
    for (float v : {body.x, body.y, body.vx, body.vy, body.mass, body.inertia, body.invMass, body.invInertia,
                    body.angle, body.omega})
        if (!std::isfinite(v)) return false;
    for (const Shape& shape : body.shapes)
        for (const Contour& contour : shape.curContours)
            for (const Point& p : contour)
                if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    return true;
}

TEST_F(BadInputTest, ModelWithoutBodyOrWithoutPlugIsLeftOut) {
    World& world =
        loadWorld("M { l empty } M { P { p { v 0 0 v 1 0 v 1 1 } } } M { P { g { } c g 3 p { v 0 0 v 1 0 v 1 1 } } }");
    EXPECT_TRUE(world.models.empty());
    EXPECT_TRUE(noted("model without a body"));
    EXPECT_TRUE(noted("body without plug 0 cannot hang"));
    EXPECT_TRUE(noted("body without plug 3 cannot hang"));
}

TEST_F(BadInputTest, PluglessSecondBodyLeavesTheFirstAsRoot) {
    World& world = loadWorld("M { " + squareBody(0, 0, "l kept") + " P { p { v 0 0 v 1 0 v 1 1 } } }");
    EXPECT_EQ(onlyBody(world).name, "kept");
}

TEST_F(BadInputTest, ChildWithoutSocketOrPlugIsLeftOut) {
    World& world = loadWorld("M { P { g { } s { } p { v -1 -1 v 1 -1 v 1 1 } " + squareBody(0, 0, "l socketed") +
                             " P { g { } p { v 0 0 v 1 0 v 1 1 } l 'no socket left' } c s 0 "
                             "P { p { v 0 0 v 1 0 v 1 1 } l 'no plug' } } }");
    Model& model = *world.models.at(0);
    ASSERT_EQ(model.bodies.size(), 2u);
    EXPECT_EQ(model.bodies[1]->name, "socketed");
    EXPECT_TRUE(noted("has no socket 1"));
    EXPECT_TRUE(noted("body \"no plug\" has no plug 0"));
    for (const auto& body : model.bodies) EXPECT_TRUE(bodyIsFinite(*body));
}

TEST_F(BadInputTest, SecondChildAtTheSameSocketReplacesTheFirst) {
    World& world = loadWorld("M { P { g { } s { x= 5 0 } p { v -1 -1 v 1 -1 v 1 1 } " + squareBody(0, 0, "l old") +
                             " c s 0 " + squareBody(0, 0, "l new") + " } }");
    Model& model = *world.models.at(0);
    ASSERT_EQ(model.bodies.size(), 2u);
    EXPECT_EQ(model.bodies[1]->name, "new");
    EXPECT_EQ(model.bodies[0]->sockets[0].partner->owner, model.bodies[1].get());
    EXPECT_TRUE(noted("already holds a child"));
}

TEST_F(BadInputTest, BodyWithoutShapesHasNoInfiniteInverse) {
    World& world = loadWorld("M { P { g { } l ghost } } M { P { g { } ! BOLTED } }");
    ASSERT_EQ(world.models.size(), 2u);
    const Body& ghost = *world.models[0]->bodies.at(0);
    EXPECT_EQ(ghost.mass, 0.0f);
    EXPECT_EQ(ghost.invMass, 0.0f);
    EXPECT_EQ(ghost.invInertia, 0.0f);
    EXPECT_TRUE(noted("body \"ghost\" has no shape with mass"));
    const Body& pin = *world.models[1]->bodies.at(0);
    EXPECT_EQ(pin.mass, -1.0f);
    EXPECT_EQ(pin.invMass, 0.0f);
    EXPECT_EQ(noteCount(), 1) << notes.str();  // a bolted body needs no mass
}

TEST_F(BadInputTest, ShapesWithoutUsableFiguresAreLeftOutButTheirAnchorsStay) {
    World& world = loadWorld(
        "M { P { g { } "
        "p { l empty s { l kept } } "
        "p { l flat v 0 0 v 1 1 v 2 2 } "
        "p { l negative v 0 0 v 1 0 v 1 1 m -3 } "
        "p { l 'lone point' v 4 4 } "
        "p { l 'zero disc' o 0 0 0 } "
        "p { l 'disc smaller than its hole' o 0 0 1 h o 0 0 2 } "
        "p { v 0 0 v 2 0 v 2 2 v 0 2 } } }");
    Body& body = onlyBody(world);
    EXPECT_EQ(body.shapes.size(), 1u);
    EXPECT_FLOAT_EQ(body.mass, 4.0f);
    ASSERT_EQ(body.sockets.size(), 1u);
    EXPECT_EQ(body.sockets[0].name, "kept");
    EXPECT_EQ(body.sockets[0].owner, &body);
    EXPECT_TRUE(noted("shape \"empty\" has no points"));
    EXPECT_TRUE(noted("shape \"flat\" has no area"));
    EXPECT_TRUE(noted("shape \"negative\" has no positive finite mass"));
    EXPECT_TRUE(noted("shape \"lone point\" has no area"));
    EXPECT_TRUE(noted("shape \"zero disc\" has no area"));
    EXPECT_TRUE(noted("shape \"disc smaller than its hole\" has no area"));
    EXPECT_TRUE(bodyIsFinite(body));
}

TEST_F(BadInputTest, OutlinesThatCrossThemselvesAreLeftOutWithANote) {
    // 20 000 random points cross themselves everywhere; the tessellator is
    // not asked, so reading takes no longer than reading the numbers.
    std::mt19937 generator(20000);
    std::string randomPoints;
    for (int i = 0; i < 20000; ++i)
        randomPoints += "v " + std::to_string(generator() % 10000) + " " + std::to_string(generator() % 10000) + " ";
    World& world = loadWorld(
        "M { P { g { } "
        "p { l 'bow tie' v 0 0 v 10 10 v 10 0 v 0 10 } "
        "p { l random " +
        randomPoints +
        "} "
        "p { l 'tie with a circle' v 0 0 v 10 10 v 10 0 v 0 10 h o 20 20 1 } "
        "p { v 0 0 v 2 0 v 2 2 v 0 2 } } }");
    Body& body = onlyBody(world);
    ASSERT_EQ(body.shapes.size(), 2u);
    EXPECT_TRUE(body.shapes[0].triangles.empty());
    EXPECT_NEAR(body.shapes[0].area, std::numbers::pi, 1e-5);
    EXPECT_TRUE(noted("shape \"bow tie\" has an outline that crosses itself; left out"));
    EXPECT_TRUE(noted("shape \"random\" has an outline that crosses itself; left out"));
    EXPECT_TRUE(noted("shape \"tie with a circle\" has an outline that crosses itself; it is ignored"));
    EXPECT_EQ(noteCount(), 3) << notes.str();
    EXPECT_TRUE(bodyIsFinite(body));
}

TEST_F(BadInputTest, NonFiniteNumbersNeverReachTheWorld) {
    for (const char* keys : {"v 1e39 0", "v nan 0", "v inf 0", "m 1e39", "z 1e20 1e20 v 1e20 1e20",
                             "v 0 0 v 3e38 0 v 3e38 3e38", "o 0 0 3e38", "d 1e38"}) {
        resetProcessState();
        diagnosticSink = &notes;
        load(std::string("W { M { P { g { } p { v 0 0 v 1 0 v 1 1 } p { v 0 0 v 10 0 v 10 10 ") + keys + " } } } }");
        ASSERT_EQ(worlds.size(), 1u) << keys;
        for (const auto& model : worlds[0]->models)
            for (const auto& body : model->bodies) EXPECT_TRUE(bodyIsFinite(*body)) << keys;
    }
}

TEST_F(BadInputTest, MassesOutsideTheirRangeAreLeftOut) {
    // A body's mass is the sum of its shapes': the third heavy shape would
    // take it past 1e10. "m 1e-45" is a denormal, whose inverse overflows.
    std::string heavy = "p { v 0 0 v 1 0 v 1 1 m 4e9 } ";
    World& world = loadWorld("M { P { g { } " + heavy + heavy + heavy +
                             "p { l tiny v 0 0 v 1 0 v 1 1 m 1e-45 } p { l dense v 0 0 v 1 0 v 1 1 d 1e38 } } }");
    Body& body = onlyBody(world);
    EXPECT_EQ(body.shapes.size(), 2u);
    EXPECT_FLOAT_EQ(body.mass, 8e9f);
    EXPECT_TRUE(noted("shape would bring the mass of body above 1e10; left out")) << notes.str();
    EXPECT_TRUE(noted("shape \"tiny\" has mass 1.4013e-45, outside 1e-12 to 1e10; left out")) << notes.str();
    EXPECT_TRUE(noted("shape \"dense\" has mass 5e37, outside")) << notes.str();
    EXPECT_FALSE(noted("overflow")) << notes.str();
    EXPECT_TRUE(bodyIsFinite(body));
}

TEST_F(BadInputTest, ModelPlacedBeyondTheCoordinateRangeIsLeftOut) {
    // Each point lies within ±1e12, but a shapeless body keeps its anchors in
    // placement coordinates and sits at the translation: their sum does not.
    World& world = loadWorld("x= -9e11 0 M { P { g { x= 0 0 } } } x= 9e11 0 M { " + squareBody(0, 0) + " }");
    ASSERT_EQ(world.models.size(), 1u);
    EXPECT_TRUE(bodyIsFinite(*world.models[0]->bodies[0]));
    EXPECT_TRUE(noted("model lies beyond ±1e12 once placed; left out")) << notes.str();
}

TEST_F(BadInputTest, NoWorldHoldsMoreThan256Bodies) {
    std::string text;
    for (int i = 0; i < 257; ++i) text += "M { " + squareBody(static_cast<float>(i), 0) + " }\n";
    World& world = loadWorld(text);
    EXPECT_EQ(world.models.size(), 256u);
    EXPECT_EQ(world.bodyCount(), 256);
    EXPECT_TRUE(noted("more than 256; left out"));
}

TEST_F(BadInputTest, OneModelWithTooManyBodiesIsLeftOutAndTheFileReadsOn) {
    // A chain: every body hangs the next at its one socket.
    std::string text = "M { ";
    for (int i = 0; i < 300; ++i) text += "P { g { } s { } p { v 0 0 v 1 0 v 1 1 } ";
    for (int i = 0; i < 300; ++i) text += "} ";
    text += "} M { l after " + squareBody(5, 5) + " }";
    World& world = loadWorld(text);
    ASSERT_EQ(world.models.size(), 1u);
    EXPECT_EQ(world.models[0]->label, "after");
    EXPECT_TRUE(noted("more than 256 bodies, more than a world holds; left out"));
}

TEST_F(BadInputTest, HugeShapeSlotCountDoesNotAllocate) {
    World& world = loadWorld("M { P { g { } r 2000000000 p { v 0 0 v 1 0 v 1 1 } r 0 p { v 0 0 v 1 0 v 0 1 } r -4 } }");
    Body& body = onlyBody(world);
    EXPECT_EQ(body.shapes.size(), 2u);
    EXPECT_LE(body.shapes.capacity(), 4096u);
    EXPECT_TRUE(noted("\"r 0\" is below the 1 shapes already read"));
}

TEST_F(BadInputTest, NotesStopAfterAHundredPerRead) {
    std::string junk(5000, 'q');
    loadWorld(junk);
    EXPECT_EQ(noteCount(), 101);
    EXPECT_TRUE(noted("further problems in this read are not reported"));
}

TEST_F(BadInputTest, EndOfInputInsideBlocksFinishesThem) {
    load("W { M { P { g { } p { v 0 0 v 2 0 v 2 2 v 0");
    ASSERT_EQ(worlds.size(), 1u);
    Body& body = onlyBody(*worlds[0]);
    EXPECT_FLOAT_EQ(body.mass, 2.0f);  // the triangle read before the end
    EXPECT_TRUE(noted("input ends where a number was expected"));
}

TEST_F(BadInputTest, TextsLongerThan4096CharactersStopTheFile) {
    // A name is kept and copied into every dump: one of 250 MB would take
    // a gigabyte. A quoted text and a word are bounded alike.
    std::string longest(4096, 'n');
    World& kept = loadWorld("l '" + longest + "' M { l " + longest + " " + squareBody(0, 0) + " }");
    EXPECT_EQ(kept.label, longest);
    ASSERT_EQ(kept.models.size(), 1u);
    EXPECT_EQ(kept.models[0]->label, longest);
    EXPECT_EQ(noteCount(), 0) << notes.str();
    for (const std::string& text : {"'" + longest + "n'", longest + "n"}) {
        resetProcessState();
        notes.str("");
        diagnosticSink = &notes;
        World& world = loadWorld("l " + text + " M { " + squareBody(0, 0) + " }");
        EXPECT_TRUE(world.label.empty());
        EXPECT_TRUE(world.models.empty());
        EXPECT_TRUE(noted("text longer than 4 096 characters; reading of this file stops")) << notes.str();
    }
}

// Every note names the line where its key or block begins, not where the
// reader stands when it finds the problem.
TEST_F(BadInputTest, NotesNameTheLineWhereTheKeyOrBlockBegins) {
    load("W {\nM { l empty }\n\n\nM { l next " + squareBody(0, 0) + " }\n}");
    EXPECT_EQ(notes.str(), "vantor: test.ini:2: model without a body that hangs from it; left out\n");

    // 256 one-body models fill the world; the 257th, on line 258, is left out there.
    notes.str("");
    std::string text = "W {\n";
    for (int i = 0; i < 257; ++i) text += "M { " + squareBody(static_cast<float>(3 * i), 0) + " }\n";
    load(text + "}\n");
    EXPECT_EQ(notes.str(),
              "vantor: test.ini:258: model would bring the world to 257 bodies, more than 256; left out\n");

    // Shapes and bodies are noted at their own key, also when it stands
    // alone on its line.
    notes.str("");
    load("W { M {\nP\n{ g { }\np\n{ v 0 0 v 1 0 }\n} } }");
    EXPECT_TRUE(noted("test.ini:4: shape has no area; left out")) << notes.str();
    EXPECT_TRUE(noted("test.ini:2: body has no shape with mass; it will not move")) << notes.str();
}

// Mistakes of structure: each one note at its line.
TEST_F(BadInputTest, StructureMistakesAreNotedWhereTheyBegin) {
    // A block left open: only the innermost says so, at its key.
    load("W {\nM {\n" + squareBody(0, 0) + "\n");
    EXPECT_EQ(notes.str(),
              "vantor: test.ini:2: a model block begins here and the file ends before its \"}\"; it ends there\n");
    ASSERT_EQ(worlds.back()->models.size(), 1u);  // what was read is kept

    resetProcessState();
    diagnosticSink = &notes;
    notes.str("");
    load("W { M { " + squareBody(0, 0) + " } }\n}\nW { }");
    EXPECT_TRUE(noted("test.ini:2: this \"}\" closes no block; skipped")) << notes.str();

    // A hole outside its outline is a second piece; a textured polygon needs
    // three corners; placement keys after the corners move nothing.
    resetProcessState();
    diagnosticSink = &notes;
    notes.str("");
    load(
        "W { M { P { g { }\np { v 0 0 v 2 0 v 2 2 v 0 2\nh v 5 5 v 6 5 v 6 6\nh v 0.5 0.5 v 1 0.5 v 1 1 }\n"
        "t { t textures/none.png p { tv 0 0 pv 0 0 tv 1 1 pv 1 1 } }\np { v 0 0 v 1 0 v 1 1\nx= 5 0 }\n} } }");
    EXPECT_TRUE(noted("test.ini:3: contour lies wholly outside the shape's first contour")) << notes.str();
    EXPECT_FALSE(noted("test.ini:4: contour")) << notes.str();
    EXPECT_TRUE(noted("test.ini:5: textured polygon has 2 points; it takes 3 or more")) << notes.str();
    EXPECT_TRUE(noted("test.ini:7: placement key in a shape block after everything it could move")) << notes.str();
}
