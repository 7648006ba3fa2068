#include "core/formats/psd_reader.h"

#include "core/base/header_bytes.h"
#include "core/base/srgb.h"
#include "core/formats/picture_size.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace pictoreel {

namespace {

using Bytes = HeaderBytes;

enum Mode { Bitmap = 0, Grey = 1, Indexed = 2, Rgb = 3, Cmyk = 4, Multichannel = 7, Duotone = 8, Lab = 9 };

constexpr unsigned kTransparentIndexResource = 0x0417;

Error corrupt(const char* what)
{
    return makeError(ErrorCode::CorruptData,
                     QStringLiteral("The picture is damaged or unreadable: Photoshop file, %1.").arg(QLatin1String(what)));
}

Error unsupported()
{
    return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("This kind of Photoshop picture is not supported."));
}

std::uint8_t clamp8(double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 255.0))); }

// CIE L*a*b* (D50, as Photoshop keeps it) to sRGB, each value 0..1 as stored.
std::array<std::uint8_t, 3> srgbFromLab(double l, double a, double b)
{
    const double fy = (l * 100 + 16) / 116, fx = fy + (a * 255 - 128) / 500, fz = fy - (b * 255 - 128) / 200;
    const auto f = [](double t) { return t > 6.0 / 29 ? t * t * t : 3 * (6.0 / 29) * (6.0 / 29) * (t - 4.0 / 29); };
    const double x = 0.9642 * f(fx), y = f(fy), z = 0.8249 * f(fz);
    // D50 XYZ to linear sRGB, with Bradford adaptation to D65.
    const double r = 3.1338561 * x - 1.6168667 * y - 0.4906146 * z;
    const double g = -0.9787684 * x + 1.9161415 * y + 0.0334540 * z;
    const double bl = 0.0719453 * x - 0.2289914 * y + 1.4052427 * z;
    return {clamp8(255 * srgbFromLinear(r)), clamp8(255 * srgbFromLinear(g)), clamp8(255 * srgbFromLinear(bl))};
}

std::uint64_t be64(const Bytes& b, std::size_t at) { return (std::uint64_t(b.be32(at)) << 32) | b.be32(at + 4); }

class PsdReader {
public:
    explicit PsdReader(const Bytes& b) : b_(b) {}

    Result<RgbaImage> read()
    {
        if (!b_.has(0, 26) || !b_.startsWith(0, "8BPS"))
            return corrupt("the header is incomplete");
        const unsigned version = b_.be16(4), channels = b_.be16(12);
        const std::int64_t height = b_.be32(14), width = b_.be32(18);
        depth_ = b_.be16(22);
        mode_ = b_.be16(24);
        psb_ = version == 2;
        // Photoshop itself keeps to 56 channels; other programs write more (alpha channels of
        // their own), and only the channels that make the picture are read.
        if ((version != 1 && version != 2) || channels < 1)
            return corrupt("the header is broken");
        if (Status s = checkPictureSize(width, height); !s)
            return s.error();
        width_ = static_cast<int>(width);
        height_ = static_cast<int>(height);

        const int colours = colourChannels(channels);
        const bool depthFits = mode_ == Bitmap ? depth_ == 1
                               : mode_ == Indexed ? depth_ == 8
                                                  : depth_ == 8 || depth_ == 16 || depth_ == 32;
        if (colours == 0 || !depthFits)
            return unsupported();

        std::size_t at = 26;
        std::uint64_t length = b_.be32(at);
        if (!b_.has(at + 4, length))
            return corrupt("the colour data is incomplete");
        if (mode_ == Indexed && length < 768)
            return corrupt("the palette is incomplete");
        const std::size_t palette = at + 4;
        at += 4 + length;
        if (Status s = readResources(at); !s)
            return s.error();
        if (Status s = readLayerCount(at); !s)
            return s.error();

        used_ = colours + (layerCount_ < 0 && int(channels) > colours && depth_ != 1 ? 1 : 0);
        if (int(channels) < colours)
            return corrupt("it has too few channels for its colours");
        rowBytes_ = (std::size_t(width_) * depth_ + 7) / 8;
        if (!b_.has(at, 2))
            return corrupt("the picture data is missing");
        const unsigned compression = b_.be16(at);
        if (compression > 1)
            return unsupported();
        if (Status s = locateRows(at + 2, compression == 1, channels); !s)
            return s.error();

        RgbaImage picture(width_, height_);
        std::vector<std::vector<std::uint8_t>> rows(std::size_t(used_), std::vector<std::uint8_t>(rowBytes_, 0));
        for (int y = 0; y < height_; ++y) {
            for (int c = 0; c < used_; ++c)
                if (!readRow(c, y, rows[std::size_t(c)]))
                    return corrupt("the picture data ends early");
            std::uint8_t* out = picture.pixel(0, y);
            for (int x = 0; x < width_; ++x, out += 4)
                convert(rows, x, colours, out, b_.data + palette);
        }
        return picture;
    }

private:
    // How many channels hold the colours; 0 for modes we do not read.
    int colourChannels(unsigned channels) const
    {
        switch (mode_) {
        case Bitmap: case Grey: case Indexed: case Duotone: return 1;
        case Rgb: case Lab: return 3;
        case Cmyk: return 4;
        // Multichannel inks: cyan, magenta, yellow and black when converted from CMYK, the first
        // three from RGB, cyan and magenta from RGB without its blue (or a CMY picture without its
        // yellow); one ink alone is a grey.
        case Multichannel: return channels >= 4 ? 4 : int(channels);
        default: return 0;
        }
    }

    // The image resources: the transparent palette index of an indexed picture.
    Status readResources(std::size_t& at)
    {
        const std::uint32_t length = b_.be32(at);
        if (!b_.has(at + 4, length))
            return corrupt("the resources are incomplete");
        const std::size_t end = at + 4 + length;
        std::size_t r = at + 4;
        while (r + 12 <= end && b_.startsWith(r, "8BIM")) {
            const unsigned id = b_.be16(r + 4);
            const std::size_t name = r + 6, nameBytes = (1 + b_.u8(name) + 1) & ~std::size_t{1};
            const std::size_t sizeAt = name + nameBytes;
            if (sizeAt + 4 > end)
                break;
            const std::uint32_t size = b_.be32(sizeAt);
            if (size > end - sizeAt - 4)
                break;
            if (id == kTransparentIndexResource && size >= 2)
                transparentIndex_ = int(b_.be16(sizeAt + 4));
            r = sizeAt + 4 + ((std::size_t(size) + 1) & ~std::size_t{1});
        }
        at = end;
        return Status::success();
    }

    // The layer count of the layer section, or of the tagged block that holds the layers of
    // 16- and 32-bit files. A negative count says the first extra channel is the transparency
    // of the merged picture.
    Status readLayerCount(std::size_t& at)
    {
        const std::size_t lengthBytes = psb_ ? 8 : 4;
        const std::uint64_t length = psb_ ? be64(b_, at) : b_.be32(at);
        if (!b_.has(at, lengthBytes) || !b_.has(at + lengthBytes, length))
            return corrupt("the layer section is incomplete");
        const std::size_t start = at + lengthBytes, end = start + length;
        at = end;
        if (length < lengthBytes)
            return Status::success();
        const std::uint64_t infoLength = psb_ ? be64(b_, start) : b_.be32(start);
        if (infoLength >= 2 && infoLength <= end - start - lengthBytes) {
            layerCount_ = static_cast<std::int16_t>(b_.be16(start + lengthBytes));
            return Status::success();
        }
        if (infoLength > end - start - lengthBytes)
            return Status::success();
        std::size_t p = start + lengthBytes + infoLength;
        if (end - p < 4 || b_.be32(p) > end - p - 4)
            return Status::success();
        p += 4 + b_.be32(p);  // the global layer mask
        while (end - p >= 12 && (b_.startsWith(p, "8BIM") || b_.startsWith(p, "8B64"))) {
            const bool layers = b_.startsWith(p + 4, "Lr16") || b_.startsWith(p + 4, "Lr32") || b_.startsWith(p + 4, "Layr");
            const bool wide = psb_ && (layers || b_.startsWith(p + 4, "LMsk") || b_.startsWith(p + 4, "Mt16") ||
                                       b_.startsWith(p + 4, "Mt32") || b_.startsWith(p + 4, "Mtrn") ||
                                       b_.startsWith(p + 4, "Alph") || b_.startsWith(p + 4, "FMsk") ||
                                       b_.startsWith(p + 4, "lnk2") || b_.startsWith(p + 4, "FEid") ||
                                       b_.startsWith(p + 4, "FXid") || b_.startsWith(p + 4, "PxSD"));
            const std::size_t data = p + 8 + (wide ? 8 : 4);
            const std::uint64_t size = wide ? be64(b_, p + 8) : b_.be32(p + 8);
            if (data > end || size > end - data)
                break;
            if (layers && size >= 2) {
                layerCount_ = static_cast<std::int16_t>(b_.be16(data));
                break;
            }
            p = data + ((size + 1) & ~std::uint64_t{1});
        }
        return Status::success();
    }

    // Where each row of the channels we read starts and how many bytes it has.
    Status locateRows(std::size_t at, bool packed, unsigned channels)
    {
        const std::size_t rows = std::size_t(used_) * height_;
        starts_.resize(rows);
        lengths_.assign(rows, rowBytes_);
        if (!packed) {
            if (!b_.has(at, rows * rowBytes_))
                return corrupt("the picture data ends early");
            for (std::size_t i = 0; i < rows; ++i)
                starts_[i] = at + i * rowBytes_;
            return Status::success();
        }
        const std::size_t countBytes = psb_ ? 4 : 2;
        const std::size_t table = std::size_t(channels) * height_ * countBytes;
        if (!b_.has(at, table))
            return corrupt("the row lengths are incomplete");
        std::size_t start = at + table;
        for (std::size_t i = 0; i < rows; ++i) {
            starts_[i] = start;
            lengths_[i] = psb_ ? b_.be32(at + i * 4) : b_.be16(at + i * 2);
            if (!b_.has(start, lengths_[i]))
                return corrupt("the picture data ends early");
            start += lengths_[i];
        }
        packed_ = true;
        return Status::success();
    }

    // One row of channel `c`, PackBits-decoded when packed; bytes beyond the row are ignored.
    bool readRow(int c, int y, std::vector<std::uint8_t>& row) const
    {
        const std::size_t i = std::size_t(c) * height_ + y;
        const std::uint8_t* in = b_.data + starts_[i];
        if (!packed_) {
            std::memcpy(row.data(), in, rowBytes_);
            return true;
        }
        const std::uint8_t* const end = in + lengths_[i];
        std::size_t filled = 0;
        while (filled < rowBytes_ && in < end) {
            const auto n = static_cast<std::int8_t>(*in++);
            if (n >= 0) {
                const std::size_t count = std::min<std::size_t>(std::size_t(n) + 1, std::size_t(end - in));
                const std::size_t kept = std::min(count, rowBytes_ - filled);
                std::memcpy(row.data() + filled, in, kept);
                in += count;
                filled += kept;
            } else if (n != -128 && in < end) {
                const std::size_t kept = std::min<std::size_t>(std::size_t(1 - n), rowBytes_ - filled);
                std::fill_n(row.data() + filled, kept, *in++);
                filled += kept;
            }
        }
        return filled == rowBytes_;
    }

    // Sample x of a row as a fraction 0..1 (depth 8, 16 or 32).
    double fraction(const std::vector<std::uint8_t>& row, int x) const
    {
        if (depth_ == 8)
            return row[std::size_t(x)] / 255.0;
        if (depth_ == 16)
            return ((row[2 * std::size_t(x)] << 8) | row[2 * std::size_t(x) + 1]) / 65535.0;
        const std::size_t at = 4 * std::size_t(x);
        const std::uint32_t bits = (std::uint32_t(row[at]) << 24) | (std::uint32_t(row[at + 1]) << 16) |
                                   (std::uint32_t(row[at + 2]) << 8) | row[at + 3];
        float value;
        std::memcpy(&value, &bits, 4);
        return std::isfinite(value) ? std::clamp(double(value), 0.0, 1.0) : 0.0;
    }

    // A colour sample: 32-bit pictures are linear light, the others already sRGB.
    std::uint8_t colour(const std::vector<std::uint8_t>& row, int x) const
    {
        const double v = fraction(row, x);
        return clamp8(255 * (depth_ == 32 ? srgbFromLinear(v) : v));
    }

    void convert(const std::vector<std::vector<std::uint8_t>>& rows, int x, int colours, std::uint8_t* out,
                 const std::uint8_t* palette) const
    {
        out[3] = 255;
        switch (colours == 1 ? unsigned{Grey} : mode_) {
        case Grey:
            if (mode_ == Bitmap) {
                std::fill_n(out, 3, (rows[0][std::size_t(x) / 8] >> (7 - x % 8)) & 1 ? 0 : 255);
            } else if (mode_ == Indexed) {
                const unsigned i = rows[0][std::size_t(x)];
                out[0] = palette[i], out[1] = palette[256 + i], out[2] = palette[512 + i];
                out[3] = int(i) == transparentIndex_ ? 0 : 255;
            } else {
                std::fill_n(out, 3, colour(rows[0], x));
            }
            break;
        case Lab: {
            const auto rgb = srgbFromLab(fraction(rows[0], x), fraction(rows[1], x), fraction(rows[2], x));
            std::copy(rgb.begin(), rgb.end(), out);
            break;
        }
        case Cmyk: case Multichannel:
            if (colours == 4) {  // inks stored inverted: the full value is no ink
                const double k = fraction(rows[3], x);
                for (int c = 0; c < 3; ++c)
                    out[c] = clamp8(255 * (depth_ == 32 ? srgbFromLinear(fraction(rows[std::size_t(c)], x) * k)
                                                        : fraction(rows[std::size_t(c)], x) * k));
                break;
            }
            [[fallthrough]];
        default:
            // Two inks, cyan and magenta, leave blue as it is.
            for (int c = 0; c < 3; ++c)
                out[c] = c < colours ? colour(rows[std::size_t(c)], x) : 255;
        }
        if (used_ > colours) {
            // The merged picture's colours are blended with white where it is partly transparent.
            const std::uint8_t a = clamp8(255 * fraction(rows[std::size_t(colours)], x));
            out[3] = a;
            if (a > 0 && a < 255)
                for (int c = 0; c < 3; ++c)
                    out[c] = clamp8((out[c] - (255.0 - a)) * 255.0 / a);
        }
    }

    Bytes b_;
    unsigned depth_ = 0, mode_ = 0;
    bool psb_ = false, packed_ = false;
    int width_ = 0, height_ = 0, used_ = 0;
    int layerCount_ = 0, transparentIndex_ = -1;
    std::size_t rowBytes_ = 0;
    std::vector<std::size_t> starts_, lengths_;
};

}  // namespace

Result<RgbaImage> decodePsd(const QByteArray& bytes)
{
    return PsdReader(Bytes{reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())})
        .read();
}

}  // namespace pictoreel
