#pragma once
// Printing rows: one JSON object per line with the table's column names, or the file list's
// columns as text. Rows are appended to the output's buffer as they come; the values that
// repeat from row to row (a folder's path, dates, sizes, attributes) are formatted once.
#include "store/RowReader.h"
#include "store/ScanRow.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class OutputWriter;

class RowPrinter {
public:
    enum class Style { kJson, kText, kTextWithPath };

    RowPrinter(OutputWriter& out, Style style);

    // The column captions of the text styles; nothing for JSON.
    void Header();
    // A row read from the table (UTF-8 name) in the folder whose path is given ("E:\Docs\").
    void Print(const RowFields& row, std::string_view folderPath);
    // A row handed over by the listing or the search, with the given folder path.
    void Print(const ScanRow& row, std::string_view folderPath);

private:
    void PrintClean(const RowFields& row, std::string_view name, std::string_view folderPath);
    std::string_view EncodedPath(std::string_view folderPath);
    std::string_view Date(uint64_t fileTime);
    std::string_view Size(uint64_t bytes);
    std::string_view Attributes(uint32_t flags);

    struct DateSlot {
        int64_t second = -1; // seconds since 1601 of the text
        uint8_t length = 0;
        char text[31] = {};
    };

    OutputWriter& m_out;
    Style m_style;
    std::string m_name; // scratch: the row's cleaned name
    std::string m_path; // scratch: a handed-over row's path
    std::string m_pathSource;
    std::string m_pathEncoded;
    bool m_havePath = false;
    std::array<DateSlot, 1024> m_dates{};
    uint64_t m_sizeValue = 0;
    std::string m_sizeText;
    bool m_haveSize = false;
    uint32_t m_attributeFlags = 0;
    std::string m_attributeText;
    bool m_haveAttributes = false;
};

// The text header line (without its line end).
std::string TextHeader(bool withPath);
// Appends text as a JSON string, quotes included.
void AppendJsonString(std::string& out, std::string_view utf8);
// Text (UTF-8) as it may go to a terminal: control characters (C0, DEL, C1) and the invisible
// bidirectional controls written as escapes, as in JSON (\n, \t, \r, \u001b, \u202e);
// everything else, backslashes included, unchanged.
std::string TerminalText(const std::string& utf8);
void AppendTerminalText(std::string& out, std::string_view utf8);
