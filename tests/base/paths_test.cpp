#include "base/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/temp_folder.h"

namespace base {
namespace {

using fixtures::TempFolder;

TEST(Paths, OptionIniBesideWritableExecutableElseInConfigFolder) {
  TempFolder dir;
  const std::string exe = dir.path();
  const std::string missing = dir / "no/such/folder";
  const std::string blocked = dir.write("plain", "x") + "/bin";
  struct Case {
    std::string exeFolder;
    const char* xdg;
    std::string expected;
  } cases[] = {
      {exe, nullptr, exe + "/option.ini"},
      {exe + "/", "/x", exe + "/option.ini"},
      {missing, "/cfg", "/cfg/vornel/option.ini"},
      {missing, "/cfg/", "/cfg/vornel/option.ini"},
      {blocked, nullptr, "/home/u/.config/vornel/option.ini"},
      {blocked, "", "/home/u/.config/vornel/option.ini"},
      {blocked, "relative/cfg", "/home/u/.config/vornel/option.ini"},  // must be absolute
  };
  for (const auto& c : cases)
    EXPECT_EQ(OptionIniLocation(c.exeFolder, c.xdg, "/home/u"), c.expected) << c.exeFolder;
}

TEST(Paths, DefaultFoldersUnderHome) {
  EXPECT_EQ(DefaultOutputFolderIn("/home/u"), "/home/u/Vornel视频软件/输出");
  EXPECT_EQ(DefaultSnapshotFolderIn("/home/u/"), "/home/u/Vornel视频软件/快照");
  EXPECT_FALSE(ExecutableFolder().empty());
  EXPECT_TRUE(DirectoryExists(ExecutableFolder()));
}

TEST(Paths, ForceDirectoriesAndExistence) {
  TempFolder dir;
  const std::string deep = dir / "视频/a/b";
  EXPECT_FALSE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(deep));  // already there
  EXPECT_FALSE(FileExists(deep));       // a folder is not a file

  const std::string file = dir.write("clip.mp4", "");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_FALSE(ForceDirectories(file + "/sub"));  // below a plain file
  EXPECT_FALSE(ForceDirectories(""));
}

TEST(Paths, FileNameParts) {
  struct Case {
    const char* path;
    const char* name;
    const char* ext;
    const char* withMp4;
  } cases[] = {
      {"/v/clip.rmvb", "clip.rmvb", ".rmvb", "/v/clip.mp4"},
      {"/v/my.clip.mov", "my.clip.mov", ".mov", "/v/my.clip.mp4"},
      {"/v/clip", "clip", "", "/v/clip.mp4"},
      {"/v.d/clip", "clip", "", "/v.d/clip.mp4"},  // a dot in the folder is not an extension
      {"clip.avi", "clip.avi", ".avi", "clip.mp4"},
      {"", "", "", ".mp4"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(ExtractFileExt(c.path), c.ext) << c.path;
    EXPECT_EQ(ChangeFileExt(c.path, ".mp4"), c.withMp4) << c.path;
  }
}

}  // namespace
}  // namespace base
