// Runs a format walker over arbitrary bytes: the first byte chooses the walker (every one is
// reached), the rest is the candidate file, and the second byte narrows the reader's limit so
// that walks also meet a limit inside the data. Whatever length a walk reports must lie
// within the limit.
#include "engine/carve/CarveFormats.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > (1u << 20)) return 0;
    const auto format = static_cast<CarveFormat>(data[0] % kCarveFormatCount);
    const uint8_t cut = data[1];
    data += 2;
    size -= 2;
    MemoryCarveSource source(data, size);
    const size_t limit = cut == 0 ? size : size - size * cut / 512;
    CarveReader reader(source, limit);
    const auto file = WalkCarveFormat(format, reader);
    if (file && (file->length == 0 || file->length > limit)) std::abort();
    (void)MatchCarveSignature(data, size);
    return 0;
}
