#pragma once
// What a scan could not do, beyond the yes or no of its entry point: a front end words it and
// counts it, so that a scan that left part of a volume unread never reads as complete.
#include <cstdint>

struct ScanNotes {
    // Live folders that were listed but not entered because they lie deeper than the walk
    // goes: nothing below them is listed.
    uint64_t foldersTooDeep = 0;
    // That depth in folder levels (the root is the first); 0 when no walk was bounded.
    uint32_t depthBound = 0;
};
