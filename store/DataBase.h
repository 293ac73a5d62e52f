#pragma once
// The scan-result store of one drive: a table named after the drive letter in the process's
// one in-memory database. Scans load it (SelectDrive, DropTable, BeginInsert, InsertEntry...,
// EndInsert, AdoptOrphans, FinishTree); listing, search and recovery read it. Every failing
// statement raises CppSQLite3Exception.
#include "store/CppSQLite3DB.h"
#include "store/InsertBatch.h"
#include "store/TreeFacts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Name of the synthetic folder that receives the rows whose parent folder was not found.
inline constexpr const char* kExtraFolderName = "!!!ADVANCED - EXTRA!!!";
inline constexpr uint32_t kExtraFolderAttributes = 0x10000010;

// The process's one in-memory database, made on first use, closed at exit.
CppSQLite3DB& SharedDatabase();

class DataBase {
public:
    DataBase();
    // Binds to a drive letter (C to Z, lower case accepted) and makes sure its table exists.
    explicit DataBase(char letter);
    DataBase(const DataBase&) = delete;
    DataBase& operator=(const DataBase&) = delete;
    virtual ~DataBase();

    void SelectDrive(char letter);
    // Opens the shared database if needed and creates the drive's table if it is missing.
    void EnsureTable();
    void CreateTable(char letter);
    void DropTable();

    // Loading: one transaction and one batch of prepared INSERTs for all rows of a scan. Rows
    // reach the table in groups; Db() and EndInsert send the rows still waiting first.
    void BeginInsert();
    void InsertEntry(std::u16string_view name, uint64_t size, uint64_t created, uint64_t modified,
                     uint64_t accessed, uint32_t attributes, uint64_t id, uint64_t pid,
                     bool isDeleted, bool isDir, uint64_t record, uint64_t firSector,
                     std::optional<uint8_t> recoverable = std::nullopt);
    // Commits the rows. The table has its indexes by id and by pid; those by record and by
    // depth and path wait for EnsureLateIndexes.
    void EndInsert();
    // Builds the indexes that a freshly loaded table leaves for later (by record, by depth and
    // path), once per load; lookups by record call it first. Rows are found with or without
    // them: they only spare those lookups a read of the whole table.
    static void EnsureLateIndexes(char letter);

    // Repair passes after loading.
    void AdoptOrphans(uint64_t rootId);
    void FinishTree(uint64_t rootId);
    // Fills path and depth of the children of one folder, if not done yet.
    void FillChildPaths(uint64_t folderId);

    // Whether the last repair of letter's table (AdoptOrphans and FinishTree) was answered from
    // what was noted of its rows while loading, without reading the whole table for it.
    static bool RepairedFromNotes(char letter);
    // On by default. Off, loads note nothing and every repair reads the table, which must
    // leave the same rows: a check of one way against the other.
    static void SetNoteRowsForRepair(bool on);

    char Letter() const { return m_letter; }
    // The connection, with every row inserted so far in the table.
    CppSQLite3DB& Db();
    // Reads rows of the connection, while loading (every row inserted so far in the table) or
    // after it. Unlike Db(), it keeps what was noted of the rows for the repair passes, as a
    // statement that would change the database is refused.
    CppSQLite3Query ReadRows(const std::string& sql);

private:
    void RequireLetter() const;
    void NoteRepair(bool fromNotes);

    char m_letter = 0;
    CppSQLite3DB* m_db;
    std::optional<InsertBatch> m_insert; // while loading
    // Whether the table may hold folder rows named "." (the NTFS root's own row): false only
    // after this object loaded a fresh table through InsertEntry without one, and then the
    // repair pass that removes them need not read the table.
    bool m_mayHoldDotFolders = true;
    // What the rows of a fresh load through InsertEntry say about the tree, for the repair
    // passes; dropped as soon as anything else may have changed the table (Db()).
    std::optional<TreeFacts> m_facts;
};

// The extension stored for a name (UTF-8): the text after the last dot, at most 10 bytes
// (never splitting a character), ASCII letters lower-cased; "" when there is no dot.
std::string ExtensionOf(std::string_view utf8Name);
