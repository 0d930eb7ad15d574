// The numbers of the process state that a frame may change, as one flat
// run of 32-bit words, and the layout they fit: the history keeps a frame
// as these words and puts them back to rewind. Everything a state file
// holds is either here or fixed while the layout stays the same (names,
// triangles, joints, textures, consoles), so words put back into a state of
// the same layout give exactly the state they were taken from.
#pragma once

#include <cstdint>
#include <vector>

// The counts the words depend on: worlds, models, bodies, shapes, contour
// sizes, anchors, grab ends, springs and the ends each spring joins, and
// the part of each contact memory the bodies' serials reach. Two states
// with the same layout take each other's words.
std::vector<uint32_t> stateLayout();

// Replaces `words` with the values of the running state, in a fixed order.
void takeStateValues(std::vector<uint32_t>& words);

// Puts back values taken from a state of the running state's layout. The
// caller checks the layout; words of another layout are not read.
void putStateValues(const std::vector<uint32_t>& words);
