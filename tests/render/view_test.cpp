// The view: zoom steps and limits, the point under the cursor staying put
// while zooming, and the default view mapping every point to itself.
#include <gtest/gtest.h>

#include <cmath>

#include "render/view.h"

namespace {

TEST(View, ANotchIsAQuarterMoreAndTheZoomStopsAtItsLimits) {
    EXPECT_EQ(viewZoom(View{}), 1.0f);
    EXPECT_EQ(viewZoom(zoomedView(View{}, Point{}, 4)), 2.44140625f);  // 5^4 / 4^4, exact
    View closest = zoomedView(View{}, Point{}, 1000);
    EXPECT_EQ(viewZoom(closest), 64.0f);
    // From the limit, the first notch out goes below it.
    EXPECT_LT(viewZoom(zoomedView(closest, Point{}, -1)), 64.0f);
    EXPECT_EQ(viewZoom(zoomedView(View{}, Point{}, -1000)), 1.0f / 16.0f);
}

TEST(View, ZoomingKeepsThePointUnderTheCursorWhereItIs) {
    View view;
    Point cursor{-150.0f, 90.0f};
    Point held = viewToWorld(view, cursor);
    for (int notches : {3, 5, -2, -9, 1}) {
        view = zoomedView(view, cursor, notches);
        Point shown = worldToView(view, held);
        EXPECT_NEAR(shown.x, cursor.x, 1e-3f);
        EXPECT_NEAR(shown.y, cursor.y, 1e-3f);
    }
    // Zoomed in, a pixel covers less of the world.
    view = zoomedView(View{}, cursor, 4);
    Point right = viewToWorld(view, Point{cursor.x + 244.140625f, cursor.y});
    EXPECT_NEAR(right.x - held.x, 100.0f, 1e-3f);
}

TEST(View, TheDefaultViewMapsEveryPointToItselfAndPansStayInRange) {
    for (Point p : {Point{-0.0f, 0.0f}, Point{-400.0f, 300.0f}, Point{0.5f, -1e-30f}}) {
        Point world = viewToWorld(View{}, p);
        EXPECT_EQ(std::signbit(world.x), std::signbit(p.x));
        EXPECT_EQ(world.x, p.x);
        EXPECT_EQ(world.y, p.y);
    }
    // In and out again about the centre is the default view once more.
    EXPECT_TRUE(isDefaultView(zoomedView(zoomedView(View{}, Point{}, 7), Point{}, -7)));
    // A pan to a point past any coordinate holds the centre in range.
    View far = pannedView(zoomedView(View{}, Point{}, -1000), Point{3e38f, -3e38f}, Point{});
    EXPECT_EQ(far.centre.x, 1e12f);
    EXPECT_EQ(far.centre.y, -1e12f);
}

}  // namespace
