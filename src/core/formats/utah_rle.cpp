#include "core/formats/utah_rle.h"

#include "core/formats/picture_size.h"

#include <array>
#include <vector>

namespace pictoreel {
namespace {

enum Flags : unsigned { ClearFirst = 1, NoBackground = 2, HasAlpha = 4, HasComment = 8 };
enum Opcode : unsigned { SkipLines = 1, SetColor = 2, SkipPixels = 3, ByteData = 5, RunData = 6, EndOfImage = 7 };
constexpr unsigned kLongForm = 0x40;
constexpr int kAlphaChannel = 255;

class Reader {
public:
    explicit Reader(const QByteArray& bytes) : data_(reinterpret_cast<const unsigned char*>(bytes.constData())), size_(bytes.size()) {}
    bool has(qsizetype n) const { return pos_ + n <= size_; }
    unsigned byte() { return has(1) ? data_[pos_++] : (failed_ = true, 0u); }
    unsigned word()
    {
        const unsigned lo = byte();
        return lo | (byte() << 8);
    }
    void skip(qsizetype n)
    {
        if (!has(n))
            failed_ = true;
        pos_ = std::min(size_, pos_ + n);
    }
    bool failed() const { return failed_; }
    bool atEnd() const { return pos_ >= size_; }

private:
    const unsigned char* data_;
    qsizetype size_;
    qsizetype pos_ = 0;
    bool failed_ = false;
};

Error damaged(const char* what)
{
    return makeError(ErrorCode::CorruptData, QStringLiteral("The RLE picture is damaged (%1).").arg(QLatin1String(what)));
}

}  // namespace

bool looksLikeUtahRle(const QByteArray& bytes)
{
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x52 && static_cast<unsigned char>(bytes[1]) == 0xCC;
}

Result<RgbaImage> decodeUtahRle(const QByteArray& bytes)
{
    if (!looksLikeUtahRle(bytes))
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("This is not a Utah RLE picture."));
    Reader in(bytes);
    in.skip(2);
    const int xpos = static_cast<int>(in.word()), ypos = static_cast<int>(in.word());
    const int width = static_cast<int>(in.word()), height = static_cast<int>(in.word());
    const unsigned flags = in.byte();
    const int colours = static_cast<int>(in.byte());
    const unsigned pixelBits = in.byte();
    const int maps = static_cast<int>(in.byte());
    const unsigned mapLengthLog = in.byte();
    if (in.failed())
        return damaged("header cut short");
    if (pixelBits != 8 || mapLengthLog > 8)
        return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("Only 8-bit RLE pictures can be read."));
    if (colours < 1 || colours > 4 || width <= 0 || height <= 0)
        return damaged("impossible header values");
    if (Status s = checkPictureLimits(width, height); !s)
        return s.error();

    // Background colour (padded so that the header ends on an even offset), colour maps, comment.
    std::array<unsigned, 3> background{0, 0, 0};
    if (flags & NoBackground) {
        in.skip(1);
    } else {
        for (int c = 0; c < colours; ++c) {
            const unsigned v = in.byte();
            if (c < 3)
                background[static_cast<std::size_t>(c)] = v;
        }
        if (colours % 2 == 0)
            in.skip(1);
    }
    const int mapLength = maps > 0 ? 1 << mapLengthLog : 0;
    std::vector<std::array<unsigned char, 256>> map(static_cast<std::size_t>(maps));
    for (int m = 0; m < maps; ++m) {
        for (int i = 0; i < mapLength; ++i)
            map[static_cast<std::size_t>(m)][static_cast<std::size_t>(i)] = static_cast<unsigned char>(in.word() >> 8);
        for (int i = mapLength; i < 256; ++i)
            map[static_cast<std::size_t>(m)][static_cast<std::size_t>(i)] = static_cast<unsigned char>(i);
    }
    if (flags & HasComment) {
        const unsigned length = in.word();
        in.skip(static_cast<qsizetype>(length + (length & 1)));
    }
    if (in.failed())
        return damaged("header cut short");

    // Channels go straight into the picture, as stored; rows are stored bottom to top. A grey
    // picture's one channel is copied to the other two, and the colour maps applied, at the end.
    const bool alpha = flags & HasAlpha;
    RgbaImage image(width, height);
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        for (int c = 0; c < 3; ++c)
            image.pixels[i + static_cast<std::size_t>(c)] =
                static_cast<std::uint8_t>(background[static_cast<std::size_t>(std::min(c, colours - 1))]);
        image.pixels[i + 3] = alpha ? 0 : 255;
    }

    int row = 0, x = 0;
    int channel = 0;
    auto put = [&](unsigned value) {
        const int px = x - xpos;
        if (row >= 0 && row < height && px >= 0 && px < width) {
            const int plane = channel == kAlphaChannel ? 3 : channel;
            if (plane < colours || plane == 3)
                image.pixel(px, height - 1 - row)[plane] = static_cast<std::uint8_t>(value);
        }
        ++x;
    };
    (void)ypos;  // rows count from the picture's own bottom line
    bool ended = false;
    while (!ended && !in.atEnd() && row <= height) {
        const unsigned op = in.byte();
        const bool longForm = op & kLongForm;
        unsigned operand;
        if (longForm) {
            in.skip(1);
            operand = in.word();
        } else {
            operand = in.byte();
        }
        if (in.failed())
            return damaged("cut short");
        switch (op & ~kLongForm) {
        case SkipLines:
            row += static_cast<int>(operand);
            x = xpos;
            break;
        case SetColor:
            channel = static_cast<int>(operand);
            x = xpos;
            break;
        case SkipPixels:
            x += static_cast<int>(operand);
            break;
        case ByteData: {
            const unsigned count = operand + 1;
            if (!in.has(count))
                return damaged("pixel data cut short");
            for (unsigned i = 0; i < count; ++i)
                put(in.byte());
            if (count & 1)
                in.skip(1);
            break;
        }
        case RunData: {
            const unsigned count = operand + 1;
            const unsigned value = in.word() & 0xFF;
            for (unsigned i = 0; i < count; ++i)
                put(value);
            break;
        }
        case EndOfImage:
            ended = true;
            break;
        default:
            return damaged("unknown instruction");
        }
        if (in.failed())
            return damaged("cut short");
    }
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        std::uint8_t* p = image.pixels.data() + i;
        if (colours == 1)
            p[1] = p[2] = p[0];
        if (maps > 0)
            for (int c = 0; c < 3; ++c)
                p[c] = map[static_cast<std::size_t>(std::min(c, maps - 1))][p[c]];
    }
    return image;
}

}  // namespace pictoreel
