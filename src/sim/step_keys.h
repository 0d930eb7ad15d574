// The held keys a frame's step reads, as plain flags: the program fills
// them from its key table, tests and benchmarks set them directly.
#pragma once

struct StepKeys {
    bool faster = false;       // K: the time scale grows by 1 % a world step
    bool slower = false;       // L: the time scale shrinks by 1 % a world step
    bool normalSpeed = false;  // J: the time scale back to 1
    bool lift = false;         // Space: bodies named "lower arm" are pulled up
    bool freeze = false;       // F9: model roots stop translating
};
