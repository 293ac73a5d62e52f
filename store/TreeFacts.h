#pragma once
// What the rows of a fresh load say about the tree, noted row by row on the scan's side while
// the inserting thread works, so that the repair passes after loading need not read the whole
// table to ask it: is any row an orphan, which folders are the parents of deleted rows and of
// folders, which rows are "." folders. It holds only while the table holds exactly the rows
// noted, in the order noted (rowids 1, 2, ... of a table that was empty), or those rows as the
// adoption of orphans left them (see Adopted).
#include <cstddef>
#include <cstdint>
#include <vector>

class TreeFacts {
public:
    // A row as stored (ids as the table holds them). dotFolder: a folder named ".".
    void Note(int64_t id, int64_t pid, bool isDir, bool isDeleted, bool dotFolder);
    // Ends the noting: the lists below are sorted and hold each number once.
    void Seal();
    bool Sealed() const { return sealed_; }

    // Whether some row's pid, other than root, is the id of no folder row; those pids.
    bool HasOrphans(int64_t root) const;
    std::vector<int64_t> OrphanParents(int64_t root) const;
    // Whether number is the id of a folder row or the pid of a row.
    bool Known(int64_t number) const;
    // The orphans now sit below a new folder row extraId (a number not Known), deleted, and
    // that folder below root; holdsFolders: some of them are folders other than ".". The pids
    // of the orphans stay in the lists below: they are the ids of no folder row, so the
    // repair passes find nothing by them. HasOrphans and Known no longer answer after it.
    void Adopted(int64_t extraId, int64_t root, bool holdsFolders);
    // The rowids of the "." folder rows.
    const std::vector<int64_t>& DotFolderRows() const { return dotRows_; }
    // The pids of the deleted rows and of the folder rows, "." folders left out (the repair
    // removes those before it asks).
    const std::vector<int64_t>& DeletedRowParents() const { return deletedParents_; }
    const std::vector<int64_t>& FolderParents() const { return folderParents_; }

private:
    // Appends value unless it repeats the last one (rows of a folder mostly come together);
    // sorts and deduplicates whenever the list has doubled since, so that it stays as small
    // as the distinct numbers it holds.
    struct Set {
        std::vector<int64_t> values;
        size_t compacted = 0;
        void Add(int64_t value);
        void Compact();
    };

    int64_t rows_ = 0;
    bool sealed_ = false;
    Set folderIds_, parents_;
    Set deletedParentSet_, folderParentSet_;
    std::vector<int64_t> dotRows_;
    std::vector<int64_t> deletedParents_, folderParents_;
};
