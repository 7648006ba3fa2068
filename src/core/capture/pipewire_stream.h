// A libpipewire stream on a thread loop of its own, with the remote it is made on: what a
// grabber of a shared screen and a video source of a test's both keep around their stream's
// events. Made and torn down in the order libpipewire wants; its events run on the loop's
// thread once start() has been called.
#pragma once

#include <pipewire/pipewire.h>

#include <cstdint>

namespace pictoreel {

class PipeWireStream {
public:
    explicit PipeWireStream(const char* loopName);
    ~PipeWireStream();
    PipeWireStream(const PipeWireStream&) = delete;
    PipeWireStream& operator=(const PipeWireStream&) = delete;

    // Connects to the remote `fd` (its own from now on, also on failure; -1: this user's
    // PipeWire) and makes the stream called `name` with `properties` (taken), whose events
    // (`events`, and `coreEvents` for the remote's) get `data`. False when either fails.
    bool open(int fd, const char* name, pw_properties* properties, const pw_stream_events* events, void* data,
              const pw_core_events* coreEvents = nullptr);
    // pw_stream_connect with `format` as the one EnumFormat offered; its result.
    int connect(pw_direction direction, std::uint32_t target, pw_stream_flags flags, const spa_pod* format);
    bool start();
    // The stream and the remote go now (the loop stays).
    void close();

    pw_stream* stream() const { return stream_; }
    // The loop's lock, for calls from other threads.
    void lock() { pw_thread_loop_lock(loop_); }
    void unlock() { pw_thread_loop_unlock(loop_); }

private:
    pw_thread_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    pw_core* core_ = nullptr;
    pw_stream* stream_ = nullptr;
    spa_hook coreListener_{};
    spa_hook streamListener_{};
    bool started_ = false;
};

}  // namespace pictoreel
