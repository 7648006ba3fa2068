#include "core/formats/pcx_reader.h"

#include "core/base/header_bytes.h"
#include "core/formats/picture_size.h"

#include <algorithm>
#include <array>
#include <vector>

namespace pictoreel {

namespace {

using Bytes = HeaderBytes;

constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kEndPaletteBytes = 1 + 256 * 3;  // 0x0C, then 256 RGB triples

Error corrupt(const char* what)
{
    return makeError(ErrorCode::CorruptData,
                     QStringLiteral("The picture is damaged or unreadable: PCX file, %1.").arg(QLatin1String(what)));
}

// The pixel bytes: runs of a byte (a count byte 0xC0 | n before it) and single bytes below 0xC0.
// Many writers let a run carry on into the next line, so a run left over continues there.
class Scanlines {
public:
    Scanlines(const Bytes& b, std::size_t at, std::size_t end, bool encoded) : b_(b), at_(at), end_(end), encoded_(encoded) {}

    bool next(std::vector<std::uint8_t>& line)
    {
        std::size_t filled = 0;
        while (filled < line.size()) {
            if (runLeft_ > 0) {
                const std::size_t n = std::min<std::size_t>(runLeft_, line.size() - filled);
                std::fill_n(line.begin() + std::ptrdiff_t(filled), n, runValue_);
                filled += n;
                runLeft_ -= n;
                continue;
            }
            if (at_ >= end_)
                return false;
            const auto c = static_cast<std::uint8_t>(b_.u8(at_++));
            if (!encoded_ || (c & 0xC0) != 0xC0) {
                line[filled++] = c;
            } else {
                if (at_ >= end_)
                    return false;
                runLeft_ = c & 0x3F;
                runValue_ = static_cast<std::uint8_t>(b_.u8(at_++));
            }
        }
        return true;
    }

private:
    Bytes b_;
    std::size_t at_, end_;
    bool encoded_;
    std::size_t runLeft_ = 0;
    std::uint8_t runValue_ = 0;
};

}  // namespace

Result<RgbaImage> decodePcx(const QByteArray& bytes)
{
    const Bytes b{reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
    if (!b.has(0, kHeaderBytes) || b.u8(0) != 0x0A)
        return corrupt("the header is incomplete");
    const unsigned encoding = b.u8(2), bits = b.u8(3), planes = b.u8(65), bytesPerLine = b.le16(66);
    const unsigned xMin = b.le16(4), yMin = b.le16(6), xMax = b.le16(8), yMax = b.le16(10);
    if (xMax < xMin || yMax < yMin)
        return corrupt("its size is negative");
    const int width = static_cast<int>(xMax - xMin + 1), height = static_cast<int>(yMax - yMin + 1);
    const bool known = encoding <= 1 && ((bits == 1 && planes >= 1 && planes <= 4) || ((bits == 2 || bits == 4) && planes == 1) ||
                                         (bits == 8 && (planes == 1 || planes == 3 || planes == 4)));
    if (!known)
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("This kind of PCX picture is not supported."));
    if (Status s = checkPictureSize(width, height); !s)
        return s.error();
    if (bytesPerLine < (std::size_t(width) * bits + 7) / 8)
        return corrupt("its lines are shorter than its width");

    // Colours of the indexed layouts: one bit is black and white whatever the header holds, up
    // to 16 colours come from the header, 256 from the end of the file (after a 0x0C), and eight
    // bits without that palette are grey levels.
    std::array<std::array<std::uint8_t, 3>, 256> palette{};
    std::size_t end = b.size;
    const unsigned indexBits = bits * planes;
    if (indexBits == 1) {
        palette[1] = {255, 255, 255};
    } else if (indexBits <= 4) {
        for (unsigned i = 0; i < 16; ++i)
            for (unsigned c = 0; c < 3; ++c)
                palette[i][c] = static_cast<std::uint8_t>(b.u8(16 + i * 3 + c));
    } else if (bits == 8 && planes == 1) {
        const bool atEnd = b.size >= kHeaderBytes + kEndPaletteBytes && b.u8(b.size - kEndPaletteBytes) == 0x0C;
        if (atEnd)
            end = b.size - kEndPaletteBytes;
        for (unsigned i = 0; i < 256; ++i)
            for (unsigned c = 0; c < 3; ++c)
                palette[i][c] = atEnd ? static_cast<std::uint8_t>(b.u8(end + 1 + i * 3 + c)) : static_cast<std::uint8_t>(i);
    }

    RgbaImage picture(width, height);
    std::vector<std::uint8_t> line(std::size_t(planes) * bytesPerLine);
    Scanlines scanlines(b, kHeaderBytes, end, encoding == 1);
    for (int y = 0; y < height; ++y) {
        if (!scanlines.next(line))
            return corrupt("the pixels end early");
        std::uint8_t* out = picture.pixel(0, y);
        for (int x = 0; x < width; ++x, out += 4) {
            if (bits == 8 && planes >= 3) {
                for (unsigned c = 0; c < planes; ++c)
                    out[c] = line[c * bytesPerLine + x];
                if (planes == 3)
                    out[3] = 255;
                continue;
            }
            unsigned index = 0;
            if (bits == 1) {
                for (unsigned p = 0; p < planes; ++p)
                    index |= ((line[p * bytesPerLine + x / 8] >> (7 - x % 8)) & 1u) << p;
            } else {
                const std::size_t bit = std::size_t(x) * bits;
                index = (line[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            }
            std::copy(palette[index].begin(), palette[index].end(), out);
            out[3] = 255;
        }
    }
    return picture;
}

}  // namespace pictoreel
