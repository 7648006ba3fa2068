#include "core/project/project_file.h"

#include "core/base/file_identity.h"
#include "core/project/caption_keys.h"
#include "core/project/frame_key_gap.h"
#include "core/project/frame_values.h"
#include "core/project/numbers.h"
#include "core/project/paths.h"
#include "core/project/settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace pictoreel {
namespace {

const QString kGlobal = QStringLiteral("Global Properties");
const QString kFrames = QStringLiteral("Frame Properties");
const QString kWidthKey = QStringLiteral("Width");
const QString kHeightKey = QStringLiteral("Height");
const QString kLoopInfinitelyKey = QStringLiteral("Loop Infinitely");
const QString kLoopTimesKey = QStringLiteral("Loop Times");
const QString kOutputKey = QStringLiteral("Output GIF File Name");
const QString kFrameCountKey = QStringLiteral("Frames");
const QString kFitKey = QStringLiteral("Fit");
const QString kFitBackgroundKey = QStringLiteral("Fit Background");
const QString kMaxSizeKey = QStringLiteral("Max Size");
const QString kCropKey = QStringLiteral("Crop");
const QString kRotateKey = QStringLiteral("Rotate");
const QString kMirrorKey = QStringLiteral("Mirror");

// A key that older projects lack is written only when it has a value or the file has it already,
// so a project that does not use it is written as it always was.
void writeOptionalKey(IniDocument& doc, const QString& key, const QString& value)
{
    if (!value.isEmpty() || doc.value(kGlobal, key))
        doc.writeKey(kGlobal, key, value);
}

Error tooManyFrames(const QString& what, qint64 count)
{
    return makeError(ErrorCode::LimitExceeded,
                     QStringLiteral("%1 %2 frames; a project holds at most %3.").arg(what).arg(count).arg(kMaxProjectFrames));
}

Error notAProject(const QString& path)
{
    return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("%1 is not a Pictoreel project.").arg(path));
}

// Nothing, blank lines, or INI text with at least one of the project's sections.
bool holdsProjectOrNothing(const IniDocument& document)
{
    return document.isText() && (document.isBlank() || document.hasSection(kGlobal) || document.hasSection(kFrames));
}

}  // namespace

Status checkProjectFile(const QString& path)
{
    if (holdsProjectOrNothing(*loadIniFile(path)))
        return {};
    return notAProject(path);
}

bool holdsProject(const QString& path)
{
    // Thousands of frames take a few hundred kilobytes.
    constexpr qint64 kLargestProject = 4 << 20;
    const std::optional<QByteArray> start = readFileStart(path, 8);
    if (!start || start->isEmpty() || start->startsWith("GIF8") || start->startsWith("\x89PNG") ||
        start->startsWith("RIFF") || QFileInfo(path).size() > kLargestProject)
        return false;
    const std::shared_ptr<const IniDocument> document = loadIniFile(path);
    return document->isText() && (document->hasSection(kGlobal) || document->hasSection(kFrames));
}

QString frameKey(int index) { return QStringLiteral("FRAME%1").arg(index, 3, 10, QChar(u'0')); }

QString proposeOutputFile(const QString& projectPath)
{
    // Only the name's own ending: an ".agp" earlier in the path (a folder "old.agp.d") stays, or
    // the GIF would go to another folder, over whatever of that name is there.
    if (projectPath.endsWith(QStringLiteral(".agp"), Qt::CaseInsensitive))
        return projectPath.chopped(4) + QStringLiteral(".gif");
    return projectPath + QStringLiteral(".gif");
}

QString proposeOutputFile(const QString& projectPath, const FrameList& frames)
{
    const QString proposal = proposeOutputFile(projectPath);
    QSet<QString> pictures;
    for (int i = 1; i <= frames.rowCount(); ++i)
        pictures.insert(QDir::cleanPath(GetFramePicturePath(frames, i)));
    // A make never writes over one of its pictures: a GIF of "anim.agp" made from anim.gif is
    // proposed as anim-animated.gif (or anim-animated-2.gif, and so on).
    const QString stem = proposal.endsWith(QStringLiteral(".gif")) ? proposal.chopped(4) : proposal;
    QString free = proposal;
    for (int n = 1; pictures.contains(QDir::cleanPath(free)); ++n)
        free = stem + QStringLiteral("-animated") + (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + QStringLiteral(".gif");
    return free;
}

// The longest a frame's interval, transparency and colour can be, with the separators of the
// line: "-32768;YES;16777215;" before the picture's name, ";" between name and folder.
constexpr qsizetype kLongestFrameValues = 21;

bool frameCanName(const QString& path)
{
    const QString name = FileNameOf(path);
    // A name that is not UTF-8 reaches the program with U+FFFD in place of its odd bytes: that
    // name is no file's. A frame's picture name is looked up without spaces around it.
    return !path.contains(u'\n') && !path.contains(u'\r') && !path.contains(QChar::ReplacementCharacter) &&
           name == name.trimmed();
}

bool projectCanName(const QString& path)
{
    return frameCanName(path) && !path.contains(kFrameFieldSeparator) && path.size() <= kIniValueMaxLength - kLongestFrameValues;
}

Error unframeablePictureError(const QString& path)
{
    return makeError(ErrorCode::InvalidArgument,
                     QStringLiteral("%1 cannot be a frame's picture: spaces around its name, a line break, or a name "
                                    "that is not UTF-8 would look for another file. Rename the picture.")
                         .arg(path));
}

QString unnameablePictureReasons()
{
    return QStringLiteral("a semicolon or line break in a picture's name or folder, spaces around its name, a name "
                          "that is not UTF-8, or a path of more than %1 characters, would be read back as another "
                          "picture")
        .arg(kIniValueMaxLength - kLongestFrameValues);
}

Error unnameablePictureError(const QString& path)
{
    return makeError(ErrorCode::InvalidArgument,
                     QStringLiteral("%1 cannot be named in a project: %2. Rename or move the picture.")
                         .arg(path, unnameablePictureReasons()));
}

Status writeProjectFile(const QString& path, const FrameList& frames, ProjectProperties& properties)
{
    const bool blank = path.trimmed().isEmpty();
    if (!blank) {
        if (Status usable = checkProjectFile(path); !usable)
            return usable;
    }
    if (properties.outputFile.trimmed().isEmpty())
        properties.outputFile = proposeOutputFile(path, frames);
    if (blank)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The project has no file name"));
    if (frames.rowCount() > kMaxProjectFrames)  // it would open with none
        return tooManyFrames(QStringLiteral("The project has"), frames.rowCount());
    // A value the file would not give back as written would name another file when read.
    for (int i = 1; i <= frames.rowCount(); ++i) {
        const FrameEntry& frame = frames.row(i);
        const QString picture = frame.folder + frame.fileName;
        if (!projectCanName(picture) || !IniDocument::keepsValue(frames.FrameToString(i)))
            return unnameablePictureError(picture);
    }
    if (!IniDocument::keepsValue(properties.outputFile))
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("The output file name \"%1\" cannot be kept in a project: it would be read "
                                        "back as another name (more than %2 characters, a line break, or spaces or "
                                        "quotes around it).")
                             .arg(properties.outputFile)
                             .arg(kIniValueMaxLength));
    if (Status captions = checkCaptionsKeepable(properties.captions); !captions)
        return captions;
    bool foreign = false;
    QString why;
    const bool written = editIniFile(path, [&](IniDocument& doc) {
        // Checked again on the document being changed: the file may have been replaced since.
        if (!holdsProjectOrNothing(doc)) {
            foreign = true;
            return;
        }
        doc.writeKey(kGlobal, kWidthKey, properties.width);
        doc.writeKey(kGlobal, kHeightKey, properties.height);
        doc.writeKey(kGlobal, kLoopInfinitelyKey, QString::number(properties.loopInfinitely));
        doc.writeKey(kGlobal, kLoopTimesKey, properties.loopTimes);
        doc.writeKey(kGlobal, kOutputKey, properties.outputFile);
        doc.writeKey(kGlobal, kFrameCountKey, QString::number(frames.rowCount()));
        writeOptionalKey(doc, kFitKey, properties.fit);
        writeOptionalKey(doc, kFitBackgroundKey, properties.fitBackground);
        writeOptionalKey(doc, kMaxSizeKey, properties.maxSize);
        writeOptionalKey(doc, kCropKey, properties.crop);
        writeOptionalKey(doc, kRotateKey, properties.rotate);
        writeOptionalKey(doc, kMirrorKey, properties.mirror);
        for (int i = 1; i <= frames.rowCount(); ++i)
            doc.writeKey(kFrames, frameKey(i), frames.FrameToString(i));
        writeCaptionKeys(doc, properties.captions);
    }, &why);
    if (foreign)
        return notAProject(path);
    if (!written)
        return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1: %2").arg(path, why));
    return {};
}

void readProjectFile(const IniDocument& doc, ProjectProperties& properties, FrameList& frames)
{
    properties.width = doc.readKey(kGlobal, kWidthKey, QStringLiteral("100"));
    properties.height = doc.readKey(kGlobal, kHeightKey, QStringLiteral("75"));
    const auto loop = toInt16(doc.readKey(kGlobal, kLoopInfinitelyKey, QStringLiteral("1")));
    if (loop && (*loop == kLoopUnticked || *loop == kLoopTicked || *loop == kLoopGreyed))
        properties.loopInfinitely = *loop;
    properties.loopTimes = doc.readKey(kGlobal, kLoopTimesKey, QStringLiteral("1"));
    properties.outputFile = doc.readKey(kGlobal, kOutputKey, QString());
    properties.fit = doc.readKey(kGlobal, kFitKey, QString());
    properties.fitBackground = doc.readKey(kGlobal, kFitBackgroundKey, QString());
    properties.maxSize = doc.readKey(kGlobal, kMaxSizeKey, QString());
    properties.crop = doc.readKey(kGlobal, kCropKey, QString());
    properties.rotate = doc.readKey(kGlobal, kRotateKey, QString());
    properties.mirror = doc.readKey(kGlobal, kMirrorKey, QString());
    properties.captions = readCaptionKeys(doc);
    const int count = toInt16(doc.readKey(kGlobal, kFrameCountKey, QStringLiteral("0"))).value_or(0);
    for (int i = 1; i <= count; ++i) {
        const QString frame = doc.readKey(kFrames, frameKey(i), QString());
        if (frame.contains(kFrameFieldSeparator))
            frames.AddFrameFromString(frame);
    }
}

std::optional<FrameKeyGap> findFrameKeyGap(const IniDocument& doc)
{
    const int count = toInt16(doc.readKey(kGlobal, kFrameCountKey, QStringLiteral("0"))).value_or(0);
    FrameKeyGap gap;
    for (int i = 1; i <= count; ++i)
        if (doc.readKey(kFrames, frameKey(i), QString()).contains(kFrameFieldSeparator))
            ++gap.framesRead;
    if (gap.framesRead == std::max(count, 0))
        return std::nullopt;
    static const QRegularExpression numbered(QStringLiteral("^FRAME(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
    std::vector<std::pair<qint64, QString>> beyond;
    for (const QString& key : doc.keys(kFrames)) {
        const QRegularExpressionMatch match = numbered.match(key.trimmed());
        const qint64 number = match.hasMatch() ? match.captured(1).toLongLong() : 0;
        if (number > count && doc.readKey(kFrames, key, QString()).contains(kFrameFieldSeparator))
            beyond.emplace_back(number, key.trimmed());
    }
    if (beyond.empty())
        return std::nullopt;
    std::sort(beyond.begin(), beyond.end());
    for (const auto& [number, key] : beyond)
        gap.keysLeftOut << key;
    return gap;
}

QString frameKeyGapWarning(const QString& path)
{
    const std::optional<FrameKeyGap> gap = findFrameKeyGap(*loadIniFile(path));
    if (!gap)
        return {};
    const qsizetype left = gap->keysLeftOut.size();
    constexpr qsizetype kKeysNamed = 5;
    QString keys = gap->keysLeftOut.mid(0, kKeysNamed).join(QStringLiteral(", "));
    if (left > kKeysNamed)
        keys += QStringLiteral(" ...");
    return QStringLiteral("%1: %2 frame%3 read; %4 frame key%5 after a gap in the numbers %6 left out (%7)")
        .arg(QFileInfo(path).fileName())
        .arg(gap->framesRead)
        .arg(gap->framesRead == 1 ? QStringLiteral(" was") : QStringLiteral("s were"))
        .arg(left)
        .arg(left == 1 ? QString() : QStringLiteral("s"))
        .arg(left == 1 ? QStringLiteral("was") : QStringLiteral("were"))
        .arg(keys);
}

namespace {

// A frame line written by hand may name its picture by a relative folder, or by its name alone:
// both are taken from the project's folder, as its output name is, never from the folder the
// program happens to run in (which would show other pictures of the same names).
void anchorRelativePictures(FrameList& frames, int firstRow, const QString& projectPath)
{
    const QString projectFolder = withTrailingSeparator(QFileInfo(projectPath).absolutePath());
    for (int i = firstRow; i <= frames.rowCount(); ++i) {
        const FrameEntry& frame = frames.row(i);
        const QString folder = frame.folder.trimmed(), name = frame.fileName.trimmed();
        if (folder.isEmpty() ? !name.isEmpty() && QDir::isRelativePath(name) : QDir::isRelativePath(folder))
            frames.setColumn(i, FrameColumn::FullPath,
                             withTrailingSeparator(QDir::cleanPath(projectFolder + folder)));
    }
}

// A project that can be read: one, and counting no more frames than a project holds (a count
// beyond a 16-bit number would read as none: the project would seem empty).
Status checkReadable(const IniDocument& document, const QString& path)
{
    if (!holdsProjectOrNothing(document))
        return notAProject(path);
    const QString countText = document.readKey(kGlobal, kFrameCountKey, QString());
    if (const std::optional<double> count = parseNumber(countText); count && *count > 0 && !toInt16(countText))
        return tooManyFrames(path + QStringLiteral(" names"), static_cast<qint64>(std::min(*count, 1e18)));
    return {};
}

}  // namespace

Status checkProjectToOpen(const QString& path) { return checkReadable(*loadIniFile(path), path); }

Status readProjectFile(const QString& path, ProjectProperties& properties, FrameList& frames)
{
    const auto document = loadIniFile(path);
    if (Status readable = checkReadable(*document, path); !readable)
        return readable;
    const int firstNew = frames.rowCount() + 1;
    readProjectFile(*document, properties, frames);
    anchorRelativePictures(frames, firstNew, path);
    return {};
}

QString projectWindowTitle(const QString& projectFile)
{
    const QString name = projectFile.isEmpty() ? QStringLiteral("New Project") : FileNameOf(projectFile);
    return name + QStringLiteral(" - Pictoreel");
}

}  // namespace pictoreel
