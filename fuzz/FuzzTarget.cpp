// One libFuzzer target: OBLIMO_FUZZ_FUNCTION names the entry it drives, and
// OBLIMO_FUZZ_IMAGES says whether it needs the image setup.

#include "FuzzEntries.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
#if OBLIMO_FUZZ_IMAGES
    PrepareImageFuzzing(argc, argv);
#endif
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    OBLIMO_FUZZ_FUNCTION(data, size);
    return 0;
}
