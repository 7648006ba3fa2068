// The frames of the size budget's attempts (see budget_make.h): the converted frames as they are
// when only the lossiness changes, otherwise reduced to the attempt's colours and size and
// written as one-image GIFs in the temp folder. The reductions start from the converted frames,
// read again from their files (a GIF decodes in a few milliseconds); the reduced frames' indices
// are held for their assemblies when they take little memory, so those need not decode them.
#pragma once

#include "core/animation/animation_frames.h"
#include "core/base/error.h"
#include "core/base/image.h"
#include "core/imaging/quantizer.h"
#include "core/production/budget_job.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace pictoreel {

// The picture of a converted frame, read again from its file.
Result<RgbaImage> readConvertedPicture(const QString& file);

class BudgetFrames {
public:
    explicit BudgetFrames(const BudgetMake& make);
    ~BudgetFrames();
    BudgetFrames(const BudgetFrames&) = delete;
    BudgetFrames& operator=(const BudgetFrames&) = delete;

    QString attemptFile(int attempt) const;

    // Whether most pixels stay as they are from frame to frame (graphics that change in places):
    // the reductions then share one palette, so what stays the same in the pictures stays the same
    // in the frames and the assembler stores only what changes. Looked at once, in the same pass
    // as the rows the shared palette is chosen from.
    Result<bool> alike();

    // The frames for `settings` as the assembly takes them: the converted ones at the start's
    // colours and size, else reduced ones (made again only when colours or size change), with
    // their indices when they are held. The reduction runs beside the assembly, on `jobs`
    // threads: the assembly waits for each frame as it comes to it. reductionDone() then
    // tells how the reduction ended.
    Result<AnimationFrames> assemblyFramesFor(const BudgetSettings& settings);
    // Waits for the reduction begun last (if any) to end: its first error, else success.
    Status reductionDone();
    // Whether framesFor(settings) are the converted frames themselves.
    bool convertedFor(const BudgetSettings& settings) const;
    // Whether framesFor(settings) reduces the converted frames again.
    bool reducesFor(const BudgetSettings& settings) const;

private:
    // Calls `visit` with each frame that has a picture, in order, until it fails.
    Status forEachPicture(const std::function<Status(std::size_t k, RgbaImage& picture)>& visit) const;
    void chooseSharedPalette(int colors);
    Status reduceOne(std::size_t k, const BudgetSettings& settings);
    // Begins reducing every frame for `settings`, in order.
    Status reduce(const BudgetSettings& settings);
    // Reduced frame k once it is written (or the reduction failed).
    MadeFrame reducedFrame(std::size_t k);

    const BudgetMake& make_;
    QString prefix_;
    std::vector<AnimationFrameSource> reduced_;
    // The indices of each reduced frame's image, when all of them fit in a little memory.
    std::vector<std::shared_ptr<const std::vector<std::uint8_t>>> reducedIndices_;
    BudgetSettings reducedAs_;
    // The reduction running: its threads, the next frame to take, and each frame's outcome.
    std::vector<std::thread> reducing_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> failed_{false};
    std::vector<Status> statuses_;
    std::vector<char> reducedDone_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<bool> alike_;
    IndexedImage shared_;  // the palette the frames share when alike
    // When alike: rows of every frame (alpha made opaque or transparent), which the shared palette
    // is chosen from, and whether any frame has a transparent pixel.
    RgbaImage sample_;
    bool sampleTransparent_ = false;
};

}  // namespace pictoreel
