#include "cli/OutputWriter.h"

#include "cli/Drive.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

[[noreturn]] void WriteFailed(int error) {
    throw CliError{std::string("cannot write the output: ") + std::strerror(error)};
}

} // namespace

OutputWriter::OutputWriter() {
    m_buffer.reserve(kChunk + 4096);
}

OutputWriter::~OutputWriter() {
    if (!m_buffer.empty()) {
        std::fwrite(m_buffer.data(), 1, m_buffer.size(), stdout);
    }
}

void OutputWriter::Flush() {
    if (m_buffer.empty()) return;
    errno = 0;
    const size_t written = std::fwrite(m_buffer.data(), 1, m_buffer.size(), stdout);
    if (written != m_buffer.size()) {
        const int error = errno ? errno : EIO;
        m_buffer.clear();
        WriteFailed(error);
    }
    m_buffer.clear();
}

void OutputWriter::Finish() {
    Flush();
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        WriteFailed(errno ? errno : EIO);
    }
}
