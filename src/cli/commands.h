// The commands of pictoreel-cli, one file each.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <QString>
#include <QStringList>

namespace pictoreel::cli {

int runMake(const QStringList& words);
int runProject(const QStringList& words);
int runFrame(const QStringList& words);
int runInfo(const QStringList& words);
int runExtract(const QStringList& words);
int runAviToGif(const QStringList& words);
int runGifToAvi(const QStringList& words);
int runFrames(const QStringList& words);
int runRecord(const QStringList& words);

// PNG keeps transparency, which the GIF, BMP and JPEG writers of the core do not need to.
Status savePng(const RgbaImage& image, const QString& path);

}  // namespace pictoreel::cli
