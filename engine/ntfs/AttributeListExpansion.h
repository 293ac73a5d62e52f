#pragma once
// Joining a file's attributes when they do not all fit its base record: $ATTRIBUTE_LIST names
// the extension records that hold the rest, and a large non-resident attribute may be split
// into fragments (each covering a VCN range) stored in several records.
#include "engine/ntfs/NTFSAttribute.h"
#include "engine/ntfs/NTFSAttributeListEntry.h"

#include <vector>

struct NTFSBootInfo;
class NTFSVolume;

// Appends to list copies of the attributes that the record's attribute lists name in other
// records (found by record number through $MFT's runs), removes the lists and merges
// fragments. False when a non-resident list cannot be
// read whole (the lists handled before it stay expanded; no merge runs then).
bool ExpandAttributeList(NTFSAttributeList& list, NTFSVolume* volume);

// Joins the fragments (non-resident attributes starting at a VCN other than 0) to the
// attribute they continue, in VCN order, whatever order they are listed in. A missing piece
// becomes a sparse run, so reading the attribute gives zeros there. Fragments that overlap
// what is already joined are dropped. Always true.
bool MergeFragments(NTFSAttributeList& list, const NTFSBootInfo& boot);

// The entries of an $ATTRIBUTE_LIST attribute, read from its clusters when it is not resident
// (the attribute itself is left as it is). Empty when it cannot be read.
std::vector<NTFSAttributeListEntry> ReadAttributeListEntries(NTFSAttribute& list,
                                                             NTFSVolume* volume);
