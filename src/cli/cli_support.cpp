#include "cli_support.h"

#include <cstdio>
#include <unistd.h>

namespace pictoreel::cli {

Arguments::Arguments(const QStringList& words, const QStringList& optionsWithValue)
{
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& w = words[i];
        if (!w.startsWith(QStringLiteral("-")) || w == QStringLiteral("-")) {
            positional_ << w;
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
        } else {
            flags_ << name;
        }
    }
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
