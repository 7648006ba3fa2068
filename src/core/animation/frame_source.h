// Reading the frame files of an animation: each is a one-image GIF, shown as a viewer shows it.
#pragma once

#include "core/base/error.h"
#include "core/animation/picture.h"

namespace pictoreel::animation {

// A frame file's first image as a viewer shows it on that file's screen, placed at the top left
// corner of a width x height screen: clipped, or padded with transparency. A width of 0 takes the
// file's screen size. `reuse` lends its buffer. The picture keeps the image as stored when that
// image alone makes every pixel of the screen. An opaque image stored that way is not decoded
// here: ensureDecoded does that when its pixels are needed. `indices`, when not null, are those
// of the file's first image, as the maker of the file wrote them: they are taken instead of
// decoding the image. Errors name the frame by its 1-based `position` and its file.
Result<Picture> readFramePicture(const QString& path, int position, int width, int height, Picture reuse,
                                 std::shared_ptr<const std::vector<std::uint8_t>> indices = nullptr);

// Fills in the pixels of a picture read without decoding.
Status ensureDecoded(Picture& picture);

// Whether `s` can be copied as the whole picture of a width x height screen.
bool copiable(const GifStoredImage& s, int width, int height);

}  // namespace pictoreel::animation
