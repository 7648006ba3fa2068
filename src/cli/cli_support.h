// Small pieces every pictoreel-cli command shares: argument reading, messages, progress.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace pictoreel::cli {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// The GIF was made, but some frames have no picture of their own (missing or not convertible).
inline constexpr int kExitMadeIncomplete = 3;

// A command's words: the flags it declares ("--quiet"), its options with a value ("-o OUT",
// "--temp DIR" or "--temp=DIR") and at most `maxPositional` other words; "--" ends the options
// and "-" is a word. Anything else makes error() name it: an option the command does not know,
// a flag given a value, a positional word too many, an option without its value.
class Arguments {
public:
    Arguments(const QStringList& words, const QStringList& flags, const QStringList& optionsWithValue,
              qsizetype maxPositional);
    bool ok() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }
    const QStringList& positional() const { return positional_; }
    std::optional<QString> value(const QString& name) const;
    bool flag(const QString& name) const { return flags_.contains(name); }

private:
    QStringList positional_;
    QStringList flags_;
    QList<std::pair<QString, QString>> values_;
    QString error_;
};

void printError(const QString& message);
void printLine(const QString& message);

// A one-line progress bar on a terminal; silent when standard error is not one or when quiet.
class ProgressBar {
public:
    explicit ProgressBar(bool quiet);
    ~ProgressBar();
    void show(int percent);
    void finish();

private:
    bool enabled_;
    int last_ = -1;
};

}  // namespace pictoreel::cli
