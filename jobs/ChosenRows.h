#pragma once
// Choosing what a recovery writes from a drive's table: the topmost deleted rows (a deleted
// folder brings its contents along), dropping chosen rows that lie inside another chosen
// folder (so that nothing is written twice), and the output folder that keeps a row's folders
// below the destination.
#include "store/ScanRow.h"

#include <cstdint>
#include <string>
#include <vector>

// Every deleted row whose parent folder is not itself deleted, in table order, each with the
// path of its folder ("E:\Docs\"). A damaged table may name parents that are missing or link
// folders in a loop: such a path holds the folders as far as they can be followed.
std::vector<ScanRow> TopmostDeletedRows(char letter, uint64_t rootKey);

// rows without those that lie below another folder of rows (found by climbing the parent ids
// of the table), in their order. A folder that is chosen twice stays once.
std::vector<ScanRow> WithoutNested(char letter, const std::vector<ScanRow>& rows);

// root/Docs/Reports for a row whose folder path is "E:\Docs\Reports\", each folder name made
// safe as one path component. A path without the drive ("Docs\") is taken as it stands.
std::u16string FolderDestination(const std::u16string& root, const std::u16string& folderPath);
