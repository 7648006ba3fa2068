// The last step of every make: putting the finished animation at the output. Every way of making
// ends with an animation ready in the temp folder, a copy kept from an earlier make or a file made
// now; this is the one place that writes the output file.
#pragma once

#include "core/base/error.h"

#include <QString>

#include <functional>

namespace pictoreel {

// The error of a make stopped on request.
Error makeCancelled();

struct ReadyAnimation {
    QString file;
    // A copy kept from an earlier make: copied to the output, and it stays as it is.
    bool kept = false;
    // For a file made now: the kept copy it becomes once it is at the output (empty: it is not
    // kept, and it is moved to the output when that can be done, or copied and removed).
    QString keepAs;
};

// Puts `ready` at `output` (replacing an earlier file there only once the new one is complete, with
// that file's permissions) and tells `progress` 100 once it is there. A stop asked for before
// leaves the output alone (Cancelled). A file made now is never left behind: it is at the output,
// kept, or removed. Errors: Cancelled, FileReadFailed for a kept copy that is gone or damaged (see
// copyCachedAnimation), FileWriteFailed with the system's reason.
Status placeOutput(const ReadyAnimation& ready, const QString& output, const std::function<bool()>& stopRequested,
                   const std::function<void(int)>& progress);

}  // namespace pictoreel
