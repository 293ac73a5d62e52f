#pragma once
// What the scan that filled a drive's table left unread: live folders it listed but did not
// enter, because they lie deeper than its walk goes. Kept per drive letter beside the table,
// forgotten when the table is dropped, written into a saved scan and read back from it, so
// that every front end can say what a table lacks however it was filled.
#include <cstdint>

struct UnreadFolders {
    uint64_t count = 0;      // folders listed but not entered
    uint32_t depthBound = 0; // the folder levels the walk followed; 0 when none was bounded
};

// Records what the table of letter lacks (C to Z, lower case accepted; others are ignored).
void SetUnreadFolders(char letter, const UnreadFolders& unread);
// What the table of letter lacks; all 0 when nothing was recorded since it was last dropped.
UnreadFolders UnreadFoldersOf(char letter);
