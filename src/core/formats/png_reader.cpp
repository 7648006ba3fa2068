#include "core/formats/png_reader.h"

#include "core/formats/icc_profile.h"
#include "core/formats/png_true_colour.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>
#include <vector>

namespace pictoreel {

namespace {

struct Source {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

void readBytes(png_structp png, png_bytep out, png_size_t count)
{
    auto* source = static_cast<Source*>(png_get_io_ptr(png));
    if (count > source->size - source->position)
        png_error(png, "cut short");
    std::memcpy(out, source->data + source->position, count);
    source->position += count;
}

void ignoreWarning(png_structp, png_const_charp) {}

// libpng's own handler prints the error on standard error before jumping back; the caller says
// what went wrong in its own words, so the jump alone is wanted.
[[noreturn]] void jumpBack(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// libpng reports errors by jumping back to the setjmp of the function that called it. Each step
// below sets its own, and keeps no object of its own whose state the jump could leave half made;
// what they fill belongs to the caller.
class PngRead {
public:
    explicit PngRead(const QByteArray& bytes)
        : source_{reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()), 0}
    {
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpBack, ignoreWarning);
        if (png_)
            info_ = png_create_info_struct(png_);
    }
    ~PngRead() { png_destroy_read_struct(&png_, &info_, nullptr); }
    PngRead(const PngRead&) = delete;
    PngRead& operator=(const PngRead&) = delete;

    // Reads the header and asks for 8-bit RGBA rows; false for a damaged header.
    bool start(png_uint_32& width, png_uint_32& height)
    {
        if (!png_ || !info_)
            return false;
        if (setjmp(png_jmpbuf(png_)))
            return false;
        png_set_read_fn(png_, &source_, readBytes);
        png_read_info(png_, info_);
        png_set_expand(png_);
        png_set_scale_16(png_);
        png_set_gray_to_rgb(png_);
        png_set_add_alpha(png_, 0xFF, PNG_FILLER_AFTER);
        png_set_interlace_handling(png_);
        png_read_update_info(png_, info_);
        width = png_get_image_width(png_, info_);
        height = png_get_image_height(png_, info_);
        return png_get_rowbytes(png_, info_) == png_size_t(width) * 4 && !hasExif() && !hasOwnProfile();
    }

    // Reads every row into `rows` and the chunks after them; false for damaged data.
    bool finish(png_bytepp rows)
    {
        if (setjmp(png_jmpbuf(png_)))
            return false;
        png_read_image(png_, rows);
        png_read_end(png_, info_);
        return !hasExif();
    }

private:
    // A colour profile other than sRGB's, which changes the picture's colours.
    bool hasOwnProfile() const
    {
        png_charp name = nullptr;
        int compression = 0;
        png_bytep profile = nullptr;
        png_uint_32 length = 0;
        return png_get_iCCP(png_, info_, &name, &compression, &profile, &length) != 0 &&
               profileNeedsConversion(profile, length);
    }

    bool hasExif() const
    {
#ifdef PNG_eXIf_SUPPORTED
        return png_get_valid(png_, info_, PNG_INFO_eXIf) != 0;
#else
        return false;
#endif
    }

    Source source_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

}  // namespace

std::optional<RgbaImage> readCommonPng(const QByteArray& bytes)
{
    if (std::optional<RgbaImage> image = readTrueColourPng(bytes))
        return image;
    try {
        PngRead read(bytes);
        png_uint_32 width = 0, height = 0;
        if (!read.start(width, height) || width == 0 || height == 0)
            return std::nullopt;
        RgbaImage image(static_cast<int>(width), static_cast<int>(height));
        std::vector<png_bytep> rows(height);
        for (png_uint_32 y = 0; y < height; ++y)
            rows[y] = image.pixel(0, static_cast<int>(y));
        if (!read.finish(rows.data()))
            return std::nullopt;
        return image;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace pictoreel
