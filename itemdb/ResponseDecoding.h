#pragma once

#include <string>
#include <string_view>

namespace velmora {

/// A response body as UTF-8 text. The character set is the one the Content-Type header names;
/// else one declared by <meta charset> or <meta http-equiv> near the top of the page; else UTF-8
/// when the bytes are valid UTF-8; else CP949 (the Windows superset of EUC-KR, which Korean sites
/// use). A declared euc-kr, ks_c_5601-1987, cp949 or windows-949 is decoded as CP949; a declared
/// name that the platform does not know counts as no declaration. Bytes that
/// are invalid in the chosen set become U+FFFD; the text is never cut short. A UTF-8 byte order
/// mark at the start is dropped and means UTF-8 whatever is declared, as in browsers.
/// Example: decodeResponse("\x8C\x63", "text/html; charset=euc-kr") == "똠".
std::string decodeResponse(std::string_view body, std::string_view contentType);

} // namespace velmora
