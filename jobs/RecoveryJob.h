#pragma once
// The recovery job without windows: checks a destination, then recovers chosen rows one
// RecoverItem call each, answering the writers' questions through an observer that a front
// end implements (progress bar, prompt, counter).
#include <cstdint>
#include <string>
#include <vector>

enum class ExistingChoice { kOverwrite = 0, kSkip = 1, kPrompt = 2 };

enum class DestinationVerdict {
    kOk,
    kInvalid,   // the destination cannot be written ("Invalid path..." text)
    kSameDrive, // the destination lies on the scanned source
    kMissing,   // the folder does not exist yet and can be created
};

// Checks a destination folder (UTF-8) for a drive whose source is sourcePath.
DestinationVerdict CheckDestination(const std::string& destination, const std::string& sourcePath);

class RecoveryObserver {
public:
    virtual ~RecoveryObserver() = default;
    // Files the next item will write.
    virtual void OnCount(uint32_t total) { (void)total; }
    // A file is about to be written; index counts from 1 within the current item. False skips.
    virtual bool OnBeforeFile(const std::u16string& outputPath, const std::u16string& name,
                              uint64_t size, uint32_t index, uint32_t total) = 0;
    // Bytes written of the current file; false stops it.
    virtual bool OnProgress(uint64_t written) {
        (void)written;
        return true;
    }
    virtual void OnFileDone() {}
    // Prompt choice: true overwrites the existing item.
    virtual bool AskOverwrite(const std::u16string& path) {
        (void)path;
        return false;
    }
};

class RecoveryJob {
public:
    RecoveryJob(char letter, bool isNtfs, ExistingChoice choice, RecoveryObserver* observer)
        : m_letter(letter), m_isNtfs(isNtfs), m_choice(choice), m_observer(observer) {}

    // Recovers the row with this record below destination (UTF-16 path); the writer's result.
    bool Recover(uint64_t record, const std::u16string& destination);

    uint32_t ItemsOk() const { return m_itemsOk; }
    uint32_t ItemsFailed() const { return m_itemsFailed; }
    uint32_t FilesStarted() const { return m_filesStarted; }
    uint32_t FilesDone() const { return m_filesDone; }

private:
    static void CountCb(uint32_t count, void* context);
    static bool BeforeCb(const char16_t* path, const char16_t* name, uint32_t low, uint32_t high,
                         void* context);
    static bool ProgressCb(uint32_t low, uint32_t high, void* context);
    static void DoneCb(void* context);
    static void ExistsCb(const char16_t* path, uint32_t zero, int* answer, void* context);

    char m_letter;
    bool m_isNtfs;
    ExistingChoice m_choice;
    RecoveryObserver* m_observer;
    uint32_t m_total = 0;
    uint32_t m_index = 0;
    uint32_t m_itemsOk = 0;
    uint32_t m_itemsFailed = 0;
    uint32_t m_filesStarted = 0;
    uint32_t m_filesDone = 0;
};
