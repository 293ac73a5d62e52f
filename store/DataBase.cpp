#include "store/DataBase.h"

#include "platform/Text.h"
#include "store/CppSQLite3Exception.h"
#include "store/SqlText.h"
#include "store/UnreadFolders.h"

#include <array>
#include <atomic>

CppSQLite3DB& SharedDatabase() {
    static CppSQLite3DB database;
    static const bool checked = [] {
        database.checkOwnerOnEachCall();
        return true;
    }();
    (void)checked;
    return database;
}

namespace {

char NormalizeLetter(char letter) {
    if (letter >= 'a' && letter <= 'z') {
        return static_cast<char>(letter - 'a' + 'A');
    }
    if (letter < 'A' || letter > 'Z') {
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Invalid drive letter");
    }
    return letter;
}

// Per drive letter: whether the indexes left for later have been built since the table was
// last made or loaded afresh. Scans run on a worker thread while the window may ask.
std::array<std::atomic<bool>, 26> g_lateIndexesReady{};

void SetLateIndexesReady(char letter, bool ready) {
    g_lateIndexesReady[static_cast<size_t>(letter - 'A')].store(ready);
}

// Per drive letter: whether its last repair came from the rows noted while loading.
std::array<std::atomic<bool>, 26> g_repairedFromNotes{};
std::atomic<bool> g_noteRows{true};

} // namespace

std::string ExtensionOf(std::string_view utf8Name) {
    const size_t dot = utf8Name.rfind('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    std::string_view ext = utf8Name.substr(dot + 1);
    if (ext.size() > 10) {
        // Cut at 10 bytes, backing off over continuation bytes so that no character is split.
        size_t cut = 10;
        while (cut > 0 && (static_cast<unsigned char>(ext[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        ext = ext.substr(0, cut);
    }
    std::string lower(ext);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

DataBase::DataBase() : m_db(&SharedDatabase()) {}

DataBase::DataBase(char letter) : m_letter(NormalizeLetter(letter)), m_db(&SharedDatabase()) {
    EnsureTable();
}

DataBase::~DataBase() {
    if (m_insert) {
        // Loading was left by an exception: drop the prepared statement and the open
        // transaction so that the shared connection stays usable.
        try {
            m_insert->Finalize();
        } catch (const CppSQLite3Exception&) {
        }
        m_insert.reset();
        try {
            m_db->execute("rollback transaction;");
        } catch (const CppSQLite3Exception&) {
        }
    }
}

void DataBase::RequireLetter() const {
    if (m_letter == 0) {
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Invalid drive letter");
    }
}

void DataBase::SelectDrive(char letter) {
    m_facts.reset();
    m_letter = NormalizeLetter(letter);
    EnsureTable();
}

void DataBase::EnsureTable() {
    RequireLetter();
    if (!m_db->isOpen()) {
        m_db->open(":memory:");
        // Sorting (index builds, listings) stays in memory like the tables themselves,
        // instead of spilling to temporary files on the host.
        m_db->execute("PRAGMA temp_store=MEMORY;");
    }
    const char name[2] = {m_letter, '\0'};
    if (!m_db->tableExists(name)) {
        CreateTable(m_letter);
    }
}

namespace {

// The two indexes of a drive table, as created with it.
std::string PidIndex(char l, const char* ifNotExists = "") {
    return SqlFormat("CREATE INDEX %s[IDX_%c_PID] ON [%c]([id] ASC,[pid] ASC);", ifNotExists, l, l);
}
// Listing, counting and recovery look rows up by pid.
std::string ParentIndex(char l) {
    return SqlFormat("CREATE INDEX IF NOT EXISTS [IDX_%c_ParentOnly] ON [%c]([pid]);", l, l);
}
std::string PathIndex(char l, const char* ifNotExists = "") {
    return SqlFormat("CREATE INDEX %s[IDX_%c_Path] ON [%c]([depth] ASC,[path] ASC);", ifNotExists,
                     l, l);
}

} // namespace

void DataBase::CreateTable(char letter) {
    const char l = NormalizeLetter(letter);
    m_facts.reset();
    m_db->execute(
        SqlFormat(
            "CREATE TABLE [%c] ([fn] TEXT  NULL,[fn_ext] VARCHAR(20)  NULL,[size] INT(20)  NULL,"
            "[created] INT(20)  NULL,[modified] INT(20)  NULL,[accessed] INT(20)  NULL,"
            "[attributes] INT(10)  NULL,[id] INT(20)  NULL,[pid] INT(20)  NULL,"
            "[isDeleted] INT(1)  NULL,[isDir] INT(1)  NULL,[record] INT(20)  NULL,"
            "[firSector] INT(20)  NULL,[path] TEXT  NULL,[depth] INT DEFAULT 0 NULL,"
            "[recoverable] INTEGER NULL);",
            l) +
        PidIndex(l) + PathIndex(l));
    SetLateIndexesReady(l, false); // no index by record yet
}

void DataBase::DropTable() {
    m_facts.reset();
    EnsureTable();
    m_db->execute(SqlFormat("Drop table %c", m_letter));
    SetLateIndexesReady(m_letter, false);
    SetUnreadFolders(m_letter, {}); // a table filled anew lacks only what its filler says
}

void DataBase::BeginInsert() {
    EnsureTable();
    m_db->execute("begin transaction;");
    // The indexes by id and by pid, which the repair passes and listings need at once, are
    // kept up to date row by row: the rows go in on the inserting thread while the scan reads
    // on, which costs the scan less than building them after the last row. A fresh table
    // leaves its indexes by depth and path and by record to the first lookup by record.
    const bool fresh = m_db->query(SqlFormat("select 1 from [%c] limit 1", m_letter)).eof();
    m_mayHoldDotFolders = !fresh;
    m_facts.reset();
    if (fresh && g_noteRows.load()) m_facts.emplace();
    if (fresh) {
        m_db->execute(SqlFormat("DROP INDEX IF EXISTS [IDX_%c_Path];"
                                "DROP INDEX IF EXISTS [IDX_%c_Record];",
                                m_letter, m_letter));
        SetLateIndexesReady(m_letter, false);
    }
    m_db->execute(PidIndex(m_letter, "IF NOT EXISTS ") + ParentIndex(m_letter));
    m_insert.emplace(*m_db, m_letter);
}

void DataBase::InsertEntry(std::u16string_view name, uint64_t size, uint64_t created,
                           uint64_t modified, uint64_t accessed, uint32_t attributes, uint64_t id,
                           uint64_t pid, bool isDeleted, bool isDir, uint64_t record,
                           uint64_t firSector, std::optional<uint8_t> recoverable) {
    if (!m_insert) {
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Null Virtual Machine pointer");
    }
    // Stored names end at their first NUL.
    const bool dotFolder =
        isDir && !name.empty() && name[0] == u'.' && (name.size() == 1 || name[1] == u'\0');
    if (dotFolder) m_mayHoldDotFolders = true;
    if (m_facts)
        m_facts->Note(static_cast<int64_t>(id), static_cast<int64_t>(pid), isDir, isDeleted,
                      dotFolder);
    m_insert->Add(name,
                  {static_cast<int64_t>(size), static_cast<int64_t>(created),
                   static_cast<int64_t>(modified), static_cast<int64_t>(accessed),
                   static_cast<int64_t>(static_cast<int>(attributes)), static_cast<int64_t>(id),
                   static_cast<int64_t>(pid), isDeleted ? 1 : 0, isDir ? 1 : 0,
                   static_cast<int64_t>(record), static_cast<int64_t>(firSector),
                   recoverable ? static_cast<int64_t>(*recoverable) : InsertBatch::kNull});
}

CppSQLite3DB& DataBase::Db() {
    if (m_insert) {
        m_insert->Flush();
        m_mayHoldDotFolders = true; // whatever the caller adds while loading
    }
    m_facts.reset(); // the caller may change rows
    return *m_db;
}

CppSQLite3Query DataBase::ReadRows(const std::string& sql) {
    if (m_insert) m_insert->Flush();
    return m_db->readQuery(sql);
}

bool DataBase::RepairedFromNotes(char letter) {
    return g_repairedFromNotes[static_cast<size_t>(NormalizeLetter(letter) - 'A')].load();
}

void DataBase::SetNoteRowsForRepair(bool on) {
    g_noteRows.store(on);
}

void DataBase::NoteRepair(bool fromNotes) {
    g_repairedFromNotes[static_cast<size_t>(m_letter - 'A')].store(fromNotes);
}

void DataBase::EndInsert() {
    // The inserting thread uses the connection until every row it was handed is in: nothing
    // else may touch the connection before that.
    std::optional<TreeFacts> facts = std::move(m_facts);
    m_facts.reset();
    if (m_insert) m_insert->Flush();
    EnsureTable();
    m_db->execute("commit transaction;");
    if (m_insert) {
        InsertBatch& insert = *m_insert;
        try {
            insert.Finalize();
        } catch (const CppSQLite3Exception&) {
            m_insert.reset();
            throw;
        }
        m_insert.reset();
    }
    if (facts) {
        facts->Seal();
        m_facts = std::move(facts);
    }
}

void DataBase::EnsureLateIndexes(char letter) {
    const char l = NormalizeLetter(letter);
    std::atomic<bool>& ready = g_lateIndexesReady[static_cast<size_t>(l - 'A')];
    if (ready.load()) return;
    CppSQLite3DB& db = SharedDatabase();
    const char name[2] = {l, '\0'};
    if (!db.isOpen() || !db.tableExists(name)) return;
    db.execute(PathIndex(l, "IF NOT EXISTS ") +
               SqlFormat("CREATE INDEX IF NOT EXISTS [IDX_%c_Record] ON [%c]([record]);", l, l));
    ready.store(true);
}
