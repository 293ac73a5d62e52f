#pragma once
// How many folder levels the walks through a volume's tree follow: the quick scans that list
// a tree and the recovery walk that writes one. They share one bound, so that a recovery
// started at the root writes every level a scan lists. No path the home systems of these
// file systems can name (32767 characters, at least two a level) reaches this deep; the walks
// keep their folders on stacks of their own, so a deeper tree never deepens the call stack.
#include <cstdint>

// Folder levels, the first being the folder a walk starts from (a volume's root for a scan).
inline constexpr uint32_t kMaxFolderDepth = 16384;
