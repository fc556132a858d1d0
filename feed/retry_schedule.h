#pragma once

#include <chrono>

namespace tavolo::feed {

// How long to wait before connection attempt `failures + 1` after `failures`
// failed ones in a row: 1 s, 2 s, 4 s, 8 s, 16 s, then 30 s for good. A
// connection that was accepted starts the count again.
std::chrono::seconds retryDelay(unsigned failures) noexcept;

}  // namespace tavolo::feed
