// One error type for the whole core: a stable number and a description.
// Core code returns errors and never shows them; the windows and the command line decide how to
// tell the user.
#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace pictoreel {

// Error numbers are part of what users see ("number - description" boxes), so they never change
// meaning once released. New numbers go at the end of their group.
enum class ErrorCode : int {
    // files
    FileNotFound = 1001,
    FileReadFailed = 1002,
    FileWriteFailed = 1003,
    FolderCreateFailed = 1004,
    // input data
    UnsupportedFormat = 2001,
    CorruptData = 2002,
    LimitExceeded = 2003,
    EmptyImage = 2004,
    InvalidArgument = 2005,
    // running work
    Cancelled = 3001,
    LibraryFailure = 3002,
};

struct Error {
    ErrorCode code = ErrorCode::LibraryFailure;
    QString message;
    // The file whose bytes the error is about, where that is known and may be made again (a
    // frame's cached GIF); empty otherwise.
    QString file;

    int number() const { return static_cast<int>(code); }
    // "number - description", the form the windows show.
    QString text() const { return QString::number(number()) + QStringLiteral(" - ") + message; }
};

// Either a value or an Error.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : data_(std::move(value)) {}
    Result(Error error) : data_(std::move(error)) {}

    bool ok() const { return data_.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return std::get<0>(data_); }
    T& value() & { return std::get<0>(data_); }
    T&& value() && { return std::get<0>(std::move(data_)); }
    const Error& error() const { return std::get<1>(data_); }

private:
    std::variant<T, Error> data_;
};

// Success or an Error, for operations without a value.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Error error) : error_(std::move(error)) {}
    static Status success() { return {}; }

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *error_; }

private:
    std::optional<Error> error_;
};

inline Error makeError(ErrorCode code, QString message) { return Error{code, std::move(message), {}}; }

}  // namespace pictoreel
