#pragma once

#include <QStringList>

#include <string>

namespace velmora {

/// The program's command line as the player typed it. On Windows the narrow `argv` is in the
/// system's ANSI code page, which cannot hold every Hangul file name: the command line is read
/// from Windows' own UTF-16 copy there instead.
QStringList programArguments(int argc, const char *const *argv);

/// Prints UTF-8 `text` on the terminal the program was started from (standard output, or the
/// error output with `error`). A Windows program with a window has no console of its own: it
/// writes to its parent's, or where its output was redirected, and prints nothing at all when
/// started from Explorer.
void printOnTerminal(const std::string &text, bool error);

} // namespace velmora
