#pragma once
// Where things live on disk: the executable's folder, option.ini, the default output and snapshot
// folders, and the few file-system questions the main window asks. Paths are UTF-8, "/"-separated.
#include <string>

namespace base {

// The folder of the running executable, without a trailing "/".
std::string ExecutableFolder();
// $HOME, or the password database's home folder when HOME is unset; "" when neither is known.
std::string HomeFolder();

// True when a file can be created in the folder.
bool IsWritableFolder(const std::string& folder);

// option.ini beside the executable when that folder is writable, else in the user's configuration
// folder: $XDG_CONFIG_HOME/vornel/option.ini, or $HOME/.config/vornel/option.ini when XDG_CONFIG_HOME is
// unset or not absolute. The arguments make the rule testable; null stands for an unset variable.
std::string OptionIniLocation(const std::string& executableFolder, const char* xdgConfigHome,
                              const std::string& home);
std::string OptionIniPath();

// $HOME/Vornel视频软件/输出 and $HOME/Vornel视频软件/快照.
std::string DefaultOutputFolderIn(const std::string& home);
std::string DefaultSnapshotFolderIn(const std::string& home);
std::string DefaultOutputFolder();
std::string DefaultSnapshotFolder();

// Creates the folder with every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::string& folder);
// True for an existing entry that is not a folder (a folder of that name does not count).
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// The part after the last "/" (the whole text when there is none).
std::string ExtractFileName(const std::string& path);
// The extension of the file-name part from its last dot, dot included; "" when it has no dot.
std::string ExtractFileExt(const std::string& path);
// The path with the file-name part's extension replaced by ext (appended when there is none).
std::string ChangeFileExt(const std::string& path, const std::string& ext);

}  // namespace base
