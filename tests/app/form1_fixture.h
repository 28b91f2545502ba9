#pragma once
// A main window and options dialog over a fresh folder: option.ini and the default output folder live
// inside it, so nothing outside the test's own folder is touched.
#include "app/form1.h"
#include "app/form5.h"
#include "base/ini_file.h"
#include "catalogue/catalogue.h"
#include "fixtures/temp_folder.h"

namespace app::testing {

struct Form1Fixture {
  fixtures::TempFolder dir;
  base::TIniFile ini{dir / "option.ini"};
  std::string defaultOutput = dir / "home/Vornel视频软件/输出";
  TForm5 form5{ini};
  TForm1 form{ini, defaultOutput, form5};

  void Start() {
    form.FormCreate();
    form5.Button1Click();
  }
  // Selects the preset with this key through both choosers (as the user would).
  void SelectPreset(int key) {
    const catalogue::TCategory* category = catalogue::CategoryByCode(key / 100 - 1);
    form.bsSkinOfficeComboBox2.SetItemIndex(category->Index);
    form.bsSkinOfficeComboBox1.SetItemIndex(key % 100);
  }
  // Appends a job row with the given output name and option index string and selects it.
  int AddSelectedRow(const std::string& outputName, const std::string& optionIndexes) {
    const int row = form.lvFiles.Add("/v/clip.avi");
    form.lvFiles.SetCell(row, 3, outputName);
    form.lvFiles.SetCell(row, 10, optionIndexes);
    form.lvFiles.SetSelected(row);
    return row;
  }
};

}  // namespace app::testing
