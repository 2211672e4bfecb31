// velmora-killed-set-writer PATH FIRST: writes the two sets of KilledWriteSets.h to PATH through
// writeSetFileAt, one after the other for ever, starting with set FIRST (0 or 1), until it is
// killed. On stdout it says "r" once both sets are made and the writing starts, then "b" as each
// write begins and "w" once it is on disk, so that whoever kills it knows where the kill landed.

#include <QString>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/SetFiles.h"
#include "tests/app/KilledWriteSets.h"

namespace {

void say(char what)
{
    if (write(STDOUT_FILENO, &what, 1) != 1)
        std::_Exit(3);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || (std::string(argv[2]) != "0" && std::string(argv[2]) != "1")) {
        std::fputs("usage: velmora-killed-set-writer PATH 0|1\n", stderr);
        return 64;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const velmora::EquipmentSetData sets[] = {velmora::test::killedWriteSet(0), velmora::test::killedWriteSet(1)};
    say('r');
    for (int which = argv[2][0] - '0';; which = 1 - which) {
        say('b');
        const QString why = velmora::writeSetFileAt(path, sets[which], false);
        if (!why.isEmpty()) {
            std::fprintf(stderr, "velmora-killed-set-writer: %s\n", why.toLocal8Bit().constData());
            return 1;
        }
        say('w');
    }
}
