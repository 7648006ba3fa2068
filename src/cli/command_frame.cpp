// pictoreel-cli frame PICTURE -o OUT.{gif,bmp,jpg,png} [--size WxH] [--transparent RRGGBB]:
// one picture through the imaging component, as a frame of a make would go.
#include "cli_support.h"
#include "commands.h"
#include "picture_list.h"

#include "core/imaging/composite.h"
#include "core/media/imaging_component.h"
#include "core/base/file_identity.h"
#include "core/base/limits.h"

#include <QFileInfo>

namespace pictoreel::cli {

int runFrame(const QStringList& words)
{
    const Arguments args(words, {}, {QStringLiteral("-o"), QStringLiteral("--size"), QStringLiteral("--transparent")}, 1);
    const auto output = args.value(QStringLiteral("-o"));
    if (!args.ok() || args.positional().size() != 1 || !output) {
        printError(args.ok() ? QStringLiteral("usage: pictoreel-cli frame PICTURE -o OUT.{gif,bmp,jpg,png} [--size WxH] "
                                              "[--transparent RRGGBB]")
                             : args.error());
        return kExitUsage;
    }
    std::optional<QSize> size;
    if (const auto text = args.value(QStringLiteral("--size"))) {
        size = parseSize(*text);
        if (!size) {
            printError(QStringLiteral("--size wants WIDTHxHEIGHT with each side from 1 to %1, not \"%2\"")
                           .arg(kLimits.maxSide)
                           .arg(*text));
            return kExitUsage;
        }
    }
    std::optional<std::int32_t> transparent;
    if (const auto text = args.value(QStringLiteral("--transparent"))) {
        transparent = parseColour(*text);
        if (!transparent) {
            printError(QStringLiteral("--transparent wants a colour as RRGGBB, not \"%1\"").arg(*text));
            return kExitUsage;
        }
    }
    const QString suffix = QFileInfo(*output).suffix().toLower();
    const QStringList formats{QStringLiteral("gif"), QStringLiteral("bmp"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                              QStringLiteral("png")};
    if (!formats.contains(suffix)) {
        printError(QStringLiteral("the output name must end in .gif, .bmp, .jpg or .png: %1").arg(*output));
        return kExitUsage;
    }

    if (sameFile(*output, args.positional().front())) {
        printError(
            QStringLiteral("The output file %1 is the picture being converted. Choose another output file.").arg(*output));
        return kExitFailure;
    }

    ImagingComponent image;
    Status status = image.LoadImage(args.positional().front(), size.value_or(QSize()));
    if (status && size)
        status = image.ResizeImage(size->width(), size->height(), true);
    if (status) {
        if (suffix == u"gif")
            status = image.SaveGif(*output, transparent.has_value(), transparent.value_or(0xFFFFFF));
        else if (suffix == u"png")
            status = savePng(image.image(), *output);
        else {
            // BMP and JPEG hold no alpha: what is transparent shows white, as in a GIF without a
            // transparent colour, never the colour hidden under it.
            image.setImage(compositeOverColour(image.image(), 0xFFFFFF));
            status = suffix == u"bmp" ? image.SaveBmp(*output) : image.SaveJpeg(*output, 80, false, false);
        }
    }
    if (!status) {
        printError(status.error().message);
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace pictoreel::cli
