// The overlay's font: bitmap glyphs of a bold "Courier New" (or its metric
// twin found through fontconfig) at a 20-pixel character height, one
// display list per character code 32 to 127.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "render/overlay.h"

constexpr uint32_t fontFirstCharacter = 32;
constexpr uint32_t fontCharacterCount = 96;
constexpr uint32_t fontPixelHeight = 20;

// The first of the 96 lists of the current context (0 before buildFont).
extern uint32_t fontListBase;

// Makes 96 new display lists in the current context and fills them with the
// glyphs; lists whose glyph cannot be had stay empty and draw nothing.
void buildFont();

// The font file fontconfig offers for a family and weight; empty when none.
std::string findFontFile(const std::string& family, bool bold);

// Draws overlay lines with the font's lists, in the overlay's colour.
class GlOverlayPainter : public OverlayPainter {
public:
    void beginConsole() override;
    void drawLine(float x, float y, std::string_view line) override;
    void fillBox(float left, float bottom, float right, float top) override;
};
