#include "base/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "fixtures/temp_folder.h"

namespace base {
namespace {

using fixtures::TempFolder;

TEST(IniFile, ReadsValuesOfTheRightSectionAndKey) {
  TempFolder dir;
  const std::string file = dir.write("option.ini",
                                     "\xEF\xBB\xBF; settings\r\n"
                                     "[OutPath]\r\n"
                                     "OutPath = /home/u/Vornel视频软件/输出 \r\n"
                                     "[Options]\n"
                                     "Thread_Count=4\n"
                                     "After_Done=\n"
                                     "Formula=a=b\n"
                                     "junk line without equals\n"
                                     "[options]\n"
                                     "Thread_Count=9\n");
  TIniFile ini(file);
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"OutPath", "OutPath", "/home/u/Vornel视频软件/输出"},  // BOM, CRLF and blanks stripped
      {"Options", "Thread_Count", "4"},                       // first section of that name wins
      {"OPTIONS", "thread_count", "4"},                       // names ignore ASCII case
      {"Options", "After_Done", ""},                          // present but empty
      {"Options", "Formula", "a=b"},                          // split at the first "="
      {"Options", "Show_Preview", "Error"},                   // missing key
      {"Skin", "SetSkin", "Error"},                           // missing section
      {"OutPath", "Thread_Count", "Error"},                   // key of another section
  };
  for (const auto& c : cases)
    EXPECT_EQ(ini.ReadString(c.section, c.key, "Error"), c.expected) << c.section << "/" << c.key;
}

TEST(IniFile, UnusableFilesReadAsMissing) {
  TempFolder dir;
  std::filesystem::create_directory(dir / "folder.ini");
  struct Case {
    const char* name;
    std::string path;
  } cases[] = {
      {"missing", dir / "none.ini"},
      {"empty", dir.write("empty.ini", "")},
      {"binary", dir.write("binary.ini", std::string("[Skin]\nSetSkin=3\n\0\xff\xfe\x01", 20))},
      {"not UTF-8", dir.write("latin1.ini", "[Skin]\nSetSkin=\xe9\n")},
      {"a folder", dir / "folder.ini"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TIniFile(c.path).ReadString("Skin", "SetSkin", "Error"), "Error") << c.name;
}

TEST(IniFile, WriteReachesTheFileAtOnceAndKeepsOtherLines) {
  TempFolder dir;
  const std::string file = dir.write("option.ini",
                                     "; keep me\n"
                                     "[Options]\n"
                                     "Thread_Count=4\n"
                                     "After_Done=2\n"
                                     "\n"
                                     "[SnapShot]\n"
                                     "Picture=PNG\n");
  TIniFile ini(file);
  ASSERT_TRUE(ini.WriteString("Options", "After_Done", "3"));             // replace in place
  ASSERT_TRUE(ini.WriteString("options", "Show_Preview", "1"));           // new key after the last one
  ASSERT_TRUE(ini.WriteString("Skin", "SetSkin", "0"));                   // new section at the end
  ASSERT_TRUE(ini.WriteString("OutPath", "OutPath", "/家/输出 文件夹"));  // Chinese text, blanks
  EXPECT_EQ(TempFolder::read(file),
            "; keep me\n"
            "[Options]\n"
            "Thread_Count=4\n"
            "After_Done=3\n"
            "Show_Preview=1\n"
            "\n"
            "[SnapShot]\n"
            "Picture=PNG\n"
            "\n"
            "[Skin]\n"
            "SetSkin=0\n"
            "\n"
            "[OutPath]\n"
            "OutPath=/家/输出 文件夹\n");
  // A second reader sees the values at once.
  EXPECT_EQ(TIniFile(file).ReadString("OutPath", "OutPath", "Error"), "/家/输出 文件夹");
  // No temporary file is left behind.
  EXPECT_EQ(
      std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
      1);
}

TEST(IniFile, WriteCreatesFileAndFolderAndReplacesBinaryContent) {
  TempFolder dir;
  TIniFile fresh(dir / "config/vornel/option.ini");
  EXPECT_FALSE(fresh.Exists());
  ASSERT_TRUE(fresh.WriteString("Skin", "SetSkin", "5"));
  EXPECT_TRUE(fresh.Exists());
  EXPECT_EQ(fresh.ReadString("Skin", "SetSkin", "Error"), "5");

  TIniFile binary(dir.write("binary.ini", std::string("\0\x01\x02garbage\xff", 11)));
  ASSERT_TRUE(binary.WriteString("Skin", "SetSkin", "0"));
  EXPECT_EQ(TempFolder::read(binary.FileName()), "[Skin]\nSetSkin=0\n");
}

TEST(IniFile, RefusedWritesLeaveTheFileAlone) {
  TempFolder dir;
  const std::string file = dir.write("option.ini", "[Skin]\nSetSkin=2\n");
  TIniFile ini(file);
  // A line break would let a value inject further keys.
  EXPECT_FALSE(ini.WriteString("OutPath", "OutPath", "/tmp/a\n[Skin]\nSetSkin=9"));
  EXPECT_FALSE(ini.WriteString("Skin", "Set=Skin", "1"));
  EXPECT_EQ(TempFolder::read(file), "[Skin]\nSetSkin=2\n");

  // A folder that cannot hold the file (its parent is a plain file) fails without throwing.
  const std::string blocker = dir.write("plain", "x");
  TIniFile impossible(blocker + "/option.ini");
  EXPECT_FALSE(impossible.WriteString("Skin", "SetSkin", "0"));
  EXPECT_EQ(impossible.ReadString("Skin", "SetSkin", "Error"), "Error");
}

TEST(IniFile, ReadOnlyFolderRejectsWrite) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempFolder dir;
  std::filesystem::create_directory(dir / "ro");
  const std::string file = dir.write("ro/option.ini", "[Skin]\nSetSkin=2\n");
  chmod((dir / "ro").c_str(), 0555);
  TIniFile ini(file);
  EXPECT_FALSE(ini.WriteString("Skin", "SetSkin", "3"));
  EXPECT_EQ(ini.ReadString("Skin", "SetSkin", "Error"), "2");
}

TEST(IniFile, WriteThroughSymlinkKeepsTheLink) {
  TempFolder dir;
  const std::string real = dir.write("real.ini", "[Skin]\nSetSkin=1\n");
  std::filesystem::create_symlink(real, dir / "link.ini");
  ASSERT_TRUE(TIniFile(dir / "link.ini").WriteString("Skin", "SetSkin", "4"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
  EXPECT_EQ(TempFolder::read(real), "[Skin]\nSetSkin=4\n");
}

}  // namespace
}  // namespace base
