#include "app/frame_png.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

bool consistent(const FrameImage& image) {
    if (image.width <= 0 || image.height <= 0) return false;
    size_t expected = static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3;
    return image.rgb.size() == expected;
}

}  // namespace

bool writeFramePng(const std::string& path, const FrameImage& image) {
    if (!consistent(image)) return false;
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    // libpng reports write errors (a full disk) by jumping back here.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // GL reads the bottom row first; a PNG starts at the top.
    size_t rowBytes = static_cast<size_t>(image.width) * 3;
    for (int row = image.height - 1; row >= 0; --row) {
        png_const_bytep bytes = image.rgb.data() + static_cast<size_t>(row) * rowBytes;
        png_write_row(png, bytes);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    // The last bytes reach the file only now; a full disk says so here.
    bool flushed = std::fflush(file.get()) == 0;
    return std::fclose(file.release()) == 0 && flushed;
}
