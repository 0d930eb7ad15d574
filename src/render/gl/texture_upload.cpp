#include "render/gl/texture_upload.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <vector>

namespace {

size_t componentsOf(uint32_t format) { return format == pixelFormatRgba ? 4 : 3; }

bool holdsPixels(const DecodedImage& image) {
    size_t needed = static_cast<size_t>(image.width) * image.height * componentsOf(image.format);
    return image.width != 0 && image.height != 0 && image.pixels.size() >= needed;
}

// The image at the record's size; the source itself when the sizes agree.
const uint8_t* pixelsAtRecordSize(const TextureRecord& record, const DecodedImage& image,
                                  std::vector<uint8_t>& scaled) {
    if (record.width == image.width && record.height == image.height) return image.pixels.data();
    scaled.assign(static_cast<size_t>(record.width) * record.height * componentsOf(image.format), 0);
    GLint failed = gluScaleImage(image.format, static_cast<GLint>(image.width), static_cast<GLint>(image.height),
                                 GL_UNSIGNED_BYTE, image.pixels.data(), static_cast<GLint>(record.width),
                                 static_cast<GLint>(record.height), GL_UNSIGNED_BYTE, scaled.data());
    return failed == 0 ? scaled.data() : nullptr;
}

}  // namespace

void uploadTexture(TextureRecord& record, const DecodedImage& image) {
    GLuint name = 0;
    glGenTextures(1, &name);
    record.glName = name;
    if (!holdsPixels(image) || record.width == 0 || record.height == 0) return;

    TextureFilterSettings settings = textureFilterSettings(textureOptions, image.mipmapsFollowOption);
    auto components = static_cast<GLint>(componentsOf(image.format));
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, settings.wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, settings.wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, settings.magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, settings.minFilter);

    // Filter mode 0 sets byte alignment and leaves it set for later uploads.
    // Every other upload also reads byte-aligned rows, for the time of the
    // upload: decoded rows are tightly packed, and a 24-bit row whose length
    // is not a multiple of four would otherwise be read past its end.
    if (settings.unpackAlignmentOne) glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);

    std::vector<uint8_t> scaled;
    const uint8_t* pixels = pixelsAtRecordSize(record, image, scaled);
    if (pixels) {
        auto width = static_cast<GLsizei>(record.width);
        auto height = static_cast<GLsizei>(record.height);
        if (settings.buildMipmaps)
            gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, image.format, GL_UNSIGNED_BYTE, pixels);
        else
            glTexImage2D(GL_TEXTURE_2D, 0, components, width, height, 0, image.format, GL_UNSIGNED_BYTE, pixels);
    }
    glPopClientAttrib();
}

uint32_t glMaxTextureSize() {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size > 0 ? static_cast<uint32_t>(size) : 0;
}

void installTextureUpload() {
    textureBackend.upload = uploadTexture;
    textureBackend.maxTextureSize = glMaxTextureSize;
    textureBackend.release = [](uint32_t name) { glDeleteTextures(1, &name); };
}
