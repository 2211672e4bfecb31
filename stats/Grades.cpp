#include "stats/Grades.h"

namespace velmora {

std::string_view gradeName(int number)
{
    if (number < 1 || number > gradeCount)
        return {};
    return grades[static_cast<std::size_t>(number - 1)];
}

std::optional<int> gradeNumber(std::string_view name)
{
    for (int i = 0; i < gradeCount; ++i) {
        if (grades[static_cast<std::size_t>(i)] == name)
            return i + 1;
    }
    return std::nullopt;
}

} // namespace velmora
