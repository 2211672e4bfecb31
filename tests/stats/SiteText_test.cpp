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

} // namespace
} // namespace velmora
