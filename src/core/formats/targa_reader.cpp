#include "core/formats/targa_reader.h"

#include "core/base/header_bytes.h"
#include "core/formats/picture_size.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace pictoreel {

namespace {

using Bytes = HeaderBytes;

// Targa (.tga and the .icb/.vda/.vst aliases) is read here rather than by ImageMagick 6, which
// misreads grey-with-alpha pictures as 15-bit colour and leaves bottom-up rows unflipped.
class TargaReader {
public:
    explicit TargaReader(const Bytes& b) : b_(b) {}

    Result<RgbaImage> read()
    {
        if (!b_.has(0, 18))
            return corrupt("the header is incomplete");
        const unsigned idLength = b_.u8(0), mapType = b_.u8(1), imageType = b_.u8(2);
        const unsigned mapFirst = b_.le16(3), mapLength = b_.le16(5), mapEntryBits = b_.u8(7);
        const int width = static_cast<int>(b_.le16(12)), height = static_cast<int>(b_.le16(14));
        depth_ = b_.u8(16);
        const unsigned descriptor = b_.u8(17);
        alphaBits_ = descriptor & 0x0F;
        const bool rle = imageType >= 9 && imageType <= 11;
        kind_ = rle ? imageType - 8 : imageType;
        if (kind_ < 1 || kind_ > 3 || mapType > 1)
            return unsupported();
        if (Status s = checkPictureSize(width, height); !s)
            return s.error();
        if ((kind_ == 1 && (mapType != 1 || (depth_ != 8 && depth_ != 16))) ||
            (kind_ == 2 && depth_ != 15 && depth_ != 16 && depth_ != 24 && depth_ != 32) ||
            (kind_ == 3 && depth_ != 8 && depth_ != 16))
            return unsupported();
        at_ = 18 + idLength;
        if (mapType == 1) {
            if (mapEntryBits != 15 && mapEntryBits != 16 && mapEntryBits != 24 && mapEntryBits != 32)
                return unsupported();
            const std::size_t entryBytes = (mapEntryBits + 7) / 8;
            if (!b_.has(at_, entryBytes * mapLength))
                return corrupt("the colour map is incomplete");
            palette_.resize(std::size_t(mapFirst) + mapLength, {0, 0, 0, 255});
            for (unsigned i = 0; i < mapLength; ++i)
                palette_[mapFirst + i] = colour(at_ + i * entryBytes, mapEntryBits);
            at_ += entryBytes * mapLength;
        }

        // Pixels go straight to their place in the picture: no second copy of them as stored.
        RgbaImage picture(width, height);
        const std::size_t bytesPerPixel = (depth_ + 7) / 8;
        const std::size_t count = std::size_t(width) * height;
        const bool topDown = descriptor & 0x20, rightToLeft = descriptor & 0x10;
        int row = 0, column = 0;
        auto put = [&](const Rgba& c) {
            const int y = topDown ? row : height - 1 - row;
            const int x = rightToLeft ? width - 1 - column : column;
            std::memcpy(picture.pixel(x, y), &c, 4);
            if (++column == width) {
                column = 0;
                ++row;
            }
        };
        if (rle) {
            std::size_t filled = 0;
            while (filled < count) {
                if (!b_.has(at_, 1))
                    return corrupt("the compressed pixels end early");
                const unsigned packet = b_.u8(at_++);
                const std::size_t run = std::min<std::size_t>((packet & 0x7F) + 1, count - filled);
                if (packet & 0x80) {
                    if (!b_.has(at_, bytesPerPixel))
                        return corrupt("the compressed pixels end early");
                    const Rgba c = pixel(at_);
                    for (std::size_t k = 0; k < run; ++k)
                        put(c);
                    at_ += bytesPerPixel;
                } else {
                    if (!b_.has(at_, run * bytesPerPixel))
                        return corrupt("the compressed pixels end early");
                    for (std::size_t k = 0; k < run; ++k)
                        put(pixel(at_ + k * bytesPerPixel));
                    at_ += ((packet & 0x7F) + 1) * bytesPerPixel;
                }
                filled += run;
            }
        } else {
            if (!b_.has(at_, count * bytesPerPixel))
                return corrupt("the pixels end early");
            for (std::size_t n = 0; n < count; ++n)
                put(pixel(at_ + n * bytesPerPixel));
        }
        // Many writers leave the alpha bits zero; a picture with no visible pixel at all is
        // taken as one without alpha.
        bool allTransparent = true;
        for (std::size_t i = 3; i < picture.pixels.size() && allTransparent; i += 4)
            allTransparent = picture.pixels[i] == 0;
        if (allTransparent)
            for (std::size_t i = 3; i < picture.pixels.size(); i += 4)
                picture.pixels[i] = 255;
        return picture;
    }

private:
    struct Rgba {
        std::uint8_t r, g, b, a;
    };

    static std::uint8_t expand5(unsigned v) { return static_cast<std::uint8_t>((v << 3) | (v >> 2)); }

    // The pixel stored at `at`, whatever the picture's kind.
    Rgba pixel(std::size_t at) const
    {
        if (kind_ == 1) {
            const unsigned index = depth_ == 8 ? b_.u8(at) : b_.le16(at);
            return index < palette_.size() ? palette_[index] : Rgba{0, 0, 0, 255};
        }
        if (kind_ == 3) {
            const auto v = static_cast<std::uint8_t>(b_.u8(at));
            return {v, v, v, depth_ == 16 ? static_cast<std::uint8_t>(b_.u8(at + 1)) : std::uint8_t{255}};
        }
        return colour(at, depth_);
    }

    Rgba colour(std::size_t at, unsigned bits) const
    {
        const Bytes& from = b_;
        if (bits == 15 || bits == 16) {
            const unsigned v = from.le16(at);
            const bool opaque = bits == 15 || alphaBits_ == 0 || (v & 0x8000);
            return {expand5((v >> 10) & 31), expand5((v >> 5) & 31), expand5(v & 31), opaque ? std::uint8_t{255} : std::uint8_t{0}};
        }
        const auto blue = static_cast<std::uint8_t>(from.u8(at)), green = static_cast<std::uint8_t>(from.u8(at + 1)),
                   red = static_cast<std::uint8_t>(from.u8(at + 2));
        const std::uint8_t alpha = bits == 32 ? static_cast<std::uint8_t>(from.u8(at + 3)) : std::uint8_t{255};
        return {red, green, blue, alpha};
    }

    static Error corrupt(const char* what)
    {
        return makeError(ErrorCode::CorruptData,
                         QStringLiteral("The picture is damaged or unreadable: Targa file, %1.").arg(QLatin1String(what)));
    }
    static Error unsupported()
    {
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("This kind of Targa picture is not supported."));
    }

    Bytes b_;
    std::size_t at_ = 0;
    unsigned depth_ = 0;
    unsigned alphaBits_ = 0;
    unsigned kind_ = 0;
    std::vector<Rgba> palette_;
};

}  // namespace

Result<RgbaImage> decodeTarga(const QByteArray& bytes)
{
    return TargaReader(Bytes{reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())})
        .read();
}

}  // namespace pictoreel
