#pragma once

#include <algorithm>
#include <array>

#include "stats/ExpectedStats.h"

namespace velmora {

/// The player's own weight for each of the thirteen stats, in label order, from which the ranking
/// scores a hit: 근공력 1 and 힘 0.5 score a change of 근공력 +3.2 and 힘 +16 as 11.2. A weight of 0
/// means the stat does not count; any finite number is a weight, negative ones included.
struct StatWeights {
    std::array<double, statLabelCount> weight{};

    /// Whether any stat counts: without one there is no score.
    bool any() const
    {
        return std::any_of(weight.begin(), weight.end(), [](double w) { return w != 0; });
    }
    bool operator==(const StatWeights &) const = default;
};

} // namespace velmora
