#include "stats/TextCut.h"

namespace velmora {

std::optional<std::string_view> piece(std::string_view text, std::string_view marker, std::size_t k)
{
    if (text.empty())
        return std::nullopt;
    if (marker.empty()) // never occurs: the text is its only piece
        return k == 0 ? std::optional<std::string_view>(text) : std::nullopt;

    std::size_t start = 0;
    for (std::size_t i = 0; i < k; ++i) {
        const std::size_t found = text.find(marker, start);
        if (found == std::string_view::npos)
            return std::nullopt;
        start = found + marker.size();
    }
    const std::size_t end = text.find(marker, start);
    return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::string_view before(std::string_view text, std::string_view marker)
{
    if (marker.empty())
        return text;
    return text.substr(0, text.find(marker));
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return std::string(text);
    std::string result;
    result.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t found = text.find(from); found != std::string_view::npos;
         found = text.find(from, start)) {
        result.append(text, start, found - start);
        result.append(to);
        start = found + from.size();
    }
    result.append(text, start);
    return result;
}

} // namespace velmora
