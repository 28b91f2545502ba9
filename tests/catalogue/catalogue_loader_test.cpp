// Reading the data files: a small catalogue of its own, and every kind of malformed row it must refuse.
#include <gtest/gtest.h>

#include <stdexcept>

#include "catalogue/tables.h"

namespace catalogue::detail {
namespace {

struct Texts {
  std::string Categories = "# index\tcode\ticon\tcaption\n0\t0\t40\t经典视频\n";
  std::string Presets = "100\tA(*.avi)\t甲\n101\tB(*.mp4)\t乙\n";
  std::string Defaults =
      "100\t.avi\tmpeg4\tXVID\tlibmp3lame\t2\t-\t816000\t25\t44100\t128000\t-\tvideo off; target dvd, norm "
      "PAL; "
      "name ext .mpg\t101\n";
  std::string DefaultsOwn = "101\t640*480\t528000\t64000\n";
  std::string Corrections = "101\tFileExt\t.mp4\tthe title promises MP4\n";
  std::string ValueLists =
      "R1\t保持原分辨率\t640*480\nVB1\t528 kbps\t816 kbps\nFR1\t25.00\nAB1\t64 kbps\t128 kbps\nSR1\t44100\n"
      "AS1\t保持原视频模式\n";
  std::string Choices = "100 *\tR1 0\tVB1 1\tFR1 0\tAB1 1\tSR1 0\tAS1 0\t101\n";
  std::string ChoicesOwn = "101\t1\t0\t0\t0\t0\t0\n";

  TTables build() const {
    return BuildTables(
        {Categories, Presets, Defaults, DefaultsOwn, Corrections, ValueLists, Choices, ChoicesOwn});
  }
};

TEST(CatalogueLoader, SharingKeysTakeTheRowAndTheirOwnValues) {
  const TTables t = Texts().build();
  ASSERT_EQ(t.Presets.size(), 2u);
  EXPECT_EQ(t.Presets[1].Title, "B(*.mp4)");
  EXPECT_EQ(t.Presets[1].Icon, 1);
  EXPECT_EQ(t.CodeRange[0], (std::pair<size_t, size_t>{0, 2}));
  ASSERT_EQ(t.Defaults.size(), 2u);
  const TPresetDefaults& row = t.Defaults[0];
  EXPECT_EQ(row.Key, 100);
  EXPECT_EQ(row.FileExt, ".avi");
  EXPECT_EQ(row.VideoTag, "XVID");
  EXPECT_TRUE(row.DisableVideo);
  EXPECT_EQ(row.TargetType, "dvd");
  EXPECT_EQ(row.NormType, "PAL");
  EXPECT_EQ(row.NameExt, ".mpg");
  const TPresetDefaults& shared = t.Defaults[1];
  EXPECT_EQ(shared.Key, 101);
  EXPECT_EQ(shared.VideoTag, "XVID");
  EXPECT_EQ(shared.FrameSize, "640*480");
  EXPECT_EQ(shared.VideoBitrate, 528000);
  EXPECT_EQ(shared.AudioBitrate, 64000);
  EXPECT_EQ(shared.FileExt, ".mp4");  // corrected
  EXPECT_EQ(t.CombinationRows, 1);
  ASSERT_EQ(t.Choices.size(), 2u);
  EXPECT_TRUE(t.Choices[0].AudioOnly);
  EXPECT_TRUE(t.Choices[1].AudioOnly);
  EXPECT_EQ(t.Choices[0].Choices[1].Default, 1);
  EXPECT_EQ(t.Choices[1].Choices[0].Default, 1);
  EXPECT_EQ(t.Choices[1].Choices[0].List->Entries[1], "640*480");
  EXPECT_EQ(t.ChoiceRows, 1);
}

TEST(CatalogueLoader, MalformedDataIsRefusedWithFileAndLine) {
  struct Case {
    std::string Texts::*file;
    std::string text;
    const char* error;
  };
  const Case cases[] = {
      {&Texts::Categories, "1\t0\t40\t经典视频\n",
       "categories.tsv:1: categories must be listed in chooser order"},
      {&Texts::Categories, "0\t28\t40\tX\n", "categories.tsv:1: category code out of range"},
      {&Texts::Presets, "101\tB\t乙\n100\tA\t甲\n", "presets.tsv:2: keys must ascend"},
      {&Texts::Presets, "1x0\tA\t甲\n", "presets.tsv:1: not a number: '1x0'"},
      {&Texts::Presets, "100\tA\n", "presets.tsv:1: expected 3 fields, found 2"},
      {&Texts::Defaults, "100\t.avi\n", "defaults.tsv:1: expected 14 fields"},
      {&Texts::Defaults, "100\t.avi\t-\t-\t-\t2\t-\t816000\t25\t44100\t128000\t-\tvideo of\t101\n",
       "defaults.tsv:1: unknown setting 'video of'"},
      {&Texts::Defaults, "100\t.avi\t-\t-\t-\t2\t-\t816000\t25\t44100\t128000\t-\ttarget dvd\t101\n",
       "defaults.tsv:1: expected 'target X, norm Y'"},
      {&Texts::Defaults,
       "100\t.avi\t-\t-\t-\t2\t-\t816000\t25\t44100\t128000\t-\t-\t101\n"
       "101\t.avi\t-\t-\t-\t2\t-\t816000\t25\t44100\t128000\t-\t-\t-\n",
       "defaults.tsv:2: key 101 given twice"},
      {&Texts::DefaultsOwn, "",
       "defaults.tsv:1: key 101 has no frame size and bit rates in defaults_own.tsv"},
      {&Texts::DefaultsOwn, "101\t-\t1\t1\n102\t-\t1\t1\n",
       "defaults_own.tsv:2: key 102 shares no combination row"},
      {&Texts::Corrections, "101\tAudioSampleRate\t8000\twhy\n",
       "corrections.tsv:1: field 'AudioSampleRate' cannot"},
      {&Texts::Corrections, "999\tFileExt\t.avi\twhy\n", "corrections.tsv:1: no defaults for key 999"},
      {&Texts::ValueLists, "X1\ta\n", "value_lists.tsv:1: unknown list identifier 'X1'"},
      {&Texts::ValueLists, "R\ta\n", "unknown list identifier 'R'"},
      {&Texts::ValueLists, "R1\ta\nR1\tb\n", "value_lists.tsv:2: list 'R1' given twice"},
      {&Texts::ValueLists, "R1\n", "value_lists.tsv:1: a list needs an identifier and entries"},
      {&Texts::Choices, "100\tVB1 0\tVB1 1\tFR1 0\tAB1 1\tSR1 0\tAS1 0\t101\n",
       "list 'VB1' is in the wrong column"},
      {&Texts::Choices, "100\tR9 0\tVB1 1\tFR1 0\tAB1 1\tSR1 0\tAS1 0\t101\n", "unknown list 'R9'"},
      {&Texts::Choices, "100\tR1\tVB1 1\tFR1 0\tAB1 1\tSR1 0\tAS1 0\t101\n", "expected 'LIST POSITION'"},
      {&Texts::Choices, "100\tR1 0\tVB1 2\tFR1 0\tAB1 1\tSR1 0\tAS1 0\t101\n",
       "choices.tsv:1: key 100: position 2 is outside list VB1"},
      {&Texts::ChoicesOwn, "101\t2\t0\t0\t0\t0\t0\n",
       "choices_own.tsv:1: key 101: position 2 is outside list R1"},
      {&Texts::ChoicesOwn, "101\t-1\t0\t0\t0\t0\t0\n", "position -1 is outside list R1"},
      {&Texts::ChoicesOwn, "", "choices.tsv:1: key 101 has no default positions in choices_own.tsv"},
      {&Texts::ChoicesOwn, "101\t1\t0\t0\t0\t0\t0\n101\t1\t0\t0\t0\t0\t0\n",
       "choices_own.tsv:2: key 101 given twice"},
  };
  for (const Case& c : cases) {
    Texts texts;
    texts.*c.file = c.text;
    try {
      texts.build();
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos)
          << e.what() << "\nexpected: " << c.error;
    }
  }
}

}  // namespace
}  // namespace catalogue::detail
