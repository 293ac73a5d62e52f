#pragma once
// Standard output through one buffer: rows are appended to it and it goes out in large
// writes. A failed write (a full disk, a closed pipe) raises CliError, so a command never
// reports success for output that was lost.
#include <string>
#include <string_view>

class OutputWriter {
public:
    static constexpr size_t kChunk = 256u << 10;

    OutputWriter();
    OutputWriter(const OutputWriter&) = delete;
    OutputWriter& operator=(const OutputWriter&) = delete;
    // Writes what is left; errors at that point are left to Finish.
    ~OutputWriter();

    // The buffer to append to; call EndLine after each line.
    std::string& Buffer() { return m_buffer; }
    void EndLine() {
        m_buffer += '\n';
        if (m_buffer.size() >= kChunk) Flush();
    }
    void Line(std::string_view text) {
        m_buffer.append(text);
        EndLine();
    }
    // Writes the buffer out; throws CliError when the output cannot take it.
    void Flush();
    // Flush, then make sure standard output holds everything.
    void Finish();

private:
    std::string m_buffer;
};
