#include "engine/records/options_records.h"

#include <gtest/gtest.h>

#include <ctime>

namespace engine {
namespace {

TEST(OptionsRecords, ResetOutputOptionsAsksForNothing) {
  TOutputOptions o;
  o.FileName = "x.mp4";
  o.AudioBitrate = 128000;
  o.AudioSyncMethod = 1;
  o.VideoSyncMethod = 2;
  o.MuxDelay = 0.7f;
  o.TimeStart = 5;
  o.TimeLength = 6;
  o.TargetType = TOptionTargetType::ttDVD;
  o.NormType = TOptionNormType::ntNTSC;
  o.NormDefault = TOptionNormType::ntNTSC;
  o.Info.Title = "t";
  o.Info.TimeStamp = 3.0;
  o.Join = true;
  ResetOutputOptions(o);

  EXPECT_TRUE(o.FileName.empty());
  EXPECT_EQ(o.AudioBitrate, -1);
  EXPECT_EQ(o.AudioSyncMethod, 0);
  EXPECT_EQ(o.VideoSyncMethod, -1);
  EXPECT_FLOAT_EQ(o.MuxDelay, -1.0f);
  EXPECT_EQ(o.TimeStart, INT64_MIN);
  EXPECT_EQ(o.TimeLength, INT64_MIN);
  EXPECT_EQ(o.TargetType, TOptionTargetType::ttIgnore);
  EXPECT_EQ(o.NormType, TOptionNormType::ntAuto);
  EXPECT_EQ(o.NormDefault, TOptionNormType::ntPAL);
  EXPECT_TRUE(o.Info.Title.empty());
  EXPECT_DOUBLE_EQ(o.Info.TimeStamp, -1.0);
  EXPECT_FALSE(o.Join);
}

TEST(OptionsRecords, ResetInputOptionsRestoresUnsetMarkers) {
  TInputOptions i;
  i.FileName = "a";
  i.TimeStart = 0;
  i.ProgramID = 3;
  i.Tag = 9;
  ResetInputOptions(i);
  EXPECT_TRUE(i.FileName.empty());
  EXPECT_EQ(i.TimeStart, kNoTime);
  EXPECT_EQ(i.ProgramID, -1);
  EXPECT_EQ(i.Tag, 0);
}

TEST(OptionsRecords, EnumerationOrdinalsAreStable) {
  // Stored and compared by ordinal elsewhere.
  EXPECT_EQ(static_cast<int>(TOptionTargetType::ttDVD), 3);
  EXPECT_EQ(static_cast<int>(TOptionNormType::ntNTSC), 2);
}

TEST(StreamInfoTimeStamp, LocalDateTimeToUnixSeconds) {
  struct Case {
    double localDays;
    int biasMinutes;
    int64_t expected;
  } cases[] = {
      {25569.0, 0, 0},                  // the epoch itself
      {25569.0 + 8.0 / 24.0, -480, 0},  // UTC+8 local time of the epoch
      {25569.0 - 5.0 / 24.0, 300, 0},   // UTC-5
      {25569.0 + 1.4 / 86400.0, 0, 1},
      {25569.0 + 1.6 / 86400.0, 0, 2},  // to the nearest second
      {45000.25, 0, (45000 - 25569) * 86400LL + 21600},
      {36526.0, -60, (36526 - 25569) * 86400LL - 3600},  // 2000-01-01 local in UTC+1
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DateTimeToUnixSeconds(c.localDays, c.biasMinutes), c.expected)
        << c.localDays << " bias " << c.biasMinutes;
  }
}

TEST(StreamInfoTimeStamp, NegativeMeansNoneZeroMeansNow) {
  TStreamInfo info;
  int64_t seconds = 42;
  for (double negative : {-1.0, -0.001, -30000.0}) {
    info.TimeStamp = negative;
    EXPECT_FALSE(StreamInfoRecordingTime(info, seconds));
    EXPECT_EQ(seconds, 42);
  }
  info.TimeStamp = 0.0;
  const std::time_t before = std::time(nullptr);
  ASSERT_TRUE(StreamInfoRecordingTime(info, seconds));
  const std::time_t after = std::time(nullptr);
  EXPECT_GE(seconds, before - 1);
  EXPECT_LE(seconds, after + 1);

  info.TimeStamp = 36526.0;  // a fixed local time converts through the local bias
  ASSERT_TRUE(StreamInfoRecordingTime(info, seconds));
  EXPECT_EQ(seconds, DateTimeToUnixSeconds(36526.0, LocalTimeZoneBiasMinutes()));
}

TEST(Bitmap24, RowsArePaddedToFourBytes) {
  struct Case {
    int width, height, stride;
  } cases[] = {{1, 1, 4}, {4, 2, 12}, {5, 3, 16}, {0, 0, 0}};
  for (const auto& c : cases) {
    TBitmap24 b;
    b.SetSize(c.width, c.height);
    EXPECT_EQ(b.Stride, c.stride);
    EXPECT_EQ(b.Pixels.size(), static_cast<size_t>(c.stride * c.height));
  }
}

}  // namespace
}  // namespace engine
