// Shared set-up for the reader tests: fresh process state, notes captured.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "files/diagnostics.h"
#include "files/reader.h"
#include "sim/globals.h"
#include "support/reset.h"

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessState();
        diagnosticSink = &notes;
    }
    void TearDown() override { resetProcessState(); }

    // Reads `text` as a whole file at the top level.
    void load(const std::string& text, const std::string& prefix = "") {
        std::istringstream input(text);
        loadFile(input, prefix, "test.ini");
    }

    // Reads `text` as the inside of one world block; returns that world.
    World& loadWorld(const std::string& text, const std::string& prefix = "") {
        load("W {\n" + text + "\n}", prefix);
        return *worlds.back();
    }

    // The only body of the world's first model.
    Body& onlyBody(World& world) {
        EXPECT_EQ(world.models.size(), 1u);
        EXPECT_EQ(world.models.at(0)->bodies.size(), 1u);
        return *world.models.at(0)->bodies.at(0);
    }

    int noteCount() const {
        std::string text = notes.str();
        int count = 0;
        for (char c : text) count += c == '\n';
        return count;
    }
    bool noted(const std::string& fragment) const { return notes.str().find(fragment) != std::string::npos; }

    std::ostringstream notes;
};

inline std::string dataPath(const std::string& name) { return std::string(VANTOR_TEST_DATA) + "/files/" + name; }
inline std::string dataPrefix() { return std::string(VANTOR_TEST_DATA) + "/files/"; }

// A 2 × 2 square body around (cx, cy), hung by a plug at its centre.
inline std::string squareBody(float cx, float cy, const std::string& extra = "") {
    std::ostringstream text;
    text << "P { g { x= " << cx << " " << cy << " } p { v " << cx - 1 << " " << cy - 1 << " v " << cx + 1 << " "
         << cy - 1 << " v " << cx + 1 << " " << cy + 1 << " v " << cx - 1 << " " << cy + 1 << " } " << extra << " }";
    return text.str();
}
