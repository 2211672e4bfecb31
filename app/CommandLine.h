#pragma once

#include <QString>

#include <optional>
#include <string>

namespace velmora {

/// What the command line asks for: `velmora [FILE]`, `velmora --help`, `velmora --version`.
struct CommandLine {
    /// What to print on the terminal before ending without starting anything (--help, --version,
    /// or what is wrong with the command line); nullopt when the program starts.
    std::optional<std::string> answer;
    /// The status to end with after printing `answer`.
    int status = 0;
    /// The set file to open once the window is up; "" for none.
    QString setFile;
};

/// Reads the command line. Needs no QApplication, so that --help and --version answer on a
/// terminal without a display. Qt's own options (-platform, -style, …) are left for Qt.
CommandLine readCommandLine(int argc, const char *const *argv);

} // namespace velmora
