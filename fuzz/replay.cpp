// Replays fuzz inputs through the same checks as the fuzz target, in any build: each file named,
// and each file of each folder named, in name order. Aborts on the first broken promise; fails
// when there was nothing to replay.
#include "one_input.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (std::filesystem::is_directory(argv[i])) {
            for (const auto& entry : std::filesystem::directory_iterator(argv[i]))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
        } else {
            inputs.emplace_back(argv[i]);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const auto& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        if (!in.is_open() || in.bad()) {
            std::fprintf(stderr, "fuzz_replay: cannot read %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.filename().c_str());
        std::fflush(stdout);
        tess::fuzz::oneInput(bytes);
    }
    if (inputs.empty()) std::fprintf(stderr, "fuzz_replay: nothing to replay\n");
    return inputs.empty() ? 1 : 0;
}
