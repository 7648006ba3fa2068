#include "core/media/large_picture_work.h"

namespace pictoreel {

std::unique_lock<std::mutex> oneLargePictureAtATime(std::int64_t pixels)
{
    static std::mutex largePictureWork;
    return pixels > kLargePicturePixels ? std::unique_lock(largePictureWork) : std::unique_lock<std::mutex>();
}

}  // namespace pictoreel
