// The metafile module: everything that talks to libemf2svg, libUEMF and librsvg. Their types and
// error reports never leave this file; the core sees our own picture type and errors.
//
// libemf2svg trusts the records it plays, so every record is first checked here: its type is one
// that metafiles define, its size lies within the file, and libUEMF's own check of the record
// (counts, offsets and the bitmaps it embeds all within the record) passes. Playing stops at the
// end-of-file record. The SVG text is then drawn by librsvg, which loads nothing but the pictures
// embedded as data: addresses. None of the libraries is proof against every hostile file (librsvg
// ends the process on some absurd font sizes), so all this runs in a child process of its own.
#include "core/codecs/emf_codec.h"
#include "core/codecs/isolated_run.h"

#include <cairo.h>
#include <emf2svg.h>
#include <librsvg/rsvg.h>
#include <uemf_safe.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace pictoreel {

namespace {

constexpr std::uint32_t kEndOfFile = 14;         // EMR_EOF
constexpr std::uint32_t kLastRecordType = 122;   // EMR_CREATECOLORSPACEW
// The child that draws: as much memory as the largest picture and its SVG text may take, and
// time for a complex drawing of the largest size.
constexpr IsolationLimits kDrawingLimits{std::uint64_t{6} << 30, 120};
// The SVG text of a metafile is several times its size (every record becomes an element,
// embedded bitmaps PNG in base64); beyond this it is not drawn.
constexpr std::size_t kMaxSvgBytes = std::size_t{512} << 20;

Error damaged(const QString& why)
{
    return makeError(ErrorCode::CorruptData, QStringLiteral("The picture is damaged or unreadable: ") + why);
}

std::uint32_t le32(const char* at)
{
    std::uint32_t value;
    std::memcpy(&value, at, 4);  // metafiles are little-endian, as is every machine we build for
    return value;
}

// The number of bytes up to and including the end-of-file record, once every record before it
// has been found sound.
Result<std::size_t> checkRecords(const QByteArray& bytes)
{
    const std::size_t size = static_cast<std::size_t>(bytes.size());
    std::size_t at = 0;
    for (std::size_t index = 0;; ++index) {
        if (size - at < 8)
            return damaged(QStringLiteral("the metafile ends before its end-of-file record."));
        const std::uint32_t type = le32(bytes.constData() + at), length = le32(bytes.constData() + at + 4);
        if (type == 0 || type > kLastRecordType || length < 8 || length % 4 != 0 || length > size - at ||
            (index == 0) != (type == 1))
            return damaged(QStringLiteral("record %1 of the metafile has a wrong type or size.").arg(index + 1));
        if (!U_emf_record_safe(bytes.constData() + at))
            return damaged(QStringLiteral("record %1 of the metafile (type %2) is broken.").arg(index + 1).arg(type));
        at += length;
        if (type == kEndOfFile)
            return at;
    }
}

Result<QByteArray> svgText(QByteArray& bytes, std::size_t length, PictureSize size)
{
    char space[] = "";
    generatorOptions options{};
    options.nameSpace = space;
    options.emfplus = true;
    options.svgDelimiter = true;
    options.imgWidth = size.width;
    options.imgHeight = size.height;
    char* out = nullptr;
    std::size_t outLength = 0;
    const int converted = emf2svg(bytes.data(), length, &out, &outLength, &options);
    const std::unique_ptr<char, void (*)(void*)> owned(out, std::free);
    if (!converted || !out || outLength == 0)
        return damaged(QStringLiteral("its records could not be played."));
    if (outLength > kMaxSvgBytes)
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("The metafile is too complex to draw: it makes more than %1 MB of drawing "
                                        "commands.")
                             .arg(kMaxSvgBytes >> 20));
    return QByteArray(out, static_cast<qsizetype>(outLength));
}

template <class T, void (*release)(T*)>
struct Releaser {
    void operator()(T* p) const { release(p); }
};
using Surface = std::unique_ptr<cairo_surface_t, Releaser<cairo_surface_t, cairo_surface_destroy>>;
using Context = std::unique_ptr<cairo_t, Releaser<cairo_t, cairo_destroy>>;
void unrefHandle(RsvgHandle* handle) { g_object_unref(handle); }
using Handle = std::unique_ptr<RsvgHandle, Releaser<RsvgHandle, unrefHandle>>;
using GError_ = std::unique_ptr<GError, Releaser<GError, g_error_free>>;

// The drawing as RGBA pixels, rows top to bottom.
Result<IsolatedBytes> drawSvg(const QByteArray& svg, PictureSize size)
{
    GError* rawError = nullptr;
    const Handle handle(rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg.constData()),
                                                  static_cast<gsize>(svg.size()), &rawError));
    GError_ error(rawError);
    if (!handle)
        return damaged(QStringLiteral("its drawing could not be read (%1).")
                           .arg(QString::fromUtf8(error ? error->message : "no reason given")));
    const Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.width, size.height));
    const Context cairo(cairo_create(surface.get()));
    if (cairo_status(cairo.get()) != CAIRO_STATUS_SUCCESS)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to draw the metafile."));
    // White where the metafile draws nothing, as a sheet of paper and Windows' viewers show it.
    cairo_set_source_rgb(cairo.get(), 1, 1, 1);
    cairo_paint(cairo.get());
    const RsvgRectangle viewport{0, 0, double(size.width), double(size.height)};
    if (!rsvg_handle_render_document(handle.get(), cairo.get(), &viewport, &rawError)) {
        error.reset(rawError);
        return damaged(QStringLiteral("its drawing failed (%1).")
                           .arg(QString::fromUtf8(error ? error->message : "no reason given")));
    }
    cairo_surface_flush(surface.get());
    // Native-endian 0xAARRGGBB words, opaque on the white ground.
    IsolatedBytes pixels(std::size_t(size.width) * size.height * 4);
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < size.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + std::size_t(y) * stride);
        std::uint8_t* out = pixels.data() + std::size_t(y) * size.width * 4;
        for (int x = 0; x < size.width; ++x, out += 4) {
            out[0] = std::uint8_t(row[x] >> 16);
            out[1] = std::uint8_t(row[x] >> 8);
            out[2] = std::uint8_t(row[x]);
            out[3] = 255;
        }
    }
    return pixels;
}

Result<RgbaImage> draw(QByteArray bytes, PictureSize size)
{
    try {
        Result<IsolatedBytes> pixels = runIsolated(
            [&]() -> Result<IsolatedBytes> {
                Result<std::size_t> length = checkRecords(bytes);
                if (!length)
                    return length.error();
                Result<QByteArray> svg = svgText(bytes, length.value(), size);
                if (!svg)
                    return svg.error();
                return drawSvg(svg.value(), size);
            },
            kDrawingLimits, QStringLiteral("the metafile drawing"));
        if (!pixels)
            return pixels.error();
        RgbaImage picture;
        picture.width = size.width;
        picture.height = size.height;
        picture.pixels = std::move(pixels).value();
        if (picture.pixels.size() != std::size_t(size.width) * size.height * 4)
            return makeError(ErrorCode::LibraryFailure, QStringLiteral("The metafile drawing came back incomplete."));
        return picture;
    } catch (const std::bad_alloc&) {
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to draw the metafile."));
    }
}

const MetafileCodec kCodec{kMetafileCodecVersion, draw};

}  // namespace

}  // namespace pictoreel

extern "C" __attribute__((visibility("default"))) const void* pictoreel_metafile_codec()
{
    return &pictoreel::kCodec;
}
