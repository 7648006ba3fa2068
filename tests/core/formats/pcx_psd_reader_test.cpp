// Our PCX and PSD readers on damaged and hostile files. What every layout decodes to is a golden
// case (tests/data/golden/pictures.txt, the files in tests/data/pictures/pcx and psd).
#include "support/results.h"
#include "support/test_pictures.h"

#include "core/formats/pcx_reader.h"
#include "core/formats/psd_reader.h"

#include <gtest/gtest.h>

#include <QDir>

#include <map>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

using Reader = Result<RgbaImage> (*)(const QByteArray&);

struct Format {
    const char* folder;
    Reader read;
};

const Format kFormats[] = {{"pcx", decodePcx}, {"psd", decodePsd}};

}  // namespace

// Cut anywhere, a file gives an error or a whole picture of its size (a PCX cut inside its
// closing palette may still be read, as grey levels); cut inside the header it is an error.
TEST(PcxPsdReaders, CutFilesFailCleanly)
{
    for (const Format& format : kFormats) {
        const QFileInfoList files = QDir(QStringLiteral(PICTOREEL_TEST_DATA "/pictures/") + format.folder)
                                        .entryInfoList({QStringLiteral("*.") + format.folder}, QDir::Files);
        EXPECT_GE(files.size(), 13) << format.folder;
        for (const QFileInfo& file : files) {
            SCOPED_TRACE(file.fileName().toStdString());
            const QByteArray whole = fileContents(file.filePath());
            const Result<RgbaImage> full = format.read(whole);
            ASSERT_TRUE(full) << full.error().text().toStdString();
            for (qsizetype cut = 0; cut < whole.size(); ++cut) {
                const Result<RgbaImage> r = format.read(whole.left(cut));
                if (r)
                    EXPECT_EQ(std::pair(r.value().width, r.value().height), std::pair(full.value().width, full.value().height)) << cut;
                else
                    EXPECT_EQ(r.error().code, ErrorCode::CorruptData) << cut;
            }
            EXPECT_EQ(codeOf(format.read(whole.left(20))), ErrorCode::CorruptData);
        }
    }
}

// Headers beyond the limits are refused before anything is allocated; layouts the formats do not
// define, and compressions we do not read, are unsupported rather than damaged: as
// tests/data/pictures/hostile-headers.txt lists them.
TEST(PcxPsdReaders, HostileHeadersAreRefused)
{
    const std::map<QString, ErrorCode> codes{
        {"limit", ErrorCode::LimitExceeded}, {"corrupt", ErrorCode::CorruptData}, {"unsupported", ErrorCode::UnsupportedFormat}};
    for (const QString& line : tableLines(PICTOREEL_TEST_DATA "/pictures/hostile-headers.txt")) {
        SCOPED_TRACE(line.toStdString());
        const QStringList f = line.split(u' ', Qt::SkipEmptyParts);
        QByteArray bytes = fileContents(QStringLiteral(PICTOREEL_TEST_DATA "/pictures/") + f[0]);
        const QByteArray changed = QByteArray::fromHex(f[2].toLatin1());
        ASSERT_TRUE(f.size() >= 4 && bytes.size() > f[1].toInt() + changed.size() && codes.count(f[3]));
        bytes.replace(f[1].toInt(), changed.size(), changed);
        EXPECT_EQ(codeOf((f[0].startsWith("pcx") ? decodePcx : decodePsd)(bytes)), codes.at(f[3]));
    }
}
