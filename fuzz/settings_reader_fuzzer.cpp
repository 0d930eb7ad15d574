// libFuzzer target: a settings file read from memory. The display sizes it
// sets must stay finite whatever the text says.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "files/diagnostics.h"
#include "files/reader.h"
#include "files/settings.h"
#include "support/reset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::ostringstream notes;
    resetProcessState();
    notes.str("");
    diagnosticSink = &notes;

    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    loadFile(input, "", "<fuzz>");
    for (float size : {windowedWidth, windowedHeight, fullscreenWidth, fullscreenHeight, viewWidth, viewHeight})
        if (!std::isfinite(size)) std::abort();
    return 0;
}
