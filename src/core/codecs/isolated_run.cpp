#include "core/codecs/isolated_run.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <new>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>


namespace pictoreel {

namespace {

// What the child sends before the picture bytes or the error message.
struct Reply {
    std::int32_t code;  // 0 for success, else the ErrorCode
    std::uint32_t messageBytes;
    std::uint64_t payloadBytes;
};

// Moves `size` bytes through `fd`, `step` (a read or a write) at a time; false on an error or an
// early end.
template <class Step>
bool transferAll(int fd, char* at, std::size_t size, Step step)
{
    while (size > 0) {
        const ssize_t n = step(fd, at, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool writeAll(int fd, const void* data, std::size_t size)
{
    return transferAll(fd, static_cast<char*>(const_cast<void*>(data)), size,
                       [](int to, const char* from, std::size_t n) { return ::write(to, from, n); });
}

[[noreturn]] void runChild(int fd, const std::function<Result<IsolatedBytes>()>& work, const IsolationLimits& limits)
{
    // AddressSanitizer, when the program runs with it, reserves terabytes of address space.
    if (!::dlsym(RTLD_DEFAULT, "__asan_init")) {
        const rlimit memory{limits.memoryBytes, limits.memoryBytes};
        setrlimit(RLIMIT_AS, &memory);
    }
    const rlimit cpu{rlim_t(limits.seconds), rlim_t(limits.seconds)};
    setrlimit(RLIMIT_CPU, &cpu);
    // A crash ends the child quietly, whatever handlers the program (or a fuzzer) installed.
    for (const int deadly : {SIGABRT, SIGSEGV, SIGBUS, SIGILL, SIGFPE})
        std::signal(deadly, SIG_DFL);
    // The libraries' complaints about a broken file are not the user's business: the reply says
    // what went wrong.
    if (const int null = ::open("/dev/null", O_WRONLY); null >= 0) {
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
    }
    Reply reply{};
    QByteArray message;
    IsolatedBytes payload;
    try {
        Result<IsolatedBytes> result = work();
        if (result) {
            payload = std::move(result).value();
        } else {
            reply.code = result.error().number();
            message = result.error().message.toUtf8();
        }
    } catch (const std::bad_alloc&) {
        reply.code = static_cast<int>(ErrorCode::LimitExceeded);
        message = "Not enough memory to draw the picture.";
    } catch (...) {
        reply.code = static_cast<int>(ErrorCode::LibraryFailure);
    }
    reply.messageBytes = static_cast<std::uint32_t>(message.size());
    reply.payloadBytes = payload.size();
    const bool sent = writeAll(fd, &reply, sizeof reply) && writeAll(fd, message.constData(), message.size()) &&
                      writeAll(fd, payload.data(), payload.size());
    ::_exit(sent ? 0 : 1);
}

// Reads exactly `size` bytes before `deadline`; false on a timeout, an error or an early end.
bool readAll(int fd, void* data, std::size_t size, std::chrono::steady_clock::time_point deadline)
{
    return transferAll(fd, static_cast<char*>(data), size, [deadline](int from, char* to, std::size_t n) -> ssize_t {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return 0;
        pollfd wait{from, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        return ready > 0 ? ::read(from, to, n) : ready;  // 0: the time is up
    });
}

}  // namespace

Result<IsolatedBytes> runIsolated(const std::function<Result<IsolatedBytes>()>& work, const IsolationLimits& limits,
                                  const QString& what)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Cannot start drawing: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        runChild(fds[1], work, limits);
    }
    ::close(fds[1]);
    if (child < 0) {
        ::close(fds[0]);
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Cannot start drawing: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.seconds);
    Reply reply{};
    QByteArray message;
    IsolatedBytes payload;
    bool complete = readAll(fds[0], &reply, sizeof reply, deadline) && reply.messageBytes <= 4096;
    if (complete) {
        message.resize(reply.messageBytes);
        complete = readAll(fds[0], message.data(), message.size(), deadline);
    }
    if (complete && reply.code == 0) {
        payload.resize(reply.payloadBytes);
        complete = readAll(fds[0], payload.data(), payload.size(), deadline);
    }
    ::close(fds[0]);
    if (!complete)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!complete) {
        const QString why = WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL
                                ? QStringLiteral("it ended with signal %1").arg(WTERMSIG(status))
                                : QStringLiteral("it ran out of time or memory");
        return makeError(ErrorCode::CorruptData,
                         QStringLiteral("The picture is damaged or unreadable: %1 failed on it (%2).").arg(what, why));
    }
    if (reply.code != 0)
        return makeError(static_cast<ErrorCode>(reply.code), QString::fromUtf8(message));
    return payload;
}

}  // namespace pictoreel
