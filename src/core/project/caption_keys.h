// The captions of a project in its file: their number as "Captions" in "Global Properties", and
// each in a section of its own, "Caption 1", "Caption 2", ..., one key a value. A project without
// captions has none of these, so it is written as it was before captions were kept.
#pragma once

#include "core/base/error.h"
#include "core/project/caption_layer.h"

namespace pictoreel {

class IniDocument;

// Whether every caption can be kept as written: InvalidArgument, naming the caption, for a text
// that would need more than a line's value holds.
Status checkCaptionsKeepable(const CaptionLayers& captions);

// Writes `captions` (those with text, numbered in order) and removes what an earlier save left
// of more captions or of a key no longer set. Leaves the document as it is when it holds none and
// `captions` have no text.
void writeCaptionKeys(IniDocument& document, const CaptionLayers& captions);

// The captions of a project file; a section that is missing or has no text is left out, a value
// that is not one of its kind (a hand-edited number, colour or place) is the default's.
CaptionLayers readCaptionKeys(const IniDocument& document);

}  // namespace pictoreel
