// Work on very large pictures, one at a time.
#pragma once

#include <cstdint>
#include <mutex>

namespace pictoreel {

// Pictures of more pixels than this do not fit ImageMagick's memory budget (8 bytes a pixel, see
// magick_codec.cpp), which is one for the whole process, and their working copies are large too.
// Work on them is done one picture at a time: a make converting frames on several threads would
// otherwise hold several large pictures in the making at once, and two pictures sharing the
// budget could both fail.
inline constexpr std::int64_t kLargePicturePixels = 16'000'000;

// Holds the one lock for work on large pictures while the result lives, when `pixels` is more
// than kLargePicturePixels; for smaller pictures it holds nothing. Decoding takes it itself;
// whoever takes it must not decode while holding it.
std::unique_lock<std::mutex> oneLargePictureAtATime(std::int64_t pixels);

}  // namespace pictoreel
