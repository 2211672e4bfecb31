// Legacy character sets through Windows' own code pages (MultiByteToWideChar), each decoded
// through a table it fills once, and UTF-16 and UTF-32, which that function does not take.
#include "itemdb/CodePageTable.h"

#include "itemdb/Characters.h"

#include <windows.h>

#include <map>
#include <mutex>

namespace velmora {

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD"; // U+FFFD

// The names sites declare, as Windows numbers the code pages.
struct CodePageName {
    std::string_view name;
    UINT codePage;
};
constexpr CodePageName codePageNames[] = {
    {"cp949", 949},
    {"us-ascii", 20127},     {"ascii", 20127},        {"iso-8859-1", 28591},  {"iso8859-1", 28591},
    {"latin1", 28591},       {"l1", 28591},           {"iso-8859-2", 28592},  {"iso-8859-3", 28593},
    {"iso-8859-4", 28594},   {"iso-8859-5", 28595},   {"iso-8859-6", 28596},  {"iso-8859-7", 28597},
    {"iso-8859-8", 28598},   {"iso-8859-9", 28599},   {"iso-8859-13", 28603}, {"iso-8859-15", 28605},
    {"windows-1250", 1250},  {"windows-1251", 1251},  {"windows-1252", 1252}, {"windows-1253", 1253},
    {"windows-1254", 1254},  {"windows-1255", 1255},  {"windows-1256", 1256}, {"windows-1257", 1257},
    {"windows-1258", 1258},  {"cp1250", 1250},        {"cp1251", 1251},       {"cp1252", 1252},
    {"koi8-r", 20866},       {"koi8-u", 21866},       {"ibm866", 866},        {"cp866", 866},
    {"shift_jis", 932},      {"shift-jis", 932},      {"sjis", 932},          {"windows-31j", 932},
    {"cp932", 932},          {"gbk", 936},            {"gb2312", 936},        {"cp936", 936},
    {"big5", 950},           {"cp950", 950},          {"windows-874", 874},   {"tis-620", 874},
};

// UTF-16 and UTF-32 by name: the width of a unit, and its byte order when the name fixes it.
// "utf-16" and "utf-32" read a byte order mark, big-endian without one.
struct UnicodeName {
    std::string_view name;
    int unitBytes;
    enum Order { fromMark, little, big } order;
};
constexpr UnicodeName unicodeNames[] = {
    {"utf-16", 2, UnicodeName::fromMark}, {"utf-16le", 2, UnicodeName::little},
    {"utf-16be", 2, UnicodeName::big},    {"ucs-2", 2, UnicodeName::fromMark},
    {"utf-32", 4, UnicodeName::fromMark}, {"utf-32le", 4, UnicodeName::little},
    {"utf-32be", 4, UnicodeName::big},    {"ucs-4", 4, UnicodeName::big},
};

class TableCharset final : public PlatformCharset {
public:
    explicit TableCharset(const CodePageTable &table) : m_table(table) {}
    std::string decode(std::string_view body) const override { return m_table.decode(body); }

private:
    const CodePageTable &m_table;
};

// The table of one code page, made the first time it is asked for and kept for the program's
// life: filling it asks Windows about every byte pair that starts with a lead byte.
const CodePageTable *tableOf(UINT codePage)
{
    static std::mutex lock;
    static std::map<UINT, std::unique_ptr<CodePageTable>> tables;
    const std::lock_guard<std::mutex> guard(lock);
    if (const auto found = tables.find(codePage); found != tables.end())
        return found->second.get();
    CPINFO info{};
    std::unique_ptr<CodePageTable> table;
    if (GetCPInfo(codePage, &info)) {
        table = CodePageTable::build([codePage](std::string_view bytes) {
            CodePageTable::Probe probe;
            if (bytes.size() == 1 && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(bytes[0]))) {
                probe.wantsMore = true;
                return probe;
            }
            wchar_t units[2] = {};
            const int count = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                                  static_cast<int>(bytes.size()), units, 2);
            if (count == 1 && (units[0] < 0xD800 || units[0] > 0xDFFF))
                probe.codePoint = units[0];
            else if (count == 2 && units[0] >= 0xD800 && units[0] < 0xDC00 && units[1] >= 0xDC00 && units[1] < 0xE000)
                probe.codePoint = 0x10000 + ((char32_t(units[0]) - 0xD800) << 10) + (char32_t(units[1]) - 0xDC00);
            return probe;
        });
    }
    return tables.emplace(codePage, std::move(table)).first->second.get();
}

class UnicodeCharset final : public PlatformCharset {
public:
    explicit UnicodeCharset(UnicodeName name) : m_name(name) {}

    std::string decode(std::string_view body) const override
    {
        const auto width = static_cast<std::size_t>(m_name.unitBytes);
        bool big = m_name.order != UnicodeName::little;
        if (m_name.order == UnicodeName::fromMark && body.size() >= width) {
            const char32_t first = unit(body, 0, true);
            const char32_t mark = width == 2 ? 0xFEFF : 0x0000FEFF;
            const char32_t swapped = width == 2 ? 0xFFFE : 0xFFFE0000;
            if (first == mark || first == swapped) {
                big = first == mark;
                body.remove_prefix(width);
            }
        }
        std::string out;
        out.reserve(body.size());
        std::size_t at = 0;
        for (; at + width <= body.size(); at += width) {
            char32_t code = unit(body, at, big);
            if (width == 2 && code >= 0xD800 && code < 0xDC00 && at + 2 * width <= body.size()) {
                const char32_t low = unit(body, at + width, big);
                if (low >= 0xDC00 && low < 0xE000) {
                    appendUtf8(out, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
                    at += width;
                    continue;
                }
            }
            if ((code >= 0xD800 && code < 0xE000) || code > 0x10FFFF)
                out.append(replacementCharacter);
            else
                appendUtf8(out, code);
        }
        if (at < body.size()) // a unit cut off at the end
            out.append(replacementCharacter);
        return out;
    }

private:
    char32_t unit(std::string_view body, std::size_t at, bool big) const
    {
        char32_t value = 0;
        for (int i = 0; i < m_name.unitBytes; ++i) {
            const int index = big ? i : m_name.unitBytes - 1 - i;
            value = (value << 8) | static_cast<unsigned char>(body[at + static_cast<std::size_t>(index)]);
        }
        return value;
    }

    UnicodeName m_name;
};

} // namespace

std::unique_ptr<PlatformCharset> PlatformCharset::open(const std::string &name)
{
    for (const UnicodeName &unicode : unicodeNames)
        if (unicode.name == name)
            return std::make_unique<UnicodeCharset>(unicode);
    for (const CodePageName &codePage : codePageNames)
        if (codePage.name == name)
            if (const CodePageTable *table = tableOf(codePage.codePage))
                return std::make_unique<TableCharset>(*table);
    return nullptr;
}

const PlatformCharset *PlatformCharset::cp949()
{
    static const std::unique_ptr<PlatformCharset> charset = open("cp949");
    return charset.get();
}

} // namespace velmora
