#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// Piece k of `text` cut at every occurrence of `marker` (found left to right, without overlap,
/// case-sensitive): piece 0 is the text before the first occurrence, piece k the text between the
/// k-th and the (k + 1)-th occurrence or the end. A text without the marker is one piece, itself;
/// the empty text has no piece at all. A piece that does not exist is nullopt.
///   piece("a,b,,c", ",", 2) == "", piece("abc", ",", 0) == "abc", piece("", ",", 0) == nullopt
/// An empty marker never occurs (the text is one piece). The result views into `text`.
std::optional<std::string_view> piece(std::string_view text, std::string_view marker, std::size_t k);

/// The text before the first occurrence of `marker`, or the whole text when it does not occur
/// (or is empty). The result views into `text`.
std::string_view before(std::string_view text, std::string_view marker);

/// Every occurrence of `from` replaced by `to`, left to right, without overlap, case-sensitive.
/// The replacement is not searched again: replaceAll("aaa", "a", "aa") == "aaaaaa". An empty
/// `from` changes nothing.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

} // namespace velmora
