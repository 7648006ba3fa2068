// Converts the frames of a make ahead of the assembly, on several threads. Each cache file is
// converted once, from the first row that needs it, exactly as a one-thread run in row order
// would; rows are handed out in order so the assembly rarely waits.
#pragma once

#include "core/base/error.h"
#include "core/production/frame_cache.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace pictoreel {

class ConversionPool {
public:
    enum class Outcome { Missing, Cached, Converted, Failed };
    struct FrameResult {
        Outcome outcome = Outcome::Missing;
        QString gif;  // the cache file, empty for a missing or failed frame
        Error error;  // meaningful when outcome is Failed
    };

    // `conversions` in row order; `jobs` threads (at least 1). With `keepWritten`, the indices
    // of each image converted are kept until takeWritten() takes them (so only for a caller that
    // takes every row's, in row order); conversion then runs ahead of the taker only while they
    // hold less than `mostHeldBytes`.
    ConversionPool(std::vector<FrameConversion> conversions, int jobs, bool keepWritten = false,
                   std::size_t mostHeldBytes = std::size_t{64} << 20);
    ~ConversionPool();
    ConversionPool(const ConversionPool&) = delete;
    ConversionPool& operator=(const ConversionPool&) = delete;

    // Blocks until the frame at `position` (0-based row) is ready.
    FrameResult waitFor(std::size_t position);

    // The indices of the image the pool has just written for `position`, taken out of the pool
    // so they are held no longer than the taker needs them: null when the pool keeps none, when
    // the frame was not converted here, for a later row of the same cache file, and once taken.
    // With them, the opaque picture they were reduced from (null for one with transparent pixels).
    struct Written {
        std::shared_ptr<const std::vector<std::uint8_t>> indices;
        std::shared_ptr<const RgbaImage> source;
        explicit operator bool() const { return indices != nullptr; }
    };
    Written takeWritten(std::size_t position);

    // For a taker that stops taking (its assembly ended): what is kept goes, nothing more is
    // kept, and the conversions no longer wait for room.
    void stopKeepingWritten();

    // Stops handing out work; running conversions finish.
    void cancel();

private:
    void work();

    std::vector<FrameConversion> conversions_;
    bool keepWritten_;  // guarded by mutex_ once the threads run
    std::vector<FrameCacheEntry> entries_;
    std::vector<std::size_t> ownerOf_;  // position -> position of the first row with that cache file

    std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<std::optional<FrameResult>> results_;  // by owner position
    std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> written_;  // by owner position
    std::vector<std::shared_ptr<const RgbaImage>> sources_;                  // by owner position
    std::vector<std::size_t> queue_;                   // owner positions to convert, in row order
    std::size_t next_ = 0;
    // The images kept for takeWritten() and not taken yet, in bytes.
    std::size_t mostHeldBytes_;
    std::size_t heldBytes_ = 0;
    bool cancelled_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace pictoreel
