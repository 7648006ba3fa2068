// The frame values a new project starts with: "50", transparent in white, as always, except that
// the user's last choice of "Transparent" is kept in the settings file ([New Frames] Transparent,
// written only once the user has ticked or unticked the box) and wins from then on.
#pragma once

#include "core/project/frame_list.h"

#include <QString>

namespace pictoreel {

NewFrameValues newFrameValues(const QString& settingsFile);
void rememberNewFramesTransparent(bool transparent, const QString& settingsFile);

}  // namespace pictoreel
