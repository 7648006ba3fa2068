#include "cli_support.h"

#include "core/base/file_identity.h"
#include "core/gif/gif_reader.h"

#include <QLocale>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace pictoreel::cli {

namespace {

// Whether `word` names one of the command's options, with or without "=value".
bool isOption(const QString& word, const QStringList& flags, const QStringList& optionsWithValue)
{
    const QString name = word.startsWith(QStringLiteral("--")) ? word.section(u'=', 0, 0) : word;
    return flags.contains(name) || optionsWithValue.contains(name);
}

}  // namespace

Arguments::Arguments(const QStringList& words, const QStringList& flags, const QStringList& optionsWithValue,
                     qsizetype maxPositional, const QStringList& repeatable)
{
    QStringList unknown;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& w = words[i];
        if (optionsEnded || !w.startsWith(u'-') || w == QStringLiteral("-")) {
            positional_ << w;
            continue;
        }
        if (w == QStringLiteral("--")) {
            optionsEnded = true;
            continue;
        }
        QString name = w;
        std::optional<QString> inlineValue;
        if (const qsizetype eq = w.indexOf(u'='); w.startsWith(QStringLiteral("--")) && eq > 0) {
            name = w.left(eq);
            inlineValue = w.mid(eq + 1);
        }
        if (optionsWithValue.contains(name)) {
            if (!repeatable.contains(name) && value(name)) {
                error_ = QStringLiteral("%1 is given twice").arg(name);
                return;
            }
            if (inlineValue) {
                values_.append({name, *inlineValue});
            } else if (i + 1 < words.size() && isOption(words[i + 1], flags, optionsWithValue)) {
                // "-o --temp DIR": the option's value forgotten, not a file named "--temp".
                error_ = QStringLiteral("%1 needs a value, not the option %2 (a file of that name is ./%2)")
                             .arg(name, words[i + 1]);
                return;
            } else if (i + 1 < words.size()) {
                values_.append({name, words[++i]});
            } else {
                error_ = QStringLiteral("%1 needs a value").arg(name);
                return;
            }
        } else if (flags.contains(name)) {
            if (inlineValue) {
                error_ = QStringLiteral("%1 takes no value").arg(name);
                return;
            }
            flags_ << name;
        } else {
            unknown << w;
        }
    }
    const auto quoted = [](const QStringList& list) -> QString { return u'"' + list.join(QStringLiteral("\", \"")) + u'"'; };
    QStringList problems;
    if (!unknown.isEmpty())
        problems << (unknown.size() == 1 ? QStringLiteral("unknown option %1") : QStringLiteral("unknown options %1"))
                        .arg(quoted(unknown));
    if (positional_.size() > maxPositional) {
        const QStringList extra = positional_.mid(maxPositional);
        problems << (extra.size() == 1 ? QStringLiteral("unexpected argument %1") : QStringLiteral("unexpected arguments %1"))
                        .arg(quoted(extra));
    }
    if (!problems.isEmpty())
        error_ = problems.join(QStringLiteral("; ")) + QStringLiteral("; see pictoreel-cli --help");
}

std::optional<QString> Arguments::value(const QString& name) const
{
    for (auto it = values_.crbegin(); it != values_.crend(); ++it)
        if (it->first == name)
            return it->second;
    return std::nullopt;
}

void printError(const QString& message)
{
    std::fprintf(stderr, "pictoreel-cli: %s\n", message.toLocal8Bit().constData());
}

PathErrorReporter folderErrorPrinter(const QString& folder)
{
    return [folder](const QString& message) {
        const QString why = whyNoFolder(folder);
        printError(why.isEmpty() ? message : message + QStringLiteral(": ") + why);
    };
}

void warnCutShort(const QString& gif, int frames)
{
    printError(QStringLiteral("warning: ") + gifCutShortText(gif, frames));
}

QString countOf(qint64 count, const QString& noun)
{
    return QStringLiteral("%1 %2%3").arg(count).arg(noun, count == 1 ? QString() : QStringLiteral("s"));
}

QString missingPictureText(int row, const QString& picture)
{
    if (const std::optional<Error> other = notAFileError(picture))
        return QStringLiteral("frame %1: %2").arg(row).arg(other->message);
    return QStringLiteral("frame %1: missing picture %2").arg(row).arg(picture);
}

std::optional<WorkBudget> budgetFrom(const Arguments& args)
{
    WorkBudget budget;
    const struct {
        const char* option;
        std::int64_t* value;
    } fields[] = {{"--max-frames", &budget.maxFrames}, {"--max-pixels", &budget.maxPixels}};
    for (const auto& field : fields) {
        const auto text = args.value(QLatin1String(field.option));
        if (!text)
            continue;
        bool ok = false;
        const qlonglong value = text->toLongLong(&ok);
        if (!ok || value < 1) {
            printError(QStringLiteral("%1 wants a whole number from 1, not \"%2\"").arg(QLatin1String(field.option), *text));
            return std::nullopt;
        }
        *field.value = value;
    }
    return budget;
}

std::optional<ConversionLimits> conversionLimitsFrom(const Arguments& args)
{
    const std::optional<WorkBudget> budget = budgetFrom(args);
    if (!budget)
        return std::nullopt;
    ConversionLimits limits;
    limits.budget = *budget;
    return limits;
}

void printFailure(const QString& subject, const Error& error)
{
    const bool named = subject.isEmpty() || error.message.startsWith(subject + u' ') || error.message.startsWith(subject + u':');
    printError(named ? error.message : QStringLiteral("%1: %2").arg(subject, error.message));
    if (error.code == ErrorCode::LimitExceeded && error.message.contains(QLatin1String("budget")))
        printError(QStringLiteral("--max-frames N and --max-pixels N raise the budgets; see pictoreel-cli --help"));
}

namespace {

volatile std::sig_atomic_t caughtSignal = 0;
struct sigaction previousInt {}, previousTerm {};

extern "C" void noteSignal(int signal) { caughtSignal = signal; }

// Catches `signal` unless the program was started with it ignored (as a background job may be).
void catchSignal(int signal, struct sigaction* previous)
{
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;  // a second signal ends the program at once
    ::sigaction(signal, nullptr, previous);
    if (previous->sa_handler != SIG_IGN)
        ::sigaction(signal, &action, nullptr);
}

}  // namespace

InterruptCatcher::InterruptCatcher()
{
    catchSignal(SIGINT, &previousInt);
    catchSignal(SIGTERM, &previousTerm);
}

InterruptCatcher::~InterruptCatcher()
{
    ::sigaction(SIGINT, &previousInt, nullptr);
    ::sigaction(SIGTERM, &previousTerm, nullptr);
}

bool InterruptCatcher::interrupted() { return caughtSignal != 0; }

void InterruptCatcher::endInterrupted()
{
    const int signal = caughtSignal != 0 ? static_cast<int>(caughtSignal) : SIGINT;
    std::fflush(stdout);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}

void printLine(const QString& message)
{
    std::fprintf(stdout, "%s\n", message.toLocal8Bit().constData());
    std::fflush(stdout);
}

QString sizeText(qint64 bytes)
{
    const QString exact = QStringLiteral("%1 bytes").arg(bytes);
    // In thousands, as --max-size's K and M count.
    if (bytes < 1000)
        return exact;
    return QStringLiteral("%1 (%2)").arg(exact, QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat));
}

ProgressBar::ProgressBar(bool quiet) : enabled_(!quiet && ::isatty(STDERR_FILENO)) {}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::show(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (!enabled_ || percent == last_)
        return;
    last_ = percent;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(), std::string(kWidth - filled, ' ').c_str(),
                 percent);
    std::fflush(stderr);
}

void ProgressBar::finish()
{
    if (enabled_ && last_ >= 0) {
        std::fprintf(stderr, "\r%60s\r", "");
        std::fflush(stderr);
    }
    last_ = -1;
}

}  // namespace pictoreel::cli
