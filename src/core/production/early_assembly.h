// The assembly of a make beside its conversions.
#pragma once

#include "core/animation/animation_frames.h"
#include "core/base/error.h"
#include "core/production/conversion_pool.h"
#include "core/production/make_job.h"
#include "core/production/output_placement.h"

#include <QString>

#include <atomic>
#include <functional>
#include <future>
#include <vector>

namespace pictoreel {

// The assembly of a make that had to convert frames, run beside the conversions: it takes each
// frame as the pool finishes it, into a file of the temp folder. No animation made before can
// match frames converted now, so there is no cached copy to look for; the file becomes the
// cached copy once it has been copied to the output. Its progress is told once every frame is
// converted, and a stop asked for until it is placed still leaves the output alone.
class EarlyAssembly {
public:
    // Starts assembling the pool's frames, with these delays, as they become ready; `sourceFor`
    // makes the source of a frame the pool did not convert (see AnimationFrames).
    EarlyAssembly(ConversionPool& pool, std::vector<int> delays, const AnimationSettings& settings,
                  const MakeOptions& options, AnimationFrames::SourceFor sourceFor = {});
    // Waits for the assembly to end, and removes its file unless finish handed it on.
    ~EarlyAssembly();
    EarlyAssembly(const EarlyAssembly&) = delete;
    EarlyAssembly& operator=(const EarlyAssembly&) = delete;

    // Waits for the animation, telling `saveProgress` how far it got (up to 99), and hands it on
    // to be placed at the output and kept as `cached` (when not empty). Errors: Cancelled, the
    // assembly's.
    Result<ReadyAnimation> finish(const QString& cached, const std::function<void(int)>& saveProgress);

private:
    void tell(const std::function<void(int)>& saveProgress, int& told) const;

    QString file_;
    std::function<bool()> stopped_;
    std::atomic<int> percent_{-1};
    std::future<Status> done_;
};

}  // namespace pictoreel
