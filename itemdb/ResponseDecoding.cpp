#include "itemdb/ResponseDecoding.h"

#include "itemdb/Characters.h"
#include "itemdb/CodePageTable.h"

#include <array>
#include <cstddef>
#include <optional>

namespace velmora {

namespace {

constexpr std::string_view utf8ByteOrderMark = "\xEF\xBB\xBF";

// A page declares its character set with a <meta> tag near its top; browsers look no further
// than this many bytes, and neither do we.
constexpr std::size_t metaScanLimit = 1024;

// The Korean names under which sites declare EUC-KR. Sites that say EUC-KR really send the
// Windows superset (code page 949): iconv's own EUC-KR would drop the lead byte of syllables
// such as 똠 (8C 63) and keep only the trail, so all of them are decoded as CP949.
constexpr std::array koreanCharsetNames = {
    std::string_view("euc-kr"),          std::string_view("x-euc-kr"),
    std::string_view("cseuckr"),         std::string_view("ks_c_5601-1987"),
    std::string_view("ks_c_5601-1989"),  std::string_view("ksc5601"),
    std::string_view("ksc_5601"),        std::string_view("csksc56011987"),
    std::string_view("iso-ir-149"),      std::string_view("korean"),
    std::string_view("cp949"),           std::string_view("ms949"),
    std::string_view("uhc"),             std::string_view("windows-949"),
    std::string_view("x-windows-949"),
};

enum class Decoder { utf8, platform };

struct Charset {
    Decoder decoder = Decoder::utf8;
    std::string name; // for Decoder::platform: the lower-case name PlatformCharset::open takes
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = asciiLower(c);
    return out;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// ---- legacy character sets ------------------------------------------------------------------

std::string decodeCharset(const std::string &name, std::string_view body)
{
    if (name == "cp949")
        if (const PlatformCharset *cp949 = PlatformCharset::cp949())
            return cp949->decode(body);
    if (const auto charset = PlatformCharset::open(name))
        return charset->decode(body);
    return withReplacementCharacters(body);
}

// ---- finding the declared character set -----------------------------------------------------

// The value of a `charset=` parameter in a media type such as `text/html; charset="euc-kr"`.
std::optional<std::string> charsetParameter(std::string_view mediaType)
{
    std::size_t at = mediaType.find(';');
    while (at != std::string_view::npos && at < mediaType.size()) {
        ++at; // past ';'
        while (at < mediaType.size() && isSpace(mediaType[at]))
            ++at;
        const std::size_t nameEnd = mediaType.find_first_of("=;", at);
        if (nameEnd == std::string_view::npos)
            return std::nullopt;
        if (mediaType[nameEnd] == ';') {
            at = nameEnd;
            continue;
        }
        const std::string name = lowered(trimmed(mediaType.substr(at, nameEnd - at)));
        std::size_t valueAt = nameEnd + 1;
        while (valueAt < mediaType.size() && isSpace(mediaType[valueAt]))
            ++valueAt;

        std::string value;
        if (valueAt < mediaType.size() && (mediaType[valueAt] == '"' || mediaType[valueAt] == '\'')) {
            const char quote = mediaType[valueAt++];
            while (valueAt < mediaType.size() && mediaType[valueAt] != quote) {
                if (mediaType[valueAt] == '\\' && valueAt + 1 < mediaType.size())
                    ++valueAt;
                value += mediaType[valueAt++];
            }
            at = mediaType.find(';', valueAt);
        } else {
            const std::size_t valueEnd = mediaType.find(';', valueAt);
            value = trimmed(mediaType.substr(valueAt, valueEnd == std::string_view::npos ? std::string_view::npos
                                                                                          : valueEnd - valueAt));
            at = valueEnd;
        }
        if (name == "charset")
            return std::string(trimmed(value));
    }
    return std::nullopt;
}

struct Attribute {
    std::string name; // lower case
    std::string_view value;
};

// Reads one attribute of a tag starting at `at`; advances `at`. Nullopt at the tag's end ('>')
// or when the text runs out first.
std::optional<Attribute> nextAttribute(std::string_view text, std::size_t &at)
{
    while (at < text.size() && (isSpace(text[at]) || text[at] == '/'))
        ++at;
    if (at >= text.size() || text[at] == '>')
        return std::nullopt;

    const std::size_t nameAt = at;
    while (at < text.size() && !isSpace(text[at]) && text[at] != '=' && text[at] != '>' && text[at] != '/')
        ++at;
    Attribute attribute{lowered(text.substr(nameAt, at - nameAt)), {}};
    while (at < text.size() && isSpace(text[at]))
        ++at;
    if (at >= text.size() || text[at] != '=')
        return attribute;
    ++at;
    while (at < text.size() && isSpace(text[at]))
        ++at;
    if (at >= text.size())
        return std::nullopt;

    if (text[at] == '"' || text[at] == '\'') {
        const char quote = text[at++];
        const std::size_t end = text.find(quote, at);
        if (end == std::string_view::npos)
            return std::nullopt;
        attribute.value = text.substr(at, end - at);
        at = end + 1;
    } else {
        const std::size_t valueAt = at;
        while (at < text.size() && !isSpace(text[at]) && text[at] != '>')
            ++at;
        attribute.value = text.substr(valueAt, at - valueAt);
    }
    return attribute;
}

// `charset=...` inside the content attribute of <meta http-equiv="Content-Type">.
std::optional<std::string> charsetInContent(std::string_view content)
{
    const std::string low = lowered(content);
    std::size_t at = low.find("charset");
    while (at != std::string::npos) {
        std::size_t valueAt = at + 7;
        while (valueAt < low.size() && isSpace(low[valueAt]))
            ++valueAt;
        if (valueAt < low.size() && low[valueAt] == '=') {
            ++valueAt;
            while (valueAt < low.size() && isSpace(low[valueAt]))
                ++valueAt;
            std::string_view rest = content.substr(valueAt);
            if (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) {
                const char quote = rest.front();
                rest.remove_prefix(1);
                const std::size_t end = rest.find(quote);
                if (end == std::string_view::npos)
                    return std::nullopt;
                return std::string(rest.substr(0, end));
            }
            const std::size_t end = rest.find_first_of("; \t\r\n\f");
            return std::string(rest.substr(0, end));
        }
        at = low.find("charset", at + 7);
    }
    return std::nullopt;
}

// The character set a page declares in a <meta> tag within its first bytes. Comments are
// skipped, so a commented-out declaration does not count.
std::optional<std::string> metaCharset(std::string_view body)
{
    const std::string_view head = body.substr(0, metaScanLimit);
    std::size_t at = 0;
    while ((at = head.find('<', at)) != std::string_view::npos) {
        const std::string_view rest = head.substr(at);
        if (rest.starts_with("<!--")) {
            const std::size_t end = head.find("-->", at + 4);
            if (end == std::string_view::npos)
                return std::nullopt;
            at = end + 3;
            continue;
        }
        if (!startsWithAsciiNoCase(rest, "<meta") || rest.size() < 6 || !(isSpace(rest[5]) || rest[5] == '/')) {
            ++at;
            continue;
        }

        std::size_t attributeAt = at + 5;
        std::optional<std::string> charset;
        std::optional<std::string> contentCharset;
        bool contentTypeEquiv = false;
        while (auto attribute = nextAttribute(head, attributeAt)) {
            if (attribute->name == "charset" && !charset)
                charset = std::string(trimmed(attribute->value));
            else if (attribute->name == "http-equiv")
                contentTypeEquiv = lowered(trimmed(attribute->value)) == "content-type";
            else if (attribute->name == "content" && !contentCharset)
                contentCharset = charsetInContent(attribute->value);
        }
        if (charset && !charset->empty())
            return charset;
        if (contentTypeEquiv && contentCharset && !contentCharset->empty())
            return contentCharset;
        at = attributeAt;
    }
    return std::nullopt;
}

// The decoder for a declared name; nullopt when the name is empty, not a plain charset name, or
// unknown to the platform, which all count as no declaration.
std::optional<Charset> charsetNamed(std::string_view declared)
{
    const std::string name = lowered(trimmed(declared));
    if (name.empty())
        return std::nullopt;
    if (name == "utf-8" || name == "utf8" || name == "unicode-1-1-utf-8")
        return Charset{Decoder::utf8, {}};
    for (std::string_view korean : koreanCharsetNames)
        if (name == korean)
            return Charset{Decoder::platform, "cp949"};
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                           c == '.' || c == ':' || c == '+';
        if (!plain) // keeps iconv suffixes such as "//TRANSLIT" out of the conversion
            return std::nullopt;
    }
    if (!PlatformCharset::open(name))
        return std::nullopt;
    return Charset{Decoder::platform, name};
}

std::optional<Charset> declaredCharset(std::string_view body, std::string_view contentType)
{
    if (auto declared = charsetParameter(contentType))
        if (auto charset = charsetNamed(*declared))
            return charset;
    if (auto declared = metaCharset(body)) {
        auto charset = charsetNamed(*declared);
        // A page that could be read as ASCII to find its own tag is not UTF-16, whatever the tag
        // says.
        if (charset && charset->decoder == Decoder::platform && charset->name.starts_with("utf-16"))
            charset = Charset{Decoder::utf8, {}};
        return charset;
    }
    return std::nullopt;
}

} // namespace

std::string decodeResponse(std::string_view body, std::string_view contentType)
{
    // A byte order mark is the surest sign there is; browsers let it override any declaration.
    if (body.starts_with(utf8ByteOrderMark))
        return withReplacementCharacters(body.substr(utf8ByteOrderMark.size()));

    if (const auto charset = declaredCharset(body, contentType))
        return charset->decoder == Decoder::utf8 ? withReplacementCharacters(body) : decodeCharset(charset->name, body);

    // Nothing usable declared: pages that are valid UTF-8 are taken as such, anything else as the
    // Korean Windows code page, which old Korean sites send without saying so.
    if (validUtf8Prefix(body) == body.size())
        return withReplacementCharacters(body);
    return decodeCharset("cp949", body);
}

} // namespace velmora
