#include "app/Terminal.h"

#include <QString>

#include <cstdio>

namespace velmora {

QStringList programArguments(int argc, const char *const *argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

void printOnTerminal(const std::string &text, bool error)
{
    std::fputs(text.c_str(), error ? stderr : stdout);
    std::fflush(error ? stderr : stdout);
}

} // namespace velmora
