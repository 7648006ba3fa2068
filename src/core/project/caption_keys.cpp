#include "core/project/caption_keys.h"

#include "core/project/ini_document.h"
#include "core/project/numbers.h"

#include <algorithm>

namespace pictoreel {
namespace {

const QString kGlobal = QStringLiteral("Global Properties");
const QString kCountKey = QStringLiteral("Captions");
const QString kText = QStringLiteral("Text");
const QString kFont = QStringLiteral("Font");
const QString kSize = QStringLiteral("Size");
const QString kBold = QStringLiteral("Bold");
const QString kItalic = QStringLiteral("Italic");
const QString kColour = QStringLiteral("Color");
const QString kOutlineColour = QStringLiteral("Outline Color");
const QString kOutlineWidth = QStringLiteral("Outline Width");
const QString kBox = QStringLiteral("Box");
const QString kBoxColour = QStringLiteral("Box Color");
const QString kPosition = QStringLiteral("Position");
const QString kMargin = QStringLiteral("Margin");
const QString kX = QStringLiteral("X");
const QString kY = QStringLiteral("Y");
const QString kFirstFrame = QStringLiteral("First Frame");
const QString kLastFrame = QStringLiteral("Last Frame");

QString sectionOf(int number) { return QStringLiteral("Caption %1").arg(number); }

// The longest font name kept; fontconfig's names are far shorter.
constexpr qsizetype kLongestFontName = 200;

QString fontNameToKeep(const QString& family) { return family.trimmed().left(kLongestFontName).trimmed(); }

int numberIn(const IniDocument& doc, const QString& section, const QString& key, int low, int high, int fallback)
{
    const auto value = toInt32(doc.readKey(section, key, QString()));
    return value && *value >= low && *value <= high ? *value : fallback;
}

std::int32_t colourIn(const IniDocument& doc, const QString& section, const QString& key, std::int32_t fallback)
{
    return numberIn(doc, section, key, 0, 0xFFFFFF, fallback);
}

bool flagIn(const IniDocument& doc, const QString& section, const QString& key, bool fallback)
{
    return numberIn(doc, section, key, 0, 1, fallback ? 1 : 0) == 1;
}

void writeLayer(IniDocument& doc, const QString& section, const CaptionLayer& c)
{
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    doc.writeKey(section, kText, escapeCaptionText(c.text));
    doc.writeKey(section, kFont, fontNameToKeep(c.fontFamily));
    doc.writeKey(section, kSize, QString::number(c.size));
    doc.writeKey(section, kBold, flag(c.bold));
    doc.writeKey(section, kItalic, flag(c.italic));
    doc.writeKey(section, kColour, QString::number(c.colour));
    doc.writeKey(section, kOutlineColour, QString::number(c.outlineColour));
    doc.writeKey(section, kOutlineWidth, QString::number(c.outlineWidth));
    doc.writeKey(section, kBox, flag(c.box));
    doc.writeKey(section, kBoxColour, QString::number(c.boxColour));
    doc.writeKey(section, kPosition, captionAnchorName(c.anchor));
    doc.writeKey(section, kMargin, QString::number(c.margin));
    const bool point = c.anchor == CaptionAnchor::Point;
    doc.writeKey(section, kX, point ? QString::number(c.x) : QString());
    doc.writeKey(section, kY, point ? QString::number(c.y) : QString());
    doc.writeKey(section, kFirstFrame, QString::number(c.firstFrame));
    doc.writeKey(section, kLastFrame, c.lastFrame > 0 ? QString::number(c.lastFrame) : QString());
}

CaptionLayer readLayer(const IniDocument& doc, const QString& section)
{
    const CaptionLayer d;
    CaptionLayer c;
    c.text = unescapeCaptionText(doc.readKey(section, kText, QString()));
    c.fontFamily = fontNameToKeep(doc.readKey(section, kFont, d.fontFamily));
    if (c.fontFamily.isEmpty())
        c.fontFamily = d.fontFamily;
    c.size = numberIn(doc, section, kSize, 1, kCaptionMaxSize, d.size);
    c.bold = flagIn(doc, section, kBold, d.bold);
    c.italic = flagIn(doc, section, kItalic, d.italic);
    c.colour = colourIn(doc, section, kColour, d.colour);
    c.outlineColour = colourIn(doc, section, kOutlineColour, d.outlineColour);
    c.outlineWidth = numberIn(doc, section, kOutlineWidth, 0, kCaptionMaxOutlineWidth, d.outlineWidth);
    c.box = flagIn(doc, section, kBox, d.box);
    c.boxColour = colourIn(doc, section, kBoxColour, d.boxColour);
    c.anchor = captionAnchorFromName(doc.readKey(section, kPosition, QString())).value_or(d.anchor);
    c.margin = numberIn(doc, section, kMargin, 0, kCaptionMaxMargin, d.margin);
    if (c.anchor == CaptionAnchor::Point) {
        c.x = numberIn(doc, section, kX, -kCaptionMaxMargin, kCaptionMaxMargin, 0);
        c.y = numberIn(doc, section, kY, -kCaptionMaxMargin, kCaptionMaxMargin, 0);
    }
    c.firstFrame = numberIn(doc, section, kFirstFrame, 1, 32767, d.firstFrame);
    c.lastFrame = numberIn(doc, section, kLastFrame, c.firstFrame, 32767, d.lastFrame);
    return c;
}

}  // namespace

Status checkCaptionsKeepable(const CaptionLayers& captions)
{
    for (std::size_t i = 0; i < captions.size(); ++i)
        if (escapeCaptionText(captions[i].text).size() > kIniValueMaxLength)
            return makeError(ErrorCode::InvalidArgument,
                             QStringLiteral("Caption %1 is too long to be kept in a project: at most %2 characters.")
                                 .arg(i + 1)
                                 .arg(kCaptionTextMaxLength));
    return {};
}

void writeCaptionKeys(IniDocument& doc, const CaptionLayers& captions)
{
    int written = 0;
    for (const CaptionLayer& caption : captions) {
        if (caption.text.isEmpty() || written == kMaxCaptions)
            continue;
        writeLayer(doc, sectionOf(++written), caption);
    }
    if (written > 0 || doc.value(kGlobal, kCountKey))
        doc.writeKey(kGlobal, kCountKey, written > 0 ? QString::number(written) : QString());
    // Sections of captions an earlier save had and this one has not.
    for (int n = written + 1; doc.hasSection(sectionOf(n)); ++n)
        doc.writeKey(sectionOf(n), QString(), QString());
}

CaptionLayers readCaptionKeys(const IniDocument& doc)
{
    const int count = std::clamp<int>(toInt16(doc.readKey(kGlobal, kCountKey, QString())).value_or(0), 0, kMaxCaptions);
    CaptionLayers captions;
    for (int n = 1; n <= count; ++n) {
        if (!doc.hasSection(sectionOf(n)))
            continue;
        CaptionLayer caption = readLayer(doc, sectionOf(n));
        if (!caption.text.isEmpty())
            captions.push_back(std::move(caption));
    }
    return captions;
}

}  // namespace pictoreel
