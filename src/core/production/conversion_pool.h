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

// What the pool keeps of each frame for a taker of every row's, in row order (see takeWritten).
struct PoolKeeping {
    bool written = false;  // the indices of each image converted
    // With `written`: the opaque picture each converted image was reduced from, and the same
    // picture made again (frameSource) for each frame taken from the cache, in row order
    // beside the conversions. A pool with nothing to convert makes them only once
    // remakeCachedSources() asks: a make that finds its animation kept needs none.
    bool sources = false;
    // Conversion runs ahead of the taker only while what is kept and not taken holds less.
    std::size_t mostHeldBytes = std::size_t{16} << 20;
};

class ConversionPool {
public:
    enum class Outcome { Missing, Cached, Converted, Failed };
    struct FrameResult {
        Outcome outcome = Outcome::Missing;
        QString gif;  // the cache file, empty for a missing or failed frame
        Error error;  // meaningful when outcome is Failed
    };

    // `conversions` in row order; `jobs` threads (at least 1).
    ConversionPool(std::vector<FrameConversion> conversions, int jobs, PoolKeeping keeping = {});
    ~ConversionPool();
    ConversionPool(const ConversionPool&) = delete;
    ConversionPool& operator=(const ConversionPool&) = delete;

    // Blocks until the frame at `position` (0-based row) is ready.
    FrameResult waitFor(std::size_t position);

    // Whether some frame is converted here (else every one is cached or missing).
    bool convertsAny() const { return converts_; }
    // For a pool that converts nothing and keeps sources: starts making those of the cached frames.
    void remakeCachedSources();

    // The indices of the image the pool has just written for `position`, taken out of the pool
    // so they are held no longer than the taker needs them (and what it kept of the rows before,
    // not taken, goes): null when the pool keeps none, when
    // the frame was not converted here, for a later row of the same cache file, and once taken.
    // With them, the opaque picture they were reduced from (null for one with transparent pixels);
    // for a cached frame whose source the pool made again, that source alone (a null `indices`).
    struct Written {
        std::shared_ptr<const std::vector<std::uint8_t>> indices;
        std::shared_ptr<const RgbaImage> source;
        explicit operator bool() const { return indices || source; }
    };
    Written takeWritten(std::size_t position);
    // Whether takeWritten() gives the source of the frame at `position` when it has one.
    bool makesSource(std::size_t position) const;

    // For a taker that stops taking (its assembly ended): what is kept goes, nothing more is
    // kept, and the conversions no longer wait for room.
    void stopKeepingWritten();

    // Stops handing out work; running conversions finish.
    void cancel();

private:
    void work();
    void startThreads();
    void release(std::size_t position);  // under mutex_

    std::vector<FrameConversion> conversions_;
    int jobs_;
    bool keepWritten_;  // guarded by mutex_ once the threads run
    bool keepSources_;
    bool converts_ = false;
    std::vector<FrameCacheEntry> entries_;
    std::vector<std::size_t> ownerOf_;  // position -> position of the first row with that cache file

    std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<std::optional<FrameResult>> results_;  // by owner position
    std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> written_;  // by owner position
    std::vector<std::shared_ptr<const RgbaImage>> sources_;                  // by owner position
    std::vector<char> sourcePending_;  // by owner position: a cached frame's source, queued and not made yet
    std::vector<std::size_t> queue_;  // owner positions to convert (or whose source to make), in row order
    std::vector<std::size_t> cachedSourcesLater_;      // cached owner positions for remakeCachedSources()
    std::size_t next_ = 0;
    std::size_t taken_ = 0;  // the rows before it are taken or passed over
    // The images kept for takeWritten() and not taken yet, in bytes.
    std::size_t mostHeldBytes_;
    std::size_t heldBytes_ = 0;
    bool cancelled_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace pictoreel
