#include "render/view.h"

#include <algorithm>
#include <cmath>

#include "files/value_ranges.h"

namespace {

// A centre beyond any coordinate a body may have is no view of anything;
// held there, no pan can carry it out of the float range.
float heldCoordinate(float value) {
    if (std::isnan(value)) return 0.0f;
    return std::clamp(value, -maxCoordinate, maxCoordinate);
}

}  // namespace

bool isDefaultView(const View& view) { return view.zoomLevel == 0 && view.centre.x == 0.0f && view.centre.y == 0.0f; }

float viewZoom(const View& view) {
    // 5^n and 4^n are exact in a double for every level, so the one
    // division is the only rounding.
    int level = std::clamp(view.zoomLevel, minZoomLevel, maxZoomLevel);
    double fives = 1.0, fours = 1.0;
    for (int i = 0; i < std::abs(level); ++i) fives *= 5.0, fours *= 4.0;
    double zoom = level >= 0 ? fives / fours : fours / fives;
    return std::clamp(static_cast<float>(zoom), minZoom, maxZoom);
}

Point viewToWorld(const View& view, Point offset) {
    if (isDefaultView(view)) return offset;
    float zoom = viewZoom(view);
    return Point{view.centre.x + offset.x / zoom, view.centre.y + offset.y / zoom};
}

Point worldToView(const View& view, Point world) {
    if (isDefaultView(view)) return world;
    float zoom = viewZoom(view);
    return Point{(world.x - view.centre.x) * zoom, (world.y - view.centre.y) * zoom};
}

View zoomedView(const View& view, Point offset, int notches) {
    Point fixed = viewToWorld(view, offset);
    View zoomed = view;
    zoomed.zoomLevel = std::clamp(view.zoomLevel + std::clamp(notches, -1000, 1000), minZoomLevel, maxZoomLevel);
    return pannedView(zoomed, fixed, offset);
}

View pannedView(const View& view, Point anchor, Point offset) {
    float zoom = viewZoom(view);
    View panned = view;
    panned.centre = Point{heldCoordinate(anchor.x - offset.x / zoom), heldCoordinate(anchor.y - offset.y / zoom)};
    return panned;
}
