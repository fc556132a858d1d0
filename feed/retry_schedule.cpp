#include "feed/retry_schedule.h"

namespace tavolo::feed {

std::chrono::seconds retryDelay(unsigned failures) noexcept
{
    constexpr long kLongest = 30;
    if (failures >= 5)
        return std::chrono::seconds(kLongest);
    return std::chrono::seconds(1L << failures);
}

}  // namespace tavolo::feed
