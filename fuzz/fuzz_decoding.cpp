// The input up to its first line feed is the Content-Type header, the rest the body (no line
// feed: no header, all body). Whatever charset is declared or guessed, the decoded text must be
// valid UTF-8, and decoding the same response twice must give the same text.

#include "FuzzSupport.h"
#include "itemdb/ResponseDecoding.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace velmora;
using namespace velmora::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input = asText(data, size);
    const std::size_t lineEnd = input.find('\n');
    const bool hasHeader = lineEnd != std::string_view::npos;
    const std::string_view contentType = hasHeader ? input.substr(0, lineEnd) : std::string_view();
    const std::string_view body = hasHeader ? input.substr(lineEnd + 1) : input;

    const std::string text = decodeResponse(body, contentType);
    require(isValidUtf8(text), "the decoded text is UTF-8", text);
    require(decodeResponse(body, contentType) == text, "decoding keeps no state between responses");
    if (isValidUtf8(body) && !body.starts_with("\xEF\xBB\xBF") && contentType.empty() && !contains(body, "<"))
        require(text == body, "undeclared UTF-8 stays as it is", text);
    return 0;
}
