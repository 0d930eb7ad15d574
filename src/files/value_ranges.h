// The values a world file may give, chosen so that no product the step
// forms from them can leave the float range (3.4e38), and each far beyond
// what a real scene uses (coordinates in the thousands, speeds in the tens,
// masses up to a million). docs/limits.md lists them with their notes.
//
// The step squares distances and impulses: an edge's length, a swept
// displacement (speed times a sub-step of up to 1e4 frames at the largest
// time scale), the normal and friction impulses (speed times mass, twice
// over, friction times ten). With coordinates up to 1e12 a body that falls
// across the whole range reaches some 6e5 units a frame; speeds up to 1e6
// and masses up to 1e10 keep every impulse below 1e17 and its square below
// 1e35.
#pragma once

// Any point, anchor, circle centre or radius once placed, and any body's
// position: |x| and |y| at most this (units).
constexpr float maxCoordinate = 1e12f;

// No point of a body may start faster than this (units a frame): its
// velocity "V" plus its angular velocity "W" times its reach.
constexpr float maxStartSpeed = 1e6f;

// A shape's mass (given, or density times area) and a body's summed mass.
constexpr float minMass = 1e-12f;
constexpr float maxMass = 1e10f;

// Bounce above 1 adds energy at every contact; static and kinetic friction
// are read into [0, maxFriction].
constexpr float maxBounce = 1.0f;
constexpr float maxFriction = 10.0f;

// What the docs give for start velocities. A body may start faster (up to
// maxStartSpeed) but gets a note: past these no scene means it.
constexpr float plausibleStartSpeed = 1000.0f;    // units a frame: the window's width in one frame
constexpr float plausibleStartSpin = 3.1415927f;  // radians a frame: half a turn each frame
