// Socket, plug, textured-polygon and point-list blocks.
#include <algorithm>

#include "files/blocks.h"
#include "files/diagnostics.h"
#include "files/reader_primitives.h"
#include "render/textures.h"

static const char* anchorBlockName(bool isSocket) { return isSocket ? "a socket block" : "a plug block"; }

void Anchor::read(std::istream& input, std::string prefix, const Placement& placement, bool isSocket) {
    char key = 0;
    while (readKey(input, key)) {
        Point position;
        float number = 0.0f;
        switch (key) {
        case 'x':
            // Sets the position; a second "x" replaces the first.
            if (discardSeparator(input) && readVector(input, position) && mapPoint(input, placement, position, position)) {
                localX = position.x;
                localY = position.y;
            }
            break;
        case 'l': readText(input, name); break;
        case 'w':
            if (!isSocket) {
                noteIgnoredKey(input, key, anchorBlockName(isSocket));
                break;
            }
            if (readNumber(input, number)) weight = number;
            break;
        case 'f':
            includeFile(input, prefix, [&](std::istream& included, const std::string& includedPrefix) {
                read(included, includedPrefix, placement, isSocket);
            });
            break;
        case '/': skipComment(input); break;
        case '}': return;
        default: noteIgnoredKey(input, key, anchorBlockName(isSocket)); break;
        }
    }
}

Anchor constructAnchor(std::istream& input, const std::string& prefix, const Placement& placement, bool isSocket) {
    // An anchor whose block gives no "x" stays at (0, 0) of the placement
    // coordinates, before the body re-centres it.
    Anchor anchor;
    anchor.read(input, prefix, placement, isSocket);
    return anchor;
}

void readPointList(std::istream& input, std::string prefix, std::vector<Point>& texCoords,
                   std::vector<Point>& points, const Placement& placement) {
    char key = 0;
    while (readKey(input, key)) {
        char which = 0;
        Point point;
        switch (key) {
        case 't':
        case 'p':
            if (!readSubKey(input, which)) break;
            if (which != 'v') {
                reportReadProblem(input, std::string("point-list sub-key '") + key + which + "' means nothing; skipped");
                break;
            }
            if (!readVector(input, point)) break;
            if (key == 't')
                texCoords.push_back(point);
            else if (mapPoint(input, placement, point, point))
                points.push_back(point);
            break;
        case 'f':
            includeFile(input, prefix, [&](std::istream& included, const std::string& includedPrefix) {
                readPointList(included, includedPrefix, texCoords, points, placement);
            });
            break;
        case '/': skipComment(input); break;
        case '}': return;
        default: noteIgnoredKey(input, key, "a point list"); break;
        }
    }
}

void TexturedPolygon::read(std::istream& input, std::string prefix) {
    char key = 0;
    while (readKey(input, key)) {
        std::string path;
        switch (key) {
        case 't':
            if (readText(input, path)) texture = acquireTexture(prefix + path);
            break;
        case 'p': readPointList(input, prefix, texCoords, points, placement); break;
        case 'z':
        case 'x':
        case 'a': readPlacementKey(input, key, placement); break;
        case 'f':
            includeFile(input, prefix, [&](std::istream& included, const std::string& includedPrefix) {
                read(included, includedPrefix);
            });
            break;
        case '/': skipComment(input); break;
        case 'e':
        case '}': return;
        default: noteIgnoredKey(input, key, "a textured-polygon block"); break;
        }
    }
}

// Pixels to the 0..1 range of the texture. An image that did not load has
// size 0: its coordinates stay in pixels rather than become infinite.
static void normaliseTexCoords(std::istream& input, TexturedPolygon& polygon) {
    const TextureRecord& texture = *polygon.texture;
    if (texture.width == 0 || texture.height == 0)
        reportReadProblem(input, "texture \"" + texture.path + "\" has no size; its coordinates stay in pixels");
    float width = static_cast<float>(texture.width), height = static_cast<float>(texture.height);
    for (Point& coord : polygon.texCoords) {
        if (texture.width != 0) coord.x = coord.x / width;
        if (texture.height != 0) coord.y = coord.y / height;
    }
}

std::unique_ptr<TexturedPolygon> constructTexturedPolygon(std::istream& input, const std::string& prefix,
                                                          const Placement& placement) {
    auto polygon = std::make_unique<TexturedPolygon>();
    polygon->placement = placement;
    polygon->read(input, prefix);
    if (polygon->texture == nullptr) {
        reportReadProblem(input, "textured polygon names no texture (\"t\"); left out");
        return nullptr;
    }
    normaliseTexCoords(input, *polygon);
    // Point i is drawn with texture coordinate i: both lists end together.
    if (polygon->texCoords.size() != polygon->points.size()) {
        reportReadProblem(input, "textured polygon has " + std::to_string(polygon->points.size()) + " points and " +
                                     std::to_string(polygon->texCoords.size()) +
                                     " texture coordinates; the unpaired ones are dropped");
        size_t paired = std::min(polygon->texCoords.size(), polygon->points.size());
        polygon->texCoords.resize(paired);
        polygon->points.resize(paired);
    }
    return polygon;
}
