#include "core/project/ini_document.h"

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

QByteArray afterWrites(const QByteArray& text, const std::function<void(IniDocument&)>& edit)
{
    IniDocument doc = IniDocument::parse(text);
    edit(doc);
    return doc.serialize();
}

TEST(IniDocument, UntouchedContentSurvivesByteForByte)
{
    const QByteArray text = "; a comment\r\n\r\n[General]\r\n  Temp Path = C:\\x \r\nodd line\r\n[Other]\r\nk=v";
    EXPECT_EQ(IniDocument::parse(text).serialize(), text);
    const QByteArray withBom = "\xEF\xBB\xBF[A]\nx=1\n";
    EXPECT_EQ(IniDocument::parse(withBom).serialize(), withBom);
    EXPECT_EQ(IniDocument::parse(withBom).readKey("a", "X", "d"), "1");
}

TEST(IniDocument, NamesMatchWithoutCaseAndTheFirstDuplicateWins)
{
    const IniDocument doc = IniDocument::parse("[Global Properties]\nWIDTH=120\nwidth=999\n[global properties]\nHeight=9\n");
    EXPECT_EQ(doc.readKey("global PROPERTIES", "Width", "100"), "120");
    EXPECT_EQ(doc.readKey("Global Properties", "Height", "75"), "75");
    EXPECT_EQ(doc.keys("Global Properties"), QStringList{"WIDTH"});
}

TEST(IniDocument, ReadTrimsStripsOnePairOfQuotesAndCutsLongValues)
{
    const QByteArray longValue(3000, 'x');
    const IniDocument doc = IniDocument::parse("[S]\na=  spaced  \nb=\"quoted \"\nc='single'\nd=\"unbalanced'\ne=\"\"\"\"\n"
                                               "f=" + longValue + "\n");
    EXPECT_EQ(doc.readKey("S", "a", ""), "spaced");
    EXPECT_EQ(doc.readKey("S", "b", ""), "quoted");  // quotes go first, then the spaces inside
    EXPECT_EQ(doc.readKey("S", "c", ""), "single");
    EXPECT_EQ(doc.readKey("S", "d", ""), "\"unbalanced'");
    EXPECT_EQ(doc.readKey("S", "e", ""), "\"\"");
    EXPECT_EQ(doc.readKey("S", "f", "").size(), kIniValueMaxLength);
    EXPECT_EQ(doc.readKey("S", "missing", "  1 "), "1");
    EXPECT_EQ(doc.readKey("Nope", "a", "dflt"), "dflt");
}

TEST(IniDocument, WriteReplacesInPlaceAppendsKeysToTheirSectionAndSectionsToTheEnd)
{
    const QByteArray text = "[A]\nx=1\ny=2\n\n[B]\nz=3\n";
    EXPECT_EQ(afterWrites(text, [](IniDocument& d) { d.writeKey("a", "Y", "20"); }), "[A]\nx=1\ny=20\n\n[B]\nz=3\n");
    EXPECT_EQ(afterWrites(text, [](IniDocument& d) { d.writeKey("A", "w", "0"); }), "[A]\nx=1\ny=2\nw=0\n\n[B]\nz=3\n");
    EXPECT_EQ(afterWrites(text, [](IniDocument& d) { d.writeKey("C", "k", "v"); }), "[A]\nx=1\ny=2\n\n[B]\nz=3\n[C]\nk=v\n");
    // A file without a final line end gets one before anything is appended, in the file's style.
    EXPECT_EQ(afterWrites("[A]\r\nx=1", [](IniDocument& d) { d.writeKey("A", "y", "2"); }), "[A]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(afterWrites("", [](IniDocument& d) { d.writeKey("S", "k", "v"); }), "[S]\nk=v\n");
}

TEST(IniDocument, WriteCleansValuesAndDeletesOnEmptyValueOrKey)
{
    const QByteArray text = "[A]\nx=1\ny=2\n[B]\nz=3\n";
    EXPECT_EQ(afterWrites(text, [](IniDocument& d) { d.writeKey("A", "x", QString("  1") + QChar(0) + "00  "); }),
              "[A]\nx=100\ny=2\n[B]\nz=3\n");
    EXPECT_EQ(afterWrites(text, [](IniDocument& d) { d.writeKey("A", "x", "   "); }), "[A]\ny=2\n[B]\nz=3\n");
    EXPECT_EQ(afterWrites(text, [](IniDocument& d) { d.writeKey("A", "", "ignored"); }), "[B]\nz=3\n");
    EXPECT_EQ(afterWrites(text, [](IniDocument& d) { d.writeKey("A", "missing", ""); }), text);

    IniDocument doc = IniDocument::parse(text);
    EXPECT_FALSE(doc.writeKey("A", "x", "1"));  // same text: no change
    EXPECT_TRUE(doc.writeKey("A", "x", ""));
    EXPECT_EQ(doc.readKey("A", "x", "1"), "1");
    doc.writeKey("A", "x", "5");  // comes back at the end of its section
    EXPECT_EQ(doc.serialize(), "[A]\ny=2\nx=5\n[B]\nz=3\n");
}

TEST(IniDocument, DeletingTheFirstDuplicateUncoversTheNext)
{
    IniDocument doc = IniDocument::parse("[A]\nk=1\n[B]\nk=2\n[a]\nk=3\nk2=4\n");
    doc.writeKey("A", "", "");
    EXPECT_EQ(doc.readKey("A", "k", ""), "3");
    EXPECT_EQ(doc.serialize(), "[B]\nk=2\n[a]\nk=3\nk2=4\n");
}

TEST(IniDocument, Windows1252FilesAreReadAndConvertedOnFirstWrite)
{
    const QByteArray cp1252 = "[S]\nname=Caf\xE9 \x80\n";  // not valid UTF-8
    IniDocument doc = IniDocument::parse(cp1252);
    EXPECT_EQ(doc.readKey("S", "name", ""), QString::fromUtf8("Caf\u00e9 \u20ac"));
    EXPECT_EQ(doc.serialize(), QByteArray("[S]\nname=Caf\xC3\xA9 \xE2\x82\xAC\n"));
    doc.writeKey("S", "other", QString::fromUtf8("\u00fc"));
    EXPECT_EQ(IniDocument::parse(doc.serialize()).readKey("s", "OTHER", ""), QString::fromUtf8("\u00fc"));
}

TEST(IniDocument, TellsTextFromOtherBytes)
{
    const struct {
        QByteArray bytes;
        bool text;
        bool blank;
    } cases[] = {
        {"", true, true},
        {"\xEF\xBB\xBF \r\n\t\n", true, true},
        {"[A]\r\nk=v\f\x1A", true, false},
        {"[A]\nk=caf\xC3\xA9", true, false},     // UTF-8
        {"[A]\nk=Caf\xE9 \x80", true, false},     // Windows-1252
        {QByteArray("[A]\nk=\0", 7), false, false},
        {"GIF89a\x08\x1b", false, false},          // control characters
        {"[A]\nk=\xC3\xA9\x81", false, false},     // neither UTF-8 nor Windows-1252
    };
    for (const auto& c : cases) {
        const IniDocument doc = IniDocument::parse(c.bytes);
        EXPECT_EQ(doc.isText(), c.text) << c.bytes.toHex().toStdString();
        EXPECT_EQ(doc.isBlank(), c.blank) << c.bytes.toHex().toStdString();
    }
    EXPECT_FALSE(IniDocument::unreadable().isText());
}

}  // namespace
}  // namespace pictoreel
