// Socket, plug, textured-polygon and point-list blocks.
#include <algorithm>

#include <filesystem>

#include "assets/image_decoders.h"
#include "assets/textures.h"
#include "files/block_reader.h"
#include "files/blocks.h"
#include "files/diagnostics.h"
#include "files/read_budget.h"
#include "files/reader_primitives.h"

// The keys of a socket or plug block; the placement has no keys here.
static bool readAnchorKey(std::istream& input, char key, Anchor& anchor, const Placement& placement, bool isSocket) {
    Point position;
    float number = 0.0f;
    switch (key) {
        case 'x':
            // Sets the position; a second "x" replaces the first.
            if (discardSeparator(input) && readVector(input, position) &&
                mapPoint(input, placement, position, position)) {
                anchor.localX = position.x;
                anchor.localY = position.y;
            }
            return true;
        case 'l':
            readText(input, anchor.name);
            return true;
        case 'w':
            if (!isSocket) return false;
            if (readNumber(input, number)) anchor.weight = number;
            return true;
        default:
            return false;
    }
}

Anchor constructAnchor(std::istream& input, const std::string& prefix, const Placement& placement, bool isSocket) {
    // An anchor whose block gives no "x" stays at (0, 0) of the placement
    // coordinates, before the body re-centres it.
    chargePart(input);
    Anchor anchor;
    readBlock(input, prefix, {isSocket ? "a socket block" : "a plug block"},
              [&](std::istream& in, const std::string&, char key) {
                  return readAnchorKey(in, key, anchor, placement, isSocket);
              });
    return anchor;
}

void readPointList(std::istream& input, const std::string& prefix, std::vector<Point>& texCoords,
                   std::vector<Point>& points, const Placement& placement) {
    readBlock(input, prefix, {"a point list"}, [&](std::istream& in, const std::string&, char key) {
        if (key != 't' && key != 'p') return false;
        char which = 0;
        Point point;
        if (!readSubKey(in, which)) return true;
        if (which != 'v') {
            reportReadProblem(in, std::string("point-list sub-key '") + key + which + "' means nothing; skipped");
            return true;
        }
        if (!readVector(in, point)) return true;
        bool isCorner = key == 'p';
        if (isCorner && !mapPoint(in, placement, point, point)) return true;
        if (!chargePoints(in, 1)) return true;
        (isCorner ? points : texCoords).push_back(point);
        return true;
    });
}

// Why the picture `texture` stands for did not load, for the note at its
// "t" key; empty when it loaded or is still on its way.
static std::string textureProblem(const TextureRecord& texture) {
    if (texture.fetching || texture.overBudget || (texture.width != 0 && texture.height != 0)) return {};
    if (isTextureAddress(texture.path))
        return textureBackend.fetcher ? "the address did not answer"
                                      : "the address is not fetched here (only a window fetches addresses)";
    std::error_code error;
    std::string full = textureFullPath(texture.path);
    if (!std::filesystem::is_regular_file(full, error)) return "not found";
    uintmax_t bytes = std::filesystem::file_size(full, error);
    if (!error && bytes > maxDecodedImageBytes)
        return "too large (over " + std::to_string(maxDecodedImageBytes >> 20) + " MB)";
    return "not a picture it can read (or over " + std::to_string(maxDecodedImageBytes >> 20) + " MB decoded)";
}

static void noteTextureProblem(std::istream& input, const TextureRecord& texture) {
    std::string problem = textureProblem(texture);
    if (!problem.empty())
        reportReadProblemAtLine(
            input, keyLineOf(input),
            "texture \"" + texture.path + "\": " + problem + "; drawn white, its coordinates stay in pixels");
}

// The keys of a textured-polygon block, which "e" also ends.
static void readTexturedPolygon(TexturedPolygon& polygon, std::istream& input, const std::string& prefix) {
    readBlock(input, prefix, {"a textured-polygon block", &polygon.placement, 'e', true, "p"},
              [&](std::istream& in, const std::string& at, char key) {
                  std::string path;
                  switch (key) {
                      case 't':
                          // An address is not a name in the file's directory.
                          // Absolute names stand as they are.
                          if (readFileName(in, path)) {
                              bool asGiven = isTextureAddress(path) || (!path.empty() && path.front() == '/');
                              polygon.texture = acquireTexture(asGiven ? path : at + path);
                              noteTextureProblem(in, *polygon.texture);
                          }
                          return true;
                      case 'p':
                          readPointList(in, at, polygon.texCoords, polygon.points, polygon.placement);
                          return true;
                      default:
                          return false;
                  }
              });
}

void scaleTexCoords(TexturedPolygon& polygon) {
    const TextureRecord& texture = *polygon.texture;
    float width = static_cast<float>(texture.width), height = static_cast<float>(texture.height);
    for (Point& coord : polygon.texCoords) {
        if (texture.width != 0) coord.x = coord.x / width;
        if (texture.height != 0) coord.y = coord.y / height;
    }
}

// Pixels to the 0..1 range of the texture. An image that did not load has
// size 0: its coordinates stay in pixels rather than become infinite. A
// picture on its way is waited for.
static void normaliseTexCoords(std::istream& input, long line, TexturedPolygon& polygon) {
    const TextureRecord& texture = *polygon.texture;
    if (texture.fetching) {
        polygon.awaitsTexture = true;
        return;
    }
    if (texture.overBudget)
        reportReadProblemAtLine(input, line,
                                "texture \"" + texture.path + "\" left out: the pictures before it fill the " +
                                    std::to_string(textureOptions.decodedBudget >> 20) +
                                    " MiB of pictures a run keeps; drawn white");
    scaleTexCoords(polygon);
}

std::unique_ptr<TexturedPolygon> constructTexturedPolygon(std::istream& input, const std::string& prefix,
                                                          const Placement& placement) {
    long line = keyLineOf(input);
    chargePart(input);
    auto polygon = std::make_unique<TexturedPolygon>();
    polygon->placement = placement;
    readTexturedPolygon(*polygon, input, prefix);
    if (polygon->texture == nullptr) {
        reportReadProblemAtLine(input, line, "textured polygon names no texture (\"t\"); left out");
        return nullptr;
    }
    normaliseTexCoords(input, line, *polygon);
    // Point i is drawn with texture coordinate i: both lists end together.
    if (polygon->texCoords.size() != polygon->points.size()) {
        reportReadProblemAtLine(input, line,
                                "textured polygon has " + std::to_string(polygon->points.size()) + " points and " +
                                    std::to_string(polygon->texCoords.size()) +
                                    " texture coordinates; the unpaired ones are dropped");
        size_t paired = std::min(polygon->texCoords.size(), polygon->points.size());
        polygon->texCoords.resize(paired);
        polygon->points.resize(paired);
    }
    if (polygon->points.size() < 3)
        reportReadProblemAtLine(input, line,
                                "textured polygon has " + std::to_string(polygon->points.size()) +
                                    (polygon->points.size() == 1 ? " point" : " points") +
                                    "; it takes 3 or more to draw anything, so it shows nothing");
    return polygon;
}
