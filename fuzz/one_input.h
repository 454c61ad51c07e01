// One input through the icon engine, as the fuzz target and the regression test run it.
#pragma once

#include <cstdint>
#include <span>

namespace tess::fuzz {

// The first byte selects the path: the bytes read from memory; or written to a file and read
// through the file reader with small blocks, a cache of parsed files and the drawing choice; or
// split into a system library and the .mun it is redirected to. Aborts where the engine breaks
// one of its own promises (the sanitizers catch the rest).
void oneInput(std::span<const std::uint8_t> input);

} // namespace tess::fuzz
