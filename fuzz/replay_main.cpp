// Runs a fuzz target's LLVMFuzzerTestOneInput over saved inputs, for compilers without libFuzzer:
// every file in each directory named on the command line (in name order, so a failure is
// reproducible), or the file itself when a file is named. A directory that does not exist is
// skipped: a target need not have regressions. A broken invariant aborts the program.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool runFile(const fs::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "replay: cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Printed before the run so that the input that aborts is the last one named.
    std::fprintf(stderr, "replay: %s (%zu bytes)\n", file.c_str(), bytes.size());
    // A copy in its own allocation, so that AddressSanitizer sees any read past its end.
    std::vector<std::uint8_t> input(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(input.empty() ? nullptr : input.data(), input.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    std::size_t runs = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const fs::path path = argv[i];
        std::error_code error;
        if (fs::is_regular_file(path, error)) {
            ok = runFile(path) && ok;
            ++runs;
            continue;
        }
        if (!fs::is_directory(path, error)) {
            std::fprintf(stderr, "replay: %s does not exist, skipped\n", path.c_str());
            continue;
        }
        std::vector<fs::path> files;
        for (const fs::directory_entry &entry : fs::recursive_directory_iterator(path))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path &file : files) {
            ok = runFile(file) && ok;
            ++runs;
        }
    }
    // The empty input is always worth one run.
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::fprintf(stderr, "replay: %zu inputs, %s\n", runs, ok ? "all passed" : "some unreadable");
    return ok ? 0 : 1;
}
