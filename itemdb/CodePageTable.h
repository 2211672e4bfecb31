#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// A legacy character set of single bytes and lead/trail byte pairs (CP949 and the other
/// Windows code pages), decoded through a table filled once from the platform's own converter.
/// Decoding then costs the same per byte whether the page is clean or garbage, where one
/// converter call per broken byte would not.
class CodePageTable {
public:
    /// What the platform's converter makes of one or two bytes.
    struct Probe {
        /// The one code point the bytes are, or `none`.
        char32_t codePoint = none;
        /// For a single byte: it starts a pair, and the converter wants the next byte.
        bool wantsMore = false;
    };
    static constexpr char32_t none = 0xFFFFFFFF;

    /// Fills the table by asking `probe` about every byte and every pair that starts with a lead
    /// byte. Nullptr when no byte converts at all (the converter does not know the set).
    static std::unique_ptr<CodePageTable> build(const std::function<Probe(std::string_view)> &probe);

    /// `body` as UTF-8. A byte that is neither a character nor the start of a valid pair becomes
    /// one U+FFFD and the next byte is read afresh, so the ASCII after a stray lead byte survives;
    /// a lead byte cut off at the end becomes one U+FFFD.
    std::string decode(std::string_view body) const;

private:
    std::array<char32_t, 256> m_single{};
    std::array<bool, 256> m_lead{};
    std::vector<char32_t> m_pairs; // indexed by lead << 8 | trail
};

/// The platform's conversion of one legacy character set to UTF-8: glibc's iconv on Linux,
/// Windows' code pages (MultiByteToWideChar) on Windows, UTF-16 and UTF-32 included on both.
class PlatformCharset {
public:
    /// The converter for `name` (lower case, a plain charset name such as "iso-8859-1" or
    /// "windows-1252"); nullptr when the platform knows no such set.
    static std::unique_ptr<PlatformCharset> open(const std::string &name);
    /// CP949, the set Korean sites use, made once; nullptr only when the platform lacks it.
    static const PlatformCharset *cp949();

    virtual ~PlatformCharset() = default;
    /// `body` as valid UTF-8: every byte the set cannot take becomes one U+FFFD and decoding goes
    /// on with the next byte; a sequence cut off at the end becomes one U+FFFD.
    virtual std::string decode(std::string_view body) const = 0;
};

} // namespace velmora
