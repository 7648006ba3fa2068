#include "core/production/conversion_pool.h"

#include "core/production/make_job.h"

#include <QHash>

namespace pictoreel {

ConversionPool::ConversionPool(std::vector<FrameConversion> conversions, int jobs, bool keepWritten,
                               std::size_t mostHeldBytes)
    : conversions_(std::move(conversions)), keepWritten_(keepWritten), mostHeldBytes_(mostHeldBytes)
{
    results_.resize(conversions_.size());
    written_.resize(conversions_.size());
    sources_.resize(conversions_.size());
    entries_.resize(conversions_.size());
    ownerOf_.resize(conversions_.size());
    CacheClaims claims;
    QHash<QString, std::size_t> firstWithFile;
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
        if (entry.state == FrameCacheEntry::State::Cached)
            results_[i] = FrameResult{Outcome::Cached, entry.file, Error{}};
        else
            queue_.push_back(i);
    }
    const auto threads = std::min<std::size_t>(static_cast<std::size_t>(std::max(1, jobs)), queue_.size());
    for (std::size_t t = 0; t < threads; ++t)
        threads_.emplace_back([this] { work(); });
}

ConversionPool::~ConversionPool()
{
    cancel();
    for (std::thread& t : threads_)
        t.join();
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
        auto written = keep ? std::make_shared<std::vector<std::uint8_t>>() : nullptr;
        auto source = keep ? std::make_shared<RgbaImage>() : nullptr;
        const Status status = convertFrame(conversions_[position], entries_[position], written.get(), source.get());
        FrameResult result;
        if (status) {
            result.outcome = Outcome::Converted;
            result.gif = entries_[position].file;
        } else {
            result.outcome = Outcome::Failed;
            result.error = status.error();
        }
        std::lock_guard lock(mutex_);
        if (status && written && keepWritten_) {
            heldBytes_ += written->size();
            written_[position] = std::move(written);
            if (!source->empty()) {
                heldBytes_ += source->pixels.size();
                sources_[position] = std::move(source);
            }
        }
        results_[position] = std::move(result);
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

ConversionPool::Written ConversionPool::takeWritten(std::size_t position)
{
    if (ownerOf_.at(position) != position)
        return {};
    std::lock_guard lock(mutex_);
    Written taken{std::move(written_[position]), std::move(sources_[position])};
    if (taken.indices || taken.source) {
        heldBytes_ -= (taken.indices ? taken.indices->size() : 0) + (taken.source ? taken.source->pixels.size() : 0);
        ready_.notify_all();
    }
    return taken;
}

}  // namespace pictoreel
