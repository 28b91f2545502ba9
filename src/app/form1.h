#pragma once
// The main window as a headless presentation model: its state, its controls as models and its
// handlers. Views mirror the controls; every behaviour here runs without a display.
// UI thread only.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/controls/combo_box.h"
#include "app/controls/edit.h"
#include "app/controls/list_view.h"
#include "app/controls/office_combo_box.h"
#include "app/form5.h"
#include "app/job_table.h"
#include "app/working_fields.h"
#include "base/ini_file.h"
#include "catalogue/catalogue.h"

namespace app {

// Where the window keeps its settings and the output folder it starts with.
struct TForm1Paths {
  std::string IniFileName;          // option.ini
  std::string DefaultOutputFolder;  // created and stored on first start
};

// The working fields (Video_*) are members through TWorkingFields.
class TForm1 : public TWorkingFields {
 public:
  // AIni is shared with the options dialog, which is created before this window but loads after it.
  TForm1(base::TIniFile& AIni, std::string ADefaultOutputFolder, TForm5& AForm5);
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  static constexpr int kSkinCount = 11;
  static constexpr int kBuiltInSkin = 1;  // the skin used when option.ini is missing

  // The creation sequence: job table reset, output folder, skin, category and preset choosers.
  void FormCreate();

  // ---- Settings ----
  void Button17Click();  // read the output folder from option.ini (creating folder and file as needed)
  void Button16Click();  // write the output folder, when it names an existing folder
  void Button3Click();   // read the skin index and apply it
  void Button4Click();   // write the current skin index
  // After the skin chooser: AChosen is the confirmed skin, nothing when cancelled. Writes either way.
  void ChooseSkin(std::optional<int> AChosen);
  int SkinIndex() const { return skinIndex_; }
  TSignal<int> SkinChanged;

  // ---- Catalogue ----
  void Button2Click();                 // fill the preset chooser for the current category
  void bsSkinOfficeComboBox2Change();  // category changed
  void Button6Click();                 // reset the working fields ("初始化数据")
  void Button5Click();                 // apply the current preset ("根据combox添加数据")
  void Button18Click();                // fill the six parameter choosers for the current preset
  void Button13Click();                // read the six parameter choosers into the working fields
  void bsSkinComboBox1Change();        // resolution chooser changed
  void bsSkinComboBox2Change();        // video bit-rate chooser changed
  void bsSkinComboBox3Change();        // audio bit-rate chooser changed
  void bsSkinComboBox4Change();        // aspect chooser changed
  void bsSkinComboBox9Change();        // frame-rate chooser changed
  void bsSkinComboBox10Change();       // sample-rate chooser changed
  void bsSkinOfficeComboBox1Change();  // preset changed

  // Puts the choosers back from a row's columns 9 and 10 (category, preset, then the six choosers).
  // False, and nothing changes, when column 9 does not name a preset or column 10 does not decode. A
  // stored position past the end of its chooser's list leaves that chooser as it is.
  bool RestoreRowChoices(int ARow);

  // The parameter chooser of a catalogue chooser kind.
  TComboBox& Chooser(catalogue::TChooser AChooser);
  const TComboBox& Chooser(catalogue::TChooser AChooser) const;
  // The current preset key, -1 without a valid selection.
  int CurrentPresetKey() const;
  // The six chooser positions in option-index order.
  catalogue::TOptionPositions ChooserPositions() const;

  // ---- State ----
  int64_t FDuration = 0;        // duration of the file open in the player
  bool FTrackChanging = false;  // the player's slider is being set by code
  TJobTable JobTable;           // IO1 / OO1: entry i belongs to row i of lvFiles
  std::vector<engine::TInputOptions>& IO1 = JobTable.IO1;
  std::vector<engine::TOutputOptions>& OO1 = JobTable.OO1;
  std::string FileOutPutPath;           // the output folder, as shown in Video_OutPut_Folder_Edit
  std::string T_Movie_PLayer_FileName;  // the file the preview plays
  std::string bsSkinSlider1_down_UP;    // "UP" after start-up
  std::vector<std::string> mmoLog;      // the hidden log

  // ---- Controls ----
  TFocusScope Focus;
  TEdit Video_OutPut_Folder_Edit{"Video_OutPut_Folder_Edit"};      // output folder box, read-only
  TOfficeComboBox bsSkinOfficeComboBox2{"bsSkinOfficeComboBox2"};  // category chooser
  TOfficeComboBox bsSkinOfficeComboBox1{"bsSkinOfficeComboBox1"};  // preset chooser
  TComboBox bsSkinComboBox1{"bsSkinComboBox1"};                    // resolution, "视频分辨率："
  TComboBox bsSkinComboBox2{"bsSkinComboBox2"};                    // video bit rate, "视频比特率："
  TComboBox bsSkinComboBox3{"bsSkinComboBox3"};                    // audio bit rate, "音频比特率："
  TComboBox bsSkinComboBox4{"bsSkinComboBox4"};                    // aspect, "视频缩放："
  TComboBox bsSkinComboBox9{"bsSkinComboBox9"};                    // frame rate, "视频帧率："
  TComboBox bsSkinComboBox10{"bsSkinComboBox10"};                  // sample rate, "音频采样率："
  TListView lvFiles{"lvFiles"};                                    // the job list, 25 columns

  TForm5& Form5;

 private:
  void ChooserChanged(catalogue::TChooser AChooser);
  void FillCategories();
  void UseOutputFolder(const std::string& AFolder);
  void UseDefaultOutputFolder();
  void SelectSkin(int AIndex);

  base::TIniFile& ini_;
  std::string defaultOutputFolder_;
  int skinIndex_ = kBuiltInSkin;
};

}  // namespace app
