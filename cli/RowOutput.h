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
