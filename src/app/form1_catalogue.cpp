// The main window's catalogue handlers: category and preset choosers, preset application, the six
// parameter choosers and how they keep the selected job's row in step.
#include <charconv>
#include <string>

#include "app/chooser_values.h"
#include "app/form1.h"
#include "app/job_records.h"
#include "app/job_row.h"
#include "app/output_naming.h"
#include "base/paths.h"

namespace app {

using catalogue::TChooser;

TComboBox& TForm1::Chooser(TChooser AChooser) {
  return const_cast<TComboBox&>(static_cast<const TForm1*>(this)->Chooser(AChooser));
}

const TComboBox& TForm1::Chooser(TChooser AChooser) const {
  switch (AChooser) {
    case TChooser::Size:
      return bsSkinComboBox1;
    case TChooser::VideoBitrate:
      return bsSkinComboBox2;
    case TChooser::FrameRate:
      return bsSkinComboBox9;
    case TChooser::AudioBitrate:
      return bsSkinComboBox3;
    case TChooser::SampleRate:
      return bsSkinComboBox10;
    case TChooser::Aspect:
      return bsSkinComboBox4;
  }
  return bsSkinComboBox1;
}

int TForm1::CurrentPresetKey() const {
  const int categoryIndex = bsSkinOfficeComboBox2.ItemIndex();
  const int presetIndex = bsSkinOfficeComboBox1.ItemIndex();
  if (presetIndex < 0 || presetIndex >= static_cast<int>(catalogue::PresetsOfCategory(categoryIndex).size()))
    return -1;
  return catalogue::PresetKey(categoryIndex, presetIndex);
}

catalogue::TOptionPositions TForm1::ChooserPositions() const {
  catalogue::TOptionPositions positions{};
  for (const TChooser chooser : catalogue::kChooserFillOrder)
    positions[static_cast<size_t>(chooser)] = Chooser(chooser).ItemIndex();
  return positions;
}

void TForm1::FillCategories() {
  bsSkinOfficeComboBox2.Clear();
  for (const catalogue::TCategory& category : catalogue::Categories())
    bsSkinOfficeComboBox2.Add({category.Caption, "", category.Icon});
  bsSkinOfficeComboBox2.SetItemIndex(0);  // raises the category change, which fills the presets
}

void TForm1::Button2Click() {
  bsSkinOfficeComboBox1.Clear();
  bsSkinOfficeComboBox1.Repaint();
  for (const catalogue::TPreset& preset : catalogue::PresetsOfCategory(bsSkinOfficeComboBox2.ItemIndex()))
    bsSkinOfficeComboBox1.Add({preset.Title, preset.Description, preset.Icon});
  // Selecting always raises the preset change, also when the same category is filled again. An
  // unknown category leaves the chooser empty.
  bsSkinOfficeComboBox1.SetItemIndex(0);
}

void TForm1::bsSkinOfficeComboBox2Change() { Button2Click(); }

void TForm1::Button6Click() { ResetWorkingFields(*this); }

void TForm1::Button5Click() {
  Button6Click();
  const int key = CurrentPresetKey();
  if (!ApplyPresetDefaults(key, *this)) return;
  const std::string& nameExt = catalogue::OutputNameExtension(*catalogue::FindDefaults(key));
  Video_OutPutFileName = UniqueOutputName(
      OutputCandidate(Video_OutPut_Folder_Edit.Text(), Video_AddFileName, nameExt), Form5.OverwriteFile());

  const int row = lvFiles.Selected();
  if (row < 0) return;
  lvFiles.SetCell(row, jcVideoCodec, Video_VideoCodec);
  lvFiles.SetCell(row, jcAudioCodec, Video_AudioCodec);
  lvFiles.SetCell(row, jcAudioChannels, Video_AudioChannels);
  lvFiles.SetCell(row, jcVideoTag, Video_VideoTag);
  lvFiles.SetCell(row, jcFileExt, Video_FileExt);
  lvFiles.SetCell(row, jcFrameSize, Video_FrameSize);
  lvFiles.SetCell(row, jcVideoBitrate, std::to_string(Video_VideoBitrate));
  lvFiles.SetCell(row, jcFrameRate, Video_FrameRate);
  lvFiles.SetCell(row, jcAudioBitrate, std::to_string(Video_AudioBitrate));
  lvFiles.SetCell(row, jcSampleRate, Video_AudioSampleRate);
  lvFiles.SetCell(row, jcAspect, Video_FrameAspectRatio);
  lvFiles.SetCell(row, jcDisableVideo, Video_DisableVideo ? "True" : "False");
  lvFiles.SetCell(row, jcTargetType, Video_TargetType);
  lvFiles.SetCell(row, jcNormType, Video_NormType);
}

void TForm1::Button18Click() {
  for (const TChooser chooser : catalogue::kChooserFillOrder) {
    Chooser(chooser).Clear();
    Chooser(chooser).SetEnabled(true);
  }
  Video_DisableVideo = false;
  const catalogue::TPresetChoices* choices = catalogue::FindChoices(CurrentPresetKey());
  if (choices == nullptr) return;
  // Each chooser is filled and selected before the next: a selection may run its change handler.
  for (const TChooser chooser : catalogue::kChooserFillOrder) {
    TComboBox& box = Chooser(chooser);
    const catalogue::TChoice& choice = (*choices)[chooser];
    for (const std::string& entry : choice.List->Entries) box.Add(entry);
    box.SetItemIndex(choice.Default);
  }
  if (choices->AudioOnly)
    for (const TChooser chooser :
         {TChooser::Size, TChooser::VideoBitrate, TChooser::Aspect, TChooser::FrameRate})
      Chooser(chooser).SetEnabled(false);
}

void TForm1::Button13Click() {
  for (const TChooser chooser : {TChooser::Size, TChooser::FrameRate, TChooser::VideoBitrate,
                                 TChooser::SampleRate, TChooser::AudioBitrate, TChooser::Aspect})
    StoreChooserValue(chooser, Chooser(chooser).Text(), *this);
}

void TForm1::ChooserChanged(TChooser AChooser) {
  const int row = lvFiles.Selected();
  if (row < 0) return;
  TComboBox& box = Chooser(AChooser);
  lvFiles.SetCell(
      row, jcOptionIndexes,
      catalogue::ReplaceOptionPair(lvFiles.Cell(row, jcOptionIndexes), AChooser, box.ItemIndex()));
  StoreChooserValue(AChooser, box.Text(), *this);
  lvFiles.SetCell(row, ChooserValueColumn(AChooser), ChooserFieldText(AChooser, *this));
  lvFiles.SetFocus();
}

void TForm1::bsSkinComboBox1Change() { ChooserChanged(TChooser::Size); }
void TForm1::bsSkinComboBox2Change() { ChooserChanged(TChooser::VideoBitrate); }
void TForm1::bsSkinComboBox3Change() { ChooserChanged(TChooser::AudioBitrate); }
void TForm1::bsSkinComboBox4Change() { ChooserChanged(TChooser::Aspect); }
void TForm1::bsSkinComboBox9Change() { ChooserChanged(TChooser::FrameRate); }
void TForm1::bsSkinComboBox10Change() { ChooserChanged(TChooser::SampleRate); }

void TForm1::bsSkinOfficeComboBox1Change() {
  Button18Click();
  const std::string ext = catalogue::TitleExtension(bsSkinOfficeComboBox1.Text());
  const int row = lvFiles.Selected();
  if (row < 0) return;
  Button5Click();
  Button13Click();
  lvFiles.SetCell(row, jcOutputFile,
                  base::ChangeFileExt(base::ExtractFileName(lvFiles.Cell(row, jcOutputFile)), ext));
  lvFiles.SetCell(row, jcPresetNumber,
                  std::to_string(catalogue::StoredPresetNumber(bsSkinOfficeComboBox2.ItemIndex(),
                                                               bsSkinOfficeComboBox1.ItemIndex())));
  lvFiles.SetFocus();
}

bool TForm1::RestoreRowChoices(int ARow) {
  if (ARow < 0 || ARow >= lvFiles.Count()) return false;
  // Both columns are decoded before anything is set: setting the choosers rewrites them.
  int stored = 0;
  const std::string& presetText = lvFiles.Cell(ARow, jcPresetNumber);
  const auto [ptr, ec] = std::from_chars(presetText.data(), presetText.data() + presetText.size(), stored);
  if (presetText.empty() || ec != std::errc() || ptr != presetText.data() + presetText.size()) return false;
  const catalogue::TStoredPreset preset = catalogue::DecodeStoredPresetNumber(stored);
  const auto presets = catalogue::PresetsOfCategory(preset.CategoryIndex);
  if (preset.PresetIndex < 0 || preset.PresetIndex >= static_cast<int>(presets.size())) return false;
  const auto positions = catalogue::ParseOptionIndexString(lvFiles.Cell(ARow, jcOptionIndexes));
  if (!positions) return false;

  bsSkinOfficeComboBox2.SetItemIndex(preset.CategoryIndex);
  bsSkinOfficeComboBox1.SetItemIndex(preset.PresetIndex);
  for (const TChooser chooser : {TChooser::Size, TChooser::VideoBitrate, TChooser::AudioBitrate,
                                 TChooser::Aspect, TChooser::FrameRate, TChooser::SampleRate})
    Chooser(chooser).SetItemIndex((*positions)[static_cast<size_t>(chooser)]);  // out of range: left as is
  return true;
}

}  // namespace app
