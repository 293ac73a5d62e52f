#pragma once
// The caller's side of a recovery: its callbacks, and the output file being written with its
// byte count. The recovery walk asks its questions and reports its outcomes here, and the
// volume readers hand a file's data to Sink.
#include "engine/volume/EngineTypes.h"
#include "platform/OutputFile.h"

#include <cstdint>
#include <string>

// The callbacks of one recovery and the caller's value they get back. Only exists is
// required by the entry points; the others may be null.
struct RecoveryCallbacks {
    BeforeFileCallback before = nullptr;
    RecoverProgressCallback progress = nullptr;
    FileDoneCallback done = nullptr;
    ExistsCallback exists = nullptr;
    void* user = nullptr;
};

class RecoveryOutput {
public:
    explicit RecoveryOutput(const RecoveryCallbacks& callbacks) : m_callbacks(callbacks) {}
    RecoveryOutput(const RecoveryOutput&) = delete;
    RecoveryOutput& operator=(const RecoveryOutput&) = delete;

    // A file is about to be written; false when the caller declines it (or has cancelled).
    bool BeforeFile(const std::u16string& path, const std::u16string& name, uint64_t size);
    // True when an existing item at path is to be left alone (the exists callback answered 1).
    bool KeepExisting(const std::u16string& path);
    // One file's (or failed folder's) outcome.
    void FileDone(const RecoveredFile& file);

    // Starts a file: its byte count and refusals start over.
    void StartFile();
    platform::OutputFile& File() { return m_file; }
    // The data sink of the volume readers: Write of the RecoveryOutput passed as output.
    static bool Sink(const uint8_t* bytes, uint32_t count, void* output);
    uint64_t BytesWritten() const { return m_bytesWritten; }
    // Why the sink refused the current file's data: the destination refused it, or the
    // progress callback answered false (the caller's cancel).
    bool WriteFailed() const { return m_writeFailed; }
    bool CancelRequested() const { return m_cancelRequested; }

private:
    // Appends count bytes to the output file and reports progress. False when the write fails
    // or is short, or when the progress callback cancels.
    bool Write(const uint8_t* bytes, uint32_t count);

    RecoveryCallbacks m_callbacks;
    platform::OutputFile m_file;
    uint64_t m_bytesWritten = 0;
    bool m_writeFailed = false;
    bool m_cancelRequested = false;
};
