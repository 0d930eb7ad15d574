#include "files/block_reader.h"

#include <cstring>

#include "files/diagnostics.h"
#include "files/line_counting_buffer.h"
#include "files/reader_primitives.h"

// The end of the file came before the block's "}". Only the innermost open
// block says so: the blocks around it end at the same place.
static void noteLeftOpen(std::istream& input, long beginLine, const BlockSyntax& syntax) {
    LineCountingBuffer* counting = countingBufferOf(input);
    if (counting == nullptr || counting->openBlockNoted) return;
    counting->openBlockNoted = true;
    reportReadProblemAtLine(
        input, beginLine, std::string(syntax.name) + " begins here and the file ends before its \"}\"; it ends there");
}

static void noteUnusedPlacement(std::istream& input, long line, const BlockSyntax& syntax) {
    if (line == 0 || input.fail()) return;
    reportReadProblemAtLine(input, line,
                            std::string("placement key in ") + syntax.name +
                                " after everything it could move: it acts only on what follows it, so it moves "
                                "nothing; write it before the corners or blocks it is meant to move");
}

void readBlock(std::istream& input, const std::string& prefix, const BlockSyntax& syntax, const OwnKeyReader& ownKey) {
    long beginLine = keyLineOf(input);
    long unusedPlacementLine = 0;  // of the first placement key nothing has used yet
    char key = 0;
    for (;;) {
        // Only a clean end of input leaves a block open; a failed read has
        // its own note.
        bool readable = !input.fail();
        if (!readKey(input, key)) {
            // The inside of a block in a file of its own may leave its
            // placement to what follows the include.
            if (!syntax.needsClosing) return;
            if (readable && !input.bad()) noteLeftOpen(input, beginLine, syntax);
            noteUnusedPlacement(input, unusedPlacementLine, syntax);
            return;
        }
        if (ownKey(input, prefix, key)) {
            if (key != 0 && std::strchr(syntax.placedKeys, key) != nullptr) unusedPlacementLine = 0;
            continue;
        }
        if (syntax.placement != nullptr && isPlacementKey(key)) {
            if (unusedPlacementLine == 0) unusedPlacementLine = keyLineOf(input);
            readPlacementKey(input, key, *syntax.placement);
        } else if (key == 'f') {
            unusedPlacementLine = 0;
            BlockSyntax inside = syntax;
            inside.needsClosing = false;
            includeFile(input, prefix, [&](std::istream& included, const std::string& includedPrefix) {
                readBlock(included, includedPrefix, inside, ownKey);
            });
        } else if (key == '/') {
            skipComment(input);
        } else if (key == '}' || key == syntax.alsoEnds) {
            if (syntax.needsClosing) noteUnusedPlacement(input, unusedPlacementLine, syntax);
            return;
        } else {
            noteIgnoredKey(input, key, syntax.name);
        }
    }
}
