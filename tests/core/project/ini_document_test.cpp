#include "core/project/ini_document.h"

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

TEST(IniDocument, ReadsWithTheProfileRules)
{
    const QByteArray text = "; a comment\r\n\r\n[General]\r\n  Temp Path = C:\\x \r\nodd line\r\n[Other]\r\nk=v";
    EXPECT_EQ(IniDocument::parse(text).serialize(), text);  // untouched content survives byte for byte
    const QByteArray withBom = "\xEF\xBB\xBF[A]\nx=1\n";
    EXPECT_EQ(IniDocument::parse(withBom).serialize(), withBom);
    EXPECT_EQ(IniDocument::parse(withBom).readKey("a", "X", "d"), "1");

    // Names match without case and the first duplicate wins; values are trimmed, lose one pair
    // of quotes (then the spaces inside) and are cut to the longest value.
    const IniDocument doc = IniDocument::parse("[S]\nWIDTH=120\nwidth=999\na=  spaced  \nb=\"quoted \"\nc='single'\n"
                                               "d=\"unbalanced'\ne=\"\"\"\"\nf=" + QByteArray(3000, 'x') + "\n[s]\nHeight=9\n");
    const struct {
        const char *key, *expected;
    } reads[] = {{"Width", "120"}, {"Height", "dflt"}, {"a", "spaced"}, {"b", "quoted"}, {"c", "single"},
                 {"d", "\"unbalanced'"}, {"e", "\"\""}, {"missing", "dflt"}};
    for (const auto& r : reads)
        EXPECT_EQ(doc.readKey("s", r.key, " dflt "), r.expected) << r.key;
    EXPECT_EQ(doc.readKey("S", "f", "").size(), kIniValueMaxLength);
    EXPECT_EQ(doc.readKey("Nope", "a", "dflt"), "dflt");
    EXPECT_EQ(doc.keys("S").first(), "WIDTH");
}

// In place, at the end of the section, a new section at the end; values cleaned; an empty value
// deletes the key and an empty key the section (uncovering a later duplicate).
TEST(IniDocument, WritesChangeOnlyWhatTheyMust)
{
    const QByteArray text = "[A]\nx=1\ny=2\n\n[B]\nz=3\n";
    const struct {
        QByteArray before;
        const char *section, *key;
        QString value;
        QByteArray after;
    } cases[] = {
        {text, "a", "Y", "20", "[A]\nx=1\ny=20\n\n[B]\nz=3\n"},
        {text, "A", "w", "0", "[A]\nx=1\ny=2\nw=0\n\n[B]\nz=3\n"},
        {text, "C", "k", "v", text + "[C]\nk=v\n"},
        {"[A]\r\nx=1", "A", "y", "2", "[A]\r\nx=1\r\ny=2\r\n"},  // a final line end first, in the file's style
        {"", "S", "k", "v", "[S]\nk=v\n"},
        {text, "A", "x", QString("  1") + QChar(0) + "00  ", "[A]\nx=100\ny=2\n\n[B]\nz=3\n"},
        {text, "A", "x", "   ", "[A]\ny=2\n\n[B]\nz=3\n"},
        {text, "A", "", "ignored", "[B]\nz=3\n"},
        {text, "A", "missing", "", text},
        {"[A]\nk=1\n[B]\nk=2\n[a]\nk=3\n", "A", "", "", "[B]\nk=2\n[a]\nk=3\n"},
    };
    for (const auto& c : cases) {
        IniDocument doc = IniDocument::parse(c.before);
        doc.writeKey(c.section, c.key, c.value);
        EXPECT_EQ(doc.serialize(), c.after) << c.before.toStdString() << c.key << "=" << c.value.toStdString();
    }
    IniDocument doc = IniDocument::parse(text);
    EXPECT_FALSE(doc.writeKey("A", "x", "1"));  // same text: no change
    EXPECT_TRUE(doc.writeKey("A", "x", ""));
    doc.writeKey("A", "x", "5");  // comes back at the end of its section
    EXPECT_EQ(doc.serialize(), "[A]\ny=2\nx=5\n\n[B]\nz=3\n");
}

TEST(IniDocument, Windows1252FilesAreReadAndConvertedOnFirstWrite)
{
    IniDocument doc = IniDocument::parse("[S]\nname=Caf\xE9 \x80\n");  // not valid UTF-8
    EXPECT_EQ(doc.readKey("S", "name", ""), QString::fromUtf8("Caf\u00e9 \u20ac"));
    EXPECT_EQ(doc.serialize(), QByteArray("[S]\nname=Caf\xC3\xA9 \xE2\x82\xAC\n"));
}

}  // namespace
}  // namespace pictoreel
