#include "core/formats/png_true_colour.h"

#include "core/formats/icc_profile.h"

#include <libdeflate.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace pictoreel {

namespace {

// Inflated image data is held whole beside the picture; larger pictures are read a row at a
// time by the general reader.
constexpr std::size_t kMaxInflated = std::size_t(64) << 20;

std::uint32_t be32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

bool isType(const std::uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

struct Header {
    std::uint32_t width = 0, height = 0;
    int bytesPerPixel = 0;
};

// The header of an 8-bit RGB or RGBA picture that is not interlaced.
std::optional<Header> trueColourHeader(const std::uint8_t* data, std::uint32_t length)
{
    if (length != 13)
        return std::nullopt;
    Header h{be32(data), be32(data + 4), data[9] == 2 ? 3 : data[9] == 6 ? 4 : 0};
    const bool plain = data[8] == 8 && data[10] == 0 && data[11] == 0 && data[12] == 0;
    // libpng's own limit on either side; beyond it the general reader gives the message.
    if (!plain || h.bytesPerPixel == 0 || h.width == 0 || h.height == 0 || h.width > 1000000 || h.height > 1000000)
        return std::nullopt;
    return h;
}

struct FreeDecompressor {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// Whether the colour profile chunk `data` (a name, a compression method and the deflated
// profile) changes the picture's colours. Profiles are small; one that will not inflate within
// a few megabytes is left to the general reader.
bool profileChangesColours(const std::uint8_t* data, std::uint32_t length)
{
    const std::uint8_t* end = data + length;
    const std::uint8_t* nameLimit = data + std::min<std::uint32_t>(length, 80);  // a name has 1 to 79 bytes
    const std::uint8_t* nameEnd = std::find(data, nameLimit, std::uint8_t(0));
    if (nameEnd == nameLimit || end - nameEnd < 2 || nameEnd[1] != 0)
        return true;
    const std::uint8_t* deflated = nameEnd + 2;
    const std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(libdeflate_alloc_decompressor());
    if (!decompressor)
        return true;
    std::vector<std::uint8_t> profile;
    for (std::size_t room = std::size_t(64) << 10; room <= (std::size_t(4) << 20); room *= 4) {
        profile.resize(room);
        std::size_t inflated = 0;
        const libdeflate_result result =
            libdeflate_zlib_decompress(decompressor.get(), deflated, std::size_t(end - deflated), profile.data(),
                                       profile.size(), &inflated);
        if (result == LIBDEFLATE_SUCCESS)
            return profileNeedsConversion(profile.data(), inflated);
        if (result != LIBDEFLATE_INSUFFICIENT_SPACE)
            return true;
    }
    return true;
}

// The chunks of a picture this reader takes: the header, then the image data in one run of
// IDAT chunks (gathered here), up to IEND. Ancillary chunks are passed over, except a
// transparent colour (which adds transparency), EXIF (which may turn the picture) and a colour
// profile other than sRGB's (which changes the colours): the general reader sees to those, and
// to every critical chunk other than these three.
std::optional<Header> gatherImageData(const QByteArray& bytes, std::vector<std::uint8_t>& deflated)
{
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const std::size_t size = static_cast<std::size_t>(bytes.size());
    if (size < 8 || std::memcmp(p, kSignature, 8) != 0)
        return std::nullopt;
    std::optional<Header> header;
    bool dataSeen = false, dataEnded = false;
    for (std::size_t at = 8;;) {
        if (size - at < 12)
            return std::nullopt;
        const std::uint32_t length = be32(p + at);
        const std::uint8_t* type = p + at + 4;
        const std::uint8_t* data = type + 4;
        if (length > size - at - 12 ||
            libdeflate_crc32(0, type, std::size_t(length) + 4) != be32(data + length))
            return std::nullopt;
        at += std::size_t(length) + 12;
        if (!header) {
            if (!isType(type, "IHDR") || !(header = trueColourHeader(data, length)))
                return std::nullopt;
        } else if (isType(type, "IDAT")) {
            if (dataEnded)
                return std::nullopt;
            dataSeen = true;
            deflated.insert(deflated.end(), data, data + length);
        } else if (isType(type, "IEND")) {
            return dataSeen && length == 0 ? header : std::nullopt;
        } else {
            const bool critical = (type[0] & 0x20) == 0;
            if (critical || isType(type, "tRNS") || isType(type, "eXIf") ||
                (isType(type, "iCCP") && profileChangesColours(data, length)))
                return std::nullopt;
            dataEnded = dataSeen;
        }
    }
}

template <int N>
void unfilterSub(std::uint8_t* row, std::size_t length)
{
    for (std::size_t i = N; i < length; ++i)
        row[i] = std::uint8_t(row[i] + row[i - N]);
}

template <int N>
void unfilterAverage(std::uint8_t* row, const std::uint8_t* above, std::size_t length)
{
    for (std::size_t i = 0; i < N; ++i)
        row[i] = std::uint8_t(row[i] + (above[i] >> 1));
    for (std::size_t i = N; i < length; ++i)
        row[i] = std::uint8_t(row[i] + ((row[i - N] + above[i]) >> 1));
}

#if defined(__SSE2__)
// A pixel's channels in the low four 16-bit lanes. Reads four bytes: the callers leave a byte
// readable after the last pixel.
__m128i loadPixel(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(v)), _mm_setzero_si128());
}

__m128i select(__m128i mask, __m128i yes, __m128i no)
{
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

__m128i absolute(__m128i x) { return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x)); }

// A pixel at a time, its channels side by side: the predictor chain runs from pixel to pixel,
// so this is as parallel as the filter allows.
template <int N>
void unfilterPaeth(std::uint8_t* row, const std::uint8_t* above, std::size_t length)
{
    __m128i left = _mm_setzero_si128(), aboveLeft = _mm_setzero_si128();
    for (std::size_t i = 0; i < length; i += N) {
        const __m128i up = loadPixel(above + i);
        const __m128i fromUp = _mm_sub_epi16(up, aboveLeft), fromLeft = _mm_sub_epi16(left, aboveLeft);
        const __m128i pa = absolute(fromUp), pb = absolute(fromLeft),
                      pc = absolute(_mm_add_epi16(fromUp, fromLeft));
        const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
        const __m128i predicted =
            select(_mm_cmpeq_epi16(pa, smallest), left, select(_mm_cmpeq_epi16(pb, smallest), up, aboveLeft));
        const __m128i value = _mm_and_si128(_mm_add_epi16(predicted, loadPixel(row + i)), _mm_set1_epi16(0xFF));
        const std::uint32_t packed = std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(value, value)));
        std::memcpy(row + i, &packed, N);
        left = value;
        aboveLeft = up;
    }
}
#else
int paeth(int a, int b, int c)
{
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

template <int N>
void unfilterPaeth(std::uint8_t* row, const std::uint8_t* above, std::size_t length)
{
    for (std::size_t i = 0; i < N; ++i)
        row[i] = std::uint8_t(row[i] + above[i]);
    for (std::size_t i = N; i < length; i += N)
        for (int c = 0; c < N; ++c)
            row[i + c] = std::uint8_t(row[i + c] + paeth(row[i + c - N], above[i + c], above[i + c - N]));
}
#endif

template <int N>
bool unfilter(int filter, std::uint8_t* row, const std::uint8_t* above, std::size_t length)
{
    switch (filter) {
    case 0:
        return true;
    case 1:
        unfilterSub<N>(row, length);
        return true;
    case 2:
        for (std::size_t i = 0; i < length; ++i)
            row[i] = std::uint8_t(row[i] + above[i]);
        return true;
    case 3:
        unfilterAverage<N>(row, above, length);
        return true;
    case 4:
        unfilterPaeth<N>(row, above, length);
        return true;
    default:
        return false;
    }
}

// Undoes a row's filter in place: `row` holds `length` filtered bytes of `bytesPerPixel`-byte
// pixels (3 or 4), `above` the row above it unfiltered (zeros for the first row), each followed
// by a readable byte. False for a filter type other than 0 to 4.
bool unfilterRow(int filter, std::uint8_t* row, const std::uint8_t* above, std::size_t length, int bytesPerPixel)
{
    return bytesPerPixel == 3 ? unfilter<3>(filter, row, above, length) : unfilter<4>(filter, row, above, length);
}

}  // namespace

std::optional<RgbaImage> readTrueColourPng(const QByteArray& bytes)
{
    try {
        std::vector<std::uint8_t> deflated;
        const std::optional<Header> header = gatherImageData(bytes, deflated);
        if (!header)
            return std::nullopt;
        const std::size_t stride = std::size_t(header->width) * std::size_t(header->bytesPerPixel);
        if (std::size_t(header->height) > kMaxInflated / (stride + 1))
            return std::nullopt;
        // One byte more than the rows: a pixel is read four bytes at a time. Not cleared first:
        // the inflated rows fill it, and the spare byte is only ever read past a row's end.
        const std::size_t filteredSize = (stride + 1) * header->height + 1;
        const std::unique_ptr<std::uint8_t[]> filtered(new std::uint8_t[filteredSize]);
        filtered[filteredSize - 1] = 0;
        const std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(libdeflate_alloc_decompressor());
        // Exactly the rows' bytes, or the general reader decides what to make of the data.
        if (!decompressor || libdeflate_zlib_decompress(decompressor.get(), deflated.data(), deflated.size(),
                                                        filtered.get(), filteredSize - 1, nullptr) != LIBDEFLATE_SUCCESS)
            return std::nullopt;

        // The picture grows a row at a time, each appended from a row-sized buffer: its memory is
        // written once, where a picture made at its full size would be cleared first.
        std::vector<std::uint8_t> pixels;
        const std::size_t outStride = std::size_t(header->width) * 4;
        pixels.reserve(outStride * header->height);
        std::vector<std::uint8_t> expanded(header->bytesPerPixel == 3 ? outStride : 0);
        const std::vector<std::uint8_t> none(stride + 1, 0);
        const std::uint8_t* above = none.data();
        for (std::uint32_t y = 0; y < header->height; ++y) {
            std::uint8_t* row = filtered.get() + y * (stride + 1);
            if (!unfilterRow(row[0], row + 1, above, stride, header->bytesPerPixel))
                return std::nullopt;
            above = row + 1;
            if (header->bytesPerPixel == 4) {
                pixels.insert(pixels.end(), above, above + stride);
                continue;
            }
            std::uint8_t* out = expanded.data();
            for (std::uint32_t x = 0; x < header->width; ++x, out += 4) {
                out[0] = above[3 * x];
                out[1] = above[3 * x + 1];
                out[2] = above[3 * x + 2];
                out[3] = 255;
            }
            pixels.insert(pixels.end(), expanded.begin(), expanded.end());
        }
        RgbaImage image;
        image.width = static_cast<int>(header->width);
        image.height = static_cast<int>(header->height);
        image.pixels = std::move(pixels);
        return image;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace pictoreel
