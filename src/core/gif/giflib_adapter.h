// The one place that talks to giflib: owning handles for its GifFileType, byte sources and sinks
// that giflib reads and writes through callbacks, and the translation of giflib's error numbers
// into our Error. Nothing outside this file and its .cpp includes gif_lib.h.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

struct GifFileType;

namespace pictoreel {
class LzwStreamDecoder;
}
struct ColorMapObject;

namespace pictoreel::giflib {

// --- reading -----------------------------------------------------------------------------------

// Bytes giflib decodes from. The decoder remembers positions and seeks back to them, so every
// source is random access; a short read means the end of the data (or a read error, which the
// decoder treats as the same thing: the file ends there).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Copies up to `count` bytes into `buffer`; returns how many were copied (0 at the end).
    virtual int read(std::uint8_t* buffer, int count) = 0;
    virtual qint64 position() const = 0;
    virtual bool seek(qint64 offset) = 0;
    virtual qint64 size() const = 0;
    // A second source of the same bytes with a position of its own, at the start; nullptr when
    // it cannot be had. A file's stays that file, even once it is replaced or deleted by name.
    virtual std::unique_ptr<ByteSource> duplicate() const = 0;
};

// Reads a byte array in memory; the array is shared, not copied.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(QByteArray bytes) : bytes_(std::move(bytes)) {}
    int read(std::uint8_t* buffer, int count) override;
    qint64 position() const override { return position_; }
    bool seek(qint64 offset) override;
    qint64 size() const override { return bytes_.size(); }
    std::unique_ptr<ByteSource> duplicate() const override { return std::make_unique<MemorySource>(bytes_); }

private:
    QByteArray bytes_;
    qint64 position_ = 0;
};

// Reads a file through QFile, so any path Qt can open (spaces, non-ASCII letters) works.
class FileSource final : public ByteSource {
public:
    // FileNotFound when there is no such file, FileReadFailed when it is no regular file (see
    // openRegularFile) or cannot be opened.
    static Result<std::unique_ptr<FileSource>> open(const QString& path);
    int read(std::uint8_t* buffer, int count) override;
    qint64 position() const override { return file_.pos(); }
    bool seek(qint64 offset) override { return file_.seek(offset); }
    qint64 size() const override { return file_.size(); }
    std::unique_ptr<ByteSource> duplicate() const override;

private:
    explicit FileSource(const QString& path) : file_(path) {}
    QFile file_;
};

struct DecoderCloser {
    void operator()(GifFileType* gif) const;
};
using DecoderHandle = std::unique_ptr<GifFileType, DecoderCloser>;

// What follows in the data stream after the screen descriptor or a finished block.
enum class GifRecord { Image, Extension, Trailer };

// An image descriptor with its local colour table (empty when the image has none) and the LZW
// code size its data starts with.
struct GifImageHeader {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    std::vector<Rgb> localPalette;
    // -1 when the image has no data at all: the next block, or the end of the file, follows the
    // descriptor straight away.
    int minCodeSize = -1;
};

// An extension block: its label and its first two data sub-blocks, which is all the extensions we
// understand need (graphic control; NETSCAPE2.0/ANIMEXTS1.0 loop blocks). Later sub-blocks are
// skipped.
struct GifExtension {
    int label = 0;
    std::vector<std::uint8_t> first;
    std::vector<std::uint8_t> second;
};

// giflib's block-level decoder over a ByteSource that must outlive it. Every call either
// succeeds or returns an Error; after an Error the stream position is wherever giflib stopped,
// and the caller may seek the source to a block boundary it knows and go on from there.
class GifBlockReader {
public:
    // Reads the header, the logical screen descriptor and the global colour table.
    // UnsupportedFormat when the bytes are not a GIF; CorruptData when that part is cut short.
    static Result<std::unique_ptr<GifBlockReader>> open(ByteSource& source);
    ~GifBlockReader();

    int screenWidth() const;
    int screenHeight() const;
    int backgroundIndex() const;
    // Empty when the file has no global colour table.
    const std::vector<Rgb>& globalPalette() const { return globalPalette_; }
    ByteSource& source() { return source_; }

    Result<GifRecord> readRecordType();
    // After GifRecord::Image: the descriptor, local colour table and LZW code size, read here
    // rather than by giflib, which refuses images that browsers show (no data at all, code sizes
    // it does not expect). CorruptData when the data ends inside them.
    Result<GifImageHeader> readImageHeader();
    // The next `count` indices of the current image in file order (interlaced images come pass
    // by pass), decompressed by our own decoder as browsers decode (lzw_decoder.h); how many
    // there were: fewer when the pixels end early (no data, an end or bad code, data cut short).
    std::size_t readPixels(std::uint8_t* out, std::size_t count);
    // The next row of the current image; CorruptData when its pixels end before the row does.
    Status readPixelRow(std::uint8_t* row, int width);
    // Passes over the rest of the current image's data sub-blocks without decompressing them.
    // CorruptData when the data ends before their terminator.
    Status skipImageData();
    // After GifRecord::Extension: the whole extension, up to and including its terminator.
    Result<GifExtension> readExtension();

private:
    GifBlockReader(ByteSource& source, DecoderHandle handle);
    Error failure(const char* what) const;
    // The next data sub-block of the current image into `block`: false at the terminator or
    // where the data ends (a block cut short gives the bytes it has first).
    bool readDataBlock(std::vector<std::uint8_t>& block);
    ByteSource& source_;
    DecoderHandle gif_;
    std::vector<Rgb> globalPalette_;
    std::unique_ptr<LzwStreamDecoder> pixels_;  // of the current image
    bool imageHasData_ = false;
};

// --- writing -----------------------------------------------------------------------------------

// Where giflib's encoder output goes. write() returns false on any failure (disk full, ...).
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Passes the bytes on; once a write has failed every later one fails too.
    bool put(const std::uint8_t* data, int count)
    {
        if (!failed_ && !write(data, count))
            failed_ = true;
        return !failed_;
    }
    bool failed() const { return failed_; }

protected:
    virtual bool write(const std::uint8_t* data, int count) = 0;

private:
    bool failed_ = false;
};

struct EncoderCloser {
    void operator()(GifFileType* gif) const;
};
using EncoderHandle = std::unique_ptr<GifFileType, EncoderCloser>;

struct ColorMapDeleter {
    void operator()(ColorMapObject* map) const;
};
using ColorMapHandle = std::unique_ptr<ColorMapObject, ColorMapDeleter>;

// Table size a palette of `count` colours is stored with: the next power of two, at least 2.
int colorTableSize(int count);

// "giflib 5.2.1": the giflib the program was built with (giflib tells no version at run time).
QString libraryVersion();

// giflib's block-level encoder writing a GIF89a to a ByteSink that must outlive it. Arguments
// are expected to be valid already (the GIF writer checks them); giflib's own failures come back
// as Errors.
class GifBlockWriter {
public:
    static Result<std::unique_ptr<GifBlockWriter>> open(ByteSink& sink);

    // Header and logical screen descriptor, with `globalPalette` (1..256 colours, padded to its
    // table size) as global colour table, or without one when it is empty.
    Status putScreen(int width, int height, const std::vector<Rgb>& globalPalette = {});
    // NETSCAPE2.0 application extension; 0 loops for ever.
    Status putLoopBlock(int loopCount);
    // Comment extension holding `text` (any bytes), in sub-blocks of up to 255 bytes.
    Status putComment(const QByteArray& text);
    // Graphic control extension; transparentIndex -1 for none.
    Status putGraphicControl(int disposal, int delayCentiseconds, int transparentIndex);
    // Image descriptor, the image's palette as local colour table (none when `useGlobalPalette`:
    // the indices then refer to the global table), LZW-compressed pixels (our own encoder,
    // lzw_encoder.h).
    Status putImage(int left, int top, const IndexedImage& image, bool useGlobalPalette = false);
    // An image whose pixels are compressed already: the descriptor, `palette` as local colour
    // table (none when empty), then `minCodeSize` and `subBlocks` (the data sub-blocks with their
    // zero-length terminator) as they are. The table is padded to at least 2^minCodeSize entries
    // so indices the codes can hold all name a colour.
    Status putCompressedImage(int left, int top, int width, int height, const std::vector<Rgb>& palette,
                              int minCodeSize, const QByteArray& subBlocks);
    // Writes the trailer and releases giflib's encoder; later calls fail.
    Status close();

private:
    GifBlockWriter(ByteSink& sink, EncoderHandle handle);
    Status check(int giflibResult, const char* what);
    Status putImageBlocks(int left, int top, int width, int height, const std::vector<Rgb>& palette, int tableSize,
                          int minCodeSize, const QByteArray& subBlocks);
    ByteSink& sink_;
    EncoderHandle gif_;
};

// --- errors ------------------------------------------------------------------------------------

// Our Error for a giflib error number (D_GIF_ERR_* or E_GIF_ERR_*), with `what` saying what was
// being done ("Cannot read the GIF header").
Error errorFromGiflib(int giflibError, const QString& what);

}  // namespace pictoreel::giflib
