#include "app/form5.h"

#include <algorithm>
#include <charconv>
#include <optional>

namespace app {

namespace {

constexpr const char* kSection = "Options";
constexpr const char* kMissing = "Error";

// The stored value when it is a whole number within [lo, hi] written plainly, else nothing.
std::optional<int> StoredChoice(const std::string& text, int lo, int hi) {
  int value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  if (value < lo || value > hi || std::to_string(value) != text) return std::nullopt;
  return value;
}

void Check(TRadioGroup& group, int index) { group.Buttons()[static_cast<size_t>(index)]->SetChecked(true); }

}  // namespace

TForm5::TForm5(base::TIniFile& AIni) : ini_(AIni) {
  for (int i = 1; i <= kMaxThreads; ++i) bsSkinComboBox2.Add(std::to_string(i));
  bsSkinComboBox2.SetItemIndex(0);
  bsSkinCheckRadioBox1.SetChecked(true);
  bsSkinCheckRadioBox6.SetChecked(true);
  bsSkinCheckRadioBox12.SetChecked(true);
  bsSkinCheckRadioBox7.SetChecked(true);
  bsSkinCheckRadioBox7.SetVisible(false);  // always on, never shown
  for (TControl* c : std::initializer_list<TControl*>{
           &bsSkinCheckRadioBox1, &bsSkinCheckRadioBox2, &bsSkinCheckRadioBox3, &bsSkinCheckRadioBox4,
           &bsSkinCheckRadioBox5, &bsSkinCheckRadioBox6, &bsSkinComboBox2, &bsSkinCheckRadioBox7,
           &bsSkinCheckRadioBox8, &bsSkinCheckRadioBox9, &bsSkinCheckRadioBox10, &bsSkinCheckRadioBox11,
           &bsSkinCheckRadioBox12, &bsSkinButton6, &bsSkinButton1})
    c->SetFocusScope(&Focus);
  bsSkinCheckRadioBox7.OnClick = [this] { bsSkinCheckRadioBox7Click(); };
  bsSkinCheckRadioBox8.OnClick = [this] { bsSkinCheckRadioBox8Click(); };
  bsSkinButton6.OnClick = [this] { bsSkinButton6Click(); };
  bsSkinButton1.OnClick = [this] { bsSkinButton1Click(); };
}

void TForm5::Button1Click() {
  if (!ini_.Exists()) {
    ini_.WriteString(kSection, "Thread_Count", "0");
    ini_.WriteString(kSection, "After_Done", "0");
    ini_.WriteString(kSection, "Show_Preview", "0");
    ini_.WriteString(kSection, "Thread_Priority", "3");
    ini_.WriteString(kSection, "Overwrite_File", "1");
    bsSkinComboBox2.SetItemIndex(0);
    bsSkinCheckRadioBox1.SetChecked(true);
    SetPreviewBox(false);
    bsSkinCheckRadioBox12.SetChecked(true);
    bsSkinCheckRadioBox6.SetChecked(true);
    return;
  }

  // "0" and "1" both mean one thread; anything unusable selects "1" and is repaired as "0".
  const std::string threads = ini_.ReadString(kSection, "Thread_Count", kMissing);
  const auto threadCount = StoredChoice(threads, 0, kMaxThreads);
  bsSkinComboBox2.SetItemIndex(threadCount && *threadCount >= 2 ? *threadCount - 1 : 0);
  if (!threadCount) ini_.WriteString(kSection, "Thread_Count", "0");

  const auto afterDone = StoredChoice(ini_.ReadString(kSection, "After_Done", kMissing), 0, 3);
  Check(AfterDoneGroup, afterDone.value_or(0));
  if (!afterDone) ini_.WriteString(kSection, "After_Done", "0");

  const auto priority = StoredChoice(ini_.ReadString(kSection, "Thread_Priority", kMissing), 0, 3);
  Check(PriorityGroup, priority.value_or(3));
  if (!priority) ini_.WriteString(kSection, "Thread_Priority", "3");

  const auto overwrite = StoredChoice(ini_.ReadString(kSection, "Overwrite_File", kMissing), 0, 1);
  Check(OverwriteGroup, overwrite.value_or(1));
  if (!overwrite) ini_.WriteString(kSection, "Overwrite_File", "1");

  const auto preview = StoredChoice(ini_.ReadString(kSection, "Show_Preview", kMissing), 0, 1);
  SetPreviewBox(preview.value_or(0) == 1);
  if (!preview) ini_.WriteString(kSection, "Show_Preview", "0");
}

void TForm5::SetPreviewBox(bool AOn) {
  // The loaded state is handed on even when the box keeps it (a change raises it through the click).
  if (bsSkinCheckRadioBox8.Checked() == AOn)
    PreviewSwitchChanged(AOn);
  else
    bsSkinCheckRadioBox8.SetChecked(AOn);
}

void TForm5::Button2Click() {
  if (bsSkinCheckRadioBox7.Checked()) ini_.WriteString(kSection, "Thread_Count", bsSkinComboBox2.Text());
  ini_.WriteString(kSection, "After_Done", std::to_string(AfterDone()));
  ini_.WriteString(kSection, "Show_Preview", ShowPreview() ? "1" : "0");
  ini_.WriteString(kSection, "Thread_Priority", std::to_string(ThreadPriority()));
  ini_.WriteString(kSection, "Overwrite_File", OverwriteFile() ? "0" : "1");
}

void TForm5::bsSkinButton6Click() {
  Button2Click();
  Close();
}

void TForm5::bsSkinButton1Click() { Close(); }

void TForm5::bsSkinCheckRadioBox8Click() { PreviewSwitchChanged(bsSkinCheckRadioBox8.Checked()); }

void TForm5::bsSkinCheckRadioBox7Click() { bsSkinComboBox2.SetEnabled(bsSkinCheckRadioBox7.Checked()); }

int TForm5::AfterDone() const { return std::max(AfterDoneGroup.CheckedIndex(), 0); }

bool TForm5::OverwriteFile() const { return bsSkinCheckRadioBox3.Checked(); }

int TForm5::ThreadPriority() const {
  const int index = PriorityGroup.CheckedIndex();
  return index < 0 ? 3 : index;
}

int TForm5::ThreadCount() const {
  if (!bsSkinCheckRadioBox7.Checked()) return 1;
  return std::max(bsSkinComboBox2.ItemIndex() + 1, 1);
}

}  // namespace app
