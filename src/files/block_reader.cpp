#include "files/block_reader.h"

#include "files/reader_primitives.h"

void readBlock(std::istream& input, const std::string& prefix, const BlockSyntax& syntax, const OwnKeyReader& ownKey) {
    char key = 0;
    while (readKey(input, key)) {
        if (ownKey(input, prefix, key)) continue;
        if (syntax.placement != nullptr && isPlacementKey(key)) {
            readPlacementKey(input, key, *syntax.placement);
        } else if (key == 'f') {
            includeFile(input, prefix, [&](std::istream& included, const std::string& includedPrefix) {
                readBlock(included, includedPrefix, syntax, ownKey);
            });
        } else if (key == '/') {
            skipComment(input);
        } else if (key == '}' || key == syntax.alsoEnds) {
            return;
        } else {
            noteIgnoredKey(input, key, syntax.name);
        }
    }
}
