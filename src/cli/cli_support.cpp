#include "cli_support.h"

#include <cstdio>
#include <unistd.h>

namespace pictoreel::cli {

Arguments::Arguments(const QStringList& words, const QStringList& flags, const QStringList& optionsWithValue,
                     qsizetype maxPositional)
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
            if (inlineValue) {
                values_.append({name, *inlineValue});
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

void printLine(const QString& message)
{
    std::fprintf(stdout, "%s\n", message.toLocal8Bit().constData());
    std::fflush(stdout);
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
