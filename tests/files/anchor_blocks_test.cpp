// Sockets, plugs, textured polygons and point lists.
#include "assets/textures.h"
#include "reader_fixture.h"

class AnchorBlocksTest : public ReaderTest {
protected:
    Body& readBody(const std::string& bodyKeys) {
        World& world = loadWorld("M { x= 10 0 P { g { x= 0 0 } p { v -1 -1 v 1 -1 v 1 1 v -1 1 } " + bodyKeys + " } }",
                                 dataPrefix());
        return onlyBody(world);
    }
};

TEST_F(AnchorBlocksTest, SocketPositionUnderThePlacementAndLastXWins) {
    // Placement translates by (10, 0): «x= 5 0» stores 15, the mass centre is 10.
    Body& body = readBody("s { x= 1 1 x= 5 0 w 2.5 l hand z 3 3 } g { x= 0 0 w 7 }");
    ASSERT_EQ(body.sockets.size(), 1u);
    EXPECT_FLOAT_EQ(body.sockets[0].localX, 5.0f);
    EXPECT_FLOAT_EQ(body.sockets[0].localY, 0.0f);
    EXPECT_FLOAT_EQ(body.sockets[0].weight, 2.5f);
    EXPECT_EQ(body.sockets[0].name, "hand");
    EXPECT_EQ(body.plugs[1].weight, 0.0f);  // "w" means nothing in a plug
    EXPECT_TRUE(noted("key 'w' means nothing in a plug block"));
    EXPECT_TRUE(noted("key 'z' means nothing in a socket block"));
}

TEST_F(AnchorBlocksTest, TexturedPolygonNormalisedBySizeAndShared) {
    Body& body = readBody(
        "t { t checker_64x32.tga p { tv 32 16 pv 0 0 t v 64 0 p v 2 0 tvp 10 90 pvp 10 90 } } "
        "t { t 'checker_64x32.tga' x= 1 0 p { tv 0 0 pv 0 0 } e ");
    ASSERT_EQ(body.textures.size(), 2u);
    const TexturedPolygon& first = *body.textures[0];
    ASSERT_NE(first.texture, nullptr);
    EXPECT_EQ(first.texture->width, 64u);
    ASSERT_EQ(first.texCoords.size(), 3u);
    EXPECT_FLOAT_EQ(first.texCoords[0].x, 0.5f);
    EXPECT_FLOAT_EQ(first.texCoords[0].y, 0.5f);
    EXPECT_FLOAT_EQ(first.texCoords[1].x, 1.0f);
    EXPECT_NEAR(first.texCoords[2].y, 10.0f / 32.0f, 1e-6f);
    // Points mapped by the placement (10, 0) and made body-local (centre 10).
    EXPECT_FLOAT_EQ(first.points[1].x, 2.0f);
    EXPECT_NEAR(first.points[2].y, 10.0f, 1e-5f);
    const TexturedPolygon& second = *body.textures[1];
    EXPECT_EQ(second.texture, first.texture);
    EXPECT_FLOAT_EQ(second.points[0].x, 1.0f);  // its own copy of the placement
    // "e" closed the second polygon; the body block went on to its "}".
    // Its one corner draws nothing, and that is all there is to say.
    EXPECT_EQ(noteCount(), 1) << notes.str();
    EXPECT_TRUE(noted("test.ini:2: textured polygon has 1 point; it takes 3 or more")) << notes.str();
}

TEST_F(AnchorBlocksTest, TexturedPolygonStagedInAShapeJoinsTheBody) {
    Body& body = readBody("p { v 5 5 v 6 5 v 6 6 t { t checker_64x32.tga p { tv 0 0 pv 0 0 } } }");
    EXPECT_EQ(body.textures.size(), 1u);
}

TEST_F(AnchorBlocksTest, PolygonWithoutTextureIsLeftOut) {
    Body& body = readBody("t { p { tv 32 16 pv 0 0 } }");
    EXPECT_TRUE(body.textures.empty());
    EXPECT_TRUE(noted("names no texture"));
}

// The note says why, at the "t" that names the picture.
TEST_F(AnchorBlocksTest, TextureThatDidNotLoadKeepsPixelCoordinates) {
    Body& body = readBody("t {\nt missing.tga p { tv 32 16 pv 0 0 } }");
    ASSERT_EQ(body.textures.size(), 1u);
    EXPECT_FLOAT_EQ(body.textures[0]->texCoords[0].x, 32.0f);
    EXPECT_TRUE(noted(":3: texture \"" + dataPrefix() + "missing.tga\": not found; drawn white")) << notes.str();
    notes.str("");
    // A file that is there but holds no picture (this test's own source).
    readBody("t { t " + std::string(VANTOR_SOURCE_DIR) + "/tests/files/anchor_blocks_test.cpp p { } }");
    EXPECT_TRUE(noted("anchor_blocks_test.cpp\": not a picture it can read")) << notes.str();
}

TEST_F(AnchorBlocksTest, UnpairedPointsAreDropped) {
    Body& body = readBody("t { t checker_64x32.tga p { tv 0 0 tv 64 0 pv 0 0 pv 1 0 pv 1 1 e } }");
    ASSERT_EQ(body.textures.size(), 1u);
    EXPECT_EQ(body.textures[0]->texCoords.size(), 2u);
    EXPECT_EQ(body.textures[0]->points.size(), 2u);
    EXPECT_TRUE(noted("unpaired"));
    EXPECT_TRUE(noted("key 'e' means nothing in a point list"));
}
