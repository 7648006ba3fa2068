// Running library code that may crash, hang or eat all memory on hostile input in a child process
// of its own: whatever goes wrong there comes back as an error, and the program goes on.
#pragma once

#include "core/base/error.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace pictoreel {

struct IsolationLimits {
    std::uint64_t memoryBytes;  // the child's address space (not enforced under AddressSanitizer)
    int seconds;                // wall-clock time before the child is ended
};

using IsolatedBytes = std::vector<std::uint8_t>;

// Runs `work` in a forked child within `limits` and gives what it returned. The child must only
// compute: it shares no state with the program after the fork and ends without running exit
// handlers. A crash or an overrun limit is CorruptData saying `what` failed on the file.
Result<IsolatedBytes> runIsolated(const std::function<Result<IsolatedBytes>()>& work, const IsolationLimits& limits,
                                  const QString& what);

}  // namespace pictoreel
