#include "core/formats/picture_formats.h"

#include "core/base/file_identity.h"

#include "core/formats/emf_header.h"
#include "core/formats/gif_blocks.h"
#include "core/formats/pcx_reader.h"
#include "core/formats/png_reader.h"
#include "core/formats/psd_reader.h"
#include "core/formats/psp_reader.h"
#include "core/formats/targa_reader.h"
#include "core/formats/utah_rle.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace pictoreel {

namespace {

using Bytes = HeaderBytes;

// --- what the rows use to recognise a format and read its size --------------------------------

bool isDibHeaderSize(std::uint32_t size)
{
    return size == 12 || size == 16 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 ||
           size == 124;
}

bool looksLikeBareDib(const Bytes& b)
{
    const std::uint32_t headerSize = b.le32(0);
    if (!isDibHeaderSize(headerSize) || !b.has(0, headerSize))
        return false;
    const unsigned planes = headerSize == 12 ? b.le16(8) : b.le16(12);
    const unsigned bits = headerSize == 12 ? b.le16(10) : b.le16(14);
    return planes == 1 && (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32);
}

bool looksLikeWmf(const Bytes& b)
{
    if (b.le32(0) == 0x9AC6CDD7u)  // placeable metafile key
        return true;
    const unsigned type = b.le16(0), headerWords = b.le16(2), version = b.le16(4);
    return (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
}

bool looksLikePcx(const Bytes& b)
{
    return b.u8(0) == 0x0A && b.u8(1) <= 5 && b.u8(1) != 1 && b.u8(2) <= 1 &&
           (b.u8(3) == 1 || b.u8(3) == 2 || b.u8(3) == 4 || b.u8(3) == 8) && b.has(0, 128);
}

bool looksLikePnm(const Bytes& b)
{
    if (b.u8(0) != 'P' || b.u8(1) < '1' || b.u8(1) > '6' || !b.has(0, 3))
        return false;
    const unsigned c = b.u8(2);
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '#';
}

// A PNM number: skips white space and '#' comments, then reads decimal digits.
std::optional<std::int64_t> pnmNumber(const Bytes& b, std::size_t& at)
{
    while (at < b.size) {
        const char c = static_cast<char>(b.data[at]);
        if (c == '#') {
            while (at < b.size && b.data[at] != '\n' && b.data[at] != '\r')
                ++at;
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
            ++at;
        } else {
            break;
        }
    }
    std::int64_t value = 0;
    const std::size_t start = at;
    while (at < b.size && b.data[at] >= '0' && b.data[at] <= '9' && at - start < 12)
        value = value * 10 + (b.data[at++] - '0');
    if (at == start)
        return std::nullopt;
    return value;
}

std::optional<std::uint32_t> wbmpNumber(const Bytes& b, std::size_t& at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 5 && at < b.size; ++i) {
        const unsigned byte = b.data[at++];
        value = (value << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0)
            return value;
    }
    return std::nullopt;
}

int clampedSide(std::int64_t side) { return static_cast<int>(std::min<std::int64_t>(side, INT32_MAX)); }

// The logical screen, grown to take in the first image when that reaches beyond it.
std::optional<PictureSize> gifSize(const Bytes& b)
{
    gif::BlockWalker walker(b.data, b.size);
    if (!walker.hasScreen())
        return std::nullopt;
    PictureSize size{walker.screen().width, walker.screen().height};
    while (const std::optional<gif::Block> block = walker.next()) {
        if (block->kind == gif::BlockKind::Image) {
            size.width = std::max(size.width, block->left + block->width);
            size.height = std::max(size.height, block->top + block->height);
            break;
        }
        if (block->kind != gif::BlockKind::Extension)
            break;
    }
    return size;
}

// Where the frame header (the SOFn segment) of a JPEG starts, when it comes before the first scan.
std::optional<std::size_t> jpegFrameHeader(const Bytes& b)
{
    std::size_t at = 2;
    while (b.has(at, 4)) {
        if (b.u8(at) != 0xFF)
            return std::nullopt;
        const unsigned marker = b.u8(at + 1);
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA)
            return std::nullopt;
        const bool startOfFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame)
            return b.has(at, 10) ? std::optional<std::size_t>(at) : std::nullopt;
        at += 2 + b.be16(at + 2);
    }
    return std::nullopt;
}

std::optional<PictureSize> jpegSize(const Bytes& b)
{
    const std::optional<std::size_t> at = jpegFrameHeader(b);
    if (!at)
        return std::nullopt;
    return PictureSize{static_cast<int>(b.be16(*at + 7)), static_cast<int>(b.be16(*at + 5))};
}

std::optional<PictureSize> dibSize(const Bytes& b, std::size_t at)
{
    const std::uint32_t headerSize = b.le32(at);
    if (headerSize == 12)
        return PictureSize{static_cast<int>(b.le16(at + 4)), static_cast<int>(b.le16(at + 6))};
    if (!b.has(at, 12))
        return std::nullopt;
    const auto width = static_cast<std::int32_t>(b.le32(at + 4));
    const auto height = static_cast<std::int32_t>(b.le32(at + 8));
    // A negative height is a top-down picture; a negative width is broken and stays negative.
    const std::int64_t h = height < 0 ? -std::int64_t{height} : height;
    return PictureSize{width, clampedSide(h)};
}

std::optional<PictureSize> pngSize(const Bytes& b)
{
    if (!b.has(0, 24) || !b.startsWith(12, "IHDR"))
        return std::nullopt;
    return PictureSize{clampedSide(b.be32(16)), clampedSide(b.be32(20))};
}

std::optional<PictureSize> psdSize(const Bytes& b)
{
    if (!b.has(0, 22))
        return std::nullopt;
    return PictureSize{clampedSide(b.be32(18)), clampedSide(b.be32(14))};
}

std::optional<PictureSize> pcxSize(const Bytes& b)
{
    if (!b.has(0, 12) || b.le16(8) < b.le16(4) || b.le16(10) < b.le16(6))
        return std::nullopt;
    return PictureSize{static_cast<int>(b.le16(8) - b.le16(4) + 1), static_cast<int>(b.le16(10) - b.le16(6) + 1)};
}

std::optional<PictureSize> wbmpSize(const Bytes& b)
{
    std::size_t at = 0;
    const auto type = wbmpNumber(b, at);
    if (!type || *type != 0 || !b.has(at, 1))
        return std::nullopt;
    while (b.has(at, 1) && (b.u8(at) & 0x80))  // header extensions
        ++at;
    ++at;
    const auto width = wbmpNumber(b, at);
    const auto height = wbmpNumber(b, at);
    if (!width || !height)
        return std::nullopt;
    return PictureSize{clampedSide(*width), clampedSide(*height)};
}

std::optional<PictureSize> pnmSize(const Bytes& b)
{
    std::size_t at = 2;
    const auto width = pnmNumber(b, at);
    const auto height = pnmNumber(b, at);
    if (!width || !height)
        return std::nullopt;
    return PictureSize{clampedSide(*width), clampedSide(*height)};
}

// The canvas of a WebP: from the frame header of a lossy picture (VP8), the packed sides of a
// lossless one (VP8L, 14 bits each, less one) or the extended header (VP8X, 24 bits each, less one).
std::optional<PictureSize> webpSize(const Bytes& b)
{
    if (b.startsWith(12, "VP8 ") && b.has(0, 30) && b.u8(23) == 0x9D && b.u8(24) == 0x01 && b.u8(25) == 0x2A)
        return PictureSize{static_cast<int>(b.le16(26) & 0x3FFF), static_cast<int>(b.le16(28) & 0x3FFF)};
    if (b.startsWith(12, "VP8L") && b.has(0, 25) && b.u8(20) == 0x2F) {
        const std::uint32_t sides = b.le32(21);
        return PictureSize{static_cast<int>(sides & 0x3FFF) + 1, static_cast<int>((sides >> 14) & 0x3FFF) + 1};
    }
    if (b.startsWith(12, "VP8X") && b.has(0, 30)) {
        const auto le24 = [&b](std::size_t at) { return static_cast<int>(b.le16(at) | (b.u8(at + 2) << 16)); };
        return PictureSize{le24(24) + 1, le24(27) + 1};
    }
    return std::nullopt;
}

enum class IsoBrand { None, Heif, Avif };

// What an ISO base media file (an "ftyp" box first) says it holds: the first of its brands that
// names a codec, the major brand before the compatible ones. AVIF files list the generic HEIF
// brands (mif1, msf1) too; a file with only those is HEIF.
IsoBrand isoBrand(const Bytes& b)
{
    if (!b.startsWith(4, "ftyp"))
        return IsoBrand::None;
    const std::size_t end = std::min<std::size_t>(b.be32(0), b.size);
    const auto any = [&b](std::size_t at, std::initializer_list<const char*> brands) {
        return std::any_of(brands.begin(), brands.end(), [&](const char* brand) { return b.startsWith(at, brand); });
    };
    bool generic = false;
    for (std::size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {  // the minor version at 12 is no brand
        if (any(at, {"avif", "avis"}))
            return IsoBrand::Avif;
        if (any(at, {"heic", "heix", "hevc", "hevx"}))
            return IsoBrand::Heif;
        generic = generic || any(at, {"mif1", "msf1"});
    }
    return generic ? IsoBrand::Heif : IsoBrand::None;
}

// A fixed-size header of `needed` bytes with the width and height as 16-bit numbers.
template <std::size_t needed, std::size_t widthAt, std::size_t heightAt, bool bigEndian>
std::optional<PictureSize> sides16(const Bytes& b)
{
    if (!b.has(0, needed))
        return std::nullopt;
    return bigEndian ? PictureSize{static_cast<int>(b.be16(widthAt)), static_cast<int>(b.be16(heightAt))}
                     : PictureSize{static_cast<int>(b.le16(widthAt)), static_cast<int>(b.le16(heightAt))};
}

MagickReading magick(const char* coder) { return MagickReading{.coder = coder}; }

// --- the table ---------------------------------------------------------------------------------

// Rows in the order their signatures are tried: the weak ones (a bare DIB header) last, and the
// formats without a signature after all others.
std::vector<PictureFormatRow> makeTable()
{
    using F = PictureFormat;
    std::vector<PictureFormatRow> rows;
    auto add = [&rows](PictureFormatRow row) { rows.push_back(std::move(row)); };

    add({.format = F::Gif, .name = "GIF", .extensions = {"gif"},
         .sniff = [](const Bytes& b) { return b.startsWith(0, "GIF87a") || b.startsWith(0, "GIF89a"); },
         .peekSize = gifSize,
         .magick = {.coder = "GIF", .placedOnScreen = true},
         .fileTypes = {{"GIF Files (*.gif)", "*.gif", 1}}});
    add({.format = F::Png, .name = "PNG", .extensions = {"png"},
         .sniff = [](const Bytes& b) { return b.startsWith(0, "\x89PNG\r\n\x1A\n"); },
         .peekSize = pngSize,
         .commonReader = readCommonPng,
         .magick = magick("PNG"),
         .fileTypes = {{"Portable Network Graphics (*.png)", "*.png"}}});
    add({.format = F::Jpeg, .name = "JPEG", .extensions = {"jpg", "jpeg", "jpe", "jfif"},
         .sniff = [](const Bytes& b) { return b.u8(0) == 0xFF && b.u8(1) == 0xD8 && b.u8(2) == 0xFF; },
         .peekSize = jpegSize,
         .magick = {.coder = "JPEG", .readsReducedScale = true},
         .fileTypes = {{"JPG/JPEG Files (*.jpg;*.jpeg)", "*.jpg;*.jpeg", 3}}});
    add({.format = F::Bmp, .name = "BMP", .extensions = {"bmp"},
         .sniff = [](const Bytes& b) { return b.startsWith(0, "BM") && b.has(0, 18) && isDibHeaderSize(b.le32(14)); },
         .peekSize = [](const Bytes& b) { return dibSize(b, 14); },
         .magick = magick("BMP"),
         .fileTypes = {{"Bitmap (*.bmp)", "*.bmp", 2}}});
    add({.format = F::Tiff, .name = "TIFF", .extensions = {"tif", "tiff"},
         .sniff =
             [](const Bytes& b) {
                 return (b.startsWith(0, "II*") && b.u8(3) == 0) ||
                        (b.startsWith(0, "MM") && b.u8(2) == 0 && (b.u8(3) == 42 || b.u8(3) == 43)) ||
                        (b.startsWith(0, "II+") && b.u8(3) == 0);
             },
         .magick = magick("TIFF"),
         .fileTypes = {{"Tagged Image Format Files (*.tif;*.tiff)", "*.tif;*.tiff", 0, false}}});
    // Ours: ImageMagick 6 fails on indexed pictures and on many extra channels. It still reads
    // the pictures too large to hold whole, scaling them to their frame as it reads.
    add({.format = F::Psd, .name = "PSD", .extensions = {"psd"},
         .sniff = [](const Bytes& b) { return b.startsWith(0, "8BPS") && (b.be16(4) == 1 || b.be16(4) == 2); },
         .peekSize = psdSize,
         .ownReader = decodePsd,
         .magick = {.coder = "PSD", .floatIsLinear = true},
         .fileTypes = {{"Photo Shop Files (*.psd)", "*.psd"}}});
    // The next three have no entry of their own in the add dialog's list, only their patterns
    // in "All Supported Image Files".
    add({.format = F::Webp, .name = "WebP", .extensions = {"webp"},
         .sniff = [](const Bytes& b) { return b.startsWith(0, "RIFF") && b.startsWith(8, "WEBP"); },
         .peekSize = webpSize,
         .magick = magick("WEBP"),
         .fileTypes = {{nullptr, "*.webp"}}});
    // ImageMagick reads both with libheif, asking it for the size first.
    add({.format = F::Avif, .name = "AVIF", .extensions = {"avif"},
         .sniff = [](const Bytes& b) { return isoBrand(b) == IsoBrand::Avif; },
         .magick = magick("AVIF"),
         .fileTypes = {{nullptr, "*.avif"}}});
    add({.format = F::Heif, .name = "HEIF", .extensions = {"heic", "heif", "hif"},
         .sniff = [](const Bytes& b) { return isoBrand(b) == IsoBrand::Heif; },
         .magick = magick("HEIC"),
         .fileTypes = {{nullptr, "*.heic;*.heif;*.hif"}}});
    // Ours: ImageMagick cannot read Utah RLE with alpha.
    add({.format = F::UtahRle, .name = "Utah RLE", .extensions = {"rle"},
         .sniff = [](const Bytes& b) { return b.u8(0) == 0x52 && b.u8(1) == 0xCC; },
         .peekSize = sides16<10, 6, 8, false>,
         .ownReader = decodeUtahRle,
         .fileTypes = {{"RLE Files (*.rle)", "*.rle"}}});
    add({.format = F::Sgi, .name = "SGI", .extensions = {"sgi", "rgb", "rgba", "bw"},
         .sniff = [](const Bytes& b) { return b.u8(0) == 0x01 && b.u8(1) == 0xDA && b.u8(2) <= 1 && (b.u8(3) == 1 || b.u8(3) == 2); },
         .peekSize = sides16<10, 6, 8, true>,
         .magick = magick("SGI"),
         .fileTypes = {{"SGI Files (*.sgi)", "*.sgi"}}});
    // Ours: ImageMagick 6 swaps black and white in one-bit pictures. It still reads the pictures
    // too large to hold whole, scaling them to their frame as it reads.
    add({.format = F::Pcx, .name = "PCX", .extensions = {"pcx"},
         .sniff = looksLikePcx,
         .peekSize = pcxSize,
         .ownReader = decodePcx,
         .magick = magick("PCX"),
         .fileTypes = {{"PCX Files (*.pcx)", "*.pcx"}}});
    add({.format = F::Ico, .name = "ICO", .extensions = {"ico", "cur"},
         .sniff = [](const Bytes& b) { return b.has(0, 6) && b.le16(0) == 0 && (b.le16(2) == 1 || b.le16(2) == 2) && b.le16(4) > 0; },
         .magick = {.coder = "ICO", .sizesOfOnePicture = true},
         .fileTypes = {{"ICON Files (*.ico)", "*.ico"}}});
    add({.format = F::Pnm, .name = "PNM", .extensions = {"pbm", "pgm", "ppm", "pnm"},
         .sniff = looksLikePnm,
         .peekSize = pnmSize,
         .magick = magick("PNM"),
         .fileTypes = {{"Portable Bitmap Files (*.pbm)", "*.pbm"}, {"PGM Files (*.pgm)", "*.pgm"}, {"PPM Files (*.ppm)", "*.ppm"}}});
    add({.format = F::Pcd, .name = "PCD", .extensions = {"pcd"},
         .sniff = [](const Bytes& b) { return b.startsWith(0x800, "PCD_IPI") || b.startsWith(0, "PCD_OPA"); },
         .magick = {.coder = "PCD", .sceneIsResolution = true},
         .fileTypes = {{"Photo CD Files (*.pcd)", "*.pcd"}}});
    add({.format = F::Wmf, .name = "WMF", .extensions = {"wmf"},
         .sniff = looksLikeWmf,
         .magick = magick("WMF"),
         .fileTypes = {{"Windows Meta Files (*.wmf)", "*.wmf"}}});
    add({.format = F::Dib, .name = "DIB", .extensions = {"dib"},
         .sniff = looksLikeBareDib,
         .peekSize = [](const Bytes& b) { return dibSize(b, 0); },
         .magick = magick("DIB"),
         .fileTypes = {{"Device Independent Bitmap (*.dib)", "*.dib"}}});
    // Ours: ImageMagick 6 misreads some Targa layouts.
    add({.format = F::Targa, .name = "Targa", .extensions = {"tga", "icb", "vda", "vst"},
         .namedByExtension = true,
         .peekSize = sides16<18, 12, 14, false>,
         .ownReader = decodeTarga,
         .fileTypes = {{"ICB Files (*.icb)", "*.icb", 0, false},
                       {"Targa Files (*.tga)", "*.tga"},
                       {"VDA Files (*.vda)", "*.vda"},
                       {"VST Files (*.vst)", "*.vst"}}});
    add({.format = F::Wbmp, .name = "WBMP", .extensions = {"wbmp"},
         .sniff = [](const Bytes& b) { return b.u8(0) == 0 && b.u8(1) == 0; },
         .namedByExtension = true,
         .peekSize = wbmpSize,
         .magick = magick("WBMP"),
         .fileTypes = {{"WBMP Files (*.wbmp)", "*.wbmp"}}});
    add({.format = F::Emf, .name = "EMF", .extensions = {"emf"},
         .sniff = looksLikeEmf,
         .peekSize = emfSize,
         .metafile = true,
         .fileTypes = {{"Enhanced Meta Files (*.emf)", "*.emf"}}});
    add({.format = F::Psp, .name = "PSP", .extensions = {"psp"},
         .sniff = looksLikePsp,
         .peekSize = pspSize,
         .ownReader = decodePsp,
         .fileTypes = {{"Paint Shop Files (*.psp)", "*.psp"}}});
    return rows;
}

}  // namespace

const std::vector<PictureFormatRow>& pictureFormatTable()
{
    static const std::vector<PictureFormatRow> table = makeTable();
    return table;
}

const PictureFormatRow* pictureFormatRow(PictureFormat format)
{
    for (const PictureFormatRow& row : pictureFormatTable())
        if (row.format == format)
            return &row;
    return nullptr;
}

QString pictureFormatName(PictureFormat format)
{
    const PictureFormatRow* row = pictureFormatRow(format);
    return row ? QString::fromLatin1(row->name) : QStringLiteral("unknown");
}

PictureFormat pictureFormatForExtension(const QString& extension)
{
    const QByteArray e = extension.toLower().toLatin1();
    for (const PictureFormatRow& row : pictureFormatTable())
        for (const char* known : row.extensions)
            if (e == known)
                return row.format;
    return PictureFormat::Unknown;
}

PictureFormat sniffPictureFormat(const std::uint8_t* data, std::size_t size, const QString& extension)
{
    const Bytes b{data, data ? size : 0};
    for (const PictureFormatRow& row : pictureFormatTable())
        if (row.sniff && !row.namedByExtension && row.sniff(b))
            return row.format;
    // Formats without a signature: trust the extension.
    const PictureFormatRow* named = pictureFormatRow(pictureFormatForExtension(extension));
    if (named && named->namedByExtension && (!named->sniff || named->sniff(b)))
        return named->format;
    return PictureFormat::Unknown;
}

std::optional<PictureSize> peekPictureSize(const std::uint8_t* data, std::size_t size, PictureFormat format)
{
    const PictureFormatRow* row = pictureFormatRow(format);
    if (!row || !row->peekSize)
        return std::nullopt;
    return row->peekSize(Bytes{data, data ? size : 0});
}

std::int64_t jpegCoefficientBytes(const std::uint8_t* data, std::size_t size)
{
    const Bytes b{data, data ? size : 0};
    const std::optional<std::size_t> at = jpegFrameHeader(b);
    // Progressive frames (SOF2, SOF6, SOF10, SOF14) are refined scan by scan.
    if (!at || (b.u8(*at + 1) & 0x03) != 0x02)
        return 0;
    const std::int64_t height = b.be16(*at + 5);
    const std::int64_t width = b.be16(*at + 7);
    const unsigned components = b.u8(*at + 9);
    if (!b.has(*at + 10, 3 * components))
        return 0;
    unsigned maxH = 1, maxV = 1;
    for (unsigned c = 0; c < components; ++c) {
        maxH = std::max(maxH, b.u8(*at + 11 + 3 * c) >> 4);
        maxV = std::max(maxV, b.u8(*at + 11 + 3 * c) & 0x0Fu);
    }
    std::int64_t bytes = 0;
    for (unsigned c = 0; c < components; ++c) {
        const std::int64_t h = std::max(1u, b.u8(*at + 11 + 3 * c) >> 4);
        const std::int64_t v = std::max(1u, b.u8(*at + 11 + 3 * c) & 0x0Fu);
        // Blocks of 8 x 8 samples, whole sampling units of them, 64 coefficients of 2 bytes each.
        const auto blocks = [](std::int64_t side, std::int64_t factor, std::int64_t most) {
            const std::int64_t samples = (side * factor + most - 1) / most;
            const std::int64_t count = (samples + 7) / 8;
            return (count + factor - 1) / factor * factor;
        };
        bytes += blocks(width, h, maxH) * blocks(height, v, maxV) * 128;
    }
    return bytes;
}

std::optional<PictureSize> peekPictureFileSize(const QString& path)
{
    const std::optional<QByteArray> head = readFileStart(path, 256 * 1024);
    if (!head)
        return std::nullopt;
    const auto* data = reinterpret_cast<const std::uint8_t*>(head->constData());
    const auto size = static_cast<std::size_t>(head->size());
    return peekPictureSize(data, size, sniffPictureFormat(data, size, QFileInfo(path).suffix()));
}

std::optional<PictureSize> drawingSizeBeyondLimits(const QString& path)
{
    const std::optional<QByteArray> head = readFileStart(path, 4096);
    if (!head)
        return std::nullopt;
    const auto* data = reinterpret_cast<const std::uint8_t*>(head->constData());
    const auto size = static_cast<std::size_t>(head->size());
    const PictureFormatRow* row = pictureFormatRow(sniffPictureFormat(data, size, QFileInfo(path).suffix()));
    const std::optional<PictureSize> own = row && row->metafile ? peekPictureSize(data, size, row->format) : std::nullopt;
    if (!own || checkPictureLimits(own->width, own->height))
        return std::nullopt;
    return own;
}

QString pictureFilesFilter()
{
    std::vector<const FileTypeEntry*> entries;
    for (const PictureFormatRow& row : pictureFormatTable())
        for (const FileTypeEntry& entry : row.fileTypes)
            entries.push_back(&entry);
    const auto byPatterns = [](const FileTypeEntry* a, const FileTypeEntry* b) { return std::strcmp(a->patterns, b->patterns) < 0; };
    std::sort(entries.begin(), entries.end(), byPatterns);
    QStringList allSupported;
    for (const FileTypeEntry* entry : entries)
        if (entry->inAllSupported)
            allSupported << QLatin1String(entry->patterns);
    // Ranked entries first, by rank; the others keep the order of their patterns.
    std::stable_sort(entries.begin(), entries.end(), [](const FileTypeEntry* a, const FileTypeEntry* b) {
        return a->rank != 0 && (b->rank == 0 || a->rank < b->rank);
    });
    QStringList filter;
    for (const FileTypeEntry* entry : entries)
        if (entry->description)
            filter << QLatin1String(entry->description) + u'|' + QLatin1String(entry->patterns);
    filter << QStringLiteral("All Supported Image Files|") + allSupported.join(u';') << QStringLiteral("All Files(*.*)|*.*");
    return filter.join(u'|');
}

}  // namespace pictoreel
