#include "core/base/replacing_file.h"
#include "core/imaging/bmp_writer.h"
#include "core/media/player_component.h"

#include "core/gif/gif_reader.h"
#include "core/media/imaging_component.h"
#include "core/imaging/composite.h"
#include "core/media/video_conversion.h"

#include <algorithm>

namespace pictoreel {

namespace {

constexpr int kDefaultDelayCentiseconds = 10;
// Decoded frames kept for a view: a few, and never more than this many bytes unless one frame
// alone is larger.
constexpr std::size_t kCachedFrames = 4;
constexpr std::size_t kCacheBytes = std::size_t{64} << 20;

Error noGif() { return makeError(ErrorCode::InvalidArgument, QStringLiteral("No animated GIF is loaded")); }

}  // namespace

PlayerComponent::PlayerComponent() = default;
PlayerComponent::~PlayerComponent() = default;

// ---- assembling ------------------------------------------------------------------------------

void PlayerComponent::ClearFrames()
{
    frames_.clear();
    assemblySettings_ = AnimationSettings{};
    gifVersion_ = QStringLiteral("gif89a");
    const bool hadGif = hasGif();
    unloadGif();
    if (hadGif)
        notifyFrameChanged();
}

void PlayerComponent::LoopCount(std::int16_t count)
{
    if (count < 0)
        assemblySettings_.loopCount.reset();
    else
        assemblySettings_.loopCount = count;
}

void PlayerComponent::AddFrame(const QString& fileName)
{
    frames_.push_back(AnimationFrameSource{fileName, kDefaultDelayCentiseconds});
}

Status PlayerComponent::SetFrameDelay(int index, int delayCentiseconds)
{
    if (index < 0 || index >= addedFrameCount())
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("There is no frame %1 to set a delay for (%2 frames)").arg(index).arg(addedFrameCount()));
    frames_[std::size_t(index)].delayCentiseconds = animationDelay(delayCentiseconds);
    return {};
}

int PlayerComponent::frameDelay(int index) const
{
    return index >= 0 && index < addedFrameCount() ? frames_[std::size_t(index)].delayCentiseconds : 0;
}

Status PlayerComponent::SaveAnimation(const QString& outputFile)
{
    const AnimationAssembler assembler(frames_, assemblySettings_);
    return assembler.save(outputFile, [this](int percent) {
        if (saveProgress_)
            saveProgress_(percent);
        return true;
    });
}

// ---- playing ---------------------------------------------------------------------------------

void PlayerComponent::unloadGif()
{
    decoder_.reset();
    cache_.clear();
    playing_ = false;
    ranOut_ = false;
    current_ = 0;
    passesShown_ = 0;
}

void PlayerComponent::notifyFrameChanged() const
{
    if (frameChanged_)
        frameChanged_();
}

Status PlayerComponent::LoadGif(const QString& fileName)
{
    unloadGif();  // the GIF loaded before goes before the new one is read
    return loadOpenedGif(GifDecoder::openFile(fileName));
}

Status PlayerComponent::loadOpenedGif(Result<GifDecoder> opened)
{
    unloadGif();
    if (!opened) {
        notifyFrameChanged();
        return opened.error();
    }
    decoder_ = std::make_unique<GifDecoder>(std::move(opened).value());
    notifyFrameChanged();
    return {};
}

std::function<Result<GifDecoder>()> PlayerComponent::gifReopener() const
{
    return decoder_ ? decoder_->reopener() : std::function<Result<GifDecoder>()>();
}

int PlayerComponent::FrameCount() const { return decoder_ ? decoder_->frameCount() : 0; }
int PlayerComponent::GifWidth() const { return decoder_ ? decoder_->width() : 0; }
int PlayerComponent::GifHeight() const { return decoder_ ? decoder_->height() : 0; }

std::optional<int> PlayerComponent::gifLoopCount() const
{
    return decoder_ ? decoder_->loopCount() : std::nullopt;
}

void PlayerComponent::Play()
{
    if (!decoder_)
        return;
    if (ranOut_) {
        ranOut_ = false;
        current_ = 0;
        passesShown_ = 0;
        notifyFrameChanged();
    }
    playing_ = true;
}

void PlayerComponent::Pause() { playing_ = false; }

void PlayerComponent::showFrame(int index)
{
    if (!decoder_)
        return;
    ranOut_ = false;
    passesShown_ = 0;
    const int target = std::clamp(index, 0, FrameCount() - 1);
    if (target != current_) {
        current_ = target;
        notifyFrameChanged();
    }
}

bool PlayerComponent::advance()
{
    if (!decoder_ || !playing_)
        return false;
    if (current_ + 1 < FrameCount()) {
        ++current_;
        notifyFrameChanged();
        return true;
    }
    ++passesShown_;
    // Passes to show: once without looping or without a loop block; n + 1 for a loop count n;
    // no end for 0.
    const std::optional<int> loops = loopPlayback_ ? gifLoopCount() : std::nullopt;
    const bool again = loops && (*loops == 0 || passesShown_ < *loops + 1);
    if (!again) {
        playing_ = false;
        ranOut_ = true;
        return false;
    }
    if (current_ != 0) {
        current_ = 0;
        notifyFrameChanged();
    }
    return true;
}

Result<PlayerFrame> PlayerComponent::frame(int index)
{
    if (!decoder_)
        return noGif();
    if (index < 0 || index >= FrameCount())
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("The GIF has no frame %1 (%2 frames)").arg(index).arg(FrameCount()));
    const auto cached = std::find_if(cache_.begin(), cache_.end(), [index](const PlayerFrame& f) { return f.index == index; });
    if (cached != cache_.end())
        return *cached;

    Result<GifFrame> decoded = decoder_->frameAt(index);
    if (!decoded)
        return decoded.error();
    PlayerFrame result;
    result.index = index;
    result.delayCentiseconds = decoded.value().delayCentiseconds;
    result.effectiveDelayCentiseconds = effectiveDelayCentiseconds(result.delayCentiseconds);
    result.image = std::move(decoded.value().image);

    cache_.push_back(result);
    std::size_t bytes = 0;
    for (const PlayerFrame& f : cache_)
        bytes += f.image.pixels.size();
    while (cache_.size() > 1 && (cache_.size() > kCachedFrames || bytes > kCacheBytes)) {
        bytes -= cache_.front().image.pixels.size();
        cache_.pop_front();
    }
    return result;
}

int PlayerComponent::currentDelayMilliseconds()
{
    Result<PlayerFrame> f = frame(current_);
    return 10 * (f ? f.value().effectiveDelayCentiseconds : kDefaultDelayCentiseconds);
}

Status PlayerComponent::ExtractFrame(int index, const QString& bmpFile, RgbaImage* written)
{
    Result<PlayerFrame> f = frame(index);
    if (!f)
        return f.error();
    RgbaImage shown = compositeOverColour(f.value().image, backColor_);
    Result<QByteArray> bmp = encodeBmp24(shown);
    if (!bmp)
        return bmp.error();
    if (Status s = writeFileAtomically(bmpFile, bmp.value()); !s)
        return s;
    if (written != nullptr)
        *written = std::move(shown);
    return {};
}

// ---- converting --------------------------------------------------------------------------------

Status PlayerComponent::AviToGif(const QString& aviFile, const QString& gifFile)
{
    return aviToGif(aviFile, gifFile, [this](int percent) {
        if (convertProgress_)
            convertProgress_(percent);
        return true;
    });
}

Status PlayerComponent::GifToAvi(const QString& aviFile, const QString& gifFile)
{
    return gifToAvi(
        gifFile, aviFile,
        [this](int percent) {
            if (convertProgress_)
                convertProgress_(percent);
            return true;
        },
        backColor_);
}

}  // namespace pictoreel
