#pragma once
// A recovery writer that reads one volume of type Volume, opened read-only by drive letter.
// The file system's writer adds what a stored row is and how its data is read.
#include "engine/recovery/FileRecovery.h"

#include <memory>

template <class Volume> class VolumeRecovery : public FileRecovery {
public:
    // Public for a writer used without Recover (tests).
    bool OpenVolume(char letter) override {
        m_letter = letter;
        m_volume = std::make_unique<Volume>();
        return m_volume->Open(letter, true);
    }

protected:
    std::unique_ptr<Volume> m_volume;
};
