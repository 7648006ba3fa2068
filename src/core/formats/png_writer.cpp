#include "core/formats/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <vector>

namespace pictoreel {

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t count)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
}

void flushNothing(png_structp) {}
void ignoreWarning(png_structp, png_const_charp) {}
[[noreturn]] void jumpBack(png_structp png, png_const_charp) { png_longjmp(png, 1); }

bool opaque(const RgbaImage& image)
{
    for (std::size_t i = 3; i < image.pixels.size(); i += 4)
        if (image.pixels[i] != 255)
            return false;
    return true;
}

// Speed over size: deflate level 2, and the "sub" filter on every row instead of trying each
// filter per row.
constexpr int kDeflateLevel = 2;

// libpng jumps back here on an error; nothing owned lives in this frame, so the jump loses nothing.
bool write(png_structp png, png_infop info, const RgbaImage& image, bool rgb, std::vector<std::uint8_t>& row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8, rgb ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, kDeflateLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* in = image.pixel(0, y);
        if (!rgb) {
            png_write_row(png, in);
            continue;
        }
        for (std::size_t x = 0, o = 0; x < std::size_t(image.width); ++x, in += 4, o += 3) {
            row[o] = in[0];
            row[o + 1] = in[1];
            row[o + 2] = in[2];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

Result<QByteArray> encodeFastPng(const RgbaImage& image)
{
    if (image.empty())
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("An empty picture cannot be written as PNG"));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpBack, ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return makeError(ErrorCode::FileWriteFailed, QStringLiteral("The PNG writer cannot start: out of memory"));
    }
    QByteArray bytes;
    png_set_write_fn(png, &bytes, appendBytes, flushNothing);
    // libpng limits the sides to a million pixels by default; a GIF's sides are 16-bit.
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    const bool rgb = opaque(image);
    std::vector<std::uint8_t> row(rgb ? std::size_t(image.width) * 3 : 0);
    const bool written = write(png, info, image, rgb, row);
    png_destroy_write_struct(&png, &info);
    if (!written)
        return makeError(ErrorCode::FileWriteFailed, QStringLiteral("The PNG cannot be written: out of memory"));
    return bytes;
}

}  // namespace pictoreel
