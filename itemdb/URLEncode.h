#pragma once

#include <string>
#include <string_view>

namespace velmora {

/// The search term as the value of the search's `sname` parameter: its UTF-8 bytes, every byte
/// written as "%" and two uppercase hex digits, letters and digits included. An unpaired
/// surrogate becomes U+FFFD. The empty text, or any failure, gives "".
///   u"abc" -> "%61%62%63", u"a b" -> "%61%20%62", u"힘" -> "%ED%9E%98"
std::string URLEncode(std::u16string_view text);

} // namespace velmora
