#include "engine/converter/ext_option_lines.h"

#include <gtest/gtest.h>

namespace {

using engine::kNoTime;

TEST(ExtOptionLinesTest, InputTextSetsStartTimeAndCarriesTheRest) {
  struct Case {
    const char* text;
    int64_t timeStart;
    const char* extOptions;
  } cases[] = {
      {"", kNoTime, ""},
      {"TimeStart=5000000", 5000000, ""},
      {"timestart=7<CRLF>ab=64000", 7, "ab=64000\n"},
      {"TIMESTART=abc\r\nvcodec=mpeg4", kNoTime, "vcodec=mpeg4\n"},  // not a number: unset
      {"TimeStart=12x", kNoTime, ""},
      {"ar=22050\nflag\nTimeStart=-3", -3, "ar=22050\nflag=\n"},  // a line without "=" keeps its name
  };
  for (const Case& c : cases) {
    engine::TInputOptions options;
    engine::InputOptionsFromLines(c.text, options);
    EXPECT_EQ(options.TimeStart, c.timeStart) << c.text;
    EXPECT_EQ(options.ExtOptions, c.extOptions) << c.text;
  }
}

TEST(ExtOptionLinesTest, OutputTextSetsSwitchesAndTimes) {
  struct Case {
    const char* text;
    bool customHook, join;
    int64_t timeStart, timeLength;
    const char* extOptions;
  } cases[] = {
      {"Hook=0", true, false, kNoTime, kNoTime, ""},  // the value is not looked at
      {"customhook", true, false, kNoTime, kNoTime, ""},
      {"JOIN=no\nab=96000", false, true, kNoTime, kNoTime, "ab=96000\n"},
      {"TimeLength=60000000<CRLF>TimeStart=1000000", false, false, 1000000, 60000000, ""},
      {"timelength=1.5", false, false, kNoTime, kNoTime, ""},
      {"AB=96000\nnewaudio=", false, false, kNoTime, kNoTime,
       "AB=96000\nnewaudio=\n"},  // names kept as typed
  };
  for (const Case& c : cases) {
    engine::TOutputOptions options;
    engine::OutputOptionsFromLines(c.text, options);
    EXPECT_EQ(options.CustomHook, c.customHook) << c.text;
    EXPECT_EQ(options.Join, c.join) << c.text;
    EXPECT_EQ(options.TimeStart, c.timeStart) << c.text;
    EXPECT_EQ(options.TimeLength, c.timeLength) << c.text;
    EXPECT_EQ(options.ExtOptions, c.extOptions) << c.text;
  }
}

}  // namespace
