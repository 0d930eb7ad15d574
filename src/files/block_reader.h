// The one loop every block of a world file is read with. A block's own keys
// go to the block; the keys every block shares are handled here: the
// placement keys, "f" (the named file read as more of this block), "/"
// comments, "}" (end of the block), and a note for any key the block does
// not define.
#pragma once

#include <functional>
#include <istream>
#include <string>

#include "sim/records.h"

struct BlockSyntax {
    const char* name = "";           // for the note: "a body block"
    Placement* placement = nullptr;  // "z", "x", "a" act on it; null: the block has no placement keys
    char alsoEnds = '}';             // a second key that closes the block ("e" in a textured polygon)
    // False for text that is the inside of a block without its "}": an
    // included file, a dropped file. Otherwise the end of the file before
    // the "}" is noted at the line where the block begins.
    bool needsClosing = true;
    // The block's own keys that read through the placement: placement keys
    // with none of these (nor an include) after them move nothing.
    const char* placedKeys = "";
};

// Reads the arguments of a key the block defines and returns true; returns
// false, having read nothing, for a key it does not define. `prefix` is the
// directory of the file being read (an included file's own).
using OwnKeyReader = std::function<bool(std::istream& input, const std::string& prefix, char key)>;

// Reads keys until "}" (or `alsoEnds`) closes the block, the input ends or
// the stream fails. The key that opened the block is the last one read. Own keys are asked first, so a block may give a
// shared key a meaning of its own (an anchor's "x" is its position).
void readBlock(std::istream& input, const std::string& prefix, const BlockSyntax& syntax, const OwnKeyReader& ownKey);
