// Decodes arbitrary bytes as an NTFS run list and reads through it over an in-memory volume.
#include "engine/volume/NTFSRunList.h"
#include "engine/volume/StreamBase.h"
#include "engine/volume/VolumeGeometry.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    StreamBase view;
    view.InitCopy(data, static_cast<uint32_t>(size), 0);
    NTFSRunList list;
    list.Decode(&view);
    NTFSRunList copy;
    copy.CopyAll(list);
    copy.AppendShifted(list);
    copy.AppendShifted(copy); // VCNs of long runs add up past 2^63
    copy.AppendSparse(0, 3);
    int64_t lcn = 0;
    uint64_t length = 0;
    for (bool ok = copy.FirstRun(&lcn, &length); ok; ok = copy.NextRun(&lcn, &length)) {
    }
    (void)copy.FirstLcn();
    (void)copy.TotalClusters();
    return 0;
}
