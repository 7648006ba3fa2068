#include "picture_list.h"

#include "shape_options.h"

#include "core/production/quality_curve.h"
#include "core/base/image.h"
#include "core/base/limits.h"
#include "core/media/imaging_component.h"
#include "core/project/frame_style.h"
#include "core/project/numbers.h"
#include "core/project/project_file.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <cmath>

namespace pictoreel::cli {
namespace {

// The window's boxes: frame interval 1 to 1000 hundredths, loop times 0 to 65535.
constexpr int kMaxDelay = 1000;
constexpr int kMaxLoop = 65535;
// Faster than 50 frames a second most players would slow down to 10 frames a second.
constexpr int kFastestDelay = 2;

std::optional<int> wholeNumber(const QString& text, int low, int high)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= low && value <= high ? std::optional<int>(value) : std::nullopt;
}

// The frame interval --delay or --fps asks for; the window's 50 when neither is given.
std::optional<int> delayFrom(const Arguments& args, QString* error)
{
    const auto delay = args.value(QStringLiteral("--delay"));
    const auto fps = args.value(QStringLiteral("--fps"));
    if (delay && fps) {
        *error = QStringLiteral("give --delay or --fps, not both");
        return std::nullopt;
    }
    if (delay) {
        const auto value = wholeNumber(*delay, 1, kMaxDelay);
        if (!value)
            *error = QStringLiteral("--delay wants hundredths of a second from 1 to %1, not \"%2\"").arg(kMaxDelay).arg(*delay);
        return value;
    }
    if (fps) {
        bool ok = false;
        const double rate = fps->trimmed().toDouble(&ok);
        const double hundredths = ok && std::isfinite(rate) && rate > 0 ? std::round(100.0 / rate) : -1;
        if (hundredths < 0 || hundredths > kMaxDelay) {
            *error = QStringLiteral("--fps wants frames a second from 0.1 up, not \"%1\"").arg(*fps);
            return std::nullopt;
        }
        return std::max(kFastestDelay, static_cast<int>(hundredths));
    }
    return NewFrameValues().intervalText.toInt();
}

// The size of the first picture that can be read, cropped and turned as the options say, as the
// window's Auto Size takes it: each side
// only when it is more than 1 pixel. The new project's size when no picture can be read. A first
// picture too large to be a frame at its own size ends the search with its message in `error`:
// the frames cannot have its size, and the next picture's would come as a surprise.
std::optional<QSize> firstPictureSize(const QStringList& pictures, const Arguments& args, const ProjectProperties& fresh,
                                      QString* error)
{
    QSize size(fresh.width.toInt(), fresh.height.toInt());
    for (const QString& picture : pictures) {
        if (!QFileInfo(picture).isFile())
            continue;
        const auto loaded = loadPictureFile(picture);
        if (!loaded && loaded.error().code == ErrorCode::LimitExceeded) {
            *error = loaded.error().message + QStringLiteral(" Give the frames a size with --size.");
            return std::nullopt;
        }
        if (!loaded)
            continue;
        const QSize shaped = shapedPictureSize(args, QSize(loaded.value().width, loaded.value().height));
        if (shaped.width() > 1)
            size.setWidth(shaped.width());
        if (shaped.height() > 1)
            size.setHeight(shaped.height());
        break;
    }
    return size;
}

// The frame size the options ask for, the first picture's otherwise; `from` tells which.
std::optional<QSize> askedSizeFrom(const QStringList& pictures, const Arguments& args, const ProjectProperties& fresh,
                              QString* from, QString* error)
{
    const auto sizeText = args.value(QStringLiteral("--size"));
    const auto widthText = args.value(QStringLiteral("--width"));
    const auto heightText = args.value(QStringLiteral("--height"));
    if (sizeText && (widthText || heightText)) {
        *error = QStringLiteral("give --size, or --width and --height, not both");
        return std::nullopt;
    }
    *from = QStringLiteral("options");
    if (sizeText) {
        const auto size = parseSize(*sizeText);
        if (!size)
            *error = QStringLiteral("--size wants WIDTHxHEIGHT with each side from 1 to %1, not \"%2\"").arg(kLimits.maxSide).arg(*sizeText);
        return size;
    }
    std::optional<int> width, height;
    for (const auto& [option, text, side] : {std::tuple{"--width", widthText, &width}, std::tuple{"--height", heightText, &height}}) {
        if (!text)
            continue;
        *side = wholeNumber(*text, 1, kLimits.maxSide);
        if (!*side) {
            *error = QStringLiteral("%1 wants pixels from 1 to %2, not \"%3\"").arg(QLatin1String(option)).arg(kLimits.maxSide).arg(*text);
            return std::nullopt;
        }
    }
    if (width && height)
        return QSize(*width, *height);
    const std::optional<QSize> firstSize = firstPictureSize(pictures, args, fresh, error);
    if (!firstSize)
        return std::nullopt;
    const QSize first = *firstSize;
    // The other side in the first picture's proportions.
    const auto scaled = [](int side, int to, int from) {
        const double other = std::min<double>(std::lround(double(side) * to / from), kLimits.maxSide + 1);
        return std::max(1, static_cast<int>(other));
    };
    if (width)
        return QSize(*width, scaled(*width, first.height(), first.width()));
    if (height)
        return QSize(scaled(*height, first.width(), first.height()), *height);
    *from = QStringLiteral("first picture");
    return first;
}

// askedSizeFrom, refused when the frames would be larger than a frame may be: checked here, once,
// rather than by every frame in turn.
std::optional<QSize> sizeFrom(const QStringList& pictures, const Arguments& args, const ProjectProperties& fresh,
                              QString* from, QString* error)
{
    const std::optional<QSize> size = askedSizeFrom(pictures, args, fresh, from, error);
    if (!size)
        return size;
    const QString which = *from == u"options" ? QStringLiteral("asked for") : QStringLiteral("of the first picture");
    if (size->width() > kLimits.maxSide || size->height() > kLimits.maxSide) {
        *error = QStringLiteral("frames %1 would be more than %2 pixels a side, in the first picture's proportions")
                     .arg(which)
                     .arg(kLimits.maxSide);
        return std::nullopt;
    }
    if (std::int64_t{size->width()} * size->height() > kLimits.maxPixels) {
        *error = QStringLiteral("frames of %1 x %2 pixels (%3) are more than a frame may hold: %4 megapixels; "
                                "give a smaller --size, --width or --height")
                     .arg(size->width())
                     .arg(size->height())
                     .arg(which)
                     .arg(megapixelsText(kLimits.maxPixels));
        return std::nullopt;
    }
    return size;
}

// --fit and --fit-background into the project: how pictures of another shape fill their frames
// and the colour of the bars "contain" leaves (transparent without it). False once told wrong.
bool readFit(const Arguments& args, ProjectProperties& properties, QJsonObject& settings, QString* error)
{
    static const QHash<QString, FitMode> modes{{QStringLiteral("stretch"), FitMode::Stretch},
                                                {QStringLiteral("contain"), FitMode::Contain},
                                                {QStringLiteral("cover"), FitMode::Cover}};
    FitMode mode = FitMode::Stretch;
    if (const auto text = args.value(QStringLiteral("--fit"))) {
        if (!modes.contains(text->trimmed().toLower())) {
            *error = QStringLiteral("--fit wants stretch, contain or cover, not \"%1\"").arg(*text);
            return false;
        }
        mode = modes.value(text->trimmed().toLower());
    }
    // Stretch is what a project without the key does: it is not written.
    properties.fit = mode == FitMode::Stretch ? QString() : fitModeText(mode);
    settings[QStringLiteral("fit")] = modes.key(mode);
    if (const auto text = args.value(QStringLiteral("--fit-background"))) {
        const auto colour = parseColour(*text);
        if (!colour) {
            *error = QStringLiteral("--fit-background wants a colour as RRGGBB, not \"%1\"").arg(*text);
            return false;
        }
        properties.fitBackground = QString::number(*colour);
    }
    return true;
}

}  // namespace

std::optional<QSize> parseSize(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$"));
    const auto m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QSize size(m.captured(1).toInt(), m.captured(2).toInt());
    if (size.width() < 1 || size.height() < 1 || size.width() > kLimits.maxSide || size.height() > kLimits.maxSide)
        return std::nullopt;
    return size;
}

std::optional<std::int32_t> parseColour(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^#?([0-9a-fA-F]{6})$"));
    const auto m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const uint rgb = m.captured(1).toUInt(nullptr, 16);
    return colorRefFromRgb(Rgb{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                               static_cast<std::uint8_t>(rgb)});
}

QString firstPictureOption(const Arguments& args)
{
    for (const QString& option : kPictureListOptions)
        if (args.value(option))
            return option;
    return {};
}

namespace {

// The text of `option` into `target` when `valid` takes it; false, with `wants` told, when not.
template <typename Check>
bool readCheckedText(const Arguments& args, const char* option, Check valid, const char* wants, QString& target)
{
    const auto text = args.value(QLatin1String(option));
    if (!text)
        return true;
    if (!valid(*text)) {
        printError(QStringLiteral("%1 wants %2, not \"%3\"").arg(QLatin1String(option), QLatin1String(wants), *text));
        return false;
    }
    target = text->trimmed();
    return true;
}

}  // namespace

bool readMaxSize(const Arguments& args, ProjectProperties& properties)
{
    return readCheckedText(args, "--max-size", [](const QString& text) { return byteSizeFromText(text).has_value(); },
                           "a size in bytes such as 3000000, 500K or 2.5M", properties.maxSize);
}

bool readQuality(const Arguments& args, ProjectProperties& properties)
{
    return readCheckedText(args, "--quality", [](const QString& text) { return qualityFromText(text).has_value(); },
                           "a number from 1 to 100", properties.quality);
}

QString absolutePathOf(const QString& path)
{
    // ".." after a linked folder leads to the parent of the link's target, as the system takes
    // it, not back to where the text says: the part up to the last ".." is resolved on disk when
    // it is there, and only what follows it is tidied as text.
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + QLatin1Char('/') + path;
    static const QRegularExpression lastParent(QStringLiteral("/\\.\\.(?=/|$)(?!.*/\\.\\.(/|$))"));
    if (const QRegularExpressionMatch up = lastParent.match(absolute); up.hasMatch()) {
        const QString resolved = QFileInfo(absolute.left(up.capturedEnd())).canonicalFilePath();
        if (!resolved.isEmpty())
            return QDir::cleanPath(resolved + absolute.mid(up.capturedEnd()));
    }
    return QDir::cleanPath(absolute);
}

namespace {

std::optional<PictureProject> pictureProject(const QStringList& pictures, const Arguments& args, PictureProjectUse use,
                                             QString* error)
{
    if (pictures.size() < 2 || pictures.size() > kMaxProjectFrames) {
        *error = QStringLiteral("an animation takes 2 to %1 pictures, not %2").arg(kMaxProjectFrames).arg(pictures.size());
        return std::nullopt;
    }
    PictureProject project;
    QJsonObject& settings = project.settings;
    NewFrameValues values;
    // Frames are opaque unless --transparent names their transparent colour.
    values.transparent = false;
    if (const auto text = args.value(QStringLiteral("--transparent"))) {
        const auto colour = parseColour(*text);
        if (!colour) {
            *error = QStringLiteral("--transparent wants a colour as RRGGBB, not \"%1\"").arg(*text);
            return std::nullopt;
        }
        values.transparent = true;
        values.transColor = *colour;
        settings[QStringLiteral("transparent")] = text->right(6).toUpper();
    } else {
        settings[QStringLiteral("transparent")] = QJsonValue::Null;
    }
    const auto delay = delayFrom(args, error);
    if (!delay)
        return std::nullopt;
    values.intervalText = QString::number(*delay);
    settings[QStringLiteral("delay")] = *delay;

    ProjectProperties& properties = project.properties;
    if (const auto loop = args.value(QStringLiteral("--loop")); loop && loop->trimmed().compare(QStringLiteral("forever"), Qt::CaseInsensitive) != 0) {
        const auto times = wholeNumber(*loop, 0, kMaxLoop);
        if (!times) {
            *error = QStringLiteral("--loop wants \"forever\" or a number from 0 to %1, not \"%2\"").arg(kMaxLoop).arg(*loop);
            return std::nullopt;
        }
        properties.loopInfinitely = kLoopUnticked;
        properties.loopTimes = QString::number(*times);
    }
    if (!readFit(args, properties, settings, error))
        return std::nullopt;

    QStringList absolute;
    for (const QString& picture : pictures) {
        absolute << absolutePathOf(picture);
        // The frame would look for another picture than the one named (a project file's frame
        // for more names than a frame made at once).
        if (!frameCanName(absolute.back())) {
            *error = unframeablePictureError(absolute.back()).message;
            return std::nullopt;
        }
        if (use == PictureProjectUse::Write && !projectCanName(absolute.back())) {
            *error = unnameablePictureError(absolute.back()).message;
            return std::nullopt;
        }
    }
    QString sizeOrigin;
    const auto size = sizeFrom(absolute, args, properties, &sizeOrigin, error);
    if (!size)
        return std::nullopt;
    properties.width = QString::number(size->width());
    properties.height = QString::number(size->height());
    settings[QStringLiteral("size_from")] = sizeOrigin;

    for (const QString& picture : absolute) {
        if (Status added = project.frames.AddFrameEntry(picture, values); !added) {
            *error = added.error().message;
            return std::nullopt;
        }
    }
    return project;
}

}  // namespace

std::optional<PictureProject> pictureProjectFrom(const QStringList& pictures, const Arguments& args, PictureProjectUse use)
{
    QString error;
    auto project = pictureProject(pictures, args, use, &error);
    if (!project)
        printError(error);
    return project;
}

}  // namespace pictoreel::cli
