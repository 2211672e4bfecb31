// The cut of a large result page, timed by the program itself, so that the same measurement runs
// in the Linux build and in the Windows build under Wine (where Google Benchmark is not built):
//   velmora_bench_cut_probe PAGE_FILE RUNS        prints "hits=N median_ms=M" for RUNS cuts
//   velmora_bench_cut_probe --write PAGE_FILE HITS  (Linux) writes the sample site's result page
//                                                   of HITS generated hits
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "itemdb/SearchPage.h"
#ifndef _WIN32
#include "bench/BenchData.h"
#endif

int main(int argc, char *argv[])
{
    using Clock = std::chrono::steady_clock;
#ifndef _WIN32
    if (argc == 4 && std::string(argv[1]) == "--write") {
        std::ofstream(argv[2], std::ios::binary) << velmora::bench::searchResultPage(std::strtoul(argv[3], nullptr, 10));
        return 0;
    }
#endif
    if (argc != 3)
        return 64;
    std::ifstream file(argv[1], std::ios::binary);
    const std::string page((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const int runs = std::max(1, std::atoi(argv[2]));
    std::vector<double> times;
    std::size_t hits = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        const velmora::SearchHits cut = velmora::cutSearchPage(page);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        hits = cut.size();
    }
    std::sort(times.begin(), times.end());
    std::printf("hits=%zu median_ms=%.3f\n", hits, times[times.size() / 2]);
    return hits == 0 ? 1 : 0;
}
