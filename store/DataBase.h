#pragma once
// The scan-result store of one drive: a table named after the drive letter in the process's
// one in-memory database. Scans load it (SelectDrive, DropTable, BeginInsert, InsertEntry...,
// EndInsert, AdoptOrphans, FinishTree); listing, search and recovery read it. Every failing
// statement raises CppSQLite3Exception.
#include "store/CppSQLite3DB.h"

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

    // Loading: one transaction and one prepared INSERT for all rows of a scan.
    void BeginInsert();
    void InsertEntry(std::u16string_view name, uint64_t size, uint64_t created, uint64_t modified,
                     uint64_t accessed, uint32_t attributes, uint64_t id, uint64_t pid,
                     bool isDeleted, bool isDir, uint64_t record, uint64_t firSector);
    // Commits the rows and adds the lookup indexes on pid and record.
    void EndInsert();

    // Repair passes after loading.
    void AdoptOrphans(uint64_t rootId);
    void FinishTree(uint64_t rootId);
    // Fills path and depth of the children of one folder, if not done yet.
    void FillChildPaths(uint64_t folderId);

    char Letter() const { return m_letter; }
    CppSQLite3DB& Db() { return *m_db; }

private:
    void RequireLetter() const;

    char m_letter = 0;
    CppSQLite3DB* m_db;
    std::optional<CppSQLite3Statement> m_insert;
    std::string m_nameBuffer; // reused across InsertEntry calls
    std::string m_extBuffer;
    // The numbers bound to the INSERT's parameters 3 to 13 for the last row. A statement keeps
    // its bindings from row to row, so a number equal to the last row's is not bound again.
    int64_t m_bound[11] = {};
    bool m_boundValid = false;
    bool m_indexesDeferred = false; // the table's own indexes are rebuilt by EndInsert
};

// The extension stored for a name (UTF-8): the text after the last dot, at most 10 bytes
// (never splitting a character), ASCII letters lower-cased; "" when there is no dot.
std::string ExtensionOf(std::string_view utf8Name);
