#include "catalogue/tsv.h"

#include <charconv>
#include <stdexcept>

#include "base/text.h"

namespace catalogue::detail {

std::vector<TTsvRow> ReadTsv(std::string_view text) {
  std::vector<TTsvRow> rows;
  int line = 0;
  for (const std::string& raw : base::Split(text, '\n')) {
    ++line;
    std::string_view l = raw;
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    if (l.empty() || l.front() == '#') continue;
    rows.push_back({line, base::Split(l, '\t')});
  }
  return rows;
}

void DataError(std::string_view file, int line, const std::string& message) {
  throw std::runtime_error(std::string(file) + ":" + std::to_string(line) + ": " + message);
}

void ExpectFields(std::string_view file, const TTsvRow& row, size_t count) {
  if (row.Fields.size() != count)
    DataError(file, row.Line,
              "expected " + std::to_string(count) + " fields, found " + std::to_string(row.Fields.size()));
}

int ParseInt(std::string_view file, const TTsvRow& row, const std::string& field) {
  int value = 0;
  const char* end = field.data() + field.size();
  auto [p, ec] = std::from_chars(field.data(), end, value);
  if (field.empty() || ec != std::errc() || p != end)
    DataError(file, row.Line, "not a number: '" + field + "'");
  return value;
}

std::string DashEmpty(const std::string& field) { return field == "-" ? std::string() : field; }

std::vector<int> ParseKeyList(std::string_view file, const TTsvRow& row, const std::string& field) {
  std::vector<int> keys;
  if (field == "-") return keys;
  for (const std::string& item : base::Split(field, ','))
    keys.push_back(ParseInt(file, row, base::Trim(item)));
  return keys;
}

}  // namespace catalogue::detail
