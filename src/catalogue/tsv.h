#pragma once
// Reading the catalogue's tab-separated data files.
#include <string>
#include <string_view>
#include <vector>

namespace catalogue::detail {

struct TTsvRow {
  int Line;  // 1-based line number in the file, for error messages
  std::vector<std::string> Fields;
};

// The rows of a data file; blank lines and lines starting with '#' are skipped.
std::vector<TTsvRow> ReadTsv(std::string_view text);

// Throws std::runtime_error("<file>:<line>: <message>").
[[noreturn]] void DataError(std::string_view file, int line, const std::string& message);

// Field helpers; each throws a DataError naming the row on bad input.
void ExpectFields(std::string_view file, const TTsvRow& row, size_t count);
int ParseInt(std::string_view file, const TTsvRow& row, const std::string& field);
// "-" stands for the empty string.
std::string DashEmpty(const std::string& field);
// "100, 105, 2202" or "-" (none).
std::vector<int> ParseKeyList(std::string_view file, const TTsvRow& row, const std::string& field);

}  // namespace catalogue::detail
