#pragma once
// The carving pass of the NTFS complete scan. The clusters the volume's $Bitmap marks in use,
// those that hold the records the scan found, and the data runs of every file row found
// (deleted ones included) are claimed; the signature hits collected during the cluster pass
// that lie in the remaining runs are walked, and the files that check out become carved rows.
#include "engine/carve/Carver.h"

#include <cstdint>
#include <vector>

class DataBase;
class NTFSVolume;

// Carves into store (which is loading: between BeginInsert and EndInsert). Returns the number
// of files carved.
size_t CarveNtfsVolume(NTFSVolume& volume, DataBase& store, std::vector<CarveHit> hits,
                       const CarveOptions& options);
