#include "itemdb/ResponseDecoding.h"

#include "itemdb/Characters.h"

#include <iconv.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

namespace velmora {

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD"; // U+FFFD
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

enum class Decoder { utf8, iconv };

struct Charset {
    Decoder decoder = Decoder::utf8;
    std::string iconvName; // for Decoder::iconv
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

// ---- UTF-8 ----------------------------------------------------------------------------------

std::string decodeUtf8(std::string_view body)
{
    std::string out;
    out.reserve(body.size());
    while (!body.empty()) {
        const std::size_t good = validUtf8Prefix(body);
        out.append(body.substr(0, good));
        body.remove_prefix(good);
        if (body.empty())
            break;
        bool valid = false;
        const std::size_t bad = utf8SequenceLength(body, valid);
        out.append(replacementCharacter);
        body.remove_prefix(bad);
    }
    return out;
}

// ---- iconv ----------------------------------------------------------------------------------

class IconvHandle {
public:
    explicit IconvHandle(const std::string &from, const char *to = "UTF-8") : m_cd(iconv_open(to, from.c_str())) {}
    ~IconvHandle()
    {
        if (ok())
            iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle &) = delete;
    IconvHandle &operator=(const IconvHandle &) = delete;

    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Converts the whole body; a byte iconv cannot take becomes U+FFFD and conversion goes on with
// the next byte, so an ASCII byte after a broken lead byte survives. An incomplete sequence at
// the end becomes one U+FFFD.
std::string decodeWithIconv(const std::string &charsetName, std::string_view body)
{
    IconvHandle converter(charsetName);
    if (!converter.ok())
        return decodeUtf8(body);

    std::string out;
    std::size_t used = 0;
    out.resize(body.size() + body.size() / 2 + 16);
    const auto ensureRoom = [&](std::size_t bytes) {
        if (out.size() - used < bytes)
            out.resize(out.size() * 2 + bytes);
    };

    char *in = const_cast<char *>(body.data()); // iconv's signature; it does not write
    std::size_t inLeft = body.size();
    while (inLeft > 0) {
        char *outAt = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t result = iconv(converter.get(), &in, &inLeft, &outAt, &outLeft);
        const int error = errno;
        used = static_cast<std::size_t>(outAt - out.data());
        if (result != static_cast<std::size_t>(-1))
            continue;
        if (error == E2BIG) {
            ensureRoom(out.size());
            continue;
        }
        // EILSEQ, EINVAL (cut off at the end) or anything unexpected: one U+FFFD, skip a byte.
        ensureRoom(replacementCharacter.size());
        out.replace(used, replacementCharacter.size(), replacementCharacter);
        used += replacementCharacter.size();
        if (error == EINVAL || inLeft == 0)
            break;
        ++in;
        --inLeft;
    }
    // Stateful encodings may have output pending at the end.
    ensureRoom(64);
    char *outAt = out.data() + used;
    std::size_t outLeft = out.size() - used;
    iconv(converter.get(), nullptr, nullptr, &outAt, &outLeft);
    used = static_cast<std::size_t>(outAt - out.data());

    out.resize(used);
    // Some of glibc's converters (its UTF-8 under a spelling such as "utf+8", the UCS-4 family)
    // pass code points beyond U+10FFFF through; the text leaves here as valid UTF-8 regardless.
    return decodeUtf8(out);
}

// CP949, the set Korean sites use, is decoded through a table that iconv's own CP949 converter
// fills once: single bytes and lead/trail pairs. Decoding then costs the same per byte whether
// the page is clean or garbage, where one iconv call per broken byte would not.
class Cp949Table {
public:
    // nullptr when iconv has no CP949
    static const Cp949Table *instance()
    {
        static const std::unique_ptr<Cp949Table> table = build();
        return table.get();
    }

    std::string decode(std::string_view body) const
    {
        std::string out;
        out.reserve(body.size() + body.size() / 2);
        std::size_t at = 0;
        while (at < body.size()) {
            const auto byte = static_cast<unsigned char>(body[at]);
            if (m_lead[byte]) {
                if (at + 1 == body.size()) { // cut off after the lead byte
                    out.append(replacementCharacter);
                    break;
                }
                const auto trail = static_cast<unsigned char>(body[at + 1]);
                const char32_t pair = m_pairs[(std::size_t(byte) << 8) | trail];
                if (pair != none) {
                    appendUtf8(out, pair);
                    at += 2;
                    continue;
                }
                // A broken pair costs only its lead byte; the next byte is read afresh, so the
                // ASCII after a stray lead byte survives.
            } else if (m_single[byte] != none) {
                appendUtf8(out, m_single[byte]);
                ++at;
                continue;
            }
            out.append(replacementCharacter);
            ++at;
        }
        return out;
    }

private:
    static constexpr char32_t none = 0xFFFFFFFF;


    // The one code point iconv makes of exactly these bytes, or `none`; sets `incomplete` when
    // iconv wants more bytes.
    static char32_t convert(IconvHandle &converter, std::string_view bytes, bool &incomplete)
    {
        char input[2] = {};
        bytes.copy(input, sizeof input);
        char *in = input;
        std::size_t inLeft = bytes.size();
        char32_t output[2] = {};
        char *out = reinterpret_cast<char *>(output);
        std::size_t outLeft = sizeof output;
        const std::size_t result = iconv(converter.get(), &in, &inLeft, &out, &outLeft);
        incomplete = result == static_cast<std::size_t>(-1) && errno == EINVAL;
        iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
        if (result == static_cast<std::size_t>(-1) || inLeft != 0 || outLeft != sizeof output - sizeof(char32_t))
            return none;
        return output[0];
    }

    static std::unique_ptr<Cp949Table> build()
    {
        constexpr const char *utf32 = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
        IconvHandle converter("CP949", utf32);
        if (!converter.ok())
            return nullptr;
        auto table = std::make_unique<Cp949Table>();
        table->m_pairs.assign(std::size_t(1) << 16, none);
        for (unsigned lead = 0; lead < 256; ++lead) {
            const char leadByte = static_cast<char>(lead);
            bool incomplete = false;
            table->m_single[lead] = convert(converter, std::string_view(&leadByte, 1), incomplete);
            table->m_lead[lead] = incomplete;
            if (!incomplete)
                continue;
            for (unsigned trail = 0; trail < 256; ++trail) {
                const char pair[2] = {leadByte, static_cast<char>(trail)};
                table->m_pairs[(lead << 8) | trail] = convert(converter, std::string_view(pair, 2), incomplete);
            }
        }
        return table;
    }

    std::array<char32_t, 256> m_single{};
    std::array<bool, 256> m_lead{};
    std::vector<char32_t> m_pairs; // indexed by lead << 8 | trail
};

std::string decodeCharset(const std::string &iconvName, std::string_view body)
{
    if (iconvName == "CP949")
        if (const Cp949Table *table = Cp949Table::instance())
            return table->decode(body);
    return decodeWithIconv(iconvName, body);
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
// unknown to iconv, which all count as no declaration.
std::optional<Charset> charsetNamed(std::string_view declared)
{
    const std::string name = lowered(trimmed(declared));
    if (name.empty())
        return std::nullopt;
    if (name == "utf-8" || name == "utf8" || name == "unicode-1-1-utf-8")
        return Charset{Decoder::utf8, {}};
    for (std::string_view korean : koreanCharsetNames)
        if (name == korean)
            return Charset{Decoder::iconv, "CP949"};
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                           c == '.' || c == ':' || c == '+';
        if (!plain) // keeps iconv suffixes such as "//TRANSLIT" out of the conversion
            return std::nullopt;
    }
    if (!IconvHandle(name).ok())
        return std::nullopt;
    return Charset{Decoder::iconv, name};
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
        if (charset && charset->decoder == Decoder::iconv && charset->iconvName.starts_with("utf-16"))
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
        return decodeUtf8(body.substr(utf8ByteOrderMark.size()));

    if (const auto charset = declaredCharset(body, contentType))
        return charset->decoder == Decoder::utf8 ? decodeUtf8(body) : decodeCharset(charset->iconvName, body);

    // Nothing usable declared: pages that are valid UTF-8 are taken as such, anything else as the
    // Korean Windows code page, which old Korean sites send without saying so.
    if (validUtf8Prefix(body) == body.size())
        return decodeUtf8(body);
    return decodeCharset("CP949", body);
}

} // namespace velmora
