// The input as UTF-16 code units (pairs of bytes, little-endian; lone surrogates included).
// The encoding must be "%XX" groups only, uppercase hex, and the bytes they spell must be the
// UTF-8 of the input, with U+FFFD for every unpaired surrogate.

#include "FuzzSupport.h"
#include "itemdb/URLEncode.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // lowercase hex is refused too
}

// Code points of strict UTF-8 (validated before).
std::u32string codePointsOf(const std::string &utf8)
{
    std::u32string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t cp = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
        for (std::size_t k = 1; k < length; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        out.push_back(cp);
        i += length;
    }
    return out;
}

// What the input means: pairs joined, every unpaired surrogate replaced.
std::u32string expectedCodePoints(const std::u16string &units)
{
    std::u32string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00
            && units[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(units[i + 1]) - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out.push_back(0xFFFD);
        } else {
            out.push_back(unit);
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::u16string units;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

    const std::string encoded = URLEncode(units);
    require(encoded.empty() == units.empty(), "empty exactly for the empty term", encoded);
    require(encoded.size() % 3 == 0, "three characters per byte", encoded);

    std::string bytes;
    for (std::size_t i = 0; i < encoded.size(); i += 3) {
        const int high = hexValue(encoded[i + 1]);
        const int low = hexValue(encoded[i + 2]);
        require(encoded[i] == '%' && high >= 0 && low >= 0, "only %XX groups with uppercase hex",
                encoded.substr(i, 3));
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    require(isValidUtf8(bytes), "the escaped bytes are UTF-8", encoded);
    require(codePointsOf(bytes) == expectedCodePoints(units), "the escaped bytes spell the term", encoded);
    return 0;
}
