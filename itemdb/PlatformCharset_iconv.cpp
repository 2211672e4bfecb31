// Legacy character sets through glibc's iconv: CP949 through a table iconv fills once, every
// other set iconv knows through iconv itself.
#include "itemdb/CodePageTable.h"

#include "itemdb/Characters.h"

#include <iconv.h>

#include <bit>
#include <cerrno>

namespace velmora {

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD"; // U+FFFD

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
class IconvCharset final : public PlatformCharset {
public:
    explicit IconvCharset(std::string name) : m_name(std::move(name)) {}

    std::string decode(std::string_view body) const override
    {
        IconvHandle converter(m_name);
        if (!converter.ok())
            return withReplacementCharacters(body);

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
        // Some of glibc's converters (its UTF-8 under a spelling such as "utf+8", the UCS-4
        // family) pass code points beyond U+10FFFF through; the text leaves here as valid UTF-8
        // regardless.
        return withReplacementCharacters(out);
    }

private:
    std::string m_name;
};

class TableCharset final : public PlatformCharset {
public:
    explicit TableCharset(std::unique_ptr<CodePageTable> table) : m_table(std::move(table)) {}
    std::string decode(std::string_view body) const override { return m_table->decode(body); }

private:
    std::unique_ptr<CodePageTable> m_table;
};

std::unique_ptr<PlatformCharset> makeCp949()
{
    constexpr const char *utf32 = std::endian::native == std::endian::little ? "UTF-32LE" : "UTF-32BE";
    IconvHandle converter("CP949", utf32);
    if (!converter.ok())
        return nullptr;
    // The one code point iconv makes of exactly these bytes; `wantsMore` when iconv wants
    // another byte.
    auto table = CodePageTable::build([&converter](std::string_view bytes) {
        char input[2] = {};
        bytes.copy(input, sizeof input);
        char *in = input;
        std::size_t inLeft = bytes.size();
        char32_t output[2] = {};
        char *out = reinterpret_cast<char *>(output);
        std::size_t outLeft = sizeof output;
        const std::size_t result = iconv(converter.get(), &in, &inLeft, &out, &outLeft);
        CodePageTable::Probe probe;
        probe.wantsMore = result == static_cast<std::size_t>(-1) && errno == EINVAL;
        iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
        if (result != static_cast<std::size_t>(-1) && inLeft == 0 && outLeft == sizeof output - sizeof(char32_t))
            probe.codePoint = output[0];
        return probe;
    });
    if (!table)
        return nullptr;
    return std::make_unique<TableCharset>(std::move(table));
}

// The one CP949 table, under a converter of its own.
class Cp949Charset final : public PlatformCharset {
public:
    std::string decode(std::string_view body) const override { return cp949()->decode(body); }
};

} // namespace

std::unique_ptr<PlatformCharset> PlatformCharset::open(const std::string &name)
{
    if (name == "cp949")
        return cp949() ? std::make_unique<Cp949Charset>() : nullptr;
    if (!IconvHandle(name).ok())
        return nullptr;
    return std::make_unique<IconvCharset>(name);
}

const PlatformCharset *PlatformCharset::cp949()
{
    static const std::unique_ptr<PlatformCharset> charset = makeCp949();
    return charset.get();
}

} // namespace velmora
