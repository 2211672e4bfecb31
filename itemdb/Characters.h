#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The program's one UTF-8 validator, UTF-8 writer and ASCII case-insensitive comparison: pages,
// headers and addresses are all read with these. (The sample site and the fuzz oracles keep
// checks of their own on purpose: they stand for the other side of the conversation, and a
// mistake here must not be repeated there.)

namespace velmora {

/// Length of the well-formed UTF-8 sequence at the start of `text`, with `valid` true; or, when
/// it is ill-formed, the length of its maximal subpart (at least 1) with `valid` false, so that
/// one U+FFFD can stand for each such subpart, as browsers count them. Overlong forms,
/// surrogates and code points past U+10FFFF are ill-formed. `text` must not be empty.
std::size_t utf8SequenceLength(std::string_view text, bool &valid);

/// Number of bytes at the start of `text` that form well-formed UTF-8.
std::size_t validUtf8Prefix(std::string_view text);

inline bool isValidUtf8(std::string_view text) { return validUtf8Prefix(text) == text.size(); }

/// `text` as well-formed UTF-8: each ill-formed subpart (utf8SequenceLength) becomes one U+FFFD.
std::string withReplacementCharacters(std::string_view text);

/// Appends the UTF-8 bytes of one code point (below U+110000, not a surrogate).
void appendUtf8(std::string &out, char32_t codePoint);

/// 'A'…'Z' as 'a'…'z'; every other byte as it is (no locale, no UTF-8).
constexpr char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

/// Whether the texts are equal when ASCII letters are compared without case ("HTTP" == "http").
bool equalsAsciiNoCase(std::string_view a, std::string_view b);

/// Whether `text` begins with `prefix`, ASCII letters compared without case.
inline bool startsWithAsciiNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

} // namespace velmora
