#include "png_file.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstddef>
#include <cstring>

namespace {

struct PngErrors {
    std::jmp_buf jump;
    char message[200] = "";
    std::FILE* file = nullptr;
};

// Writes through the stream as libpng would, but keeps the system's reason
// for a failed write ("No space left on device", "File too large") in place
// of the library's "Write Error".
void writeData(png_structp png, png_bytep data, png_size_t length)
{
    auto* errors = static_cast<PngErrors*>(png_get_io_ptr(png));
    if (std::fwrite(data, 1, length, errors->file) != length) {
        png_error(png, std::strerror(errno != 0 ? errno : EIO));
    }
}

void flushData(png_structp png)
{
    auto* errors = static_cast<PngErrors*>(png_get_io_ptr(png));
    if (std::fflush(errors->file) != 0) {
        png_error(png, std::strerror(errno != 0 ? errno : EIO));
    }
}

[[noreturn]] void onPngError(png_structp png, png_const_charp message)
{
    auto* errors = static_cast<PngErrors*>(png_get_error_ptr(png));
    std::snprintf(errors->message, sizeof errors->message, "%s", message);
    std::longjmp(errors->jump, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// libpng reports errors by longjmp, so this function holds no object with a
// destructor; the caller owns the strings.
bool writeRows(std::FILE* file, const unsigned char* rgba, int width, int height, PngErrors& errors)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors, onPngError, onPngWarning);
    if (png == nullptr) {
        std::snprintf(errors.message, sizeof errors.message, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(errors.message, sizeof errors.message, "out of memory");
        return false;
    }
    if (setjmp(errors.jump) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    errors.file = file;
    png_set_write_fn(png, &errors, writeData, flushData);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_filler(png, 0, PNG_FILLER_AFTER); // rows carry a fourth byte to strip
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    for (int row = 0; row < height; ++row) {
        png_write_row(png, rgba + row * rowBytes);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool writeRgbPng(std::FILE* file, const unsigned char* rgba, int width, int height, std::string& error)
{
    PngErrors errors;
    if (!writeRows(file, rgba, width, height, errors)) {
        error = errors.message;
        return false;
    }
    if (std::fflush(file) != 0 || std::ferror(file) != 0) {
        error = std::strerror(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}
