#pragma once
// The search of every sector of a source for lost volumes as a long job. Both front ends run
// it through a ProgressSink: the bar counts the source's bytes, and a confirmed cancel stops
// the search at its next read. What was found before the stop is bound like any other find:
// a volume is bound whole or not at all.
#include "jobs/ProgressSink.h"
#include "jobs/VolumeBinder.h"

#include <string>

// Probe options for a search of every sector that reports to sink, which must outlive them.
// status names what is searched (the bar's status line); empty leaves the status alone.
// Reports Start, then one Step per MiB of the source searched or passed over.
ProbeOptions SectorSearchOptions(ProgressSink& sink, std::u16string status = {});

struct SectorSearchResult {
    BindResult bound;          // letters: only the volumes that were not bound before
    uint32_t volumesFound = 0; // every volume the search saw, bound before or now
    bool cancelled = false;
};

// Searches every sector of the source at path, whose volumes may already be bound (a table's
// partitions, the finds of the aligned search), and binds each volume found that no letter
// holds yet to the first free letters. The source's inventory is replaced by the search's.
SectorSearchResult SearchSourceSectors(platform::DriveMap& map, const std::string& path,
                                       ProgressSink& sink, std::u16string status = {});
