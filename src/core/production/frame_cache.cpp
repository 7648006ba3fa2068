#include "core/production/frame_cache.h"

#include "core/media/imaging_component.h"
#include "core/production/frame_cache_names.h"
#include "core/base/file_identity.h"
#include "core/formats/gif_blocks.h"
#include "core/gif/gif_writer.h"

#include <QCryptographicHash>
#include <QFile>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace pictoreel {

namespace {

// Changes whenever a conversion of the same picture and settings gives other pixels.
constexpr auto kRecordHeader = "Pictoreel frame cache 14\n";
// Far more than any record; a longer comment is not one of ours.
constexpr qsizetype kMaxRecordBytes = 64 * 1024;

// The picture path a record names, or empty.
QByteArray recordedPicture(const QByteArray& record)
{
    const qsizetype start = record.indexOf("\npicture ");
    if (start < 0)
        return {};
    const qsizetype from = start + 9;
    const qsizetype end = record.indexOf('\n', from);
    return end < 0 ? QByteArray() : record.mid(from, end - from);
}

// The cache file of a picture that shares its file name with another one: the common name with
// a digest of the picture's full path before its end (in its safe form when that is too long).
QString ownCacheName(const QString& commonFile, const QString& picturePath)
{
    const QByteArray digest = QCryptographicHash::hash(picturePath.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
    const qsizetype nameStart = commonFile.lastIndexOf(u'/') + 1;
    QString name = commonFile.mid(nameStart);
    name.chop(6);  // "__.gif"
    return commonFile.left(nameStart) +
           safeCacheFileName(name + QStringLiteral("_p_") + QString::fromLatin1(digest) + QStringLiteral("__.gif"));
}

}  // namespace

int frameCacheVersion()
{
    const QByteArray header(kRecordHeader);
    return header.mid(header.lastIndexOf(' ') + 1).trimmed().toInt();
}

QByteArray conversionRecord(const FileStamp& picture, const FrameConversion& c)
{
    QByteArray record(kRecordHeader);
    record += "picture " + picture.path.toUtf8() + '\n';
    record += "size " + QByteArray::number(picture.size) + '\n';
    record += "modified " + QByteArray::number(picture.modifiedNs) + '\n';
    record += "changed " + QByteArray::number(picture.changedNs) + '\n';
    record += "file " + QByteArray::number(picture.device) + ':' + QByteArray::number(picture.inode) + '\n';
    record += QByteArray("transparent ") + (c.transparent ? "True" : "False") + '\n';
    record += "colour " + QByteArray::number(c.transColor) + '\n';
    record += "width " + c.size.widthText.toUtf8() + '\n';
    record += "height " + c.size.heightText.toUtf8() + '\n';
    if (!c.style.isDefault())
        record += "style " + frameStyleTag(c.style).toUtf8() + '\n';
    if (!c.shaping.isDefault())
        record += "shape " + frameShapingTag(c.shaping).toUtf8() + '\n';
    return record;
}

FrameConversion frameConversionFor(const FrameValues& frame, const FrameSize& size, const QString& tempFolder,
                                   const FrameStyle& style, const FrameShaping& shaping)
{
    return FrameConversion{frame.picture,     GetFrameCacheFile(frame, size, tempFolder, style, frameShapingTag(shaping)),
                           frame.transparent, frame.colour(),
                           size,              style,
                           shaping};
}

QByteArray readFrameCacheRecord(const QString& cacheFile)
{
    // The record is the first comment among the extensions before the first image: read as much
    // of the file's start as it takes to walk to it, a little more each time.
    for (qint64 length = 4096;; length *= 4) {
        // A file that does not end in the trailer was cut short (a full disk, a copy broken off):
        // it holds no frame, and the picture is converted again.
        std::optional<std::uint8_t> last;
        const std::optional<QByteArray> start = readFileStart(cacheFile, length, &last);
        if (!start || last != gif::kTrailerByte)
            return {};
        const QByteArray& head = *start;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.constData());
        const auto size = static_cast<std::size_t>(head.size());
        if (!gif::hasGifSignature(bytes, size))
            return {};
        gif::BlockWalker walker(bytes, size);
        std::optional<gif::Block> block;
        while ((block = walker.next()) && block->complete && block->kind == gif::BlockKind::Extension &&
               block->label != gif::kCommentLabel) {
        }
        const bool cutShort = head.size() == length && (!block || !block->complete);
        if (cutShort && length < kMaxRecordBytes * 2)
            continue;
        if (!block || !block->complete || block->kind != gif::BlockKind::Extension)
            return {};
        const std::optional<std::string> comment = gif::joinedSubBlocks(bytes, *block, kMaxRecordBytes);
        if (!comment || !comment->starts_with(kRecordHeader))
            return {};
        return QByteArray::fromStdString(*comment);
    }
}

ColourReduction reductionFor(const FrameStyle& style)
{
    const Dithering dithering = style.dither == DitherMode::Ordered ? Dithering::Ordered
                                : style.dither == DitherMode::None  ? Dithering::None
                                                                    : Dithering::Diffusion;
    return ColourReduction{style.colors, dithering};
}

FrameCacheEntry locateFrameCache(const FrameConversion& conversion, CacheClaims* claims)
{
    FrameCacheEntry entry;
    const std::optional<FileStamp> picture = conversion.picture.isEmpty() ? std::nullopt : stampOf(conversion.picture);
    if (!picture)
        return entry;
    entry.record = conversionRecord(*picture, conversion);

    const QString& common = conversion.cacheFile;
    const QByteArray held = readFrameCacheRecord(common);
    const bool claimedByOther = claims && claims->contains(common) && claims->value(common) != picture->path;
    const QByteArray holder = recordedPicture(held);
    if (claims && !claimedByOther)
        claims->insert(common, picture->path);
    if (!claimedByOther && holder == picture->path.toUtf8()) {  // a picture's path is never empty
        // Only a conversion of this very picture writes over it, in place.
        entry.file = common;
        entry.state = held == entry.record ? FrameCacheEntry::State::Cached : FrameCacheEntry::State::ToConvert;
        return entry;
    }
    entry.file = ownCacheName(common, picture->path);
    if (readFrameCacheRecord(entry.file) == entry.record) {
        entry.state = FrameCacheEntry::State::Cached;
        return entry;
    }
    entry.state = FrameCacheEntry::State::ToConvert;
    if (!claimedByOther && holder.isEmpty()) {  // free, or holding no picture that can be told
        entry.publishAs = common;
        struct stat there {};
        if (::lstat(QFile::encodeName(common).constData(), &there) == 0)
            entry.publishOver = S_ISREG(there.st_mode) ? static_cast<std::uint64_t>(there.st_ino) : 0;
    }
    return entry;
}

namespace {

// Moves a converted file to the cache name when that is free, or still holds the file that was
// there at the look-up. False when another make has put a file there meanwhile.
bool moveToCacheName(const QString& from, const QString& to, std::uint64_t replacedInode)
{
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
    struct stat there {};
    if (replacedInode != 0 && ::lstat(target.constData(), &there) == 0)
        return static_cast<std::uint64_t>(there.st_ino) == replacedInode && ::rename(source.constData(), target.constData()) == 0;
    return ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0;
}

// The worker's picture, shaped and fitted, is what its reduced colours stand for: no transparent
// colour, no bars left clear, no pixel not fully opaque.
bool isOpaqueSource(const ImagingComponent& worker, const FrameConversion& conversion)
{
    if (conversion.transparent || worker.clearBarsAround())
        return false;
    const std::vector<std::uint8_t>& p = worker.image().pixels;
    for (std::size_t i = 3; i < p.size(); i += 4)
        if (p[i] != 255)
            return false;
    return !p.empty();
}

}  // namespace

Status convertFrame(const FrameConversion& conversion, FrameCacheEntry& entry, std::vector<std::uint8_t>* written,
                    RgbaImage* source)
{
    const FrameSize& size = conversion.size;
    ImagingComponent worker;
    if (Status s = loadShapedFrame(worker, conversion.picture, size, conversion.style, conversion.shaping); !s)
        return s;
    bool exact = false;
    if (Status s = worker.SaveGif(entry.file, conversion.transparent, conversion.transColor, entry.record,
                                  reductionFor(conversion.style), written, /*noteExactColours=*/true, &exact);
        !s)
        return s;
    if (source && !exact && isOpaqueSource(worker, conversion))
        *source = worker.image();
    if (!entry.publishAs.isEmpty() && moveToCacheName(entry.file, entry.publishAs, entry.publishOver))
        entry.file = entry.publishAs;
    return Status::success();
}

bool keepsExactColours(const QString& cacheFile)
{
    // The comment that says so comes before the image, after the record.
    const std::optional<QByteArray> start = readFileStart(cacheFile, 2 * kMaxRecordBytes);
    return start && gif::hasCommentBeforeImages(reinterpret_cast<const std::uint8_t*>(start->constData()),
                                                static_cast<std::size_t>(start->size()), kColoursExactComment);
}

std::shared_ptr<const RgbaImage> frameSource(const FrameConversion& conversion)
{
    ImagingComponent worker;
    if (!loadShapedFrame(worker, conversion.picture, conversion.size, conversion.style, conversion.shaping) ||
        !isOpaqueSource(worker, conversion))
        return nullptr;
    return std::make_shared<const RgbaImage>(worker.image());
}

Result<QString> frameGifFor(const FrameConversion& conversion)
{
    FrameCacheEntry entry = locateFrameCache(conversion);
    if (entry.state == FrameCacheEntry::State::PictureMissing)
        return QString();
    if (entry.state == FrameCacheEntry::State::ToConvert)
        if (Status s = convertFrame(conversion, entry); !s)
            return s.error();
    return entry.file;
}

}  // namespace pictoreel
