// One INI file held in memory, read and changed with the semantics of the classic profile-string
// functions:
//  - section and key names match without regard to case; the first of duplicates wins;
//  - a read removes spaces around the value and one pair of matching single or double quotes
//    around the whole value, and gives at most 2047 characters;
//  - a write removes NUL characters and surrounding spaces from the value; an empty value
//    deletes the key and an empty key name deletes the whole section; a line break in the value
//    is written as a space, so that no value adds keys or sections of its own;
//  - an existing key is changed in place, a new key goes at the end of its section and a new
//    section at the end of the file; every other byte of the file is kept as it was.
// Files are read as UTF-8, as UTF-16 when they start with its byte order mark, or as
// Windows-1252 when they are not valid UTF-8, and written as UTF-8 (a file in another encoding is
// converted as a whole on its first write). Lines end at CR LF, LF or CR alone.
// Bytes that are not text at all (a picture, a program) still parse, but the document says so,
// and the store never writes such a document back over the file it came from.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace pictoreel {

inline constexpr int kIniValueMaxLength = 2047;

// A section or key name, compared and hashed without regard to case.
struct IniName {
    QString text;
    friend bool operator==(const IniName& a, const IniName& b)
    {
        return a.text.compare(b.text, Qt::CaseInsensitive) == 0;
    }
};
std::size_t qHash(const IniName& name, std::size_t seed = 0) noexcept;

class IniDocument {
public:
    static IniDocument parse(const QByteArray& bytes);
    // An empty document standing for a file whose bytes could not be looked at (too large,
    // unreadable, not a plain file): not text, so nothing is written over it.
    static IniDocument unreadable();
    QByteArray serialize() const;

    // Whether the parsed bytes are text an INI file may hold: no NUL and no control characters
    // other than tab, line ends, form feed and the old end-of-file mark, and either UTF-8 or
    // Windows-1252 (none of the bytes that code page leaves undefined). Empty input is text.
    bool isText() const { return text_; }
    // Whether the document holds nothing but blank lines (a byte order mark and spaces at most).
    bool isBlank() const;

    // ReadIniKey's rules: `defaultValue` when the section or key is missing; the result has no
    // NUL characters and no surrounding spaces.
    QString readKey(const QString& section, const QString& key, const QString& defaultValue) const;

    // Whether readKey gives `value` back exactly once writeKey has stored it: at most
    // kIniValueMaxLength characters, no line break or NUL, no spaces or pair of quotes around it.
    static bool keepsValue(const QString& value);

    // WriteIniKey's rules (see above). Returns true when the document changed.
    bool writeKey(const QString& section, const QString& key, const QString& value);

    // Rises with every change; equal revisions mean equal content.
    std::uint64_t revision() const { return revision_; }

    // The value as stored, after the read rules but before the default, or nothing.
    std::optional<QString> value(const QString& section, const QString& key) const;
    bool hasSection(const QString& section) const;
    // Key names of a section in file order (first spelling of each).
    QStringList keys(const QString& section) const;

private:
    enum class LineKind { Other, Section, Key };
    struct Line {
        QByteArray raw;       // the line's bytes without its end
        QByteArray ending;    // "\n", "\r\n" or "" (last line without an end)
        LineKind kind = LineKind::Other;
        QString name;         // section or key name, trimmed
        QString value;        // key value after the read rules
        bool removed = false;
    };
    struct Section {
        QString name;
        IniName key;
        std::size_t header = 0;             // index into lines_ (unused for the preamble)
        std::vector<std::size_t> body;      // line indices in file order
        QHash<IniName, std::size_t> keys;   // key name -> position in body
        bool removed = false;
    };

    void indexSection(std::size_t sectionIndex);
    Section* findSection(const QString& name);
    const Section* findSection(const QString& name) const;
    std::size_t appendLine(Line line);
    Section& addSection(const QString& section);
    bool removeKey(const QString& section, const QString& key);
    bool removeSection(const QString& section);
    QByteArray encodeLine(const QString& text) const;

    std::uint64_t revision_ = 0;
    bool text_ = true;
    QByteArray bom_;
    QByteArray newline_ = "\n";
    std::vector<Line> lines_;
    // lines_ is append-only; the order of the file is the preamble, then each section's header
    // and body. New lines of a section are placed in its body.
    std::vector<std::size_t> preamble_;
    std::vector<Section> sections_;
    QHash<IniName, std::size_t> sectionIndex_;  // name -> first section with that name
};

}  // namespace pictoreel
