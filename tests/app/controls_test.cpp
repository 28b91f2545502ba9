#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/controls/button.h"
#include "app/controls/check_box.h"
#include "app/controls/combo_box.h"
#include "app/controls/edit.h"
#include "app/controls/list_view.h"
#include "app/controls/office_combo_box.h"

namespace app {
namespace {

TEST(ComboBox, ChangeRaisedExactlyWhenShownTextChanges) {
  TComboBox box("box");
  std::vector<std::string> seen;
  box.OnChange = [&] { seen.push_back(box.Text()); };
  for (const char* item : {"保持原分辨率", "128*96", "1920*1200", "1920*1200"}) box.Add(item);

  EXPECT_TRUE(box.SetItemIndex(0));  // "" -> first entry
  EXPECT_TRUE(box.SetItemIndex(0));  // same entry again: nothing
  EXPECT_TRUE(box.SetItemIndex(2));
  EXPECT_TRUE(box.SetItemIndex(3));  // another position with the same text: nothing
  EXPECT_EQ(box.ItemIndex(), 3);
  EXPECT_EQ(seen, (std::vector<std::string>{"保持原分辨率", "1920*1200"}));

  // Emptying keeps the shown text, so refilling and selecting the same text raises nothing.
  box.Clear();
  EXPECT_EQ(box.ItemIndex(), -1);
  EXPECT_EQ(box.Text(), "1920*1200");
  box.Add("1920*1200");
  box.SetItemIndex(0);
  EXPECT_EQ(seen.size(), 2u);

  // A position outside the entries changes nothing; -1 empties the text.
  EXPECT_FALSE(box.SetItemIndex(5));
  EXPECT_EQ(box.ItemIndex(), 0);
  EXPECT_TRUE(box.SetItemIndex(-1));
  EXPECT_EQ(seen.back(), "");
}

TEST(ComboBox, UserPickIgnoredWhileDisabled) {
  TComboBox box("box");
  int changes = 0;
  box.OnChange = [&] { ++changes; };
  box.Add("a");
  box.Add("b");
  box.SetEnabled(false);
  EXPECT_FALSE(box.Select(1));
  EXPECT_TRUE(box.SetItemIndex(1));  // code may still select
  EXPECT_EQ(changes, 1);
}

TEST(OfficeComboBox, EverySelectionRaisesChange) {
  TOfficeComboBox box("presets");
  int changes = 0;
  box.OnChange = [&] { ++changes; };
  box.Add({"AVI - 音频视频交错格式(*.avi)", "AVI最常用的视频格式", 0});
  box.Add({"MP4 - MPEG-4视频格式(*.mp4)", "", 1});
  box.SetItemIndex(0);
  box.SetItemIndex(0);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(box.Text(), "AVI - 音频视频交错格式(*.avi)");
  box.Clear();  // emptying raises nothing and leaves no selection
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(box.Text(), "");
  EXPECT_FALSE(box.SetItemIndex(0));  // nothing to select
  EXPECT_EQ(changes, 2);
}

TEST(RadioButton, GroupsAreExclusiveAndCodeActsLikeAClick) {
  TRadioGroup first, second;
  TRadioButton a("a", "A", first), b("b", "B", first), c("c", "C", first);
  TRadioButton x("x", "X", second);
  std::vector<std::string> clicks;
  for (TRadioButton* r : {&a, &b, &c, &x}) r->OnClick = [&clicks, r] { clicks.push_back(r->Name()); };

  a.SetChecked(true);
  x.SetChecked(true);  // another group: a stays on
  b.Click();
  EXPECT_FALSE(a.Checked());
  EXPECT_TRUE(b.Checked());
  EXPECT_TRUE(x.Checked());
  EXPECT_EQ(first.CheckedIndex(), 1);
  b.SetChecked(true);  // already on: no second click
  EXPECT_EQ(clicks, (std::vector<std::string>{"a", "x", "b"}));
}

TEST(CheckBox, ClickTogglesAndRaisesOnlyOnChange) {
  TCheckBox box("box");
  int clicks = 0;
  box.OnClick = [&] { ++clicks; };
  box.SetChecked(false);
  EXPECT_EQ(clicks, 0);
  box.Click();
  EXPECT_TRUE(box.Checked());
  box.SetVisible(false);
  box.Click();  // a hidden box cannot be clicked by the user
  EXPECT_TRUE(box.Checked());
  box.SetChecked(false);
  EXPECT_EQ(clicks, 2);
}

TEST(Button, UserClickNeedsEnabledVisibleControl) {
  TButton button("bsSkinButton2", "开始");
  TMenuItem item("N7", "开始转换");
  int runs = 0;
  button.OnClick = item.OnClick = [&] { ++runs; };
  EXPECT_TRUE(button.Click());
  button.SetEnabled(false);
  EXPECT_FALSE(button.Click());
  item.SetVisible(false);
  EXPECT_FALSE(item.Click());
  EXPECT_EQ(runs, 1);
}

TEST(Edit, ChangeAndFocus) {
  TFocusScope scope;
  TEdit edit("Video_OutPut_Folder_Edit");
  TListView list("lvFiles");
  edit.SetFocusScope(&scope);
  list.SetFocusScope(&scope);
  int changes = 0;
  edit.OnChange = [&] { ++changes; };
  edit.SetText("/out");
  edit.SetText("/out");
  EXPECT_EQ(changes, 1);
  edit.SetFocus();
  list.SetFocus();
  EXPECT_TRUE(list.Focused());
  EXPECT_FALSE(edit.Focused());
}

TEST(ListView, RowsCellsAndSelection) {
  TListView list("lvFiles");
  list.SetColumns({{"输入文件", 80}, {"视频时间", 70}, {"", 0, 1}});
  int selections = 0;
  list.OnSelectItem = [&] { ++selections; };
  const int r0 = list.Add("/v/a.avi");
  const int r1 = list.Add("/v/b.avi");
  list.SetCell(r1, 2, "hidden");
  list.SetCell(r1, 3, "outside");  // no such column: ignored
  EXPECT_EQ(list.Cell(r0, 0), "/v/a.avi");
  EXPECT_EQ(list.Cell(r1, 2), "hidden");
  EXPECT_EQ(list.Cell(5, 0), "");

  EXPECT_TRUE(list.SetSelected(r1));
  EXPECT_TRUE(list.SetSelected(r1));  // no change, no event
  EXPECT_EQ(selections, 1);
  list.Exchange(r0, r1);
  EXPECT_EQ(list.Cell(0, 2), "hidden");
  EXPECT_EQ(list.Cell(1, 0), "/v/a.avi");

  list.Delete(0);  // a row before the selection keeps the selected row selected
  EXPECT_EQ(list.Selected(), 0);
  EXPECT_EQ(list.Cell(0, 0), "/v/a.avi");
  list.Delete(0);  // the selected row itself
  EXPECT_EQ(list.Selected(), -1);
  EXPECT_EQ(selections, 2);
  EXPECT_FALSE(list.SetSelected(0));
}

}  // namespace
}  // namespace app
