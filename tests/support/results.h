// Checking the outcome of core operations in tests. Header-only.
#pragma once

#include "core/base/error.h"

namespace pictoreel::testing {

// The error code of a failed Result or Status; ErrorCode{} when it succeeded.
template <class Outcome>
ErrorCode codeOf(const Outcome& outcome)
{
    return outcome ? ErrorCode{} : outcome.error().code;
}

}  // namespace pictoreel::testing
