// The command line's captions: how options attach to the caption before them. How wrong values
// are refused is in the CLI's refusals table (tests/data/cli/refusals.txt).
#include "caption_options.h"

#include <gtest/gtest.h>

namespace pictoreel::cli {
namespace {

using Options = QList<std::pair<QString, QString>>;

TEST(CaptionOptions, EachShapingOptionShapesTheCaptionBeforeIt)
{
    const Result<CaptionLayers> read = captionsFrom(Options{
        {"-o", "x.gif"},
        {"--caption", "Hello\\nworld \\u00e9"},
        {"--caption-size", "30"},
        {"--caption-font", "DejaVu Serif Bold italic"},
        {"--caption-outline", "#FF0000:5"},
        {"--caption-frames", "3-"},
        {"--delay", "20"},
        {"--caption", "Two"},
        {"--caption-position", "TOP-left:12"},
        {"--caption-color", "00ff00"},
        {"--caption-box", "0000FF"},
        {"--caption-frames", "4"},
        {"--caption", "Three"},
        {"--caption-position", "-5,40"},
        {"--caption-outline", "none"},
        {"--caption-frames", "2-6"},
    });
    ASSERT_TRUE(read.ok()) << read.error().message.toStdString();
    const CaptionLayers& c = read.value();
    ASSERT_EQ(c.size(), 3u);
    const CaptionLayer d;
    EXPECT_EQ(c[0].text, QStringLiteral("Hello\nworld é"));
    EXPECT_EQ(c[0].size, 30);
    EXPECT_TRUE(c[0].bold && c[0].italic && c[0].fontFamily == "DejaVu Serif");
    EXPECT_TRUE(c[0].outlineColour == 0x0000FF && c[0].outlineWidth == 5);  // red as 0x00BBGGRR
    EXPECT_EQ(c[0].anchor, d.anchor);
    EXPECT_TRUE(c[0].firstFrame == 3 && c[0].lastFrame == 0);
    EXPECT_EQ(c[1].size, d.size);  // the size was the first caption's
    EXPECT_TRUE(c[1].anchor == CaptionAnchor::TopLeft && c[1].margin == 12);
    EXPECT_EQ(c[1].colour, 0x00FF00);
    EXPECT_TRUE(c[1].box && c[1].boxColour == 0xFF0000);
    EXPECT_TRUE(c[1].firstFrame == 4 && c[1].lastFrame == 4);
    EXPECT_TRUE(c[2].anchor == CaptionAnchor::Point && c[2].x == -5 && c[2].y == 40);
    EXPECT_EQ(c[2].outlineWidth, 0);
    EXPECT_TRUE(c[2].firstFrame == 2 && c[2].lastFrame == 6);
    EXPECT_TRUE(captionsFrom(Options{{"--delay", "5"}}).value().empty());
}

}  // namespace
}  // namespace pictoreel::cli
