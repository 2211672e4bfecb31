#pragma once

#include <string>
#include <string_view>

namespace velmora {

/// `siteText` made safe to embed in a text of the program's own: wrapped in a first-strong
/// isolate (U+2068 … U+2069), so that its writing direction, a right-to-left override included,
/// ends where it ends. For the same reason the site text cannot close the isolate early (a
/// U+2069 without its opener in the text is dropped), leaves no isolate of its own open (each is
/// closed before the wrapper's end) and cannot end the paragraph (CR, LF, U+001C…U+001E, U+0085
/// and U+2029 become spaces).
///   isolate("활") == "\u2068활\u2069"
std::string isolate(std::string_view siteText);

} // namespace velmora
