#pragma once
// Printing rows: one JSON object per line with the table's column names, or the file list's
// columns as text.
#include "store/ScanRow.h"

#include <string>

std::string JsonRow(const ScanRow& row);
// Text: deleted marker, name, size, created, modified, accessed, attributes, id, parent id.
std::string TextRow(const ScanRow& row, bool withPath);
std::string TextHeader(bool withPath);
std::string JsonString(const std::string& utf8);
// Text (UTF-8) as it may go to a terminal: control characters (C0, DEL, C1) and the invisible
// bidirectional controls written as escapes, as in JSON (\n, \t, \r, \u001b, \u202e);
// everything else, backslashes included, unchanged.
std::string TerminalText(const std::string& utf8);
