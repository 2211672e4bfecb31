// Turning response bytes into text: which character set is chosen, and that broken bytes cost
// one replacement character each, never the rest of the page.
#include "itemdb/ResponseDecoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using velmora::decodeResponse;

namespace {

const std::string fffd = "\xEF\xBF\xBD";
const std::string ddom = "\x8C\x63";       // 똠 in CP949, outside plain EUC-KR
const std::string ga = "\xB0\xA1";         // 가 in EUC-KR and CP949
const std::string latinE = "\xE9";         // é in ISO-8859-1, invalid as UTF-8
const std::string bom = "\xEF\xBB\xBF";

struct Case {
    const char *name;
    std::string body;
    std::string contentType;
    std::string text;
};

void runCases(const std::vector<Case> &cases)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decodeResponse(c.body, c.contentType), c.text);
    }
}

} // namespace

TEST(ResponseDecoding, ContentTypeCharsetComesFirst)
{
    runCases({
        {"euc-kr decodes Windows syllables", ddom + ga, "text/html; charset=euc-kr", "똠가"},
        {"quoted, upper case", ddom, "text/html; Charset=\"EUC-KR\"", "똠"},
        {"single quotes, spaces", ddom, "text/html ; charset = 'ks_c_5601-1987' ", "똠"},
        {"after another parameter", ddom, "text/html; q=\"a;b\"; charset=windows-949", "똠"},
        {"x-windows-949", ddom, "text/html;charset=x-windows-949", "똠"},
        {"cp949", ddom, "text/html;charset=CP949", "똠"},
        {"latin-1", "caf" + latinE, "text/plain; charset=iso-8859-1", "café"},
        {"utf-16le", std::string("A\0\x00\xAC", 4), "text/plain; charset=utf-16le", "A가"},
        {"header beats meta", "<meta charset=\"utf-8\">" + ga, "text/html; charset=euc-kr",
         "<meta charset=\"utf-8\">가"},
        {"unknown name falls back to meta", "<meta charset=euc-kr>" + ga, "text/html; charset=x-no-such", "<meta charset=euc-kr>가"},
        {"iconv suffix is no charset name", "caf" + latinE, "text/plain; charset=iso-8859-1//TRANSLIT",
         "caf" + fffd},
        {"no charset parameter", "한글", "text/html", "한글"},
    });
}

TEST(ResponseDecoding, MetaDeclarationNearTheTop)
{
    const std::string filler(1100, ' ');
    runCases({
        {"meta charset", "<html><head><META CHARSET=euc-kr>" + ddom, "", "<html><head><META CHARSET=euc-kr>똠"},
        {"http-equiv", "<meta http-equiv='Content-Type' content='text/html; charset=EUC-KR'/>" + ga, "text/html",
         "<meta http-equiv='Content-Type' content='text/html; charset=EUC-KR'/>가"},
        {"content without http-equiv is ignored", "<meta content=\"charset=iso-8859-1\">" + latinE, "",
         "<meta content=\"charset=iso-8859-1\">" + fffd},
        {"commented out", "<!-- <meta charset=iso-8859-1> -->" + ga, "", "<!-- <meta charset=iso-8859-1> -->가"},
        {"past the first 1024 bytes", filler + "<meta charset=iso-8859-1>" + ga, "",
         filler + "<meta charset=iso-8859-1>가"},
        {"utf-16 in an ASCII page means utf-8", "<meta charset=utf-16>한" + latinE, "",
         "<meta charset=utf-16>한" + fffd},
    });
}

TEST(ResponseDecoding, UndeclaredBodiesAreSniffed)
{
    runCases({
        {"empty", "", "", ""},
        {"valid utf-8", "아이템 목록 <b>", "", "아이템 목록 <b>"},
        {"cp949 with Windows syllable", "<td>" + ddom + ga + "</td>", "", "<td>똠가</td>"},
        {"utf-8 bom stripped", bom + "목걸이", "", "목걸이"},
        {"utf-8 bom beats a declaration", bom + "목걸이", "text/html; charset=euc-kr", "목걸이"},
        {"broken cp949 lead keeps next ASCII", ga + "\xB0" "1" + ga + "\xFF", "", "가" + fffd + "1가" + fffd},
        {"cp949 cut off at the end", ga + "\xB0", "", "가" + fffd},
    });
}

TEST(ResponseDecoding, InvalidUtf8BecomesReplacementCharacters)
{
    const std::string type = "text/html; charset=utf-8";
    runCases({
        {"stray bytes", "a\xFF" "b\x80" "c", type, "a" + fffd + "b" + fffd + "c"},
        {"truncated sequence is one", "a\xE2\x82" "c", type, "a" + fffd + "c"},
        {"truncated at the end", "abc\xEC\x95", type, "abc" + fffd},
        {"overlong", "\xC0\xAF" "x", type, fffd + fffd + "x"},
        {"surrogate", "\xED\xA0\x80" "x", type, fffd + fffd + fffd + "x"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", type, fffd + fffd + fffd + fffd},
        {"four-byte kept", "\xF0\x9F\x98\x80", type, "\xF0\x9F\x98\x80"},
        {"bom stripped once", bom + bom + "x", type, "\xEF\xBB\xBF" "x"},
#ifdef _WIN32
        // Our own UTF-32 reader: one replacement character for the unit that is no code point.
        {"ucs-4 past U+10FFFF", std::string("\x00\x00\xAC\x00\x7F\xFF\xFF\xFF", 8), "text/plain; charset=ucs-4",
         "가" + fffd},
#else
        // glibc reads "utf+8" as its own UTF-8 converter, which lets this through; Windows knows
        // no such name.
        {"odd spelling, past U+10FFFF", "\xF4\x90\x80\xB8", "text/html; charset=utf+8", fffd + fffd + fffd + fffd},
        // glibc's UCS-4 converter writes 0x7FFFFFFF as six bytes of old-style UTF-8, each of
        // which then stands replaced.
        {"ucs-4 past U+10FFFF", std::string("\x00\x00\xAC\x00\x7F\xFF\xFF\xFF", 8), "text/plain; charset=ucs-4",
         "가" + fffd + fffd + fffd + fffd + fffd + fffd},
#endif
    });
}

TEST(ResponseDecoding, LargeBrokenBodiesKeepEveryCharacter)
{
    // Every other sequence is broken: a decoder that restarts or copies per error would crawl.
    const std::size_t pairs = 2u << 20;
    std::string cp949;
    std::string utf8;
    for (std::size_t i = 0; i < pairs; ++i) {
        cp949 += ga + "\xFF";
        utf8 += "가\xFF";
    }
    std::string expected;
    for (std::size_t i = 0; i < pairs; ++i)
        expected += "가" + fffd;
    EXPECT_EQ(decodeResponse(cp949, ""), expected);
    EXPECT_EQ(decodeResponse(utf8, "text/html; charset=utf-8"), expected);
}
