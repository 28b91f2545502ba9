#include "base/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace base {

namespace {
constexpr const char* kProductFolder = "Vornel视频软件";
constexpr const char* kOutputFolder = "输出";
constexpr const char* kSnapshotFolder = "快照";

std::string StripTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}
}  // namespace

std::string ExecutableFolder() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return StripTrailingSlashes(std::filesystem::current_path(ec).string());
  return StripTrailingSlashes(exe.parent_path().string());
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr)
    return found->pw_dir;
  return "";
}

bool IsWritableFolder(const std::string& folder) {
  return DirectoryExists(folder) && access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string OptionIniLocation(const std::string& executableFolder, const char* xdgConfigHome,
                              const std::string& home) {
  if (IsWritableFolder(executableFolder)) return StripTrailingSlashes(executableFolder) + "/option.ini";
  std::string config;
  if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/')
    config = StripTrailingSlashes(xdgConfigHome);
  else
    config = StripTrailingSlashes(home) + "/.config";
  return config + "/vornel/option.ini";
}

std::string OptionIniPath() {
  return OptionIniLocation(ExecutableFolder(), std::getenv("XDG_CONFIG_HOME"), HomeFolder());
}

std::string DefaultOutputFolderIn(const std::string& home) {
  return StripTrailingSlashes(home) + "/" + kProductFolder + "/" + kOutputFolder;
}
std::string DefaultSnapshotFolderIn(const std::string& home) {
  return StripTrailingSlashes(home) + "/" + kProductFolder + "/" + kSnapshotFolder;
}
std::string DefaultOutputFolder() { return DefaultOutputFolderIn(HomeFolder()); }
std::string DefaultSnapshotFolder() { return DefaultSnapshotFolderIn(HomeFolder()); }

bool ForceDirectories(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return DirectoryExists(folder);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ExtractFileName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const std::string name = ExtractFileName(path);
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const std::string oldExt = ExtractFileExt(path);
  return path.substr(0, path.size() - oldExt.size()) + ext;
}

}  // namespace base
