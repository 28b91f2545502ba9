#include "app/form5.h"

#include <gtest/gtest.h>

#include <vector>

#include "fixtures/temp_folder.h"

namespace app {
namespace {

using fixtures::TempFolder;

struct Loaded {
  std::string threadText;
  int afterDone, priority;
  bool overwrite, preview;
};

Loaded Snapshot(const TForm5& f) {
  return {f.bsSkinComboBox2.Text(), f.AfterDone(), f.ThreadPriority(), f.OverwriteFile(), f.ShowPreview()};
}

TEST(Form5, FirstStartWritesDefaults) {
  TempFolder dir;
  base::TIniFile ini(dir / "option.ini");
  TForm5 form(ini);
  std::vector<bool> switches;
  form.PreviewSwitchChanged.Connect([&](bool on) { switches.push_back(on); });
  form.Button1Click();
  EXPECT_EQ(TempFolder::read(ini.FileName()),
            "[Options]\nThread_Count=0\nAfter_Done=0\nShow_Preview=0\nThread_Priority=3\nOverwrite_File=1\n");
  const Loaded l = Snapshot(form);
  EXPECT_EQ(l.threadText, "1");
  EXPECT_EQ(l.afterDone, 0);
  EXPECT_EQ(l.priority, 3);
  EXPECT_FALSE(l.overwrite);
  EXPECT_FALSE(l.preview);
  EXPECT_EQ(switches, std::vector<bool>{false});  // the preview switch is handed on at load
  EXPECT_TRUE(form.bsSkinCheckRadioBox7.Checked());
  EXPECT_FALSE(form.bsSkinCheckRadioBox7.Visible());
}

TEST(Form5, LoadUsesGoodValuesAndRepairsBadOnes) {
  struct Case {
    const char* stored;  // the [Options] lines
    const char* threadText;
    int afterDone, priority;
    bool overwrite, preview;
    const char*
        repaired;  // values expected in the file afterwards: Thread, After, Preview, Priority, Overwrite
  } cases[] = {
      {"Thread_Count=4\nAfter_Done=2\nShow_Preview=1\nThread_Priority=0\nOverwrite_File=0\n", "4", 2, 0, true,
       true, "4 2 1 0 0"},
      {"Thread_Count=19\nAfter_Done=3\nShow_Preview=0\nThread_Priority=1\nOverwrite_File=1\n", "19", 3, 1,
       false, false, "19 3 0 1 1"},
      {"Thread_Count=1\n", "1", 0, 3, false, false, "1 0 0 3 1"},  // "1" is kept; missing ones repaired
      {"Thread_Count=25\nAfter_Done=7\nShow_Preview=yes\nThread_Priority=-1\nOverwrite_File=2\n", "1", 0, 3,
       false, false, "0 0 0 3 1"},
      {"Thread_Count=abc\nAfter_Done=\nShow_Preview=01\nThread_Priority=3.0\nOverwrite_File=Error\n", "1", 0,
       3, false, false, "0 0 0 3 1"},
      {"Thread_Count=0\n", "1", 0, 3, false, false, "0 0 0 3 1"},
  };
  for (const auto& c : cases) {
    TempFolder dir;
    base::TIniFile ini(dir.write("option.ini", std::string("[Options]\n") + c.stored));
    TForm5 form(ini);
    form.Button1Click();
    const Loaded l = Snapshot(form);
    EXPECT_EQ(l.threadText, c.threadText) << c.stored;
    EXPECT_EQ(l.afterDone, c.afterDone) << c.stored;
    EXPECT_EQ(l.priority, c.priority) << c.stored;
    EXPECT_EQ(l.overwrite, c.overwrite) << c.stored;
    EXPECT_EQ(l.preview, c.preview) << c.stored;
    std::string values;
    for (const char* key :
         {"Thread_Count", "After_Done", "Show_Preview", "Thread_Priority", "Overwrite_File"})
      values += (values.empty() ? "" : " ") + ini.ReadString("Options", key, "Error");
    EXPECT_EQ(values, c.repaired) << c.stored;
  }
}

TEST(Form5, UnusableFileNeverStopsLoading) {
  TempFolder dir;
  const std::string blocker = dir.write("plain", "x");
  struct Case {
    const char* name;
    std::string path;
  } cases[] = {
      {"binary", dir.write("binary.ini", std::string("\0\x01\xff\xfe", 4))},
      {"empty", dir.write("empty.ini", "")},
      {"unwritable", blocker + "/option.ini"},  // cannot be created: defaults still apply
  };
  for (const auto& c : cases) {
    base::TIniFile ini(c.path);
    TForm5 form(ini);
    form.Button1Click();
    EXPECT_EQ(form.ThreadCount(), 1) << c.name;
    EXPECT_EQ(form.AfterDone(), 0) << c.name;
    EXPECT_EQ(form.ThreadPriority(), 3) << c.name;
    EXPECT_FALSE(form.OverwriteFile()) << c.name;
  }
  base::TIniFile binary(dir / "binary.ini");
  EXPECT_EQ(binary.ReadString("Options", "Thread_Priority", "Error"), "3");  // written back
}

TEST(Form5, OkSavesCancelKeepsChangesOnlyForThisProcess) {
  TempFolder dir;
  base::TIniFile ini(dir.write("option.ini", "[Options]\nThread_Count=4\nAfter_Done=0\n"));
  {
    TForm5 form(ini);
    form.Button1Click();
    form.Show();
    form.bsSkinCheckRadioBox5.Click();  // "不进行任何操作"
    form.bsSkinButton1.Click();         // "取消"
    EXPECT_FALSE(form.Showing());
    EXPECT_EQ(form.AfterDone(), 3);  // in effect for the rest of the process
    EXPECT_EQ(ini.ReadString("Options", "After_Done", "Error"), "0");
  }
  {
    TForm5 restarted(ini);
    restarted.Button1Click();
    EXPECT_EQ(restarted.AfterDone(), 0);  // the old choice is back
    restarted.Show();
    restarted.bsSkinCheckRadioBox2.Click();
    restarted.bsSkinCheckRadioBox3.Click();
    restarted.bsSkinCheckRadioBox10.Click();
    restarted.bsSkinCheckRadioBox8.Click();
    restarted.bsSkinComboBox2.Select(6);
    restarted.bsSkinButton6.Click();  // "确定"
    EXPECT_FALSE(restarted.Showing());
  }
  TForm5 again(ini);
  again.Button1Click();
  EXPECT_EQ(again.AfterDone(), 1);
  EXPECT_TRUE(again.OverwriteFile());
  EXPECT_EQ(again.ThreadPriority(), 1);
  EXPECT_TRUE(again.ShowPreview());
  EXPECT_EQ(again.ThreadCount(), 7);
}

TEST(Form5, GroupsExclusiveAndSwitches) {
  TempFolder dir;
  base::TIniFile ini(dir / "option.ini");
  TForm5 form(ini);
  form.Button1Click();
  form.bsSkinCheckRadioBox9.SetChecked(true);
  int priorityOn = 0;
  for (TRadioButton* r : form.PriorityGroup.Buttons()) priorityOn += r->Checked();
  EXPECT_EQ(priorityOn, 1);
  EXPECT_EQ(form.ThreadPriority(), 0);
  EXPECT_TRUE(form.bsSkinCheckRadioBox1.Checked());  // other groups untouched

  std::vector<bool> switches;
  form.PreviewSwitchChanged.Connect([&](bool on) { switches.push_back(on); });
  form.bsSkinCheckRadioBox8.SetChecked(true);  // by program: same effect as a click
  form.bsSkinCheckRadioBox8.Click();
  EXPECT_EQ(switches, (std::vector<bool>{true, false}));

  form.bsSkinComboBox2.SetItemIndex(3);
  form.bsSkinCheckRadioBox7.SetChecked(false);
  EXPECT_FALSE(form.bsSkinComboBox2.Enabled());
  EXPECT_EQ(form.ThreadCount(), 1);
  form.bsSkinCheckRadioBox7.SetChecked(true);
  EXPECT_TRUE(form.bsSkinComboBox2.Enabled());
  EXPECT_EQ(form.ThreadCount(), 4);
}

}  // namespace
}  // namespace app
