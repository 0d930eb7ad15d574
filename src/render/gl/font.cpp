#include "render/gl/font.h"

#include <GL/gl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <vector>

uint32_t fontListBase = 0;

namespace {

constexpr const char* fontFamily = "Courier New";

// FreeType's one-bit rows run top-down with their own pitch; glBitmap wants
// them bottom-up, byte-packed.
std::vector<uint8_t> bottomUpRows(const FT_Bitmap& bitmap) {
    size_t rowBytes = (bitmap.width + 7) / 8;
    std::vector<uint8_t> rows(rowBytes * bitmap.rows);
    for (unsigned int row = 0; row < bitmap.rows; ++row) {
        const uint8_t* source = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
        if (bitmap.pitch < 0) source = bitmap.buffer + static_cast<ptrdiff_t>(bitmap.rows - 1 - row) * -bitmap.pitch;
        std::copy(source, source + rowBytes, rows.begin() + static_cast<ptrdiff_t>((bitmap.rows - 1 - row) * rowBytes));
    }
    return rows;
}

// One glyph as a glBitmap: the raster position is the glyph's origin on the
// baseline, and the bitmap advances it by the glyph's advance.
void compileGlyph(FT_Face face, uint32_t character, GLuint list) {
    glNewList(list, GL_COMPILE);
    if (face && FT_Load_Char(face, character, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) == 0) {
        FT_GlyphSlot glyph = face->glyph;
        const FT_Bitmap& bitmap = glyph->bitmap;
        std::vector<uint8_t> rows =
            bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? bottomUpRows(bitmap) : std::vector<uint8_t>{};
        GLsizei width = rows.empty() ? 0 : static_cast<GLsizei>(bitmap.width);
        GLsizei height = rows.empty() ? 0 : static_cast<GLsizei>(bitmap.rows);
        glBitmap(width, height, static_cast<GLfloat>(-glyph->bitmap_left),
                 static_cast<GLfloat>(height - glyph->bitmap_top), static_cast<GLfloat>(glyph->advance.x) / 64.0f,
                 static_cast<GLfloat>(glyph->advance.y) / 64.0f, rows.empty() ? nullptr : rows.data());
    }
    glEndList();
}

}  // namespace

std::string findFontFile(const std::string& family, bool bold) {
    if (!FcInit()) return {};
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string path;
    FcChar8* file = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
        path = reinterpret_cast<const char*>(file);
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return path;
}

void buildFont() {
    fontListBase = glGenLists(static_cast<GLsizei>(fontCharacterCount));
    if (fontListBase == 0) return;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::string file = findFontFile(fontFamily, true);
    if (!file.empty() && FT_Init_FreeType(&library) == 0) {
        // A character height of 20 pixels: the em square, not the line cell.
        if (FT_New_Face(library, file.c_str(), 0, &face) != 0 || FT_Set_Pixel_Sizes(face, 0, fontPixelHeight) != 0) {
            if (face) FT_Done_Face(face);
            face = nullptr;
        }
    }
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    for (uint32_t i = 0; i < fontCharacterCount; ++i) compileGlyph(face, fontFirstCharacter + i, fontListBase + i);
    glPopClientAttrib();
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
}

void GlOverlayPainter::beginConsole() {
    glColor3f(0.0f, 0.3f, 0.8f);
    glDisable(GL_TEXTURE_2D);
}

void GlOverlayPainter::fillBox(float left, float bottom, float right, float top) {
    glDisable(GL_TEXTURE_2D);
    glColor4f(0.0f, 0.0f, 0.0f, 0.8f);
    glBegin(GL_QUADS);
    glVertex2f(left, bottom);
    glVertex2f(right, bottom);
    glVertex2f(right, top);
    glVertex2f(left, top);
    glEnd();
    beginConsole();
}

void GlOverlayPainter::drawLine(float x, float y, std::string_view line) {
    // Codes outside the font's range have no glyph and draw nothing; leaving
    // them out keeps them from calling lists that are not the font's.
    std::string printable;
    printable.reserve(line.size());
    for (char c : line) {
        auto code = static_cast<unsigned char>(c);
        if (code >= fontFirstCharacter && code < fontFirstCharacter + fontCharacterCount) printable.push_back(c);
    }
    // The raster position takes the current colour as the text colour.
    glRasterPos2f(x, y);
    glPushAttrib(GL_LIST_BIT);
    glListBase(fontListBase - fontFirstCharacter);
    glCallLists(static_cast<GLsizei>(printable.size()), GL_UNSIGNED_BYTE, printable.data());
    glPopAttrib();
}
