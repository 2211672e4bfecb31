#include "itemdb/URLEncode.h"

#include "itemdb/Characters.h"

#include <cstdint>
#include <exception>

namespace velmora {

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Appends one byte as "%" and two uppercase hex digits ("%09", never "%9").
void appendEscaped(std::string &out, std::uint8_t byte)
{
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    out.push_back('%');
    out.push_back(hexDigits[byte >> 4]);
    out.push_back(hexDigits[byte & 0x0F]);
}

} // namespace

std::string URLEncode(std::u16string_view text)
{
    // The search goes out with an empty term rather than with half of one: whatever goes
    // wrong (in practice only running out of memory) gives "", never a partial encoding.
    try {
        std::string out;
        out.reserve(text.size() * 9); // at most 3 UTF-8 bytes per code unit, 3 chars per byte
        std::string bytes;            // one code point's; never past the small-string buffer
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t unit = text[i];
            char32_t cp = unit;
            if (isHighSurrogate(unit)) {
                if (i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
                    cp = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
                    ++i;
                } else {
                    cp = replacementCharacter;
                }
            } else if (isLowSurrogate(unit)) {
                cp = replacementCharacter;
            }
            bytes.clear();
            appendUtf8(bytes, cp);
            for (const char byte : bytes)
                appendEscaped(out, static_cast<std::uint8_t>(byte));
        }
        return out;
    } catch (const std::exception &) {
        return {};
    }
}

} // namespace velmora
