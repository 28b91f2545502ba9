#include "base/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "base/paths.h"
#include "base/text.h"

namespace base {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The whole file, or nothing when it cannot be read or is not UTF-8 text.
std::optional<std::string> ReadText(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return std::nullopt;
  std::string text = buffer.str();
  if (StartsWith(text, kBom)) text.erase(0, kBom.size());
  if (!IsValidUtf8(text) || text.find('\0') != std::string::npos) return std::nullopt;
  return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines = Split(text, '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();  // the final line break
  for (auto& line : lines)
    if (!line.empty() && line.back() == '\r') line.pop_back();
  return lines;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string> SectionOf(const std::string& line) {
  const std::string trimmed = Trim(line);
  if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') return std::nullopt;
  return Trim(std::string_view(trimmed).substr(1, trimmed.size() - 2));
}

// The key of a "key=value" line, or nothing for blank lines, comments and lines without "=".
std::optional<std::string> KeyOf(const std::string& line) {
  const std::string trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
  const auto eq = line.find('=');
  if (eq == std::string::npos) return std::nullopt;
  return Trim(std::string_view(line).substr(0, eq));
}

bool SameName(std::string_view a, std::string_view b) { return AsciiLower(a) == AsciiLower(b); }

// Writes the text to a temporary file in the same folder and renames it over the target.
bool ReplaceFileAtomically(const std::string& target, const std::string& text) {
  const std::string folder = std::filesystem::path(target).parent_path().string();
  if (!folder.empty() && !ForceDirectories(folder)) return false;
  std::string pattern = target + ".XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) return false;
  struct stat old {};
  fchmod(fd, stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  const bool ok = written == text.size() && fsync(fd) == 0;
  close(fd);
  if (!ok || std::rename(pattern.c_str(), target.c_str()) != 0) {
    unlink(pattern.c_str());
    return false;
  }
  return true;
}

// A symbolic link is followed so that the link itself survives the rename.
std::string ResolvedTarget(const std::string& fileName) {
  std::error_code ec;
  if (std::filesystem::is_symlink(fileName, ec)) {
    const auto resolved = std::filesystem::weakly_canonical(fileName, ec);
    if (!ec) return resolved.string();
  }
  return fileName;
}

}  // namespace

bool TIniFile::Exists() const {
  struct stat st {};
  return stat(fileName_.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string TIniFile::ReadString(std::string_view ASection, std::string_view AKey,
                                 std::string_view ADefault) const {
  const auto text = ReadText(fileName_);
  if (!text) return std::string(ADefault);
  bool inSection = false;
  for (const auto& line : SplitLines(*text)) {
    if (const auto section = SectionOf(line)) {
      inSection = SameName(*section, ASection);
      continue;
    }
    if (!inSection) continue;
    const auto key = KeyOf(line);
    if (key && SameName(*key, AKey)) return Trim(std::string_view(line).substr(line.find('=') + 1));
  }
  return std::string(ADefault);
}

bool TIniFile::WriteString(std::string_view ASection, std::string_view AKey, std::string_view AValue) {
  if (AValue.find_first_of("\r\n") != std::string_view::npos ||
      AKey.find_first_of("\r\n=") != std::string_view::npos ||
      ASection.find_first_of("\r\n]") != std::string_view::npos)
    return false;
  std::vector<std::string> lines = SplitLines(ReadText(fileName_).value_or(""));
  const std::string entry = std::string(AKey) + "=" + std::string(AValue);

  // Find the first matching section and, within it, the key and the last key line.
  std::optional<size_t> sectionLine, keyLine, lastEntryLine;
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (const auto section = SectionOf(lines[i])) {
      if (inSection) break;
      inSection = !sectionLine && SameName(*section, ASection);
      if (inSection) sectionLine = i;
      continue;
    }
    if (!inSection) continue;
    if (const auto key = KeyOf(lines[i])) {
      lastEntryLine = i;
      if (SameName(*key, AKey)) {
        keyLine = i;
        break;
      }
    }
  }

  if (keyLine) {
    lines[*keyLine] = entry;
  } else if (sectionLine) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastEntryLine.value_or(*sectionLine) + 1),
                 entry);
  } else {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back("[" + std::string(ASection) + "]");
    lines.push_back(entry);
  }

  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return ReplaceFileAtomically(ResolvedTarget(fileName_), text);
}

}  // namespace base
