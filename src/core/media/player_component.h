// The player component: one animation per instance, either a frame list being assembled into an
// animated GIF or a loaded animated GIF being played or taken apart. The player, preview and
// About windows play with it; the frames extractor writes single frames with it; assembling with
// it is a thin layer over AnimationAssembler (a make drives the assembler itself).
//
// Operations keep the names and argument order the rest of the program calls them by. The
// component draws nothing itself: a view asks for the current frame (composited, ready to draw
// over BackColor), shows it for currentDelayMilliseconds() and then calls advance(). Only a few
// decoded frames are held, so any length of animation plays in little memory.
#pragma once

#include "core/base/error.h"
#include "core/animation/animation_assembler.h"
#include "core/imaging/composite.h"
#include "core/base/image.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace pictoreel {

class GifDecoder;

// One frame of a loaded GIF as a view shows it.
struct PlayerFrame {
    int index = 0;
    // The whole screen after this frame was drawn; pixels nothing has drawn are transparent and
    // show BackColor.
    RgbaImage image;
    int delayCentiseconds = 0;           // as stored in the file
    int effectiveDelayCentiseconds = 0;  // as played: see effectiveDelayCentiseconds()
};

class PlayerComponent {
public:
    PlayerComponent();
    ~PlayerComponent();
    PlayerComponent(const PlayerComponent&) = delete;
    PlayerComponent& operator=(const PlayerComponent&) = delete;

    // ---- assembling ------------------------------------------------------------------------

    // Empties the instance: the frame list, the assembly settings and any loaded GIF.
    void ClearFrames();

    // Loop count of the GIF to be written. 0 loops for ever; a negative number writes no loop
    // block, so the animation plays once and stops.
    void LoopCount(std::int16_t count);
    std::optional<int> loopCount() const { return assemblySettings_.loopCount; }

    // Version of the GIF to be written. The file is always GIF89a: the loop block, delays and
    // transparency of an animation need it. The text is kept for anyone who asks.
    void GifVersion(const QString& version) { gifVersion_ = version; }
    QString gifVersion() const { return gifVersion_; }

    // Appends a frame: a one-image GIF, or an empty name for a frame without picture, which keeps
    // its place and delay and shows the previous frame's picture. Files are read by SaveAnimation.
    void AddFrame(const QString& fileName);
    int addedFrameCount() const { return static_cast<int>(frames_.size()); }

    // Delay of frame `index` (0-based) in hundredths of a second, held to 0..65535. A frame whose
    // delay is never set keeps 10 (a tenth of a second). InvalidArgument for an index outside the
    // frames added so far.
    Status SetFrameDelay(int index, int delayCentiseconds);
    int frameDelay(int index) const;

    // Writes the added frames as one animated GIF (see AnimationAssembler::save). SaveProgress is
    // raised with rising percentages while the file is written and with exactly one 100 once it
    // is complete under `outputFile`; a failed save raises no 100 and reports its error here.
    Status SaveAnimation(const QString& outputFile);
    void setSaveProgressHandler(std::function<void(int percent)> handler) { saveProgress_ = std::move(handler); }

    // ---- playing ---------------------------------------------------------------------------

    // Loads an animated GIF for display, replacing anything loaded before, and shows its first
    // frame, paused. On failure the instance holds no GIF (FrameCount() is 0).
    Status LoadGif(const QString& fileName);
    // LoadGif for a GIF opened beforehand with GifDecoder::openFile, for example on another
    // thread: the instance takes the decoder over, or holds no GIF and returns the error.
    Status loadOpenedGif(Result<GifDecoder> opened);
    bool hasGif() const { return decoder_ != nullptr; }
    // The loaded GIF opened again, for a worker that takes its frames apart while this one plays
    // on: see GifDecoder::reopener. Empty without a GIF.
    std::function<Result<GifDecoder>()> gifReopener() const;

    int FrameCount() const;
    int GifWidth() const;
    int GifHeight() const;
    // The loop block of the loaded GIF, as stored: nullopt when it has none.
    std::optional<int> gifLoopCount() const;

    // Whether playback repeats. When true the loaded GIF's own loop block decides, as browsers
    // do: 0 loops for ever, n shows the animation n + 1 times, no block shows it once. When false
    // the animation is shown once. Either way playback then stops on the last frame.
    void LoopPlayback(bool loop) { loopPlayback_ = loop; }
    bool loopPlayback() const { return loopPlayback_; }

    // Starts playing from the current frame; after playback has run out, from the first frame.
    void Play();
    void Pause();
    bool isPlaying() const { return playing_; }

    // Colour drawn where a frame is transparent (0x00BBGGRR).
    void BackColor(std::int32_t colour) { backColor_ = colour; }
    std::int32_t backColor() const { return backColor_; }

    // Writes frame `index` (0-based) of the loaded GIF as a 24-bit BMP, transparent pixels in
    // BackColor, through a temporary file renamed into place. `written`, when given, receives the
    // picture the BMP holds, so it need not be read back (a BMP of any size is written; reading
    // one is limited to kLimits.maxSide a side).
    // Errors: InvalidArgument (no GIF, index out of range), the decoder's errors, FileWriteFailed.
    Status ExtractFrame(int index, const QString& bmpFile, RgbaImage* written = nullptr);

    // Frame `index` of the loaded GIF. The last few frames asked for are kept, so a view that
    // draws the same frame again or plays forward decodes each frame once per pass.
    Result<PlayerFrame> frame(int index);

    // The frame playback stands on and how long it is shown.
    int currentFrameIndex() const { return current_; }
    Result<PlayerFrame> currentFrame() { return frame(current_); }
    int currentDelayMilliseconds();

    // Stands playback on frame `index` (0-based, held to the GIF's frames), playing or paused as
    // it was; the passes through the animation are counted afresh from there.
    void showFrame(int index);

    // Moves playback on by one frame, wrapping to the first frame while loops remain. Returns
    // false (and stops playing) when the animation has run out or nothing is playing.
    bool advance();

    // Called when the frame to show changes (load, advance, Play from the start, ClearFrames).
    void setFrameChangedHandler(std::function<void()> handler) { frameChanged_ = std::move(handler); }

    // Delays below 2/100 s play as 10/100 s, as browsers play them.
    static int effectiveDelayCentiseconds(int storedDelay) { return playedDelayCentiseconds(storedDelay); }

    // ---- converting ------------------------------------------------------------------------

    // The AVI name comes first in both, as the windows pass them. Either call writes its target
    // through a temporary file renamed into place, so a failed conversion leaves no half file and
    // an earlier file of that name as it was. Neither touches the loaded GIF or the frame list.
    // AviToGif: every frame of the AVI's video, looping for ever, delays from the frame times.
    // GifToAvi: the GIF's frames as shown (transparent pixels in BackColor), at a constant frame
    // rate that keeps their timing.
    Status AviToGif(const QString& aviFile, const QString& gifFile);
    Status GifToAvi(const QString& aviFile, const QString& gifFile);
    // ConvertProgress: percent while AviToGif or GifToAvi runs; 100 or more means done. On a
    // failed conversion no event of 100 comes: the call returns the error instead.
    void setConvertProgressHandler(std::function<void(int percent)> handler) { convertProgress_ = std::move(handler); }

private:
    void unloadGif();
    void notifyFrameChanged() const;

    // assembling
    std::vector<AnimationFrameSource> frames_;
    AnimationSettings assemblySettings_;
    QString gifVersion_ = QStringLiteral("gif89a");
    std::function<void(int)> saveProgress_;
    std::function<void(int)> convertProgress_;

    // playing
    std::unique_ptr<GifDecoder> decoder_;
    std::deque<PlayerFrame> cache_;
    bool loopPlayback_ = false;
    bool playing_ = false;
    int current_ = 0;
    int passesShown_ = 0;  // complete passes through the animation since playback started
    bool ranOut_ = false;  // playback stopped on the last frame after its last pass
    std::int32_t backColor_ = 0xFFFFFF;  // white until told otherwise
    std::function<void()> frameChanged_;
};

}  // namespace pictoreel
