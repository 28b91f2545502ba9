#include "app/form1.h"

#include <charconv>

#include "app/job_row.h"
#include "base/paths.h"

namespace app {

namespace {
constexpr const char* kMissing = "Error";
bool Missing(const std::string& value) { return value.empty() || value == kMissing; }
}  // namespace

TForm1::TForm1(base::TIniFile& AIni, std::string ADefaultOutputFolder, TForm5& AForm5)
    : Form5(AForm5), ini_(AIni), defaultOutputFolder_(std::move(ADefaultOutputFolder)) {
  SetupJobColumns(lvFiles);
  Video_OutPut_Folder_Edit.SetReadOnly(true);
  for (TControl* c : std::initializer_list<TControl*>{&Video_OutPut_Folder_Edit, &bsSkinOfficeComboBox2,
                                                      &bsSkinOfficeComboBox1, &bsSkinComboBox1,
                                                      &bsSkinComboBox2, &bsSkinComboBox3, &bsSkinComboBox4,
                                                      &bsSkinComboBox9, &bsSkinComboBox10, &lvFiles})
    c->SetFocusScope(&Focus);
  bsSkinOfficeComboBox2.OnChange = [this] { bsSkinOfficeComboBox2Change(); };
  bsSkinOfficeComboBox1.OnChange = [this] { bsSkinOfficeComboBox1Change(); };
  bsSkinComboBox1.OnChange = [this] { bsSkinComboBox1Change(); };
  bsSkinComboBox2.OnChange = [this] { bsSkinComboBox2Change(); };
  bsSkinComboBox3.OnChange = [this] { bsSkinComboBox3Change(); };
  bsSkinComboBox4.OnChange = [this] { bsSkinComboBox4Change(); };
  bsSkinComboBox9.OnChange = [this] { bsSkinComboBox9Change(); };
  bsSkinComboBox10.OnChange = [this] { bsSkinComboBox10Change(); };
}

void TForm1::FormCreate() {
  JobTable.Reset();
  Button17Click();
  Button3Click();
  FillCategories();
  bsSkinSlider1_down_UP = "UP";
}

// ---- Output folder ----

void TForm1::UseOutputFolder(const std::string& AFolder) {
  FileOutPutPath = AFolder;
  Video_OutPut_Folder_Edit.SetText(AFolder);
}

void TForm1::UseDefaultOutputFolder() {
  base::ForceDirectories(defaultOutputFolder_);
  ini_.WriteString("OutPath", "OutPath", defaultOutputFolder_);
  UseOutputFolder(defaultOutputFolder_);
}

void TForm1::Button17Click() {
  if (!ini_.Exists()) {
    UseDefaultOutputFolder();
    return;
  }
  const std::string stored = ini_.ReadString("OutPath", "OutPath", kMissing);
  if (Missing(stored)) {
    UseDefaultOutputFolder();
    return;
  }
  // A folder that cannot be created is still shown and used; the jobs then fail to open their output.
  base::ForceDirectories(stored);
  UseOutputFolder(stored);
}

void TForm1::Button16Click() {
  if (base::DirectoryExists(FileOutPutPath)) ini_.WriteString("OutPath", "OutPath", FileOutPutPath);
}

// ---- Skin ----

void TForm1::SelectSkin(int AIndex) {
  skinIndex_ = AIndex;
  SkinChanged(AIndex);
}

void TForm1::Button3Click() {
  if (!ini_.Exists()) {
    ini_.WriteString("Skin", "SetSkin", "0");
    SelectSkin(kBuiltInSkin);
    return;
  }
  // Anything but a skin index written plainly counts as missing.
  const std::string stored = ini_.ReadString("Skin", "SetSkin", kMissing);
  int index = -1;
  const auto [ptr, ec] = std::from_chars(stored.data(), stored.data() + stored.size(), index);
  const bool usable = !stored.empty() && ec == std::errc() && ptr == stored.data() + stored.size() &&
                      index >= 0 && index < kSkinCount && std::to_string(index) == stored;
  if (!usable) {
    ini_.WriteString("Skin", "SetSkin", "0");
    index = 0;
  }
  SelectSkin(index);
}

void TForm1::Button4Click() { ini_.WriteString("Skin", "SetSkin", std::to_string(skinIndex_)); }

void TForm1::ChooseSkin(std::optional<int> AChosen) {
  if (AChosen && *AChosen >= 0 && *AChosen < kSkinCount) SelectSkin(*AChosen);
  Button4Click();
}

}  // namespace app
