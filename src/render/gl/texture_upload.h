// Texture upload into the current context: filters and wrap from the
// loader's options, mipmaps through GLU, rescaling to the record's size.
#pragma once

#include <cstdint>

#include "assets/textures.h"

// Makes a new texture name for the record and uploads the image; scales it
// first when the record's size differs from the image's.
void uploadTexture(TextureRecord& record, const DecodedImage& image);

// GL_MAX_TEXTURE_SIZE of the current context.
uint32_t glMaxTextureSize();

// Hooks the registry's uploader, release and size query to this context.
void installTextureUpload();
