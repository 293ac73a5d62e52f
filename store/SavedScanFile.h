#pragma once
// A saved scan as a file: an SQLite database that holds a drive's table as "rows" and one row
// in "source" that names what was scanned. Saving copies the table out; reading opens the
// file read-only and reads nothing from it before its shape passed SavedScanProblem.
#include "store/CppSQLite3DB.h"
#include "store/UnreadFolders.h"

#include <cstdint>
#include <optional>
#include <string>

class DataBase;

// The row of the table "source".
struct SavedSource {
    char letter = 0;
    bool isNtfs = false;
    uint32_t rootKey = 0;
    std::string path;  // the source as it was bound
    uint64_t size = 0; // bytes of the volume that was read
    std::string bootChecksum;
    // Which volume of the source: all 0 for the whole source, and in files saved before
    // scans named their volume.
    uint64_t volumeOffset = 0;
    uint64_t volumeLength = 0;
    uint32_t partition = 0;
    std::string container; // the image container's name; written, not read back
    // What the scan left unread (all 0 in files saved before scans kept it).
    UnreadFolders unread;
};

// Writes the store's table and source into file, an empty file made for it. Raises
// CppSQLite3Exception when a step fails; the file is then left as far as it got.
void WriteSavedScan(DataBase& store, const std::string& file, const SavedSource& source);

// Opens file read-only on db, distrusting the SQL its schema holds; "" when it has the shape
// of a saved scan, else why it is refused.
std::string OpenSavedScan(CppSQLite3DB& db, const std::string& file);

// The source row of the saved scan that db holds as schema ("main" when it was opened by
// OpenSavedScan); nullopt when the table has no row.
std::optional<SavedSource> ReadSavedSource(CppSQLite3DB& db, const char* schema = "main");

// A saved scan attached read-only to the store's connection as "saved", while this lives.
class AttachedSavedScan {
public:
    AttachedSavedScan(DataBase& store, const std::string& file);
    AttachedSavedScan(const AttachedSavedScan&) = delete;
    AttachedSavedScan& operator=(const AttachedSavedScan&) = delete;
    ~AttachedSavedScan();

    // Why the attached file is refused ("" when it is not): checked again as attached, since
    // the file may have changed since it was first looked at.
    std::string Problem();
    std::optional<SavedSource> Source();
    // Replaces the store's table with the saved rows, after Problem found none. Returns the
    // number of rows copied.
    int64_t LoadRows();

private:
    DataBase& m_store;
    CppSQLite3DB& m_db;
};
