// velmora-expected-stats [INDEX=TYPED]...
// Reads stat texts, one per line, and prints the thirteen expected-stat captions, one per line,
// for bonus boxes switched on with the given typed texts (e.g. 0=10 for "공격력 % 증가" at 10 %).
// The end-to-end journey compares what the window shows with this.
#include <iostream>
#include <string>
#include <vector>

#include "stats/BonusSettings.h"
#include "stats/ExpectedStats.h"

int main(int argc, char **argv)
{
    velmora::BonusSettings bonus;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto equals = arg.find('=');
        if (equals == std::string::npos || !velmora::switchBonusOn(bonus, std::stoi(arg.substr(0, equals)),
                                                                   arg.substr(equals + 1))) {
            std::cerr << "usage: velmora-expected-stats [INDEX=TYPED]... < stat texts\n";
            return 2;
        }
    }
    std::vector<std::string> statTexts;
    for (std::string line; std::getline(std::cin, line);)
        statTexts.push_back(line);
    for (const std::string &caption : velmora::calculateExpectedStats(statTexts, bonus))
        std::cout << caption << '\n';
    return 0;
}
