// Small pieces every pictoreel-cli command shares: argument reading, messages, progress.
#pragma once

#include "core/base/error.h"
#include "core/media/video_conversion.h"
#include "core/media/work_budget.h"
#include "core/project/paths.h"

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
    // Options of `repeatable` may be given more than once; value() gives the first.
    Arguments(const QStringList& words, const QStringList& flags, const QStringList& optionsWithValue,
              qsizetype maxPositional, const QStringList& repeatable = {});
    bool ok() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }
    const QStringList& positional() const { return positional_; }
    std::optional<QString> value(const QString& name) const;
    bool flag(const QString& name) const { return flags_.contains(name); }
    // Every option given with its value, in the order of the command line.
    const QList<std::pair<QString, QString>>& values() const { return values_; }

private:
    QStringList positional_;
    QStringList flags_;
    QList<std::pair<QString, QString>> values_;
    QString error_;
};

void printError(const QString& message);
void printLine(const QString& message);

// Prints what MakePath reports about `folder`, with why it cannot be made when that can be told
// (": /out is a file, not a folder").
PathErrorReporter folderErrorPrinter(const QString& folder);

// The warning for a GIF whose file ends (or whose blocks break off) before its end: `frames`
// frames were found before the break, and the last of them may lack its lower rows.
void warnCutShort(const QString& gif, int frames);

// What frame `row` lacks: its picture, missing, or what stands at its name instead ("... is not a
// file: it is a folder").
QString missingPictureText(int row, const QString& picture);

// "1 frame", "2 frames": `count` and the noun, plural unless the count is one.
QString countOf(qint64 count, const QString& noun);

// A file's size as the summaries tell it: "123456 bytes (120.6 kB)", just "900 bytes" under a
// kilobyte (1024 bytes).
QString sizeText(qint64 bytes);

// The options every command that decodes a whole animation takes.
inline const QStringList kBudgetOptions{QStringLiteral("--max-frames"), QStringLiteral("--max-pixels")};

// The budget that --max-frames N and --max-pixels N give (each a whole number from 1; the
// defaults otherwise), or nullopt after saying on stderr which option is wrong.
std::optional<WorkBudget> budgetFrom(const Arguments& args);

// The limits of a video conversion with that budget (nullopt as budgetFrom).
std::optional<ConversionLimits> conversionLimitsFrom(const Arguments& args);

// Tells why the work failed, prefixed with `subject` unless it is empty or the message begins
// with it already; a budget that was exceeded is followed by how to raise it.
void printFailure(const QString& subject, const Error& error);

// While one exists, Ctrl+C (SIGINT) and SIGTERM ask the work to stop instead of ending the
// program at once, so that it can remove what it was writing; a second one ends the program
// as usual. The work asks interrupted() after each step and, when it is true, cleans up and calls
// endInterrupted(), which ends the program as the signal would have (status 130 or 143 in a shell).
class InterruptCatcher {
public:
    InterruptCatcher();
    ~InterruptCatcher();
    InterruptCatcher(const InterruptCatcher&) = delete;
    InterruptCatcher& operator=(const InterruptCatcher&) = delete;

    static bool interrupted();
    [[noreturn]] static void endInterrupted();
};

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
