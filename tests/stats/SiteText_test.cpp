#include "stats/SiteText.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace velmora {
namespace {

TEST(SiteText, IsolatedSoItsDirectionEndsWhereItEnds)
{
    const std::string fsi = "\u2068", pdi = "\u2069", lri = "\u2066", rlo = "\u202E";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", fsi + pdi},
        {"불꽃 깃 활", fsi + "불꽃 깃 활" + pdi},
        {"활" + rlo, fsi + "활" + rlo + pdi},
        // A closer of its own would end the wrapper early and let the override out.
        {"a" + pdi + rlo + "b", fsi + "a" + rlo + "b" + pdi},
        {lri + "a" + pdi + pdi, fsi + lri + "a" + pdi + pdi},
        // An isolate it leaves open is closed before the wrapper's end.
        {lri + "a", fsi + lri + "a" + pdi + pdi},
        // A new paragraph would start outside the isolate.
        {"a\nb\r\u2029c\u0085d\x1c", fsi + "a b  c d " + pdi},
        {"\xE2\x81", fsi + "\xE2\x81" + pdi}, // a cut-off sequence is left as it is
    };
    for (const auto &[text, isolated] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(isolate(text), isolated);
    }
}

TEST(SiteText, EveryIsolateLeftOpenIsClosedInside)
{
    const std::string fsi = "\u2068", pdi = "\u2069", rlo = "\u202E";
    struct Case {
        const char *what;
        std::string text;
        std::string isolated;
    };
    std::vector<Case> cases;
    const std::pair<const char *, std::string> openers[] = {{"LRI", "\u2066"}, {"RLI", "\u2067"}, {"FSI", "\u2068"}};
    for (const auto &[name, opener] : openers) {
        cases.push_back({name, "활" + opener + rlo + "x", fsi + "활" + opener + rlo + "x" + pdi + pdi});
        cases.push_back({name, opener, fsi + opener + pdi + pdi});
        // Closed by the site itself: nothing added.
        cases.push_back({name, opener + "a" + pdi + "b", fsi + opener + "a" + pdi + "b" + pdi});
        // Two left open, one inside the other.
        cases.push_back({name, opener + "a" + opener + "b", fsi + opener + "a" + opener + "b" + pdi + pdi + pdi});
    }
    // One of each, one of them closed.
    cases.push_back({"all three", "\u2066a\u2067b\u2069c\u2068d",
                     fsi + "\u2066a\u2067b" + pdi + "c\u2068d" + pdi + pdi + pdi});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what + (": " + c.text));
        EXPECT_EQ(isolate(c.text), c.isolated);
    }
}

TEST(SiteText, EveryParagraphSeparatorBecomesASpace)
{
    const std::string fsi = "\u2068", pdi = "\u2069";
    const std::pair<const char *, std::string> separators[] = {
        {"CR", "\r"},         {"LF", "\n"},         {"U+001C", "\x1c"}, {"U+001D", "\x1d"},
        {"U+001E", "\x1e"}, {"U+0085", "\u0085"}, {"U+2029", "\u2029"},
    };
    for (const auto &[name, separator] : separators) {
        SCOPED_TRACE(name);
        EXPECT_EQ(isolate("불꽃" + separator + "활"), fsi + "불꽃 활" + pdi);
        EXPECT_EQ(isolate(separator), fsi + " " + pdi);
        EXPECT_EQ(isolate(separator + separator + "a" + separator), fsi + "  a " + pdi);
    }
    // Characters that only look alike stay: a line separator, a unit separator, a next-line's
    // lone second byte.
    const std::string lookalikes = "a\u2028b\x1f" "c\x85";
    EXPECT_EQ(isolate(lookalikes), fsi + lookalikes + pdi);
}

} // namespace
} // namespace velmora
