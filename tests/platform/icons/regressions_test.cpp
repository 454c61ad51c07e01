// The inputs kept in fuzz/regressions, run through every path of the fuzz target.
#include "../../../fuzz/one_input.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(FuzzRegressions, EveryKeptInputRunsClean) {
    std::size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TESSALINE_FUZZ_REGRESSIONS)) {
        if (!entry.is_regular_file()) continue;
        SCOPED_TRACE(entry.path().string());
        tess::fuzz::oneInput(tess::fixtures::readFile(entry.path().string()));
        ++n;
    }
    EXPECT_GT(n, 0u);
}
