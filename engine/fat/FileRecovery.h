#pragma once
// Base of the recovery writers: owns the output file being written, the caller's callbacks and
// the byte count of the current file, and creates output files and folders below the
// destination. Destination paths are UTF-16 here and joined with "/"; they become UTF-8 only
// at the platform layer.
#include "engine/volume/EngineTypes.h"
#include "platform/OutputFile.h"

#include <cstdint>
#include <string>
#include <string_view>

class FileRecovery {
public:
    FileRecovery() = default;
    virtual ~FileRecovery();
    FileRecovery(const FileRecovery&) = delete;
    FileRecovery& operator=(const FileRecovery&) = delete;

    // Recovers the row whose record column is `record` from drive `letter`'s table below
    // `destination`. The exists callback is required; the others may be null.
    virtual bool Recover(char letter, uint64_t record, const char16_t* destination,
                         BeforeFileCallback before, RecoverProgressCallback progress,
                         FileDoneCallback done, ExistsCallback exists, void* user) = 0;

    // Creates (or overwrites) the output file at path. When something already exists there the
    // exists callback decides: answer 1 leaves it alone and fails. Bit 0x01 of attributes
    // (read-only) makes a file without write permission.
    bool CreateOutputFile(const std::u16string& path, uint32_t attributes);
    // Creates the folder at path; an existing one is reused unless the exists callback
    // answers 1 (a link to a folder is never reused).
    bool CreateOutputDirectory(const std::u16string& path);
    // Appends count bytes to the output file and reports progress. False when the write fails
    // or is short (the item then fails) or when the progress callback cancels.
    bool WriteData(const uint8_t* bytes, uint32_t count);
    // The WriteData of the writer passed as user: the data sink of the volume readers.
    static bool WriteDataSink(const uint8_t* bytes, uint32_t count, void* writer);
    // Last access and last write time of the output file (no creation time on this platform).
    bool SetTimes(uint64_t created, uint64_t accessed, uint64_t modified);
    // Closes the output file; false when a delayed write error shows up.
    bool CloseOutput();

    // "0x00" for 0, else the upper-case hex digits padded to an even count ("0x0ABC").
    static std::u16string FormatHexName(uint64_t value);
    // A name that is safe as one path component below the destination: "/" and NUL become
    // "_", "." and ".." get a leading "_", and an empty name becomes FormatHexName(hexValue).
    static std::u16string SafeOutputName(std::u16string_view name, uint64_t hexValue);
    // folder + "/" + name.
    static std::u16string JoinOutputPath(std::u16string_view folder, std::u16string_view name);

    uint64_t BytesWritten() const { return m_bytesWritten; }
    // Whether the last failure of WriteData came from the destination, not from a cancel.
    bool WriteFailed() const { return m_writeFailed; }
    const std::string& OutputError() const { return m_output.Error(); }

protected:
    // Keeps the callbacks, the user value and the drive letter of one Recover call.
    void KeepCallbacks(char letter, BeforeFileCallback before, RecoverProgressCallback progress,
                       FileDoneCallback done, ExistsCallback exists, void* user);
    // True when an existing item at path is to be left alone (the exists callback answered 1).
    bool KeepExisting(const std::u16string& path);
    void StartFile() {
        m_bytesWritten = 0;
        m_writeFailed = false;
    }

    platform::OutputFile m_output;
    char m_letter = 0;
    BeforeFileCallback m_before = nullptr;
    RecoverProgressCallback m_progress = nullptr;
    FileDoneCallback m_done = nullptr;
    ExistsCallback m_exists = nullptr;
    void* m_user = nullptr;
    uint64_t m_bytesWritten = 0;
    bool m_writeFailed = false;
};
