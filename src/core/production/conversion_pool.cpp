#include "core/production/conversion_pool.h"

#include "core/production/make_job.h"

#include <QHash>

namespace pictoreel {

ConversionPool::ConversionPool(std::vector<FrameConversion> conversions, int jobs, PoolKeeping keeping)
    : conversions_(std::move(conversions)), jobs_(std::max(1, jobs)), keepWritten_(keeping.written),
      keepSources_(keeping.written && keeping.sources), mostHeldBytes_(keeping.mostHeldBytes)
{
    results_.resize(conversions_.size());
    written_.resize(conversions_.size());
    sources_.resize(conversions_.size());
    sourcePending_.resize(conversions_.size(), 0);
    entries_.resize(conversions_.size());
    ownerOf_.resize(conversions_.size());
    CacheClaims claims;
    QHash<QString, std::size_t> firstWithFile;
    std::vector<std::size_t> cached;
    for (std::size_t i = 0; i < conversions_.size(); ++i) {
        ownerOf_[i] = i;
        const FrameCacheEntry& entry = entries_[i] = locateFrameCache(conversions_[i], &claims);
        if (entry.state == FrameCacheEntry::State::PictureMissing) {
            results_[i] = FrameResult{Outcome::Missing, QString(), Error{}};
            continue;
        }
        const auto seen = firstWithFile.constFind(entry.file);
        if (seen != firstWithFile.constEnd()) {
            ownerOf_[i] = *seen;
            continue;
        }
        firstWithFile.insert(entry.file, i);
        if (entry.state == FrameCacheEntry::State::Cached) {
            results_[i] = FrameResult{Outcome::Cached, entry.file, Error{}};
            if (!keepSources_)
                continue;
            cached.push_back(i);
        }
        queue_.push_back(i);
    }
    converts_ = queue_.size() > cached.size();
    if (!converts_) {  // only sources to make: not until asked
        cachedSourcesLater_ = std::move(cached);
        queue_.clear();
    }
    for (std::size_t i : queue_)
        sourcePending_[i] = entries_[i].state == FrameCacheEntry::State::Cached;
    startThreads();
}

ConversionPool::~ConversionPool()
{
    cancel();
    for (std::thread& t : threads_)
        t.join();
}

void ConversionPool::startThreads()
{
    const auto threads = std::min<std::size_t>(static_cast<std::size_t>(jobs_), queue_.size());
    for (std::size_t t = 0; t < threads; ++t)
        threads_.emplace_back([this] { work(); });
}

void ConversionPool::remakeCachedSources()
{
    if (!threads_.empty() || cachedSourcesLater_.empty())
        return;
    {
        std::lock_guard lock(mutex_);
        queue_ = std::move(cachedSourcesLater_);
        for (std::size_t i : queue_)
            sourcePending_[i] = true;
    }
    startThreads();
}

void ConversionPool::cancel()
{
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    ready_.notify_all();
}

void ConversionPool::work()
{
    for (;;) {
        std::size_t position;
        bool keep;
        {
            std::unique_lock lock(mutex_);
            // Converted images wait for the taker, which takes them one at a time in row order;
            // conversion runs ahead only while they take little memory. The row the taker waits
            // for has always been handed out: every row before it is taken, so what is held
            // lies beyond it, and rows are handed out in order.
            ready_.wait(lock, [this] { return cancelled_ || next_ >= queue_.size() || heldBytes_ < mostHeldBytes_; });
            if (cancelled_ || next_ >= queue_.size())
                return;
            position = queue_[next_++];
            keep = keepWritten_;
        }
        if (entries_[position].state == FrameCacheEntry::State::Cached) {
            // Its source alone, for a taker that still takes them (none for a file of exact colours).
            std::shared_ptr<const RgbaImage> source =
                keep && !keepsExactColours(entries_[position].file) ? frameSource(conversions_[position]) : nullptr;
            std::lock_guard lock(mutex_);
            if (source && keepWritten_ && position >= taken_) {
                heldBytes_ += source->pixels.size();
                sources_[position] = std::move(source);
            }
            sourcePending_[position] = false;
            ready_.notify_all();
            continue;
        }
        auto written = keep ? std::make_shared<std::vector<std::uint8_t>>() : nullptr;
        auto source = keep && keepSources_ ? std::make_shared<RgbaImage>() : nullptr;
        const Status status = convertFrame(conversions_[position], entries_[position], written.get(), source.get());
        std::lock_guard lock(mutex_);
        if (status && written && keepWritten_ && position >= taken_) {
            heldBytes_ += written->size();
            written_[position] = std::move(written);
            if (source && !source->empty()) {
                heldBytes_ += source->pixels.size();
                sources_[position] = std::move(source);
            }
        }
        results_[position] = status ? FrameResult{Outcome::Converted, entries_[position].file, Error{}}
                                    : FrameResult{Outcome::Failed, QString(), status.error()};
        ready_.notify_all();
    }
}

ConversionPool::FrameResult ConversionPool::waitFor(std::size_t position)
{
    const std::size_t owner = ownerOf_.at(position);
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return results_[owner].has_value() || cancelled_; });
    if (!results_[owner])
        return FrameResult{Outcome::Failed, QString(), makeCancelled()};
    FrameResult result = *results_[owner];
    // A row that shares its cache file with an earlier one costs nothing.
    if (owner != position && result.outcome == Outcome::Converted)
        result.outcome = Outcome::Cached;
    return result;
}

void ConversionPool::stopKeepingWritten()
{
    std::lock_guard lock(mutex_);
    keepWritten_ = false;
    for (auto& written : written_)
        written.reset();
    for (auto& source : sources_)
        source.reset();
    heldBytes_ = 0;
    ready_.notify_all();
}

bool ConversionPool::makesSource(std::size_t position) const
{
    return keepSources_ && ownerOf_.at(position) == position && entries_[position].state != FrameCacheEntry::State::PictureMissing;
}

ConversionPool::Written ConversionPool::takeWritten(std::size_t position)
{
    if (ownerOf_.at(position) != position)
        return {};
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return !sourcePending_[position] || !keepWritten_ || cancelled_; });
    // What the taker passed over it will not take any more.
    for (; taken_ < position; ++taken_)
        release(taken_);
    Written taken{std::move(written_[position]), std::move(sources_[position])};
    taken_ = std::max(taken_, position + 1);
    heldBytes_ -= (taken.indices ? taken.indices->size() : 0) + (taken.source ? taken.source->pixels.size() : 0);
    ready_.notify_all();
    return taken;
}

void ConversionPool::release(std::size_t position)
{
    if (written_[position])
        heldBytes_ -= written_[position]->size();
    if (sources_[position])
        heldBytes_ -= sources_[position]->pixels.size();
    written_[position].reset();
    sources_[position].reset();
}

}  // namespace pictoreel
