#include "files/settings_keys.h"

#include <string>

#include "files/diagnostics.h"
#include "files/reader_primitives.h"
#include "files/settings.h"

void readSettingsKey(std::istream& input, char key) {
    Point size;
    char mode = 0;
    switch (key) {
        case 'w':
            if (readVector(input, size)) windowedWidth = size.x, windowedHeight = size.y;
            break;
        case 'f':
            if (readVector(input, size)) fullscreenWidth = size.x, fullscreenHeight = size.y;
            break;
        case 's':
            // Copies the pair as it stands now; a later "w" or "f" changes only
            // the pair, not the size in force.
            if (!readSubKey(input, mode)) break;
            if (mode == 'w') {
                fullscreen = false;
                viewWidth = windowedWidth, viewHeight = windowedHeight;
            } else if (mode == 'f') {
                fullscreen = true;
                viewWidth = fullscreenWidth, viewHeight = fullscreenHeight;
            } else {
                reportReadProblem(input, std::string("start mode '") + mode + "' means nothing; skipped");
            }
            break;
        default:
            break;
    }
}
