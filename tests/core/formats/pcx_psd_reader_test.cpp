// Our PCX and PSD readers on damaged and hostile files. What every layout decodes to is a golden
// case (tests/data/golden/pictures.txt, the files in tests/data/pictures/pcx and psd).
#include "support/results.h"
#include "support/test_pictures.h"

#include "core/formats/pcx_reader.h"
#include "core/formats/psd_reader.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

using Reader = Result<RgbaImage> (*)(const QByteArray&);

struct Format {
    const char* folder;
    Reader read;
};

const Format kFormats[] = {{"pcx", decodePcx}, {"psd", decodePsd}};

QByteArray withBytes(QByteArray bytes, int at, std::initializer_list<int> values)
{
    for (int v : values)
        bytes[at++] = char(v);
    return bytes;
}

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
// define, and compressions we do not read, are unsupported rather than damaged.
TEST(PcxPsdReaders, HostileHeadersAreRefused)
{
    const QByteArray pcx = fileContents(QStringLiteral(PICTOREEL_TEST_DATA "/pictures/pcx/rgb24.pcx"));
    const QByteArray psd = fileContents(QStringLiteral(PICTOREEL_TEST_DATA "/pictures/psd/rgb8.psd"));
    ASSERT_FALSE(pcx.isEmpty() || psd.isEmpty());
    const struct {
        const char* what;
        Reader read;
        QByteArray bytes;
        ErrorCode code;
    } cases[] = {
        {"PCX 65536 wide", decodePcx, withBytes(pcx, 8, {0xFF, 0xFF}), ErrorCode::LimitExceeded},
        {"PCX 8000 x 8000", decodePcx, withBytes(pcx, 8, {0x3F, 0x1F, 0x3F, 0x1F}), ErrorCode::LimitExceeded},
        {"PCX right edge left of the left", decodePcx, withBytes(pcx, 4, {9, 0, 0, 0, 8, 0}), ErrorCode::CorruptData},
        {"PCX lines shorter than the width", decodePcx, withBytes(pcx, 66, {4, 0}), ErrorCode::CorruptData},
        {"PCX 3 bits a pixel", decodePcx, withBytes(pcx, 3, {3}), ErrorCode::UnsupportedFormat},
        {"PCX 2 planes of 8 bits", decodePcx, withBytes(pcx, 65, {2}), ErrorCode::UnsupportedFormat},
        {"PCX encoding 2", decodePcx, withBytes(pcx, 2, {2}), ErrorCode::UnsupportedFormat},
        {"PSD 4 billion wide", decodePsd, withBytes(psd, 18, {0xFF, 0xFF, 0xFF, 0xFF}), ErrorCode::LimitExceeded},
        {"PSD 6000 x 6000", decodePsd, withBytes(psd, 14, {0, 0, 0x17, 0x70, 0, 0, 0x17, 0x70}), ErrorCode::LimitExceeded},
        {"PSD no channels", decodePsd, withBytes(psd, 12, {0, 0}), ErrorCode::CorruptData},
        {"PSD RGB in two channels", decodePsd, withBytes(psd, 12, {0, 2}), ErrorCode::CorruptData},
        {"PSD version 3", decodePsd, withBytes(psd, 4, {0, 3}), ErrorCode::CorruptData},
        {"PSD colour data beyond the file", decodePsd, withBytes(psd, 26, {0x7F, 0, 0, 0}), ErrorCode::CorruptData},
        {"PSD resources beyond the file", decodePsd, withBytes(psd, 30, {0xFF, 0xFF, 0xFF, 0xF0}), ErrorCode::CorruptData},
        {"PSD HSL mode", decodePsd, withBytes(psd, 24, {0, 5}), ErrorCode::UnsupportedFormat},
        {"PSD RGB at 7 bits", decodePsd, withBytes(psd, 22, {0, 7}), ErrorCode::UnsupportedFormat},
        {"PSD ZIP data", decodePsd, withBytes(psd, 38, {0, 2}), ErrorCode::UnsupportedFormat},
        {"PSD row lengths beyond the data", decodePsd, withBytes(psd, 40, {0x7F, 0xFF}), ErrorCode::CorruptData},
    };
    for (const auto& c : cases)
        EXPECT_EQ(codeOf(c.read(c.bytes)), c.code) << c.what;
}
