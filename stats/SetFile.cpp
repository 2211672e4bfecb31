#include "stats/SetFile.h"

#include "stats/Grades.h"
#include "stats/Numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

namespace velmora {

namespace {

using Kind = SetFileProblem::Kind;

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

bool isControl(char32_t c)
{
    return c < 0x20 || c == 0x7F;
}

/// Marks and overrides that change the direction text is shown in without being seen
/// themselves; in the file they are written as escapes so that a person reading it sees them.
bool isDirectionFormat(char32_t c)
{
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E)
           || (c >= 0x2066 && c <= 0x2069);
}

struct Decoded {
    char32_t codePoint;
    std::size_t length;
};

/// The character starting at `at`, when the bytes there are strict UTF-8: shortest form, no
/// surrogates, nothing past U+10FFFF.
std::optional<Decoded> decodeUtf8(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return Decoded{lead, 1};
    std::size_t length = 0;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07u;
    } else {
        return std::nullopt;
    }
    if (text.size() - at < length)
        return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        c = (c << 6) | (next & 0x3Fu);
    }
    const char32_t shortest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (c < shortest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return std::nullopt;
    return Decoded{c, length};
}

/// The offset of the first byte that is not part of strict UTF-8; nullopt when all are.
std::optional<std::size_t> firstInvalidUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        if (static_cast<unsigned char>(text[at]) < 0x80) {
            ++at;
            continue;
        }
        const std::optional<Decoded> decoded = decodeUtf8(text, at);
        if (!decoded)
            return at;
        at += decoded->length;
    }
    return std::nullopt;
}

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendQuoted(std::string &out, std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            if (isControl(byte))
                out += ' ';
            else if (byte == '"' || byte == '\\')
                out.append({'\\', static_cast<char>(byte)});
            else
                out += static_cast<char>(byte);
            ++at;
            continue;
        }
        const std::optional<Decoded> decoded = decodeUtf8(text, at);
        if (!decoded) {
            out += replacementCharacter;
            ++at;
            continue;
        }
        if (isDirectionFormat(decoded->codePoint)) {
            const char32_t c = decoded->codePoint;
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += hex[(c >> shift) & 0xF];
        } else {
            out += text.substr(at, decoded->length);
        }
        at += decoded->length;
    }
    out += '"';
}

/// A JSON number's value when it is a whole number of at least 0, saturated at the largest
/// uint64; nullopt when it is negative or has a fraction. Exact for any length of digits and
/// any exponent: "1", "1.0", "10e-1" and "0.001e3" are all 1.
std::optional<std::uint64_t> wholeNumber(std::string_view token)
{
    constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
    const bool negative = token.starts_with('-');
    if (negative)
        token.remove_prefix(1);
    const std::size_t exponentAt = token.find_first_of("eE");
    const std::string_view mantissa = token.substr(0, exponentAt);
    std::int64_t exponent = 0;
    if (exponentAt != std::string_view::npos) {
        std::string_view digits = token.substr(exponentAt + 1);
        const bool exponentNegative = digits.starts_with('-');
        if (digits.starts_with('-') || digits.starts_with('+'))
            digits.remove_prefix(1);
        for (const char d : digits) {
            // Past a billion the value is 0 or beyond any uint64 either way.
            if (exponent < 1'000'000'000)
                exponent = exponent * 10 + (d - '0');
        }
        if (exponentNegative)
            exponent = -exponent;
    }
    const std::size_t pointAt = mantissa.find('.');
    std::string digits(mantissa.substr(0, pointAt));
    if (pointAt != std::string_view::npos) {
        const std::string_view fraction = mantissa.substr(pointAt + 1);
        digits += fraction;
        exponent -= static_cast<std::int64_t>(fraction.size());
    }
    const std::size_t firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos)
        return 0; // zero in any form, "-0" included
    if (negative)
        return std::nullopt;
    digits.erase(0, firstNonZero);
    while (digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    if (exponent < 0)
        return std::nullopt;
    if (static_cast<std::int64_t>(digits.size()) + exponent > 20)
        return most;
    std::uint64_t value = 0;
    for (const char d : digits) {
        const auto digit = static_cast<std::uint64_t>(d - '0');
        if (value > (most - digit) / 10)
            return most;
        value = value * 10 + digit;
    }
    for (std::int64_t i = 0; i < exponent; ++i) {
        if (value > most / 10)
            return most;
        value *= 10;
    }
    return value;
}

/// Names a value in the file: "version", "bonuses[2]", "rows[3].grade".
struct Where {
    std::string_view name;
    std::size_t index = std::string_view::npos;
    std::string_view field = {};

    std::string text() const
    {
        std::string out(name);
        if (index != std::string_view::npos) {
            out += '[';
            out += std::to_string(index);
            out += ']';
        }
        if (!field.empty())
            out.append(".").append(field);
        return out;
    }
};

/// One pass over the bytes, without building a tree: what the set holds is taken as it comes
/// and everything else is checked and skipped, so a file of unknown values costs no memory.
/// A fault in the JSON stops the reading at once; a fault in a field is noted (the first one
/// counts) and reading goes on, because the top level ("format", "version"), wherever it
/// stands in the object, decides first whether the fields mean anything to us at all.
class SetReader {
public:
    explicit SetReader(std::string_view bytes)
        : m_text(bytes)
    {
    }

    std::variant<EquipmentSetData, SetFileProblem> read()
    {
        if (m_text.size() > setFileMaxBytes)
            return SetFileProblem{Kind::TooLarge, {}, m_text.size()};
        if (const std::optional<std::size_t> bad = firstInvalidUtf8(m_text))
            return SetFileProblem{Kind::InvalidUtf8, {}, *bad};
        if (m_text.starts_with(byteOrderMark))
            m_at = byteOrderMark.size();

        skipBlanks();
        const bool isObject = peek() == '{';
        const bool read = isObject ? readObject(1, [this](const std::string &key) { return readTopMember(key); })
                                   : skipValue(1);
        if (!read)
            return *m_stop;
        skipBlanks();
        if (m_at != m_text.size())
            return SetFileProblem{Kind::NotJson, {}, m_at};

        if (!isObject)
            return SetFileProblem{Kind::NotASet, {}, 0};
        if (m_repeatedHeader)
            return *m_repeatedHeader;
        if (!m_formatIsOurs)
            return SetFileProblem{Kind::NotASet, "format", 0};
        if (!m_versionSeen)
            return SetFileProblem{Kind::MissingField, "version", 0};
        if (!m_version)
            return SetFileProblem{Kind::WrongType, "version", 0};
        const std::optional<std::uint64_t> version = wholeNumber(*m_version);
        if (version && *version > setFileVersion)
            return SetFileProblem{Kind::NewerVersion, "version", *version};
        if (version != setFileVersion)
            return SetFileProblem{Kind::UnsupportedVersion, "version", version.value_or(0)};
        if (!m_rowsSeen)
            return SetFileProblem{Kind::MissingField, "rows", 0};
        if (m_problem)
            return *m_problem;
        return std::move(m_set);
    }

private:
    int peek() const { return m_at < m_text.size() ? static_cast<unsigned char>(m_text[m_at]) : -1; }

    void skipBlanks()
    {
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
                break;
            ++m_at;
        }
    }

    /// Ends the reading: the bytes are no JSON we take.
    bool stop(Kind kind, std::size_t at)
    {
        m_stop = SetFileProblem{kind, {}, at};
        return false;
    }

    /// A field we cannot take; only the first one is told.
    void note(Kind kind, const Where &where, std::uint64_t number = 0)
    {
        if (!m_problem)
            m_problem = SetFileProblem{kind, where.text(), number};
    }

    // ---- JSON ----

    /// Reads the string at the quote into `out` (when given), decoded. `control` (when given)
    /// gets the first control character it holds.
    bool readString(std::string *out, std::optional<char32_t> *control)
    {
        const auto sawControl = [control](char32_t c) {
            if (control && !*control)
                *control = c;
        };
        ++m_at; // the opening quote
        for (;;) {
            const std::size_t runStart = m_at;
            while (m_at < m_text.size()) {
                const auto c = static_cast<unsigned char>(m_text[m_at]);
                // A raw control byte (NUL included) ends a key or a skipped value as bad JSON;
                // in a text of the set it is named for what it is.
                if (c == '"' || c == '\\' || (c < 0x20 && !control))
                    break;
                if (isControl(c))
                    sawControl(c);
                ++m_at;
            }
            if (out)
                out->append(m_text.substr(runStart, m_at - runStart));
            const int c = peek();
            if (c == '"') {
                ++m_at;
                return true;
            }
            if (c != '\\') // the end of the bytes, or a raw control character
                return stop(Kind::NotJson, m_at);
            const std::size_t escapeAt = m_at;
            ++m_at;
            char32_t decoded = 0;
            switch (peek()) {
            case '"': decoded = '"'; break;
            case '\\': decoded = '\\'; break;
            case '/': decoded = '/'; break;
            case 'b': decoded = '\b'; break;
            case 'f': decoded = '\f'; break;
            case 'n': decoded = '\n'; break;
            case 'r': decoded = '\r'; break;
            case 't': decoded = '\t'; break;
            case 'u': {
                ++m_at;
                std::optional<char32_t> unit = readHex4();
                if (!unit)
                    return false;
                if (*unit >= 0xDC00 && *unit <= 0xDFFF)
                    return stop(Kind::InvalidUtf8, escapeAt);
                if (*unit >= 0xD800 && *unit <= 0xDBFF) {
                    if (!m_text.substr(m_at).starts_with("\\u"))
                        return stop(Kind::InvalidUtf8, escapeAt);
                    m_at += 2;
                    const std::optional<char32_t> low = readHex4();
                    if (!low)
                        return false;
                    if (*low < 0xDC00 || *low > 0xDFFF)
                        return stop(Kind::InvalidUtf8, escapeAt);
                    unit = 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00);
                }
                --m_at; // stands on the last hex digit, like the one-letter escapes
                decoded = *unit;
                break;
            }
            default:
                return stop(Kind::NotJson, m_at);
            }
            ++m_at;
            if (isControl(decoded))
                sawControl(decoded);
            if (out)
                appendUtf8(*out, decoded);
        }
    }

    std::optional<char32_t> readHex4()
    {
        char32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const int c = peek();
            int digit = -1;
            if (c >= '0' && c <= '9')
                digit = c - '0';
            else if (c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            if (digit < 0) {
                stop(Kind::NotJson, m_at);
                return std::nullopt;
            }
            value = value * 16 + static_cast<char32_t>(digit);
            ++m_at;
        }
        return value;
    }

    /// Skips the number at m_at; `token` gets its text.
    bool readNumber(std::string_view *token)
    {
        const std::size_t start = m_at;
        const auto digits = [this] {
            const std::size_t from = m_at;
            while (peek() >= '0' && peek() <= '9')
                ++m_at;
            return m_at > from;
        };
        if (peek() == '-')
            ++m_at;
        if (peek() == '0')
            ++m_at;
        else if (!digits())
            return stop(Kind::NotJson, m_at);
        if (peek() == '.') {
            ++m_at;
            if (!digits())
                return stop(Kind::NotJson, m_at);
        }
        if (peek() == 'e' || peek() == 'E') {
            ++m_at;
            if (peek() == '+' || peek() == '-')
                ++m_at;
            if (!digits())
                return stop(Kind::NotJson, m_at);
        }
        if (token)
            *token = m_text.substr(start, m_at - start);
        return true;
    }

    bool skipWord(std::string_view word)
    {
        for (const char c : word) {
            if (peek() != static_cast<unsigned char>(c))
                return stop(Kind::NotJson, m_at);
            ++m_at;
        }
        return true;
    }

    /// Checks and skips one value; `depth` is the level it stands at (the top is 1).
    bool skipValue(int depth)
    {
        skipBlanks();
        switch (peek()) {
        case '{':
            return readObject(depth, [this, depth](const std::string &) { return skipValue(depth + 1); });
        case '[':
            return readArray(depth, [this, depth](std::size_t) { return skipValue(depth + 1); });
        case '"':
            return readString(nullptr, nullptr);
        case 't':
            return skipWord("true");
        case 'f':
            return skipWord("false");
        case 'n':
            return skipWord("null");
        default:
            return readNumber(nullptr);
        }
    }

    /// Reads the object at the brace; `member(key)` reads each member's value.
    template <typename Member>
    bool readObject(int depth, Member member)
    {
        if (depth > setFileMaxDepth)
            return stop(Kind::TooDeep, m_at);
        ++m_at;
        skipBlanks();
        if (peek() == '}') {
            ++m_at;
            return true;
        }
        std::string key;
        for (;;) {
            skipBlanks();
            if (peek() != '"')
                return stop(Kind::NotJson, m_at);
            key.clear();
            if (!readString(&key, nullptr))
                return false;
            skipBlanks();
            if (peek() != ':')
                return stop(Kind::NotJson, m_at);
            ++m_at;
            skipBlanks();
            if (!member(key))
                return false;
            skipBlanks();
            if (peek() == ',') {
                ++m_at;
                continue;
            }
            if (peek() == '}') {
                ++m_at;
                return true;
            }
            return stop(Kind::NotJson, m_at);
        }
    }

    /// Reads the array at the bracket; `element(index)` reads each element.
    template <typename Element>
    bool readArray(int depth, Element element)
    {
        if (depth > setFileMaxDepth)
            return stop(Kind::TooDeep, m_at);
        ++m_at;
        skipBlanks();
        if (peek() == ']') {
            ++m_at;
            return true;
        }
        for (std::size_t index = 0;; ++index) {
            skipBlanks();
            if (!element(index))
                return false;
            skipBlanks();
            if (peek() == ',') {
                ++m_at;
                continue;
            }
            if (peek() == ']') {
                ++m_at;
                return true;
            }
            return stop(Kind::NotJson, m_at);
        }
    }

    // ---- the set ----

    /// Reads a text of the set into `out`. `fine` becomes false when the value is no string or
    /// holds a control character (and that is noted).
    bool readText(std::string &out, const Where &where, int depth, bool &fine)
    {
        if (peek() != '"') {
            note(Kind::WrongType, where);
            fine = false;
            return skipValue(depth);
        }
        std::optional<char32_t> control;
        if (!readString(&out, &control))
            return false;
        if (control) {
            note(Kind::ControlCharacter, where, *control);
            fine = false;
        }
        return true;
    }

    /// A key of ours seen for the second time: noted, and its value only checked.
    bool repeated(const Where &where, int depth)
    {
        note(Kind::DuplicateKey, where);
        return skipValue(depth);
    }

    bool readTopMember(const std::string &key)
    {
        constexpr int depth = 2;
        if (key == "format" || key == "version") {
            bool &seen = key == "format" ? m_formatSeen : m_versionSeen;
            if (seen) {
                if (!m_repeatedHeader)
                    m_repeatedHeader = SetFileProblem{Kind::DuplicateKey, key, 0};
                return skipValue(depth);
            }
            seen = true;
            if (key == "version") {
                if (peek() == '-' || (peek() >= '0' && peek() <= '9')) {
                    std::string_view token;
                    if (!readNumber(&token))
                        return false;
                    m_version = token;
                    return true;
                }
                return skipValue(depth);
            }
            if (peek() != '"')
                return skipValue(depth);
            std::string format;
            if (!readString(&format, nullptr))
                return false;
            m_formatIsOurs = format == setFileFormat;
            return true;
        }
        const auto once = [&](bool &seen, std::string_view name, bool (SetReader::*readValue)(int)) {
            if (seen)
                return repeated({name}, depth);
            seen = true;
            return (this->*readValue)(depth);
        };
        if (key == "rows")
            return once(m_rowsSeen, "rows", &SetReader::readRows);
        if (key == "bonuses")
            return once(m_bonusesSeen, "bonuses", &SetReader::readBonuses);
        if (key == "reference")
            return once(m_referenceSeen, "reference", &SetReader::readReference);
        if (key == "weights")
            return once(m_weightsSeen, "weights", &SetReader::readWeights);
        return skipValue(depth);
    }

    bool readRows(int depth)
    {
        if (peek() != '[') {
            note(Kind::WrongType, {"rows"});
            return skipValue(depth);
        }
        std::size_t count = 0;
        const bool read = readArray(depth, [&](std::size_t index) {
            count = index + 1;
            if (index >= setFileMaxRows)
                return skipValue(depth + 1);
            return readRow(index, depth + 1);
        });
        if (read && count > setFileMaxRows)
            note(Kind::TooManyRows, {"rows"}, count);
        return read;
    }

    bool readRow(std::size_t index, int depth)
    {
        if (peek() != '{') {
            note(Kind::WrongType, {"rows", index});
            return skipValue(depth);
        }
        struct Field {
            std::string_view key;
            std::string *text;
            bool seen = false;
        };
        SetRow row;
        std::array<Field, 5> fields = {{
            {"name", &row.row.itemName},
            {"kind", &row.row.kind},
            {"stats", &row.row.statText},
            {"grade", &row.row.grade},
            {"address", &row.address},
        }};
        bool fine = true;
        const bool read = readObject(depth, [&](const std::string &key) {
            for (Field &field : fields) {
                if (field.key != key)
                    continue;
                const Where where{"rows", index, field.key};
                if (field.seen) {
                    fine = false;
                    return repeated(where, depth + 1);
                }
                field.seen = true;
                bool textFine = true;
                if (!readText(*field.text, where, depth + 1, textFine))
                    return false;
                fine = fine && textFine;
                if (textFine && field.text == &row.row.grade && !gradeNumber(row.row.grade)) {
                    note(Kind::UnknownGrade, where);
                    fine = false;
                }
                return true;
            }
            return skipValue(depth + 1);
        });
        if (!read)
            return false;
        for (const Field &field : fields) {
            if (!field.seen && field.key != "address") {
                note(Kind::MissingField, {"rows", index, field.key});
                fine = false;
            }
        }
        // Once anything is wrong the set will not be opened: keeping rows would only cost memory.
        if (fine && !m_problem)
            m_set.rows.push_back(std::move(row));
        return true;
    }

    bool readBonuses(int depth)
    {
        if (peek() != '[') {
            note(Kind::WrongType, {"bonuses"});
            return skipValue(depth);
        }
        std::size_t count = 0;
        const bool read = readArray(depth, [&](std::size_t index) {
            count = index + 1;
            if (index >= m_set.bonuses.size())
                return skipValue(depth + 1);
            if (peek() == 'n')
                return skipWord("null");
            std::string typed;
            bool fine = true;
            if (!readText(typed, {"bonuses", index}, depth + 1, fine))
                return false;
            if (fine)
                m_set.bonuses[index] = std::move(typed);
            return true;
        });
        if (read && count != m_set.bonuses.size())
            note(Kind::WrongCount, {"bonuses"}, count);
        return read;
    }

    bool readReference(int depth)
    {
        if (peek() != '[') {
            note(Kind::WrongType, {"reference"});
            return skipValue(depth);
        }
        StatTotals captions;
        std::size_t count = 0;
        bool fine = true;
        const bool read = readArray(depth, [&](std::size_t index) {
            count = index + 1;
            if (index >= captions.size())
                return skipValue(depth + 1);
            return readText(captions[index], {"reference", index}, depth + 1, fine);
        });
        if (read && count != captions.size()) {
            note(Kind::WrongCount, {"reference"}, count);
            fine = false;
        }
        if (fine)
            m_set.reference = std::move(captions);
        return read;
    }

    bool readWeights(int depth)
    {
        if (peek() != '{') {
            note(Kind::WrongType, {"weights"});
            return skipValue(depth);
        }
        StatWeights weights;
        std::array<bool, statLabelCount> seen{};
        bool fine = true;
        const bool read = readObject(depth, [&](const std::string &key) {
            std::size_t stat = 0;
            while (stat < seen.size() && statName(stat) != key)
                ++stat;
            if (stat == seen.size()) {
                note(Kind::WrongType, {"weights"});
                fine = false;
                return skipValue(depth + 1);
            }
            const Where where{"weights", std::string_view::npos, statName(stat)};
            if (seen[stat]) {
                fine = false;
                return repeated(where, depth + 1);
            }
            seen[stat] = true;
            if (peek() != '-' && (peek() < '0' || peek() > '9')) {
                note(Kind::WrongType, where);
                fine = false;
                return skipValue(depth + 1);
            }
            std::string_view token;
            if (!readNumber(&token))
                return false;
            // Past what a double holds, either way, the number is not the one written.
            const std::optional<double> weight = velmora::readNumber(token);
            if (!weight) {
                note(Kind::WrongType, where);
                fine = false;
                return true;
            }
            weights.weight[stat] = *weight;
            return true;
        });
        if (read && fine)
            m_set.weights = weights;
        return read;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    std::optional<SetFileProblem> m_stop;
    std::optional<SetFileProblem> m_problem;
    std::optional<SetFileProblem> m_repeatedHeader;
    bool m_formatSeen = false;
    bool m_formatIsOurs = false;
    bool m_versionSeen = false;
    std::optional<std::string_view> m_version;
    bool m_rowsSeen = false;
    bool m_bonusesSeen = false;
    bool m_referenceSeen = false;
    bool m_weightsSeen = false;
    EquipmentSetData m_set;
};

} // namespace

std::string writeSetFile(const EquipmentSetData &set)
{
    std::string out;
    out.reserve(512 + set.rows.size() * 160);
    out += "{\n  \"format\": ";
    appendQuoted(out, setFileFormat);
    out += ",\n  \"version\": " + std::to_string(setFileVersion) + ",\n  \"rows\": [";
    for (std::size_t i = 0; i < set.rows.size(); ++i) {
        const SetRow &row = set.rows[i];
        out += i == 0 ? "\n    {\"name\": " : ",\n    {\"name\": ";
        appendQuoted(out, row.row.itemName);
        out += ", \"kind\": ";
        appendQuoted(out, row.row.kind);
        out += ", \"stats\": ";
        appendQuoted(out, row.row.statText);
        out += ", \"grade\": ";
        appendQuoted(out, row.row.grade);
        out += ", \"address\": ";
        appendQuoted(out, row.address);
        out += '}';
    }
    out += set.rows.empty() ? "]" : "\n  ]";
    out += ",\n  \"bonuses\": [";
    for (std::size_t i = 0; i < set.bonuses.size(); ++i) {
        if (i > 0)
            out += ", ";
        if (set.bonuses[i])
            appendQuoted(out, *set.bonuses[i]);
        else
            out += "null";
    }
    out += ']';
    if (set.reference) {
        out += ",\n  \"reference\": [";
        for (std::size_t i = 0; i < set.reference->size(); ++i) {
            out += i == 0 ? "\n    " : ",\n    ";
            appendQuoted(out, (*set.reference)[i]);
        }
        out += "\n  ]";
    }
    // Only the stats that count; a weight that is no finite number would not be JSON.
    bool anyWeight = false;
    for (std::size_t i = 0; i < set.weights.weight.size(); ++i) {
        const double weight = set.weights.weight[i];
        if (weight == 0 || !std::isfinite(weight))
            continue;
        out += anyWeight ? ", " : ",\n  \"weights\": {";
        anyWeight = true;
        appendQuoted(out, statName(i));
        out += ": ";
        // The shortest text that reads back as this very double, whatever the locale.
        char number[32];
        const auto written = std::to_chars(number, number + sizeof number, weight);
        out.append(number, written.ptr);
    }
    if (anyWeight)
        out += '}';
    out += "\n}\n";
    return out;
}

std::variant<EquipmentSetData, SetFileProblem> readSetFile(std::string_view bytes)
{
    return SetReader(bytes).read();
}

std::string_view setFileProblemName(SetFileProblem::Kind kind)
{
    switch (kind) {
    case Kind::TooLarge: return "TooLarge";
    case Kind::InvalidUtf8: return "InvalidUtf8";
    case Kind::NotJson: return "NotJson";
    case Kind::TooDeep: return "TooDeep";
    case Kind::NotASet: return "NotASet";
    case Kind::NewerVersion: return "NewerVersion";
    case Kind::UnsupportedVersion: return "UnsupportedVersion";
    case Kind::MissingField: return "MissingField";
    case Kind::WrongType: return "WrongType";
    case Kind::DuplicateKey: return "DuplicateKey";
    case Kind::UnknownGrade: return "UnknownGrade";
    case Kind::ControlCharacter: return "ControlCharacter";
    case Kind::TooManyRows: return "TooManyRows";
    case Kind::WrongCount: return "WrongCount";
    }
    return "?";
}

} // namespace velmora
