#include "core/media/decoding_memory.h"

#include <condition_variable>
#include <mutex>

namespace pictoreel {

namespace {

struct Held {
    std::mutex mutex;
    std::condition_variable freed;
    std::int64_t bytes = 0;
};

Held& held()
{
    static Held one;
    return one;
}

}  // namespace

DecodingMemory::DecodingMemory(std::int64_t bytes) : bytes_(bytes)
{
    Held& all = held();
    std::unique_lock lock(all.mutex);
    all.freed.wait(lock, [&] { return all.bytes == 0 || all.bytes + bytes_ <= kDecodingMemory; });
    all.bytes += bytes_;
}

DecodingMemory::~DecodingMemory()
{
    Held& all = held();
    {
        std::lock_guard lock(all.mutex);
        all.bytes -= bytes_;
    }
    all.freed.notify_all();
}

}  // namespace pictoreel
