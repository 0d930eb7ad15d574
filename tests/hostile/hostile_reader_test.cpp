// Hostile input read in-process, where the results can be looked at
// closely and thousands of variants cost little: every cut of a full world
// file, every refused number in every place, and the limits on bodies,
// capacity hints, masks and includes.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "files/diagnostics.h"
#include "files/reader.h"
#include "sim/globals.h"
#include "sim/step.h"
#include "support/reset.h"
#include "support/world_builder.h"

namespace {

const std::string corpus = VANTOR_SOURCE_DIR "/tests/corpus/hostile/";

// Uses every block kind and argument form: world, model, body, child body,
// shapes with holes, circle and ellipse, sockets, plugs, a textured polygon
// with its point list, placement keys, quoted texts, comments.
const std::string fullWorld =
    "w 640 480 f 800 600 s w\n"
    "W { l 'whole world' z 1 1 a 0\n"
    " M { l model x= 0 40\n"
    "  P { l 'upper arm' V 1 2 W 0.5 ! NOGRAVITY r 3\n"
    "   g { x= 0 0 l top } s { x= 0 -20 l elbow w 1 }\n"
    "   p { v -5 -25 v 5 -25 v 5 5 v -5 5 h v -1 -1 v 1 -1 v 1 1 v -1 1 m 2 u s 0.5 u k 0.2 e 0.5 k 0x18000 "
    "c 255 128 0 l skin rh 4 }\n"
    "   p { o 0 -25 3 d 2 } p { z 2 1 o 0 0 2 }\n"
    "   t { t checker_64x32.tga x= 1 1 p { tv 0 0 pv -5 -25 tv 64 0 pv 5 -25 tv 64 32 pv 5 5 } e\n"
    "   c s elbow\n"
    "   P { l 'lower arm' g { x= 0 0 } p { vp 10 0 vp 10 120 vp 10 240 } }\n"
    "  }\n"
    " }\n"
    " M { x= 0 -60 P { g { x= 0 0 } ! BOLTED p { v -100 -5 v 100 -5 v 100 5 v -100 5 } } }\n"
    "}\n";

class HostileReading : public ::testing::Test {
protected:
    std::ostringstream notes;

    void SetUp() override {
        resetProcessState();
        diagnosticSink = &notes;  // the notes are expected here, not on the console
    }
    void TearDown() override { resetProcessState(); }

    void read(const std::string& text, const std::string& prefix = VANTOR_TEST_DATA "/files/") {
        std::istringstream input(text);
        loadFile(input, prefix, "<test>");
    }

    void readFile(const std::string& name) {
        std::ifstream input(corpus + name, std::ios::binary);
        ASSERT_TRUE(input.is_open()) << name;
        loadFile(input, corpus, name);
    }

    static void stepAndExpectFinite(int frames, const std::string& what) {
        for (int frame = 0; frame < frames; ++frame) stepAllWorlds();
        for (const auto& world : worlds) ASSERT_TRUE(everyNumberFinite(*world)) << what;
    }

    static int bodiesIn(const World& world) {
        int count = 0;
        for (const auto& model : world.models) count += static_cast<int>(model->bodies.size());
        return count;
    }
};

TEST_F(HostileReading, EveryCutOfAFullWorldFileReadsAndStepsFinite) {
    read(fullWorld);
    ASSERT_EQ(worlds.size(), 1u);
    ASSERT_EQ(worlds[0]->models.size(), 2u);
    ASSERT_EQ(bodiesIn(*worlds[0]), 3) << notes.str();

    // Cut after every character: inside every block, key, number and text.
    for (size_t length = 0; length < fullWorld.size(); ++length) {
        resetProcessState();
        diagnosticSink = &notes;
        read(fullWorld.substr(0, length));
        stepAndExpectFinite(3, "cut at " + std::to_string(length));
        if (HasFatalFailure()) return;
    }
}

TEST_F(HostileReading, EveryRefusedNumberInEveryPlaceLeavesTheWorldFinite) {
    const char* numbers[] = {"1e39",   "-1e39", "nan", "inf",  "-inf", "0x",    "1e-50",
                             "3.4e38", "-",     ".",   "1e20", "2e19", "1e-45", "-1e13"};
    // "#" marks where the number goes; each line is one world of its own.
    const char* places[] = {
        "W { M { x= # 0 P { g { x= 0 0 } p { v 0 0 v 10 0 v 10 10 } } } }",
        "W { z # 1 M { P { g { x= 0 0 } p { v 0 0 v 10 0 v 10 10 } } } }",
        "W { M { a # P { g { x= 0 0 } p { v 0 0 v 10 0 v 10 10 } } } }",
        "W { M { P { g { x= 0 0 } p { v 0 0 v # 0 v 10 10 } } } }",
        "W { M { P { g { x= 0 0 } p { v 0 0 vp 10 # v 10 10 } } } }",
        "W { M { P { g { x= 0 0 } p { v 0 0 v 10 0 v 10 10 m # } } } }",
        "W { M { P { g { x= 0 0 } p { v 0 0 v 10 0 v 10 10 d # } } } }",
        "W { M { P { g { x= 0 0 } p { v 0 0 v 10 0 v 10 10 u s # u k # e # c # 0 0 } } } }",
        "W { M { P { g { x= 0 0 } p { o 0 0 # } } } }",
        "W { M { P { g { x= 0 0 } p { z # 1 o 0 0 5 } } } }",
        "W { M { P { V # 0 W # g { x= 0 0 } p { v 0 0 v 10 0 v 10 10 } } } }",
        "W { M { P { g { x= # 0 } s { x= 0 # } p { v 0 0 v 10 0 v 10 10 } } } }",
        "W { M { P { g { x= 0 0 } p { v 0 0 v 10 0 v 10 10 } t { t checker_64x32.tga p { tv # 0 pv 0 # } } } } }",
        "w # 1 f 1 # W { M { P { g { x= 0 0 } p { v 0 0 v 10 0 v 10 10 } } } }",
        // Two shapes in contact from the first frame, where bounce, friction,
        // mass and speed meet in the contact's products.
        "W { M { P { ! BOLTED g { x= 0 0 } p { v -50 -5 v 50 -5 v 50 5 v -50 5 e # u k # } } }"
        " M { x= 0 10 P { g { x= 0 0 } V 0 # W # p { v -5 -5 v 5 -5 v 5 5 v -5 5 e # u s # u k # m # } } } }",
        // Large but finite values that overflow only once combined.
        "W { z 1e20 1e20 M { z 1e20 1e20 P { g { x= 0 0 } p { v 0 0 v # 0 v 10 10 } } } }",
        "W { M { x= 3e38 0 P { g { x= 0 0 } p { v # 0 v 3e38 0 v 3e38 3e38 } } } }",
    };
    for (const char* place : places) {
        for (const char* number : numbers) {
            std::string text = place;
            for (size_t at = text.find('#'); at != std::string::npos; at = text.find('#')) text.replace(at, 1, number);
            resetProcessState();
            diagnosticSink = &notes;
            read(text);
            stepAndExpectFinite(100, text);
            if (HasFatalFailure()) return;
        }
    }
}

TEST_F(HostileReading, AWorldNeverHoldsMoreThanItsBodyLimit) {
    readFile("bodies_300_models.ini");
    ASSERT_EQ(worlds.size(), 1u);
    EXPECT_EQ(bodiesIn(*worlds[0]), maxBodiesPerWorld);
    EXPECT_NE(notes.str().find("more than 256"), std::string::npos) << notes.str();

    resetProcessState();
    diagnosticSink = &notes;
    readFile("bodies_300_in_one_model.ini");
    ASSERT_EQ(worlds.size(), 1u);
    EXPECT_LE(bodiesIn(*worlds[0]), maxBodiesPerWorld);
    stepAndExpectFinite(5, "chain of 300");
}

TEST_F(HostileReading, CapacityHintsClaimNoMoreThanTheyNeed) {
    readFile("capacity_hint_huge.ini");
    ASSERT_EQ(worlds.size(), 1u);
    for (const auto& model : worlds[0]->models)
        for (const auto& body : model->bodies) {
            EXPECT_LE(body->shapes.capacity(), 4096u);
            for (const Shape& shape : body->shapes) EXPECT_LE(shape.contours.capacity(), 4096u);
        }
    stepAndExpectFinite(10, "capacity hints");
}

TEST_F(HostileReading, MasksReadAsCNotationUnsignedIntegers) {
    // -1 wraps to every bit, as C's strtoul reads it; a mask beyond 32 bits
    // is unreadable and stops the file like any unreadable number: the shape
    // keeps what was read before it, and the next world is never reached.
    read(
        "W { M { P { g { x= 0 0 } p { k -1 v 0 0 v 1 0 v 1 1 } } }"
        " M { P { g { x= 0 0 } p { v 0 0 v 1 0 v 1 1 k 0x1FFFFFFFFF } } } }"
        "W { }");
    ASSERT_EQ(worlds.size(), 1u);
    ASSERT_EQ(worlds[0]->models.size(), 2u);
    EXPECT_EQ(worlds[0]->models[0]->bodies[0]->shapes[0].collideMask, 0xFFFFFFFFu);
    ASSERT_EQ(worlds[0]->models[1]->bodies[0]->shapes.size(), 1u);
    EXPECT_EQ(worlds[0]->models[1]->bodies[0]->shapes[0].collideMask, 0x18000u);
    EXPECT_NE(notes.str().find("mask"), std::string::npos) << notes.str();
    stepAndExpectFinite(100, "masks");
}

TEST_F(HostileReading, IncludeCyclesStopWithANote) {
    readFile("include_self.ini");
    ASSERT_EQ(worlds.size(), 1u);
    EXPECT_NE(notes.str().find("nested deeper than 32"), std::string::npos) << notes.str();
    // One model per level that was read, no more.
    EXPECT_LE(worlds[0]->models.size(), 33u);
    EXPECT_GE(worlds[0]->models.size(), 1u);

    resetProcessState();
    notes.str("");
    diagnosticSink = &notes;
    readFile("include_each_other.ini");
    ASSERT_EQ(worlds.size(), 1u);
    EXPECT_NE(notes.str().find("nested deeper than 32"), std::string::npos) << notes.str();
    EXPECT_GE(worlds[0]->models.size(), 1u);
}

// Past a limit of one read the read stops with one note; what it had built
// stays. Each flood follows a model that is kept.
TEST_F(HostileReading, EachLimitOfOneReadStopsItWithOneNote) {
    const std::string kept = "M { l kept P { g { x= 0 0 } p { v 0 0 v 10 0 v 10 10 } } }";
    auto repeated = [](const std::string& text, int times) {
        std::string all;
        for (int i = 0; i < times; ++i) all += text;
        return all;
    };
    struct Flood {
        std::string text, note;
    };
    const Flood floods[] = {
        {"M { " + repeated("P { g { x= 0 0 } s { x= 0 -3 } ", 10000) + repeated("} ", 10000) + "}",
         "bodies nested deeper than 512; reading stops here"},
        {"M { P { g { x= 0 0 } p { v 0 0 v 1 0 v 1 1 } " + repeated("s { } ", 20000) + "} }",
         "more than 16 384 models, bodies, shapes, sockets, plugs and textures in one read"},
        {"M { P { g { x= 0 0 } p { v 0 0 v 1 0 v 1 1 } t { t checker_64x32.tga p { " + repeated("tv 0 0 ", 300000) +
             "} } } }",
         "more than 262 144 points in one read"},
        {"} " + repeated("W { } ", 100), "more than 64 worlds in one read"},
    };
    for (const Flood& flood : floods) {
        resetProcessState();
        notes.str("");
        diagnosticSink = &notes;
        read("W { " + kept + " " + flood.text + " }");
        ASSERT_GE(worlds.size(), 1u) << flood.note;
        ASSERT_GE(worlds[0]->models.size(), 1u) << flood.note;
        EXPECT_EQ(worlds[0]->models[0]->label, "kept");
        std::string written = notes.str();
        EXPECT_NE(written.find(flood.note), std::string::npos) << written;
        EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1) << written;
        stepAndExpectFinite(3, flood.note);
    }
}

TEST_F(HostileReading, CrAndCrlfFilesReadLikeLfOnes) {
    for (const char* name : {"line_endings_crlf.ini", "line_endings_cr.ini", "line_endings_mixed.ini"}) {
        resetProcessState();
        diagnosticSink = &notes;
        readFile(name);
        ASSERT_EQ(worlds.size(), 1u) << name;
        ASSERT_EQ(worlds[0]->models.size(), 1u) << name << notes.str();
        EXPECT_EQ(worlds[0]->models[0]->bodies[0]->shapes.size(), 1u) << name;
    }
}

}  // namespace
