// Enhanced metafiles (.emf): recognising one by its header record and reading the size it is
// drawn at from that header, without playing a record.
#pragma once

#include "core/base/header_bytes.h"
#include "core/formats/picture_size.h"

#include <optional>

namespace pictoreel {

// Record type 1 (the header), a sane record size and the " EMF" signature at offset 40.
bool looksLikeEmf(const HeaderBytes& bytes);

// The picture frame of the header (rclFrame, in 0.01 mm) in the reference device's pixels
// (szlDevice pixels for szlMillimeters), at least one pixel a side; the bounds (rclBounds, in
// device pixels) when the frame is empty. nullopt when the header is cut short or says nothing
// usable. Sides beyond int are clamped, so the limits refuse them.
std::optional<PictureSize> emfSize(const HeaderBytes& bytes);

}  // namespace pictoreel
