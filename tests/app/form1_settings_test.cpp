#include <gtest/gtest.h>

#include <filesystem>

#include "app/form1.h"
#include "base/paths.h"
#include "form1_fixture.h"

namespace app {
namespace {

using fixtures::TempFolder;
using testing::Form1Fixture;

TEST(Form1Settings, FirstStartCreatesFolderAndFullSettingsFile) {
  Form1Fixture f;
  int skinEvents = 0;
  f.form.SkinChanged.Connect([&](int) { ++skinEvents; });
  f.Start();
  EXPECT_EQ(f.form.FileOutPutPath, f.defaultOutput);
  EXPECT_EQ(f.form.Video_OutPut_Folder_Edit.Text(), f.defaultOutput);
  EXPECT_TRUE(base::DirectoryExists(f.defaultOutput));
  EXPECT_EQ(f.form.SkinIndex(), 0);
  EXPECT_EQ(skinEvents, 1);
  EXPECT_FALSE(f.form5.ShowPreview());
  EXPECT_EQ(f.form.bsSkinSlider1_down_UP, "UP");
  struct Case {
    const char* section;
    const char* key;
    std::string value;
  } cases[] = {{"OutPath", "OutPath", f.defaultOutput}, {"Skin", "SetSkin", "0"},
               {"Options", "Thread_Count", "0"},        {"Options", "After_Done", "0"},
               {"Options", "Show_Preview", "0"},        {"Options", "Thread_Priority", "3"},
               {"Options", "Overwrite_File", "1"}};
  for (const auto& c : cases) EXPECT_EQ(f.ini.ReadString(c.section, c.key, "Error"), c.value) << c.key;
}

TEST(Form1Settings, StoredOutputFolderIsRecreatedAndUsed) {
  Form1Fixture f;
  const std::string stored = f.dir / "视频 输出/新建";
  f.dir.write("option.ini", "[OutPath]\nOutPath=" + stored + "\n[Skin]\nSetSkin=4\n");
  f.Start();
  EXPECT_EQ(f.form.FileOutPutPath, stored);
  EXPECT_TRUE(base::DirectoryExists(stored));
  EXPECT_FALSE(base::DirectoryExists(f.defaultOutput));
  EXPECT_EQ(f.form.SkinIndex(), 4);
}

TEST(Form1Settings, MissingOrUnusableOutPathFallsBackToDefault) {
  for (const char* content : {"[OutPath]\nOutPath=\n", "[OutPath]\nOutPath=Error\n", "[Skin]\nSetSkin=2\n",
                              "", "\x01\x02\xff binary"}) {
    Form1Fixture f;
    f.dir.write("option.ini", content);
    f.form.Button17Click();
    EXPECT_EQ(f.form.FileOutPutPath, f.defaultOutput) << content;
    EXPECT_TRUE(base::DirectoryExists(f.defaultOutput)) << content;
    EXPECT_EQ(f.ini.ReadString("OutPath", "OutPath", "Error"), f.defaultOutput) << content;
  }
}

TEST(Form1Settings, OutPathThatCannotBeCreatedIsStillUsed) {
  Form1Fixture f;
  const std::string blocked = f.dir.write("plain", "x") + "/out";
  f.dir.write("option.ini", "[OutPath]\nOutPath=" + blocked + "\n");
  f.form.Button17Click();
  EXPECT_EQ(f.form.FileOutPutPath, blocked);
}

TEST(Form1Settings, SkinIndexValidation) {
  struct Case {
    const char* stored;
    int selected;
    const char* afterwards;
  } cases[] = {
      {"SetSkin=3", 3, "3"},  {"SetSkin=10", 10, "10"}, {"SetSkin=0", 0, "0"}, {"SetSkin=11", 0, "0"},
      {"SetSkin=-1", 0, "0"}, {"SetSkin=abc", 0, "0"},  {"SetSkin=", 0, "0"},  {"SetSkin=05", 0, "0"},
      {"SetSkin=2x", 0, "0"}, {"Other=1", 0, "0"},
  };
  for (const auto& c : cases) {
    Form1Fixture f;
    f.dir.write("option.ini", std::string("[Skin]\n") + c.stored + "\n");
    f.form.Button3Click();
    EXPECT_EQ(f.form.SkinIndex(), c.selected) << c.stored;
    EXPECT_EQ(f.ini.ReadString("Skin", "SetSkin", "Error"), c.afterwards) << c.stored;
  }
}

TEST(Form1Settings, SkinWithoutSettingsFileKeepsBuiltInSkin) {
  Form1Fixture f;
  f.form.Button3Click();
  EXPECT_EQ(f.form.SkinIndex(), TForm1::kBuiltInSkin);
  EXPECT_EQ(f.ini.ReadString("Skin", "SetSkin", "Error"), "0");
}

TEST(Form1Settings, SkinChooserWritesEvenWhenCancelled) {
  Form1Fixture f;
  f.Start();
  f.form.ChooseSkin(7);
  EXPECT_EQ(f.form.SkinIndex(), 7);
  EXPECT_EQ(f.ini.ReadString("Skin", "SetSkin", "Error"), "7");
  f.dir.write("option.ini", "[Skin]\nSetSkin=2\n");  // changed behind our back
  f.form.ChooseSkin(std::nullopt);
  EXPECT_EQ(f.form.SkinIndex(), 7);
  EXPECT_EQ(f.ini.ReadString("Skin", "SetSkin", "Error"), "7");
}

TEST(Form1Settings, OutputFolderWrittenOnlyWhenItExists) {
  Form1Fixture f;
  f.Start();
  const std::string chosen = f.dir / "其他";
  f.form.FileOutPutPath = chosen;
  f.form.Button16Click();
  EXPECT_EQ(f.ini.ReadString("OutPath", "OutPath", "Error"), f.defaultOutput);
  std::filesystem::create_directory(chosen);
  f.form.Button16Click();
  EXPECT_EQ(f.ini.ReadString("OutPath", "OutPath", "Error"), chosen);
}

TEST(Form1Settings, UnusableSettingsLocationStillStarts) {
  TempFolder dir;
  std::filesystem::create_directory(dir / "folder.ini");
  struct Case {
    const char* name;
    std::string iniPath;
  } cases[] = {
      {"folder cannot be created", dir.write("plain", "x") + "/option.ini"},
      {"option.ini is a folder", dir / "folder.ini"},
  };
  for (const auto& c : cases) {
    base::TIniFile ini(c.iniPath);
    TForm5 form5(ini);
    TForm1 form(ini, dir / "out", form5);
    form.FormCreate();
    form5.Button1Click();
    EXPECT_EQ(form.FileOutPutPath, dir / "out") << c.name;
    EXPECT_TRUE(base::DirectoryExists(dir / "out")) << c.name;
    EXPECT_EQ(form.SkinIndex(), TForm1::kBuiltInSkin) << c.name;
    EXPECT_EQ(form.bsSkinOfficeComboBox1.Count(), 15) << c.name;
    EXPECT_EQ(form5.ThreadPriority(), 3) << c.name;
  }
}

}  // namespace
}  // namespace app
