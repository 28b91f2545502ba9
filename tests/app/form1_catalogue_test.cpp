#include <gtest/gtest.h>

#include <filesystem>

#include "app/form1.h"
#include "app/job_row.h"
#include "form1_fixture.h"

namespace app {
namespace {

using catalogue::TChooser;
using testing::Form1Fixture;

// The six parameter choosers' shown texts in fill order.
std::vector<std::string> Shown(TForm1& form) {
  std::vector<std::string> texts;
  for (const TChooser c : catalogue::kChooserFillOrder) texts.push_back(form.Chooser(c).Text());
  return texts;
}

TEST(Form1Catalogue, StartUpSelectsFirstCategoryAndPreset) {
  Form1Fixture f;
  f.Start();
  EXPECT_EQ(f.form.bsSkinOfficeComboBox2.Count(), 28);
  EXPECT_EQ(f.form.bsSkinOfficeComboBox2.Text(), "经典视频");
  EXPECT_EQ(f.form.bsSkinOfficeComboBox1.Count(), 15);
  EXPECT_EQ(f.form.bsSkinOfficeComboBox1.ItemIndex(), 0);
  EXPECT_EQ(f.form.CurrentPresetKey(), 100);
  EXPECT_EQ(Shown(f.form), (std::vector<std::string>{"保持原分辨率", "816 kbps", "25.00", "128 kbps", "44100",
                                                     "保持原视频模式"}));
  f.form.Button13Click();
  EXPECT_EQ(f.form.Video_FrameSize, "");
  EXPECT_EQ(f.form.Video_VideoBitrate, 816000);
  EXPECT_EQ(f.form.Video_FrameRate, "25.00");
  EXPECT_EQ(f.form.Video_AudioBitrate, 128000);
  EXPECT_EQ(f.form.Video_AudioSampleRate, "44100");
  EXPECT_EQ(f.form.Video_FrameAspectRatio, "");
}

TEST(Form1Catalogue, CategoryChangeRefillsPresetsAndAlwaysRaisesPresetChange) {
  Form1Fixture f;
  f.Start();
  int presetChanges = 0;
  auto original = f.form.bsSkinOfficeComboBox1.OnChange;
  f.form.bsSkinOfficeComboBox1.OnChange = [&] {
    ++presetChanges;
    original();
  };
  struct Case {
    int categoryIndex;
    int count;
    int firstKey;
    const char* firstTitle;
  } cases[] = {
      {1, 7, 1600, "AVI标准视频(*.avi)"},
      {1, 7, 1600, "AVI标准视频(*.avi)"},  // the same category again fills and raises again
      {23, 13, 200, "MP3 - MPEG Layer-3音频格式(*.mp3)"},
      {27, 14, 400, "iPod (320X240) 高清晰视频(*.mp4)"},
  };
  int expectedChanges = 0;
  for (const auto& c : cases) {
    f.form.bsSkinOfficeComboBox2.SetItemIndex(c.categoryIndex);
    ++expectedChanges;
    EXPECT_EQ(presetChanges, expectedChanges) << c.categoryIndex;
    EXPECT_EQ(f.form.bsSkinOfficeComboBox1.Count(), c.count) << c.categoryIndex;
    EXPECT_EQ(f.form.bsSkinOfficeComboBox1.Text(), c.firstTitle) << c.categoryIndex;
    EXPECT_EQ(f.form.CurrentPresetKey(), c.firstKey) << c.categoryIndex;
  }
}

TEST(Form1Catalogue, AudioOnlyPresetDisablesVideoChoosers) {
  Form1Fixture f;
  f.Start();
  f.SelectPreset(200);
  for (const TChooser c : {TChooser::Size, TChooser::VideoBitrate, TChooser::FrameRate, TChooser::Aspect}) {
    EXPECT_FALSE(f.form.Chooser(c).Enabled()) << static_cast<int>(c);
    EXPECT_EQ(f.form.Chooser(c).Count(), 1) << static_cast<int>(c);
  }
  EXPECT_TRUE(f.form.Chooser(TChooser::AudioBitrate).Enabled());
  f.form.Button13Click();
  EXPECT_EQ(f.form.Video_VideoBitrate, kNoBitrate);
  EXPECT_EQ(f.form.Video_FrameSize, "");
  EXPECT_EQ(f.form.Video_FrameRate, "");
  EXPECT_EQ(f.form.Video_AudioBitrate, 128000);
  EXPECT_EQ(f.form.Video_AudioSampleRate, "44100");

  f.SelectPreset(100);  // back to a video preset: all six enabled again
  for (const TChooser c : catalogue::kChooserFillOrder) EXPECT_TRUE(f.form.Chooser(c).Enabled());
}

TEST(Form1Catalogue, ApplyPresetBuildsFieldsAndUniqueName) {
  Form1Fixture f;
  f.Start();
  const std::string out = f.dir / "out";
  std::filesystem::create_directory(out);
  f.form.Video_OutPut_Folder_Edit.SetText(out);
  f.form.Video_AddFileName = "/v/clip.rmvb";
  f.SelectPreset(102);
  f.form.Video_FrameSize = "stale";

  f.form.Button5Click();
  EXPECT_EQ(f.form.Video_OutPutFileName, out + "/clip.avi");
  EXPECT_EQ(f.form.Video_AddFileName, "/v/clip.rmvb");
  EXPECT_EQ(f.form.Video_FileExt, ".avi");
  EXPECT_EQ(f.form.Video_VideoCodec, "mpeg4");
  EXPECT_EQ(f.form.Video_VideoTag, "DX50");
  EXPECT_EQ(f.form.Video_AudioCodec, "libmp3lame");
  EXPECT_EQ(f.form.Video_AudioChannels, "2");
  EXPECT_EQ(f.form.Video_FrameSize, "");
  EXPECT_EQ(f.form.Video_VideoBitrate, 816000);
  EXPECT_EQ(f.form.Video_FrameRate, "25");
  EXPECT_EQ(f.form.Video_AudioSampleRate, "44100");
  EXPECT_EQ(f.form.Video_AudioBitrate, 128000);

  f.dir.write("out/clip.avi", "");
  f.form.Button5Click();
  EXPECT_EQ(f.form.Video_OutPutFileName, out + "/clip_1.avi");
  f.dir.write("out/clip_1.avi", "");
  f.form.Button5Click();
  EXPECT_EQ(f.form.Video_OutPutFileName, out + "/clip_2.avi");
  f.form5.bsSkinCheckRadioBox3.SetChecked(true);  // "直接覆盖输出文件"
  f.form.Button5Click();
  EXPECT_EQ(f.form.Video_OutPutFileName, out + "/clip.avi");

  struct Case {
    const char* input;
    int key;
    const char* expected;
  } names[] = {{"/v/my.clip.mov", 101, "/my.clip.mp4"},
               {"/v/clip", 101, "/clip.mp4"},
               {"/v/a.avi", 111, "/a.mpg"},
               {"/v/a.avi", 206, "/a.ra"},
               {"/v/a.avi", 1202, "/a.flv"},
               {"", 101, "/.mp4"}};
  for (const auto& c : names) {
    f.form.Video_AddFileName = c.input;
    f.SelectPreset(c.key);
    f.form.Button5Click();
    EXPECT_EQ(f.form.Video_OutPutFileName, out + c.expected) << c.key;
  }
}

TEST(Form1Catalogue, ApplyPresetWritesSelectedRowOnly) {
  struct Case {
    int key;
    const char* videoCodec;    // column 11
    const char* fileExt;       // 15
    const char* videoBitrate;  // 17
    const char* audioBitrate;  // 19
    const char* disableVideo;  // 22
    const char* target;        // 23
    const char* norm;          // 24
  } cases[] = {
      {200, "", ".mp3", "-1", "128000", "True", "", ""},
      {111, "", "", "-1000", "-1000", "False", "dvd", "PAL"},
      {206, "", ".rm", "-1", "128000", "True", "", ""},
      {102, "mpeg4", ".avi", "816000", "128000", "False", "", ""},
  };
  for (const auto& c : cases) {
    Form1Fixture f;
    f.Start();
    const int other = f.form.lvFiles.Add("/v/other.avi");
    f.SelectPreset(c.key);  // no row selected: rows untouched
    f.form.Button5Click();
    for (int col = jcVideoCodec; col <= jcNormType; ++col)
      EXPECT_EQ(f.form.lvFiles.Cell(other, col), "") << col;

    const int row = f.AddSelectedRow("clip.avi", "000000000000");
    f.form.Button5Click();
    EXPECT_EQ(f.form.lvFiles.Cell(row, jcVideoCodec), c.videoCodec) << c.key;
    EXPECT_EQ(f.form.lvFiles.Cell(row, jcFileExt), c.fileExt) << c.key;
    EXPECT_EQ(f.form.lvFiles.Cell(row, jcVideoBitrate), c.videoBitrate) << c.key;
    EXPECT_EQ(f.form.lvFiles.Cell(row, jcAudioBitrate), c.audioBitrate) << c.key;
    EXPECT_EQ(f.form.lvFiles.Cell(row, jcDisableVideo), c.disableVideo) << c.key;
    EXPECT_EQ(f.form.lvFiles.Cell(row, jcTargetType), c.target) << c.key;
    EXPECT_EQ(f.form.lvFiles.Cell(row, jcNormType), c.norm) << c.key;
    EXPECT_EQ(f.form.lvFiles.Cell(row, jcOutputFile), "clip.avi") << c.key;  // not touched here
    EXPECT_EQ(f.form.lvFiles.Cell(row, jcOptionIndexes), "000000000000") << c.key;
  }
}

TEST(Form1Catalogue, ChooserChangeRewritesItsPairAndValueColumn) {
  Form1Fixture f;
  f.Start();
  f.SelectPreset(707);  // sizes R13, video bit rates VB15
  const int row = f.AddSelectedRow("clip.mp4", "000310100904");
  f.form.Video_OutPutFileName = "untouched";

  f.form.bsSkinComboBox1.Select(1);
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcOptionIndexes), "010310100904");
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcFrameSize), "128*96");
  EXPECT_EQ(f.form.Video_FrameSize, "128*96");
  EXPECT_TRUE(f.form.lvFiles.Focused());

  f.form.bsSkinComboBox2.Select(12);
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcOptionIndexes), "011210100904");
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcVideoBitrate), "256000");

  struct Case {
    TComboBox* box;
    int position;
    std::string indexes;
    int column;
    const char* value;
  } cases[] = {
      {&f.form.bsSkinComboBox3, 1, "011201100904", jcAudioBitrate, "56000"},
      {&f.form.bsSkinComboBox4, 2, "011201020904", jcAspect, "16:9"},
      {&f.form.bsSkinComboBox9, 0, "011201020004", jcFrameRate, "1"},
      {&f.form.bsSkinComboBox10, 6, "011201020006", jcSampleRate, "48000"},
  };
  for (const auto& c : cases) {
    c.box->Select(c.position);
    EXPECT_EQ(f.form.lvFiles.Cell(row, jcOptionIndexes), c.indexes) << c.box->Name();
    EXPECT_EQ(f.form.lvFiles.Cell(row, c.column), c.value) << c.box->Name();
  }
  EXPECT_EQ(f.form.Video_OutPutFileName, "untouched");

  // An empty selection still writes a two-character pair that reads back.
  f.form.bsSkinComboBox4.SetItemIndex(-1);
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcOptionIndexes), "011201-10006");
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcAspect), "");
}

TEST(Form1Catalogue, ChooserChangeWithoutSelectedJobChangesNothing) {
  Form1Fixture f;
  f.Start();
  const int row = f.form.lvFiles.Add("/v/clip.avi");
  f.form.lvFiles.SetCell(row, jcOptionIndexes, "000310100904");
  f.form.Button13Click();
  const TWorkingFields before = f.form;
  f.form.bsSkinComboBox1.Select(11);
  f.form.bsSkinComboBox3.Select(0);
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcOptionIndexes), "000310100904");
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcFrameSize), "");
  EXPECT_EQ(f.form.Video_FrameSize, before.Video_FrameSize);
  EXPECT_EQ(f.form.Video_AudioBitrate, before.Video_AudioBitrate);
}

TEST(Form1Catalogue, PresetChangeWithSelectedJob) {
  Form1Fixture f;
  f.Start();
  const std::string out = f.dir / "out";
  f.form.Video_OutPut_Folder_Edit.SetText(out);
  f.SelectPreset(101);
  // Pairs set to 99 show which handlers ran: only choosers whose shown text changes rewrite theirs.
  const int row = f.AddSelectedRow("clip_2.mp4", "999999999999");
  f.form.Video_AddFileName = "/v/clip.avi";

  f.form.bsSkinOfficeComboBox1.SetItemIndex(0);  // key 100: video bit rate "768 kbps" -> "816 kbps"
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcOptionIndexes), "990399999999");
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcVideoBitrate), "816000");
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcOutputFile), "clip_2.avi");
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcPresetNumber), "100");
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcVideoTag), "XVID");
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcFrameRate), "25");  // the preset's value, not the chooser's
  EXPECT_EQ(f.form.Video_FrameRate, "25.00");              // the working field follows the chooser
  EXPECT_EQ(f.form.Video_OutPutFileName, out + "/clip.avi");
  EXPECT_TRUE(f.form.lvFiles.Focused());

  // A category change applies that category's first preset to the row; the number is the chooser
  // position, not the category code.
  f.form.bsSkinOfficeComboBox2.SetItemIndex(24);
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcPresetNumber), "2500");
  EXPECT_EQ(f.form.CurrentPresetKey(), 2600);
  f.form.bsSkinOfficeComboBox1.SetItemIndex(12);
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcPresetNumber), "2512");
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcOutputFile), "clip_2.mp3");
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcDisableVideo), "True");
}

TEST(Form1Catalogue, PresetChangeWithoutSelectedJobLeavesRowsAndName) {
  Form1Fixture f;
  f.Start();
  const int row = f.form.lvFiles.Add("/v/clip.avi");
  f.form.lvFiles.SetCell(row, jcOutputFile, "clip.avi");
  f.form.Video_OutPutFileName = "kept";
  f.SelectPreset(1601);
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcOutputFile), "clip.avi");
  EXPECT_EQ(f.form.lvFiles.Cell(row, jcPresetNumber), "");
  EXPECT_EQ(f.form.Video_OutPutFileName, "kept");
}

TEST(Form1Catalogue, RestoreRowChoices) {
  Form1Fixture f;
  f.Start();
  struct Case {
    const char* presetNumber;
    const char* indexes;
    bool restored;
    int key;                     // preset afterwards
    std::vector<int> positions;  // size, video, frame rate, audio, sample rate, aspect
  } cases[] = {
      {"2812", "010203000102", true, 412, {1, 2, 1, 3, 2, 0}},  // iPod, key 412 (R6, VB8, FR5, AB4, SR3, AS1)
      {"100", "990399999999", true, 100, {0, 3, 9, 10, 4, 0}},  // positions past the lists: left as they were
      {"2512", "-1-1-1-1-1-1", true, 2612, {-1, -1, -1, -1, -1, -1}},
      {"abc", "000000000000", false, 100, {0, 3, 9, 10, 4, 0}},
      {"3000", "000000000000", false, 100, {0, 3, 9, 10, 4, 0}},  // no category 29
      {"115", "000000000000", false, 100, {0, 3, 9, 10, 4, 0}},   // category 0 has 15 presets
      {"100", "0003", false, 100, {0, 3, 9, 10, 4, 0}},           // too short
      {"100", "0-0310100904", false, 100, {0, 3, 9, 10, 4, 0}},   // not pairs
  };
  for (const auto& c : cases) {
    f.SelectPreset(100);
    const int row = f.form.lvFiles.Add("/v/a.avi");
    f.form.lvFiles.SetCell(row, jcPresetNumber, c.presetNumber);
    f.form.lvFiles.SetCell(row, jcOptionIndexes, c.indexes);
    EXPECT_EQ(f.form.RestoreRowChoices(row), c.restored) << c.presetNumber << " " << c.indexes;
    EXPECT_EQ(f.form.CurrentPresetKey(), c.key) << c.presetNumber;
    std::vector<int> positions;
    for (const TChooser ch : catalogue::kChooserFillOrder)
      positions.push_back(f.form.Chooser(ch).ItemIndex());
    EXPECT_EQ(positions, c.positions) << c.presetNumber << " " << c.indexes;
    f.form.lvFiles.Delete(row);
  }
}

}  // namespace
}  // namespace app
