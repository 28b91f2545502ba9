#pragma once
// The settings file: a profile file of "[Section]" headers and "Key=Value" lines, read and written one
// value at a time. Every read looks at the file as it is now; every write reaches the file at once,
// atomically (a temporary file beside it, then a rename), creating the file and its folder when missing.
// Text is UTF-8. Section and key names compare without regard to ASCII case, as profile files do.
#include <string>
#include <string_view>

namespace base {

class TIniFile {
 public:
  explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

  const std::string& FileName() const { return fileName_; }
  // True when the file exists (readable or not).
  bool Exists() const;

  // The stored value, trimmed of surrounding blanks; ADefault when the file, the section or the key is
  // missing, or the file cannot be read or is not text.
  std::string ReadString(std::string_view ASection, std::string_view AKey, std::string_view ADefault) const;

  // Stores one value and rewrites the file. Other lines are kept as they were. False when the file
  // cannot be written (read-only folder, ...) or the value would break the line format (a line break).
  // A file that is not text is replaced by a fresh one.
  bool WriteString(std::string_view ASection, std::string_view AKey, std::string_view AValue);

 private:
  std::string fileName_;
};

}  // namespace base
