#include "app/job_row.h"

#include <gtest/gtest.h>

#include "app/job_table.h"

namespace app {
namespace {

TEST(JobRow, SecToDate) {
  struct Case {
    int32_t seconds;
    const char* text;
  } cases[] = {{0, "00:00:00"},     {59, "00:00:59"},    {60, "00:01:00"},    {3600, "01:00:00"},
               {90061, "01:01:01"}, {86399, "23:59:59"}, {86400, "00:00:00"}, {36000, "10:00:00"}};
  for (const auto& c : cases) EXPECT_EQ(SecToDate(c.seconds), c.text) << c.seconds;
}

TEST(JobRow, MegabyteText) {
  struct Case {
    int64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0MB"},
      {1572864, "1.5MB"},
      {12345678, "11.77MB"},
      {1048576, "1MB"},
      {1048576LL * 1024, "1024MB"},
      {5242, "0MB"},                // 0.004999 MB rounds down
      {1048576 + 10486, "1.01MB"},  // leading zero of the hundredths kept
      {1048576LL * 3 + 1048576 / 10, "3.1MB"},
      {131072, "0.12MB"},                // 0.125 MB: the tie goes to the even hundredth
      {393216, "0.38MB"},                // 0.375 MB likewise
      {1048576LL * 123456, "123456MB"},  // no exponent for large sizes
  };
  for (const auto& c : cases) EXPECT_EQ(MegabyteText(c.bytes), c.text) << c.bytes;
}

TEST(JobRow, ColumnsAndHiddenOnes) {
  const auto& columns = JobColumns();
  ASSERT_EQ(columns.size(), 25u);
  EXPECT_EQ(columns[jcInputFile].Caption, "输入文件");
  EXPECT_EQ(columns[jcOptionIndexes].Caption, "视频选项");
  EXPECT_EQ(columns[jcNormType].Caption, "NormType");
  for (int i = 0; i < kJobColumnCount; ++i) {
    const bool hidden = i == jcFPS || i >= jcTaskNumber;
    EXPECT_EQ(columns[static_cast<size_t>(i)].Width == 0, hidden) << i;
    if (hidden) {
      EXPECT_EQ(columns[static_cast<size_t>(i)].MaxWidth, 1) << i;
    }
  }
  TListView list("lvFiles");
  SetupJobColumns(list);
  const int row = list.Add("/v/a.avi");
  list.SetCell(row, jcNormType, "PAL");
  EXPECT_EQ(list.Cell(row, jcNormType), "PAL");
}

TEST(JobTable, EntriesMoveWithTheirRows) {
  TJobTable table;
  ASSERT_EQ(table.IO1.size(), 501u);
  ASSERT_EQ(table.OO1.size(), 501u);
  for (int i = 0; i < 3; ++i) {
    table.IO1[static_cast<size_t>(i)].FileName = "in" + std::to_string(i);
    table.OO1[static_cast<size_t>(i)].FileName = "out" + std::to_string(i);
  }
  table.OO1[500].AudioBitrate = 5;
  table.Exchange(0, 2);
  EXPECT_EQ(table.IO1[0].FileName, "in2");
  EXPECT_EQ(table.OO1[2].FileName, "out0");

  table.Remove(0);
  EXPECT_EQ(table.IO1[0].FileName, "in1");
  EXPECT_EQ(table.OO1[1].FileName, "out0");
  EXPECT_EQ(table.OO1[499].AudioBitrate, 5);   // the last entry moved up
  EXPECT_EQ(table.OO1[500].AudioBitrate, -1);  // and the new last one is empty
  EXPECT_TRUE(table.OO1[500].FileName.empty());

  table.Remove(600);  // outside: ignored
  table.Reset();
  EXPECT_TRUE(table.IO1[0].FileName.empty());
  EXPECT_EQ(table.OO1[499].AudioBitrate, -1);
}

}  // namespace
}  // namespace app
