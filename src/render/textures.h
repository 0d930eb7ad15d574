// The texture registry: one record per distinct image path, shared by every
// textured polygon that names it. Decoding needs no GL context; uploading is
// done by an uploader the window installs once a context exists.
#pragma once

#include <cstdint>
#include <string>

constexpr uint32_t pixelFormatRgb = 0x1907;   // GL_RGB
constexpr uint32_t pixelFormatRgba = 0x1908;  // GL_RGBA

struct TextureRecord {
    uint32_t glName = 0;
    uint32_t width = 0, height = 0;  // as uploaded
    uint32_t format = 0;             // pixelFormatRgb or pixelFormatRgba
    std::string path;                // the text it was requested by
};

// Returns the record for `path`, loading it on first request (shared after).
TextureRecord* acquireTexture(const std::string& path);
