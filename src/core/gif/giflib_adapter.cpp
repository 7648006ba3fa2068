#include "core/gif/giflib_adapter.h"

#include "core/gif/lzw_decoder.h"
#include "core/gif/lzw_encoder.h"
#include "core/base/file_identity.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace pictoreel::giflib {

namespace {

int readFromSource(GifFileType* gif, GifByteType* buffer, int count)
{
    if (count <= 0)
        return 0;
    return static_cast<ByteSource*>(gif->UserData)->read(buffer, count);
}

int writeToSink(GifFileType* gif, const GifByteType* data, int count)
{
    if (count <= 0)
        return 0;
    return static_cast<ByteSink*>(gif->UserData)->put(data, count) ? count : 0;
}

std::vector<Rgb> paletteFrom(const ColorMapObject* map)
{
    std::vector<Rgb> palette;
    if (map == nullptr || map->Colors == nullptr)
        return palette;
    palette.reserve(static_cast<std::size_t>(map->ColorCount));
    for (int i = 0; i < map->ColorCount; ++i)
        palette.push_back(Rgb{map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
    return palette;
}

QString giflibText(int giflibError)
{
    const char* text = GifErrorString(giflibError);
    return text != nullptr ? QString::fromLatin1(text) : QStringLiteral("giflib error %1").arg(giflibError);
}

}  // namespace

// --- sources -----------------------------------------------------------------------------------

int MemorySource::read(std::uint8_t* buffer, int count)
{
    const qint64 left = bytes_.size() - position_;
    const int n = static_cast<int>(std::clamp<qint64>(left, 0, count));
    if (n > 0)
        std::memcpy(buffer, bytes_.constData() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

bool MemorySource::seek(qint64 offset)
{
    if (offset < 0 || offset > bytes_.size())
        return false;
    position_ = offset;
    return true;
}

Result<std::unique_ptr<FileSource>> FileSource::open(const QString& path)
{
    std::unique_ptr<FileSource> source(new FileSource(path));
    if (Status opened = openRegularFile(source->file_, path); !opened)
        return opened.error();
    return source;
}

std::unique_ptr<ByteSource> FileSource::duplicate() const
{
    // The open file itself, through its descriptor's link: opened anew, it has a position of its
    // own, and it is the file read so far whatever has become of its name.
    const QString self = QStringLiteral("/proc/self/fd/%1").arg(file_.handle());
    std::unique_ptr<FileSource> copy(new FileSource(self));
    if (file_.handle() < 0 || !copy->file_.open(QIODevice::ReadOnly))
        return nullptr;
    return copy;
}

int FileSource::read(std::uint8_t* buffer, int count)
{
    const qint64 n = file_.read(reinterpret_cast<char*>(buffer), count);
    return n > 0 ? static_cast<int>(n) : 0;
}

// --- decoder -----------------------------------------------------------------------------------

void DecoderCloser::operator()(GifFileType* gif) const
{
    int error = 0;
    DGifCloseFile(gif, &error);
}

GifBlockReader::GifBlockReader(ByteSource& source, DecoderHandle handle)
    : source_(source), gif_(std::move(handle)), globalPalette_(paletteFrom(gif_->SColorMap))
{
}

GifBlockReader::~GifBlockReader() = default;

Result<std::unique_ptr<GifBlockReader>> GifBlockReader::open(ByteSource& source)
{
    int error = 0;
    DecoderHandle gif(DGifOpen(&source, readFromSource, &error));
    if (!gif) {
        if (error == D_GIF_ERR_NOT_GIF_FILE)
            return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("The data is not a GIF picture"));
        if (error == D_GIF_ERR_READ_FAILED)  // not even the six bytes of a GIF's signature
            return makeError(ErrorCode::CorruptData, QStringLiteral("The file is too short to be a GIF picture: it is empty or cut short"));
        if (error == D_GIF_ERR_NO_SCRN_DSCR)  // a GIF's signature, and the file ends soon after
            return makeError(ErrorCode::CorruptData, QStringLiteral("The GIF ends before its header does: the file is cut short"));
        return errorFromGiflib(error, QStringLiteral("Cannot read the GIF header"));
    }
    return std::unique_ptr<GifBlockReader>(new GifBlockReader(source, std::move(gif)));
}

int GifBlockReader::screenWidth() const { return gif_->SWidth; }
int GifBlockReader::screenHeight() const { return gif_->SHeight; }
int GifBlockReader::backgroundIndex() const { return gif_->SBackGroundColor; }

Error GifBlockReader::failure(const char* what) const
{
    return errorFromGiflib(gif_->Error, QString::fromLatin1(what));
}

Result<GifRecord> GifBlockReader::readRecordType()
{
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif_.get(), &type) == GIF_ERROR)
        return failure("Cannot read the next GIF block");
    switch (type) {
    case IMAGE_DESC_RECORD_TYPE:
        return GifRecord::Image;
    case EXTENSION_RECORD_TYPE:
        return GifRecord::Extension;
    case TERMINATE_RECORD_TYPE:
        return GifRecord::Trailer;
    default:
        return makeError(ErrorCode::CorruptData, QStringLiteral("Unknown GIF block"));
    }
}

namespace {

bool readExactly(ByteSource& source, std::uint8_t* buffer, int count) { return source.read(buffer, count) == count; }

Error imageCutShort() { return makeError(ErrorCode::CorruptData, QStringLiteral("The GIF ends inside an image's description")); }

}  // namespace

Result<GifImageHeader> GifBlockReader::readImageHeader()
{
    std::array<std::uint8_t, 9> d{};
    if (!readExactly(source_, d.data(), int(d.size())))
        return imageCutShort();
    GifImageHeader header;
    header.left = d[0] | (d[1] << 8);
    header.top = d[2] | (d[3] << 8);
    header.width = d[4] | (d[5] << 8);
    header.height = d[6] | (d[7] << 8);
    header.interlaced = (d[8] & 0x40) != 0;
    if ((d[8] & 0x80) != 0) {
        const int entries = 2 << (d[8] & 0x07);
        std::vector<std::uint8_t> table(std::size_t(entries) * 3);
        if (!readExactly(source_, table.data(), int(table.size())))
            return imageCutShort();
        header.localPalette.reserve(std::size_t(entries));
        for (std::size_t i = 0; i < table.size(); i += 3)
            header.localPalette.push_back(Rgb{table[i], table[i + 1], table[i + 2]});
    }
    // An image without data is followed at once by the next block's introducer, or by nothing.
    const qint64 dataAt = source_.position();
    std::uint8_t codeSize = 0;
    imageHasData_ = readExactly(source_, &codeSize, 1) && codeSize != ',' && codeSize != '!' && codeSize != ';';
    if (imageHasData_)
        header.minCodeSize = codeSize;
    else if (!source_.seek(dataAt))
        return imageCutShort();
    pixels_ = std::make_unique<LzwStreamDecoder>(header.minCodeSize);
    return header;
}

bool GifBlockReader::readDataBlock(std::vector<std::uint8_t>& block)
{
    block.clear();
    std::uint8_t length = 0;
    if (!readExactly(source_, &length, 1) || length == 0)
        return false;
    block.resize(length);
    const int got = source_.read(block.data(), length);
    block.resize(std::size_t(std::max(got, 0)));
    return !block.empty();
}

std::size_t GifBlockReader::readPixels(std::uint8_t* out, std::size_t count)
{
    if (!pixels_)
        return 0;
    return pixels_->read(out, count, [this](std::vector<std::uint8_t>& block) { return readDataBlock(block); });
}

Status GifBlockReader::readPixelRow(std::uint8_t* row, int width)
{
    if (width <= 0)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("Empty GIF row"));
    if (readPixels(row, std::size_t(width)) != std::size_t(width))
        return makeError(ErrorCode::CorruptData, QStringLiteral("The GIF's pixel data ends early or is damaged"));
    return {};
}

Status GifBlockReader::skipImageData()
{
    pixels_.reset();
    if (!imageHasData_)
        return {};
    imageHasData_ = false;
    for (;;) {
        std::uint8_t length = 0;
        if (!readExactly(source_, &length, 1))
            return makeError(ErrorCode::CorruptData, QStringLiteral("The GIF ends inside an image's pixel data"));
        if (length == 0)
            return {};
        if (!source_.seek(source_.position() + length) || source_.position() > source_.size())
            return makeError(ErrorCode::CorruptData, QStringLiteral("The GIF ends inside an image's pixel data"));
    }
}

Result<GifExtension> GifBlockReader::readExtension()
{
    GifExtension extension;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif_.get(), &extension.label, &block) == GIF_ERROR)
        return failure("Cannot read a GIF extension");
    for (int index = 0; block != nullptr; ++index) {
        if (index < 2) {
            auto& target = index == 0 ? extension.first : extension.second;
            target.assign(block + 1, block + 1 + block[0]);
        }
        if (DGifGetExtensionNext(gif_.get(), &block) == GIF_ERROR)
            return failure("Cannot read a GIF extension");
    }
    return extension;
}

// --- encoder -----------------------------------------------------------------------------------

void EncoderCloser::operator()(GifFileType* gif) const
{
    int error = 0;
    EGifCloseFile(gif, &error);
}

void ColorMapDeleter::operator()(ColorMapObject* map) const { GifFreeMapObject(map); }

int colorTableSize(int count)
{
    int size = 2;
    while (size < count)
        size *= 2;
    return size;
}

GifBlockWriter::GifBlockWriter(ByteSink& sink, EncoderHandle handle) : sink_(sink), gif_(std::move(handle)) {}

Result<std::unique_ptr<GifBlockWriter>> GifBlockWriter::open(ByteSink& sink)
{
    int error = 0;
    EncoderHandle gif(EGifOpen(&sink, writeToSink, &error));
    if (!gif)
        return errorFromGiflib(error, QStringLiteral("Cannot start writing a GIF"));
    EGifSetGifVersion(gif.get(), true);
    return std::unique_ptr<GifBlockWriter>(new GifBlockWriter(sink, std::move(gif)));
}

Status GifBlockWriter::check(int giflibResult, const char* what)
{
    if (giflibResult != GIF_ERROR && !sink_.failed())
        return {};
    // A failed write shows in the sink even where giflib does not look at the result.
    const int error = sink_.failed() ? E_GIF_ERR_WRITE_FAILED : (gif_ ? gif_->Error : E_GIF_ERR_CLOSE_FAILED);
    return errorFromGiflib(error, QString::fromLatin1(what));
}

namespace {

ColorMapHandle makeColorMap(const std::vector<Rgb>& palette, int minTableSize = 2)
{
    const int tableSize = std::max(colorTableSize(static_cast<int>(palette.size())), minTableSize);
    std::vector<GifColorType> colors(static_cast<std::size_t>(tableSize), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.size(); ++i)
        colors[i] = GifColorType{palette[i].r, palette[i].g, palette[i].b};
    return ColorMapHandle(GifMakeMapObject(tableSize, colors.data()));
}

void putLittleEndian16(std::vector<std::uint8_t>& out, int value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

Status GifBlockWriter::putScreen(int width, int height, const std::vector<Rgb>& globalPalette)
{
    if (!gif_)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The GIF is already closed"));
    ColorMapHandle map;
    if (!globalPalette.empty()) {
        map = makeColorMap(globalPalette);
        if (!map)
            return errorFromGiflib(E_GIF_ERR_NOT_ENOUGH_MEM, QStringLiteral("Cannot make a GIF colour table"));
    }
    return check(EGifPutScreenDesc(gif_.get(), width, height, 8, 0, map.get()), "Cannot write the GIF screen");
}

Status GifBlockWriter::putLoopBlock(int loopCount)
{
    if (!gif_)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The GIF is already closed"));
    static const GifByteType application[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    const GifByteType loop[] = {1, static_cast<GifByteType>(loopCount & 0xFF),
                                static_cast<GifByteType>((loopCount >> 8) & 0xFF)};
    const char* what = "Cannot write the GIF loop block";
    if (Status s = check(EGifPutExtensionLeader(gif_.get(), APPLICATION_EXT_FUNC_CODE), what); !s)
        return s;
    if (Status s = check(EGifPutExtensionBlock(gif_.get(), sizeof application, application), what); !s)
        return s;
    if (Status s = check(EGifPutExtensionBlock(gif_.get(), sizeof loop, loop), what); !s)
        return s;
    return check(EGifPutExtensionTrailer(gif_.get()), what);
}

Status GifBlockWriter::putComment(const QByteArray& text)
{
    if (!gif_)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The GIF is already closed"));
    const char* what = "Cannot write a GIF comment";
    if (Status s = check(EGifPutExtensionLeader(gif_.get(), COMMENT_EXT_FUNC_CODE), what); !s)
        return s;
    for (qsizetype at = 0; at < text.size(); at += 255) {
        const auto length = static_cast<int>(std::min<qsizetype>(255, text.size() - at));
        const auto* bytes = reinterpret_cast<const GifByteType*>(text.constData() + at);
        if (Status s = check(EGifPutExtensionBlock(gif_.get(), length, bytes), what); !s)
            return s;
    }
    return check(EGifPutExtensionTrailer(gif_.get()), what);
}

Status GifBlockWriter::putGraphicControl(int disposal, int delayCentiseconds, int transparentIndex)
{
    if (!gif_)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The GIF is already closed"));
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = disposal;
    gcb.UserInputFlag = false;
    gcb.DelayTime = delayCentiseconds;
    gcb.TransparentColor = transparentIndex < 0 ? NO_TRANSPARENT_COLOR : transparentIndex;
    GifByteType bytes[4] = {};
    const auto length = static_cast<int>(EGifGCBToExtension(&gcb, bytes));
    return check(EGifPutExtension(gif_.get(), GRAPHICS_EXT_FUNC_CODE, length, bytes),
                 "Cannot write a GIF graphic control block");
}

Status GifBlockWriter::putImage(int left, int top, const IndexedImage& image, bool useGlobalPalette)
{
    // The codes start one bit wider than the colour table's indices, and never below 3 bits. An
    // image on the global table starts them as narrow as its own indices allow: frames that change
    // a little use few of its entries, the first ones when the table is ordered for them.
    const bool global = useGlobalPalette && gif_ && gif_->SColorMap;
    const int tableSize = global ? gif_->SColorMap->ColorCount : colorTableSize(static_cast<int>(image.palette.size()));
    int tableBits = 1;
    while ((1 << tableBits) < tableSize)
        ++tableBits;
    const int tableCodeSize = std::max(2, tableBits);
    const int minCodeSize =
        global ? std::min(tableCodeSize, smallestMinCodeSize(image.indices.data(), image.indices.size())) : tableCodeSize;
    return putImageBlocks(left, top, image.width, image.height, useGlobalPalette ? std::vector<Rgb>{} : image.palette,
                          tableSize, minCodeSize,
                          compressGifPixels(image.indices.data(), image.indices.size(), minCodeSize));
}

Status GifBlockWriter::putCompressedImage(int left, int top, int width, int height, const std::vector<Rgb>& palette,
                                          int minCodeSize, const QByteArray& subBlocks)
{
    const int tableSize = std::max(colorTableSize(static_cast<int>(palette.size())), 1 << minCodeSize);
    return putImageBlocks(left, top, width, height, palette, tableSize, minCodeSize, subBlocks);
}

Status GifBlockWriter::putImageBlocks(int left, int top, int width, int height, const std::vector<Rgb>& palette,
                                      int tableSize, int minCodeSize, const QByteArray& subBlocks)
{
    if (!gif_)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The GIF is already closed"));
    // giflib writes every block straight through to the sink (it buffers only inside an image it
    // compresses itself), so the bytes of this image can go to the sink between its blocks.
    std::vector<std::uint8_t> head;
    head.reserve(10 + 3 * 256 + 1);
    head.push_back(0x2C);
    putLittleEndian16(head, left);
    putLittleEndian16(head, top);
    putLittleEndian16(head, width);
    putLittleEndian16(head, height);
    if (palette.empty()) {
        head.push_back(0);
    } else {
        int bits = 1;
        while ((1 << bits) < tableSize)
            ++bits;
        head.push_back(static_cast<std::uint8_t>(0x80 | (bits - 1)));
        for (int i = 0; i < (1 << bits); ++i) {
            const Rgb c = i < static_cast<int>(palette.size()) ? palette[std::size_t(i)] : Rgb{};
            head.push_back(c.r);
            head.push_back(c.g);
            head.push_back(c.b);
        }
    }
    head.push_back(static_cast<std::uint8_t>(minCodeSize));
    if (!sink_.put(head.data(), static_cast<int>(head.size())) ||
        !sink_.put(reinterpret_cast<const std::uint8_t*>(subBlocks.constData()), static_cast<int>(subBlocks.size())))
        return errorFromGiflib(E_GIF_ERR_WRITE_FAILED, QStringLiteral("Cannot write a GIF image"));
    return {};
}

Status GifBlockWriter::close()
{
    if (!gif_)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The GIF is already closed"));
    int error = 0;
    // EGifCloseFile frees the handle whatever it reports.
    const int result = EGifCloseFile(gif_.release(), &error);
    if (sink_.failed())
        return errorFromGiflib(E_GIF_ERR_WRITE_FAILED, QStringLiteral("Cannot finish the GIF"));
    if (result == GIF_ERROR)
        return errorFromGiflib(error, QStringLiteral("Cannot finish the GIF"));
    return {};
}

// --- errors ------------------------------------------------------------------------------------

Error errorFromGiflib(int giflibError, const QString& what)
{
    ErrorCode code = ErrorCode::LibraryFailure;
    switch (giflibError) {
    case D_GIF_ERR_OPEN_FAILED:
    case D_GIF_ERR_NOT_READABLE:
        code = ErrorCode::FileReadFailed;
        break;
    case D_GIF_ERR_NOT_GIF_FILE:
        code = ErrorCode::UnsupportedFormat;
        break;
    case D_GIF_ERR_READ_FAILED:
    case D_GIF_ERR_NO_SCRN_DSCR:
    case D_GIF_ERR_NO_IMAG_DSCR:
    case D_GIF_ERR_NO_COLOR_MAP:
    case D_GIF_ERR_WRONG_RECORD:
    case D_GIF_ERR_DATA_TOO_BIG:
    case D_GIF_ERR_IMAGE_DEFECT:
    case D_GIF_ERR_EOF_TOO_SOON:
        code = ErrorCode::CorruptData;
        break;
    case E_GIF_ERR_OPEN_FAILED:
    case E_GIF_ERR_WRITE_FAILED:
    case E_GIF_ERR_DISK_IS_FULL:
    case E_GIF_ERR_CLOSE_FAILED:
    case E_GIF_ERR_NOT_WRITEABLE:
        code = ErrorCode::FileWriteFailed;
        break;
    default:
        // Not enough memory, or giflib used in a wrong order: both are faults of ours or the
        // machine's, not of the data.
        code = ErrorCode::LibraryFailure;
        break;
    }
    return makeError(code, what + QStringLiteral(": ") + giflibText(giflibError));
}

QString libraryVersion()
{
    return QStringLiteral("giflib %1.%2.%3").arg(GIFLIB_MAJOR).arg(GIFLIB_MINOR).arg(GIFLIB_RELEASE);
}

}  // namespace pictoreel::giflib
