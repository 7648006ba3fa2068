// Captions drawn onto frames: where they stand, what they change, and text that needs shaping.
#include "core/captions/caption_drawing.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

using testing::solidPicture;

CaptionLayer layer(const QString& text, CaptionAnchor anchor = CaptionAnchor::Bottom)
{
    CaptionLayer l;
    l.text = text;
    l.size = 20;
    l.anchor = anchor;
    l.margin = 5;
    return l;
}

struct Changes {
    int changed = 0, outside = 0, nearText = 0, nearOutline = 0, blended = 0;  // the last three in the block
};

// How `drawn` differs from `before`, whether the changes keep to `block`, and what is in it.
Changes changesOf(const RgbaImage& before, const RgbaImage& drawn, const CaptionBlock& block, Rgb text, Rgb outline)
{
    Changes c;
    const auto near = [](const std::uint8_t* p, Rgb colour) {
        return std::abs(p[0] - colour.r) < 8 && std::abs(p[1] - colour.g) < 8 && std::abs(p[2] - colour.b) < 8;
    };
    for (int y = 0; y < drawn.height; ++y)
        for (int x = 0; x < drawn.width; ++x) {
            const std::uint8_t* a = before.pixel(x, y);
            const std::uint8_t* b = drawn.pixel(x, y);
            const bool changed = !std::equal(a, a + 4, b);
            c.changed += changed;
            c.outside += changed && !block.contains(x, y);
            if (!block.contains(x, y))
                continue;
            c.nearText += near(b, text);
            c.nearOutline += near(b, outline);
            c.blended += !near(b, text) && !near(b, outline) && !near(b, Rgb{a[0], a[1], a[2]});
        }
    return c;
}

TEST(CaptionDrawing, TextStaysInItsBlockWithOutlineOnLightAndDarkFrames)
{
    const Rgb white{255, 255, 255}, black{0, 0, 0};
    const CaptionLayers layers{layer(QStringLiteral("Hello\nworld"))};
    const CaptionBlock block = captionBlock(layers[0], 200, 120);
    ASSERT_GT(block.width, 30);
    ASSERT_GT(block.height, 40);  // two lines
    EXPECT_EQ(block.y + block.height, 115);   // the margin above the bottom edge
    EXPECT_NEAR(block.x + block.width / 2, 100, 1);
    for (const Rgb background : {white, black, Rgb{128, 140, 90}}) {
        const RgbaImage before = solidPicture(200, 120, background);
        RgbaImage frame = before;
        drawCaptions(frame, layers, 1);
        const Changes c = changesOf(before, frame, block, white, black);
        EXPECT_EQ(c.outside, 0);
        // White letters and their black outline both show, whatever is under them.
        EXPECT_GT(c.changed, 100);
        EXPECT_GT(c.nearText, 50);
        EXPECT_GT(c.nearOutline, 50);
        EXPECT_GT(c.blended, 10);  // antialiased edges
    }
}

TEST(CaptionDrawing, PlacesFramesAndScale)
{
    CaptionLayer topLeft = layer(QStringLiteral("A"), CaptionAnchor::TopLeft);
    const CaptionBlock a = captionBlock(topLeft, 300, 200);
    EXPECT_TRUE(a.x == 5 && a.y == 5);
    const CaptionBlock b = captionBlock(layer(QStringLiteral("A"), CaptionAnchor::BottomRight), 300, 200);
    EXPECT_TRUE(b.x + b.width == 295 && b.y + b.height == 195);
    CaptionLayer point = layer(QStringLiteral("A"), CaptionAnchor::Point);
    point.x = 40, point.y = 30;
    const CaptionBlock p = captionBlock(point, 300, 200, 2.0);  // a frame twice the project's size
    EXPECT_TRUE(p.x == 80 && p.y == 60);
    EXPECT_NEAR(p.height, 2 * captionBlock(point, 300, 200).height, 2);
    // A box fills its whole block.
    CaptionLayer boxed = layer(QStringLiteral("Box"), CaptionAnchor::Centre);
    boxed.box = true;
    boxed.boxColour = 0x0000FF;  // red
    RgbaImage frame = solidPicture(300, 200, Rgb{0, 0, 255});
    drawCaptions(frame, {boxed}, 1);
    const CaptionBlock box = captionBlock(boxed, 300, 200);
    EXPECT_GT(box.width, captionBlock(layer(QStringLiteral("Box"), CaptionAnchor::Centre), 300, 200).width);
    for (const auto& [x, y] : {std::pair{box.x, box.y}, {box.x + box.width - 1, box.y + box.height - 1}}) {
        EXPECT_EQ(frame.pixel(x, y)[0], 255);
        EXPECT_EQ(frame.pixel(x, y)[2], 0);
    }
    EXPECT_EQ(frame.pixel(box.x - 1, box.y)[2], 255);
    // Frames 2 to 3 only; a block off the frame draws nothing and does not fail.
    CaptionLayer some = layer(QStringLiteral("B"));
    some.firstFrame = 2, some.lastFrame = 3;
    CaptionLayer away = layer(QStringLiteral("far"), CaptionAnchor::Point);
    away.x = 5000, away.y = -5000;
    const RgbaImage before = solidPicture(60, 40, Rgb{10, 20, 30});
    for (int n = 1; n <= 4; ++n) {
        RgbaImage f = before;
        drawCaptions(f, {some, away}, n);
        EXPECT_EQ(f.pixels != before.pixels, n == 2 || n == 3) << n;
    }
}

TEST(CaptionDrawing, ShapesRightToLeftAndCombiningMarks)
{
    const auto drawn = [](const QString& text) {
        RgbaImage frame = solidPicture(240, 60, Rgb{40, 40, 40});
        drawCaptions(frame, {layer(text, CaptionAnchor::Centre)}, 1);
        return frame.pixels;
    };
    // Hebrew comes out right to left: the same as its letters reversed and forced left to right.
    const QString hebrew = QStringLiteral("שלום עולם");
    QString reversed;
    for (auto it = hebrew.crbegin(); it != hebrew.crend(); ++it)
        reversed += *it;
    EXPECT_EQ(drawn(hebrew), drawn(QChar(0x202D) + reversed + QChar(0x202C)));
    EXPECT_NE(drawn(hebrew), drawn(QChar(0x202D) + hebrew + QChar(0x202C)));
    // A combining accent sits on its letter, as the precomposed letter does.
    EXPECT_EQ(drawn(QStringLiteral("Cafe\u0301 cre\u0300me")), drawn(QStringLiteral("Café crème")));
    EXPECT_NE(drawn(QStringLiteral("Cafe cre\u0300me")), drawn(QStringLiteral("Café crème")));
    // Arabic letters join: a word is narrower than its letters drawn apart.
    const CaptionBlock word = captionBlock(layer(QStringLiteral("سلام")), 400, 60);
    const CaptionBlock apart = captionBlock(layer(QStringLiteral("س ل ا م")), 400, 60);
    EXPECT_LT(word.width + 10, apart.width);
}

// A cached frame's tag changes with whatever changes its pixels, and only with that.
TEST(CaptionDrawing, CacheTagFollowsWhatIsDrawn)
{
    EXPECT_TRUE(captionsCacheTag({}).isEmpty());
    const CaptionLayer base = layer(QStringLiteral("tag"));
    const QString tag = captionsCacheTag({base});
    EXPECT_TRUE(tag.startsWith("_cap_"));
    CaptionLayer ranged = base;
    ranged.firstFrame = 3, ranged.lastFrame = 4;
    ranged.x = 7;  // not a point: x is not used
    EXPECT_EQ(captionsCacheTag({ranged}), tag);
    EXPECT_EQ(captionsOnFrame({base, ranged}, 2).size(), 1u);
    EXPECT_EQ(captionsOnFrame({base, ranged}, 3).size(), 2u);
    std::vector<CaptionLayer> changed(3, base);
    changed[0].text += u'!';
    changed[1].outlineColour = 1;
    changed[2].anchor = CaptionAnchor::Top;
    for (const CaptionLayer& c : changed)
        EXPECT_NE(captionsCacheTag({c}), tag);
    EXPECT_NE(captionsCacheTag({base, base}), tag);
}

TEST(CaptionDrawing, TransparentPixelsTakeTheCaption)
{
    RgbaImage frame(80, 40);  // all transparent
    CaptionLayer l = layer(QStringLiteral("Hi"), CaptionAnchor::Centre);
    l.outlineWidth = 0;
    l.colour = 0x00FF00;
    drawCaptions(frame, {l}, 1);
    int opaqueGreen = 0, partial = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
            const std::uint8_t* p = frame.pixel(x, y);
            opaqueGreen += p[3] == 255 && p[0] == 0 && p[1] == 255 && p[2] == 0;
            partial += p[3] > 0 && p[3] < 255 && p[1] == 255;
        }
    EXPECT_GT(opaqueGreen, 20);
    EXPECT_GT(partial, 5);
}

}  // namespace
}  // namespace pictoreel
