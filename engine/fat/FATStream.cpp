#include "engine/fat/FATStream.h"

bool FATStream::ReadU32At(uint32_t offset, uint32_t& value) {
    if (!Data() || !Has(offset, 4)) return false;
    value = U32At(offset);
    Seek(offset + 4);
    return true;
}
