// The libFuzzer target: every reader and decoder of the icon engine, from memory and through
// files (see one_input.h).
#include "one_input.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tess::fuzz::oneInput({data, size});
    return 0;
}
