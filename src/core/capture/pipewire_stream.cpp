#include "core/capture/pipewire_stream.h"

#include <unistd.h>

namespace pictoreel {

PipeWireStream::PipeWireStream(const char* loopName)
{
    pw_init(nullptr, nullptr);
    loop_ = pw_thread_loop_new(loopName, nullptr);
    context_ = loop_ ? pw_context_new(pw_thread_loop_get_loop(loop_), nullptr, 0) : nullptr;
}

PipeWireStream::~PipeWireStream()
{
    if (loop_)
        close();
    if (started_)
        pw_thread_loop_stop(loop_);
    if (context_)
        pw_context_destroy(context_);
    if (loop_)
        pw_thread_loop_destroy(loop_);
    pw_deinit();
}

bool PipeWireStream::open(int fd, const char* name, pw_properties* properties, const pw_stream_events* events, void* data,
                          const pw_core_events* coreEvents)
{
    if (!context_) {
        if (fd >= 0)
            ::close(fd);
        pw_properties_free(properties);
        return false;
    }
    lock();
    core_ = fd >= 0 ? pw_context_connect_fd(context_, fd, nullptr, 0) : pw_context_connect(context_, nullptr, 0);
    if (core_ && coreEvents)
        pw_core_add_listener(core_, &coreListener_, coreEvents, data);
    stream_ = core_ ? pw_stream_new(core_, name, properties) : nullptr;
    if (!core_)
        pw_properties_free(properties);
    if (stream_)
        pw_stream_add_listener(stream_, &streamListener_, events, data);
    unlock();
    return stream_ != nullptr;
}

int PipeWireStream::connect(pw_direction direction, std::uint32_t target, pw_stream_flags flags, const spa_pod* format)
{
    lock();
    const int result = stream_ ? pw_stream_connect(stream_, direction, target, flags, &format, 1) : -1;
    unlock();
    return result;
}

bool PipeWireStream::start()
{
    started_ = loop_ && pw_thread_loop_start(loop_) >= 0;
    return started_;
}

void PipeWireStream::close()
{
    lock();
    if (stream_) {
        spa_hook_remove(&streamListener_);
        pw_stream_disconnect(stream_);
        pw_stream_destroy(stream_);
        stream_ = nullptr;
    }
    if (core_) {
        if (coreListener_.link.next)
            spa_hook_remove(&coreListener_);
        pw_core_disconnect(core_);
        core_ = nullptr;
    }
    unlock();
}

}  // namespace pictoreel
