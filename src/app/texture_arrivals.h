// Pictures fetched in the background join the worlds: once a pass, those
// that arrived are uploaded, the polygons that waited for them get texture
// coordinates in the picture's size, and a picture that did not come is
// noted once.
#pragma once

#include <functional>

// Once a pass, with the window's context current.
void placeArrivedTextures();

// Waits for the addresses asked for so far (at most their load's budget),
// then places them: a run that shows one frame nobody watches (--screenshot)
// draws what a patient user would see, the same every time. `stop` is asked
// a few times a second and ends the wait early.
void awaitFetchedTexturesPlaced(const std::function<bool()>& stop);
