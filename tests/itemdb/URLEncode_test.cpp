#include "itemdb/URLEncode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace velmora {
namespace {

TEST(URLEncode, EncodesEveryUtf8ByteAsUppercaseHex)
{
    const std::vector<std::pair<std::u16string, std::string>> cases = {
        {u"", ""},
        {u"abc", "%61%62%63"},
        {u"a b", "%61%20%62"},
        {u"+", "%2B"},
        {u"힘", "%ED%9E%98"},
        {u"목걸이", "%EB%AA%A9%EA%B1%B8%EC%9D%B4"},
        {u"\t", "%09"},
        {u"\U0001F600", "%F0%9F%98%80"},
        {u"\U0010FFFF\u07FF\uFFFF", "%F4%8F%BF%BF%DF%BF%EF%BF%BF"},
        {std::u16string{char16_t(0xDC00)}, "%EF%BF%BD"},
        {std::u16string{char16_t(0xDBFF), u'a'}, "%EF%BF%BD%61"},
        {std::u16string{char16_t(0xDE00), char16_t(0xD83D)}, "%EF%BF%BD%EF%BF%BD"},
    };
    for (const auto &[text, encoded] : cases) {
        SCOPED_TRACE(encoded);
        EXPECT_EQ(URLEncode(text), encoded);
    }
}

TEST(URLEncode, RandomTextsGiveThreeCharactersPerUtf8Byte)
{
    // Code points of each UTF-8 length class, and lone low surrogates (3 bytes as U+FFFD).
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> ranges = {
        {0x00, 0x7F}, {0x80, 0x7FF}, {0x800, 0xD7FF}, {0xDC00, 0xDFFF}, {0xE000, 0xFFFF}, {0x10000, 0x10FFFF}};
    const std::size_t bytesOfRange[] = {1, 2, 3, 3, 3, 4};
    std::mt19937 random(20240611);
    for (int round = 0; round < 20; ++round) {
        std::u16string text;
        std::size_t utf8Bytes = 0;
        for (int i = 0; i < 30; ++i) {
            const std::size_t r = std::uniform_int_distribution<std::size_t>(0, ranges.size() - 1)(random);
            const std::uint32_t cp = std::uniform_int_distribution<std::uint32_t>(ranges[r].first, ranges[r].second)(random);
            if (cp >= 0x10000)
                text += {char16_t(0xD800 + ((cp - 0x10000) >> 10)), char16_t(0xDC00 + (cp & 0x3FF))};
            else
                text += char16_t(cp);
            utf8Bytes += bytesOfRange[r];
        }
        const std::string encoded = URLEncode(text);
        EXPECT_EQ(encoded.size(), 3 * utf8Bytes) << "round " << round;
        EXPECT_EQ(encoded.find_first_not_of("%0123456789ABCDEF"), std::string::npos);
    }
}

} // namespace
} // namespace velmora
