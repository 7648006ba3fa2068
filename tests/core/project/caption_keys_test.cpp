// Captions in project files: every field and any text back as written, hand-edited garbage read
// as defaults, and a project that drops its captions written as if it never had them.
#include "core/project/caption_keys.h"
#include "core/project/ini_document.h"
#include "core/project/project_file.h"
#include "core/project/settings_store.h"
#include "support/files.h"
#include "support/results.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

using testing::fileContents;

FrameList twoFrames()
{
    FrameList frames;
    frames.AddFrameFromString("50;YES;16777215;a.jpg;/pics/");
    frames.AddFrameFromString("25;NO;0;b.jpg;/pics/");
    return frames;
}

TEST(CaptionKeys, EveryFieldAndAnyTextRoundTrips)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("c.agp");
    ProjectProperties plain;
    plain.outputFile = "/out/c.gif";
    ASSERT_TRUE(writeProjectFile(file, twoFrames(), plain));
    const QByteArray withoutCaptions = fileContents(file);

    CaptionLayer full;
    full.text = QStringLiteral("  \"quoted\" ; [x]=y \\n\\\\ \t\nשלום\r\nCafe\u0301 😀 '");
    full.fontFamily = "DejaVu Serif", full.size = 33, full.bold = full.italic = full.box = true;
    full.colour = 0x123456, full.outlineColour = 0xABCDEF, full.outlineWidth = 0, full.boxColour = 0x010203;
    full.anchor = CaptionAnchor::Point, full.margin = 0, full.x = -12, full.y = 4000;
    full.firstFrame = 2, full.lastFrame = 9;
    CaptionLayer second;
    second.text = QString(kCaptionTextMaxLength, u'\\');  // the longest, every character escaped
    second.anchor = CaptionAnchor::TopRight;
    CaptionLayer empty;  // no text: not kept
    ProjectProperties p = plain;
    p.captions = {full, empty, second};
    ASSERT_TRUE(writeProjectFile(file, twoFrames(), p));
    forgetParsedIniFiles();
    ProjectProperties read;
    FrameList frames;
    ASSERT_TRUE(readProjectFile(file, read, frames));
    EXPECT_EQ(read.captions, (CaptionLayers{full, second}));
    EXPECT_EQ(frames.rowCount(), 2);

    // Fewer captions, then none: the file is what it was before it had any.
    p.captions = {second};
    ASSERT_TRUE(writeProjectFile(file, twoFrames(), p));
    EXPECT_FALSE(fileContents(file).contains("[Caption 2]"));
    p.captions.clear();
    ASSERT_TRUE(writeProjectFile(file, twoFrames(), p));
    EXPECT_EQ(fileContents(file), withoutCaptions);

    // A text too long for a line is refused, and nothing is written.
    p.captions = {full};
    p.captions[0].text = QString(kIniValueMaxLength / 2 + 1, u'\n');
    EXPECT_EQ(testing::codeOf(writeProjectFile(file, twoFrames(), p)), ErrorCode::InvalidArgument);
    EXPECT_EQ(fileContents(file), withoutCaptions);
}

TEST(CaptionKeys, HandEditedGarbageReadsAsDefaults)
{
    const CaptionLayer d;
    const IniDocument doc = IniDocument::parse(
        "[Global Properties]\nCaptions=4\n"
        "[Caption 1]\nText=one\\u00\\q\\\nSize=-3\nBold=yes\nColor=16777216\nOutline Width=1e9\nPosition=middle\n"
        "Margin=abc\nFirst Frame=0\nLast Frame=7\nFont=\n"
        "[caption 2]\ntext=\nsize=20\n"
        "[Caption 4]\nText=four\nPosition=POINT\nX=99999\nY=3\nFirst Frame=5\nLast Frame=2\n"
        "[Caption 5]\nText=beyond the count\n");
    const CaptionLayers captions = readCaptionKeys(doc);
    ASSERT_EQ(captions.size(), 2u);  // 2 has no text, 3 no section, 5 is not counted
    const CaptionLayer& one = captions[0];
    EXPECT_EQ(one.text, QStringLiteral("one\\u00\\q\\"));  // escapes it does not know stay as written
    CaptionLayer expected = d;  // every value that is not one of its kind is the default
    expected.text = one.text, expected.lastFrame = 7;
    EXPECT_EQ(one, expected);
    expected = d;
    expected.text = "four", expected.anchor = CaptionAnchor::Point, expected.y = 3, expected.firstFrame = 5;
    EXPECT_EQ(captions[1], expected);  // x out of range; an end before the start: to the last frame
    for (const char* count : {"-1", "x", "999999"})
        EXPECT_TRUE(readCaptionKeys(IniDocument::parse(QByteArray("[Global Properties]\nCaptions=") + count +
                                                       "\n[Caption 1]\nText=t\n"))
                        .empty());
}

}  // namespace
}  // namespace pictoreel
