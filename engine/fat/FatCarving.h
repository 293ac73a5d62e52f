#pragma once
// The carving pass of the FAT complete scan. After the cluster pass, the clusters that the
// found rows claim (live files along their chains, deleted files from their first cluster on
// for their size, folders, and every cluster in which entries were found) and those of the
// root folder are set aside; the signature hits collected during the pass that lie in the
// remaining runs are walked, and the files that check out become carved rows.
#include "engine/carve/Carver.h"

#include <cstdint>
#include <vector>

class DataBase;
class FATVolume;

// Carves into store (which is loading: between BeginInsert and EndInsert). directoryClusters
// are the clusters in which the pass found entries. Returns the number of files carved.
size_t CarveFatVolume(FATVolume& volume, DataBase& store, std::vector<CarveHit> hits,
                      const std::vector<uint32_t>& directoryClusters, const CarveOptions& options);
