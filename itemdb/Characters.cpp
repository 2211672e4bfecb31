#include "itemdb/Characters.h"

namespace velmora {

std::size_t utf8SequenceLength(std::string_view text, bool &valid)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    valid = true;
    if (lead < 0x80)
        return 1;

    std::size_t length = 0;
    unsigned char low = 0x80;  // range of the first continuation byte, which excludes overlong
    unsigned char high = 0xBF; // forms, surrogates and code points past U+10FFFF
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        valid = false;
        return 1;
    }

    for (std::size_t i = 1; i < length; ++i) {
        if (i >= text.size() || byte(i) < low || byte(i) > high) {
            valid = false;
            return i;
        }
        low = 0x80;
        high = 0xBF;
    }
    return length;
}

std::size_t validUtf8Prefix(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size()) {
        // Plain ASCII is by far the most common; step over it without the full check.
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        bool valid = false;
        const std::size_t length = utf8SequenceLength(text.substr(at), valid);
        if (!valid)
            break;
        at += length;
    }
    return at;
}

std::string withReplacementCharacters(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const std::size_t good = validUtf8Prefix(text);
        out.append(text.substr(0, good));
        text.remove_prefix(good);
        if (text.empty())
            break;
        bool valid = false;
        out.append("\xEF\xBF\xBD"); // U+FFFD
        text.remove_prefix(utf8SequenceLength(text, valid));
    }
    return out;
}

void appendUtf8(std::string &out, char32_t codePoint)
{
    const auto byte = [&out](char32_t bits) { out += static_cast<char>(bits); };
    if (codePoint < 0x80) {
        byte(codePoint);
    } else if (codePoint < 0x800) {
        byte(0xC0 | (codePoint >> 6));
        byte(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        byte(0xE0 | (codePoint >> 12));
        byte(0x80 | ((codePoint >> 6) & 0x3F));
        byte(0x80 | (codePoint & 0x3F));
    } else {
        byte(0xF0 | (codePoint >> 18));
        byte(0x80 | ((codePoint >> 12) & 0x3F));
        byte(0x80 | ((codePoint >> 6) & 0x3F));
        byte(0x80 | (codePoint & 0x3F));
    }
}

bool equalsAsciiNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

} // namespace velmora
