#include "stats/SiteText.h"

#include <cstddef>

namespace velmora {

namespace {

constexpr std::string_view firstStrongIsolate = "\u2068";
constexpr std::string_view popDirectionalIsolate = "\u2069";

// The three isolate openers U+2066, U+2067, U+2068 and their closer U+2069 share their first two
// UTF-8 bytes and differ in the third.
constexpr char isolateLead0 = '\xE2';
constexpr char isolateLead1 = '\x81';
constexpr unsigned char firstIsolateOpener = 0xA6;
constexpr unsigned char lastIsolateOpener = 0xA8;
constexpr unsigned char isolateCloser = 0xA9;

// The length of the paragraph separator starting at `pos` (a character of bidirectional class
// B), 0 when there is none.
std::size_t paragraphSeparatorAt(std::string_view text, std::size_t pos)
{
    const auto c = static_cast<unsigned char>(text[pos]);
    if (c == '\n' || c == '\r' || (c >= 0x1C && c <= 0x1E))
        return 1;
    const std::string_view rest = text.substr(pos);
    if (rest.starts_with("\u0085"))
        return 2;
    if (rest.starts_with("\u2029"))
        return 3;
    return 0;
}

} // namespace

std::string isolate(std::string_view siteText)
{
    std::string text;
    text.reserve(siteText.size() + 2 * firstStrongIsolate.size());
    text += firstStrongIsolate;
    int openIsolates = 0;
    for (std::size_t pos = 0; pos < siteText.size();) {
        if (const std::size_t length = paragraphSeparatorAt(siteText, pos)) {
            text += ' ';
            pos += length;
            continue;
        }
        if (pos + 2 < siteText.size() && siteText[pos] == isolateLead0
            && siteText[pos + 1] == isolateLead1) {
            const auto third = static_cast<unsigned char>(siteText[pos + 2]);
            if (third >= firstIsolateOpener && third <= lastIsolateOpener) {
                ++openIsolates;
            } else if (third == isolateCloser) {
                if (openIsolates == 0) {
                    pos += 3; // would close the wrapper
                    continue;
                }
                --openIsolates;
            }
        }
        text += siteText[pos];
        ++pos;
    }
    for (; openIsolates > 0; --openIsolates)
        text += popDirectionalIsolate;
    text += popDirectionalIsolate;
    return text;
}

} // namespace velmora
