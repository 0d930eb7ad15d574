// The real window under Xvfb: context and view set-up, the scene's colours
// and markers read back from the frame, the overlay font, texture uploads,
// and a second window after the first is closed.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>

#include "app/sdl/sdl_window_system.h"
#include "assets/textures.h"
#include "files/settings.h"
#include "geometry/tessellation.h"
#include "render/gl/font.h"
#include "render/gl/gl_renderer.h"
#include "render/gl/scene.h"
#include "render/gl/texture_upload.h"
#include "render/overlay_consoles.h"
#include "render/window.h"
#include "sim/globals.h"
#include "support/reset.h"
#include "support/world_builder.h"

namespace {

using Rgb = std::array<int, 3>;

class GlWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessState();
        ASSERT_TRUE(platform.started());
        ASSERT_EQ(openWindow(platform, renderer, "Vantor", width, height, 32, false), WindowOpening::opened);
        renderer.buildFont();
        installTextureUpload();
    }
    void TearDown() override {
        closeWindow(platform);
        resetProcessState();
    }

    // Draws a frame and reads it before it is swapped.
    void drawFrame() {
        renderer.drawFrame(View{}, FrameOverlay{});
        ASSERT_TRUE(platform.readFrame(frame));
    }
    // The pixel whose centre is nearest to world point (x, y).
    Rgb pixelAt(float x, float y) const {
        int column = static_cast<int>(x + static_cast<float>(width / 2));
        int row = static_cast<int>(y + static_cast<float>(height / 2));
        return pixel(column, row);
    }
    Rgb pixel(int column, int row) const {
        size_t at = (static_cast<size_t>(row) * static_cast<size_t>(frame.width) + static_cast<size_t>(column)) * 3;
        return Rgb{frame.rgb[at], frame.rgb[at + 1], frame.rgb[at + 2]};
    }
    int countPixels(int left, int bottom, int right, int top, Rgb colour, int tolerance = 2) const {
        int count = 0;
        for (int row = bottom; row < top; ++row)
            for (int column = left; column < right; ++column) {
                Rgb p = pixel(column, row);
                bool near = true;
                for (int c = 0; c < 3; ++c) near = near && std::abs(p[c] - colour[c]) <= tolerance;
                count += near;
            }
        return count;
    }

    SdlWindowSystem platform;
    GlRenderer renderer;
    int width = 320, height = 240;
    FrameImage frame;
};

// A box with triangles and a colour, placed as the reader leaves it.
std::unique_ptr<Body> colouredBox(float w, float h, float x, float y, Colour colour) {
    std::unique_ptr<Body> body = makeBox(w, h, x, y);
    for (Shape& shape : body->shapes) {
        prepareShape(shape);
        shape.colour = colour;
    }
    placeBody(*body);
    return body;
}

TEST_F(GlWindowTest, ViewIsACentredPixelProjection) {
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 320, 240}));
    std::array<GLfloat, 16> projection{};
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    EXPECT_FLOAT_EQ(projection[0], 2.0f / 320.0f);
    EXPECT_FLOAT_EQ(projection[5], 2.0f / 240.0f);
    EXPECT_FLOAT_EQ(projection[10], -2.0f);
    EXPECT_FLOAT_EQ(projection[12], 0.0f);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_FLOAT_EQ(viewWidth, 320.0f);

    // An odd width keeps integer halves: -160 to 160 over 321 pixels.
    resizeView(renderer, 321, 240);
    glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
    EXPECT_FLOAT_EQ(projection[0], 2.0f / 320.0f);
    resizeView(renderer, 321, 0);
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport[3], 1);
}

TEST_F(GlWindowTest, FixedStateIsInPlace) {
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE_MINUS_SRC_ALPHA);
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
    GLboolean doubleBuffered = GL_FALSE;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    EXPECT_TRUE(doubleBuffered);
    glGetIntegerv(GL_DEPTH_BITS, &value);
    EXPECT_GE(value, 16);
    EXPECT_TRUE(textureOptions.mipmapping);
    EXPECT_EQ(textureOptions.filterMode, 2);
}

TEST_F(GlWindowTest, ShapesShowInTheirColoursWithMarkersOnTop) {
    World& world = addWorld();
    Model& floor = addModel(world, colouredBox(300, 40, 0, -80, Colour{1.0f, 0.0f, 0.0f}));
    makeBolted(*floor.rootPlug->owner);
    addModel(world, colouredBox(40, 40, 0.5f, 0.5f, Colour{0.0f, 0.0f, 0.6f}));
    World* current = stepContext.currentWorld;
    drawFrame();
    EXPECT_EQ(pixelAt(-100, -80), (Rgb{255, 0, 0}));
    EXPECT_EQ(pixelAt(10, 10), (Rgb{0, 0, 153}));
    // The box's plug sits on its centre: blue over the green centre point,
    // and one pixel above it.
    EXPECT_EQ(pixelAt(0.5f, 0.5f), (Rgb{0, 0, 255}));
    EXPECT_EQ(pixelAt(0.5f, 1.5f), (Rgb{0, 0, 255}));
    // Nothing is drawn outside the shapes.
    EXPECT_EQ(pixelAt(-100, 60), (Rgb{0, 0, 0}));
    EXPECT_EQ(stepContext.currentWorld, current);  // drawing changes nothing it draws from

    // A shape whose current outline lost its points draws nothing.
    floor.rootPlug->owner->shapes[0].curContours[0].resize(2);
    drawFrame();
    EXPECT_EQ(pixelAt(-100, -80), (Rgb{0, 0, 0}));
}

TEST_F(GlWindowTest, JointLinesSpringsAndGrabPointsAreDrawn) {
    World& world = addWorld();
    Model& model = addModel(world, colouredBox(20, 20, -60.5f, 0.5f, Colour{0.2f, 0.2f, 0.2f}));
    Body& parent = *model.rootPlug->owner;
    Body& child = attachChild(model, parent, Point{0, 0}, colouredBox(20, 20, 60.5f, 0.5f, Colour{0.2f, 0.2f, 0.2f}),
                              Point{0, 0});
    // The joint line joins the predicted anchors.
    Plug& plug = child.plugs[child.parentPlug];
    plug.predX = 40.5f;
    plug.predY = 40.5f;
    plug.partner->predX = -40.5f;
    plug.partner->predY = 40.5f;

    SpringEnd* grab = &parent.grabs.emplace_back(SpringEnd{&parent, Point{-60.5f, -50.5f}, {}});
    parent.grabs.push_back(SpringEnd{&parent, Point{-60.5f, -70.5f}, {}});
    world.cursorEnd.point = Point{-20.5f, -50.5f};
    world.springs.push_back(Spring{10.0f, grab, &world.cursorEnd});
    drawFrame();

    EXPECT_EQ(pixelAt(0.5f, 40.5f), (Rgb{191, 230, 0}));
    EXPECT_EQ(pixelAt(-40.5f, -50.5f), (Rgb{255, 128, 128}));
    EXPECT_EQ(pixelAt(-60.5f, -70.5f), (Rgb{255, 255, 255}));
    // Springs are drawn after the bodies: the line covers its grab point.
    EXPECT_EQ(pixelAt(-60.5f, -50.5f), (Rgb{255, 128, 128}));
}

TEST_F(GlWindowTest, ATexturedBodyShowsItsTexturesAlone) {
    World& world = addWorld();
    Model& model = addModel(world, colouredBox(40, 40, -60, 0, Colour{0.0f, 1.0f, 0.0f}));
    Body& root = *model.rootPlug->owner;
    attachChild(model, root, Point{0, 0}, colouredBox(40, 40, 60, 0, Colour{0.0f, 1.0f, 0.0f}), Point{0, 0});

    static TextureRecord record;
    record.width = record.height = 2;
    record.format = pixelFormatRgba;
    DecodedImage yellow;
    yellow.width = yellow.height = 2;
    yellow.format = pixelFormatRgba;
    for (int i = 0; i < 4; ++i) yellow.pixels.insert(yellow.pixels.end(), {255, 255, 0, 255});
    uploadTexture(record, yellow);
    auto polygon = std::make_unique<TexturedPolygon>();
    polygon->texture = &record;
    polygon->texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    polygon->points = {{-15, -15}, {15, -15}, {15, 15}, {-15, 15}};
    root.textures.push_back(std::move(polygon));
    drawFrame();

    EXPECT_EQ(pixelAt(-60, 0), (Rgb{255, 255, 0}));
    // Outside the polygon the root's own shape is not drawn, nor its child.
    EXPECT_EQ(pixelAt(-60, 18), (Rgb{0, 0, 0}));
    EXPECT_EQ(pixelAt(60, 0), (Rgb{0, 0, 0}));
    // Texturing stays on after a textured body (the overlay turns it off).
    drawWorld(world);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(GlWindowTest, OverlayTextAppearsInItsColumnInTheOverlayColour) {
    const Rgb textColour{0, 77, 204};
    overlayConsole(-1) = "888\n";
    drawFrame();
    // Console -1 starts 6 pixels from the left, its baseline 20 below the top.
    int inColumn = countPixels(6, height - 22, 60, height, textColour);
    EXPECT_GT(inColumn, 20);
    EXPECT_EQ(countPixels(60, 0, width, height, textColour), 0);

    overlayConsole(0) = "888\n";
    drawFrame();
    EXPECT_GT(countPixels(206, height - 22, 260, height, textColour), 20);
}

TEST_F(GlWindowTest, TheFontIsABoldMonospacedFace) {
    std::string file = findFontFile("Courier New", true);
    ASSERT_FALSE(file.empty());
    EXPECT_NE(file.find("Mono"), std::string::npos) << file;
    EXPECT_NE(file.find("Bold"), std::string::npos) << file;
    EXPECT_NE(fontListBase, 0u);
    EXPECT_TRUE(glIsList(fontListBase));
    EXPECT_TRUE(glIsList(fontListBase + fontCharacterCount - 1));
}

std::vector<uint8_t> textureLevel(GLuint name, GLenum format, int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width * height) * (format == GL_RGBA ? 4 : 3));
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

GLint textureParameter(GLuint name, GLenum parameter) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
}

GLint levelWidth(GLuint name, int level) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &value);
    return value;
}

DecodedImage rgbImage(uint32_t width, uint32_t height) {
    DecodedImage image;
    image.width = width;
    image.height = height;
    image.format = pixelFormatRgb;
    for (uint32_t i = 0; i < width * height * 3; ++i) image.pixels.push_back(static_cast<uint8_t>(i * 7));
    return image;
}

TEST_F(GlWindowTest, UploadsFollowTheFilterTable) {
    DecodedImage image = rgbImage(3, 3);  // 9-byte rows: not a multiple of four
    TextureRecord record{0, 3, 3, pixelFormatRgb, "odd.tga"};

    textureOptions.filterMode = 0;
    uploadTexture(record, image);
    EXPECT_EQ(textureParameter(record.glName, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(textureParameter(record.glName, GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(levelWidth(record.glName, 1), 0);  // no mipmaps
    EXPECT_EQ(textureLevel(record.glName, GL_RGB, 3, 3), image.pixels);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 1);  // mode 0 leaves byte alignment set
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

    textureOptions.filterMode = 2;
    GLuint first = record.glName;
    uploadTexture(record, image);
    EXPECT_NE(record.glName, first);  // every upload makes a new name
    EXPECT_EQ(textureParameter(record.glName, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(textureParameter(record.glName, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_GT(levelWidth(record.glName, 1), 0);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4);

    textureOptions.filterMode = 3;
    textureOptions.mipmapping = false;
    uploadTexture(record, image);
    EXPECT_EQ(textureParameter(record.glName, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(record.glName, GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(textureLevel(record.glName, GL_RGB, 3, 3), image.pixels);
}

TEST_F(GlWindowTest, ARecordOfAnotherSizeIsScaledBeforeUpload) {
    textureOptions.filterMode = 0;
    DecodedImage image = rgbImage(3, 2);
    TextureRecord record{0, 4, 4, pixelFormatRgb, "scaled.tga"};
    uploadTexture(record, image);
    EXPECT_EQ(levelWidth(record.glName, 0), 4);
    EXPECT_GT(glMaxTextureSize(), 63u);
}

TEST_F(GlWindowTest, AReopenedWindowGetsItsFontAndTexturesBack) {
    static const char* path = VANTOR_TEST_DATA "/files/checker_64x32.tga";
    TextureRecord* record = acquireTexture(path);
    ASSERT_NE(record->glName, 0u);
    EXPECT_TRUE(glIsTexture(record->glName));

    closeWindow(platform);
    ASSERT_EQ(openWindow(platform, renderer, "Vantor", 400, 300, 32, false), WindowOpening::opened);
    renderer.buildFont();
    renderer.reloadTextures();
    EXPECT_TRUE(glIsList(fontListBase));
    EXPECT_TRUE(glIsTexture(record->glName));
    EXPECT_FLOAT_EQ(viewWidth, 400.0f);
}

}  // namespace
