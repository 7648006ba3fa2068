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

// Options of the form "--name value" or "--name=value", flags "--name", and positional words.
class Arguments {
public:
    Arguments(const QStringList& words, const QStringList& optionsWithValue);
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
