#include "itemdb/CodePageTable.h"

#include "itemdb/Characters.h"

namespace velmora {

namespace {
constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD"; // U+FFFD
} // namespace

std::unique_ptr<CodePageTable> CodePageTable::build(const std::function<Probe(std::string_view)> &probe)
{
    auto table = std::make_unique<CodePageTable>();
    table->m_pairs.assign(std::size_t(1) << 16, none);
    bool any = false;
    for (unsigned lead = 0; lead < 256; ++lead) {
        const char leadByte = static_cast<char>(lead);
        const Probe single = probe(std::string_view(&leadByte, 1));
        table->m_single[lead] = single.wantsMore ? none : single.codePoint;
        table->m_lead[lead] = single.wantsMore;
        any = any || single.codePoint != none || single.wantsMore;
        if (!single.wantsMore)
            continue;
        for (unsigned trail = 0; trail < 256; ++trail) {
            const char pair[2] = {leadByte, static_cast<char>(trail)};
            const Probe both = probe(std::string_view(pair, 2));
            table->m_pairs[(lead << 8) | trail] = both.wantsMore ? none : both.codePoint;
        }
    }
    if (!any)
        return nullptr;
    return table;
}

std::string CodePageTable::decode(std::string_view body) const
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
            // A broken pair costs only its lead byte.
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

} // namespace velmora
