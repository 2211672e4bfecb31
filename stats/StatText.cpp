#include "stats/StatText.h"

namespace velmora {

std::string buildStatText(const StatValues &values)
{
    std::string text;
    for (std::size_t i = 0; i < statCount; ++i) {
        const std::optional<std::string> &value = values.values[i];
        if (!value || value->empty())
            continue;
        text += statLabels[i];
        text += *value;
        text += ' ';
    }
    return text;
}

} // namespace velmora
