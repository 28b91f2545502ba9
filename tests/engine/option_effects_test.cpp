// Settings that act during the conversion: start time, size limit, metadata, two-pass logs and video
// statistics.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine_test_support.h"

namespace {

namespace fs = std::filesystem;
using engine::TConversionOutcome;

class OptionEffectsTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries)); }

  void Convert(const std::string& AOutput, engine::TOutputOptions AOptions) {
    auto task = enginetest::NewTask();
    ASSERT_TRUE(task->AddInputFile(fixtures::EngineClip(), nullptr)) << task->LastErrMsg();
    ASSERT_TRUE(task->SetOutputFile(AOutput, &AOptions)) << task->LastErrMsg();
    ASSERT_EQ(task->RunConversion(), TConversionOutcome::coFinished) << task->FatalMessage();
  }
};

TEST_F(OptionEffectsTest, StartTimeAndSizeLimitShortenTheOutput) {
  const std::string dir = fixtures::FreshOutputDir("start_and_size");
  auto options = enginetest::OutputOptions("mpeg4", "libmp3lame");
  options.TimeStart = 1200000;
  Convert(dir + "/late_start.mkv", options);
  EXPECT_NEAR(fixtures::ProbeMedia(dir + "/late_start.mkv").duration, 0.8, 0.15);

  options = enginetest::OutputOptions("mpeg4", "libmp3lame");
  options.VideoBitrate = 1000000;
  options.ExtOptions = "fs=40000";
  Convert(dir + "/limited.avi", options);
  const auto size = fs::file_size(dir + "/limited.avi");
  EXPECT_GE(size, 40000u);
  EXPECT_LT(size, 100000u);  // the whole clip at this rate is about 270 kB
}

TEST_F(OptionEffectsTest, TheRecordsMetadataIsWritten) {
  const std::string output = fixtures::FreshOutputDir("metadata") + "/out.mkv";
  auto options = enginetest::OutputOptions("mpeg4", "libmp3lame");
  options.Info.Title = "测试标题";
  Convert(output, options);
  EXPECT_EQ(fixtures::ProbeMedia(output).title, "测试标题");
}

TEST_F(OptionEffectsTest, TwoPassEncodingWritesThenReadsItsLog) {
  const std::string dir = fixtures::FreshOutputDir("two_pass");
  for (int pass : {1, 2}) {
    SCOPED_TRACE(pass);
    auto options = enginetest::OutputOptions("mpeg4", "libmp3lame");
    options.VideoBitrate = 300000;
    options.ExtOptions = "pass=" + std::to_string(pass) + "\npasslogfile=" + dir + "/stats";
    Convert(dir + "/pass" + std::to_string(pass) + ".avi", options);
    ASSERT_TRUE(fs::exists(dir + "/stats-0.log"));
    EXPECT_GT(fs::file_size(dir + "/stats-0.log"), 0u);
  }
  EXPECT_EQ(fixtures::ProbeMedia(dir + "/pass2.avi", true).video_frames, 50);
}

TEST_F(OptionEffectsTest, VideoStatisticsHaveOneLinePerEncodedFrame) {
  const std::string dir = fixtures::FreshOutputDir("vstats");
  auto options = enginetest::OutputOptions("mpeg4", "libmp3lame");
  options.ExtOptions = "vstats_file=" + dir + "/vstats.log";
  Convert(dir + "/out.avi", options);
  std::ifstream in(dir + "/vstats.log");
  int lines = 0;
  for (std::string line; std::getline(in, line); ++lines) {
    EXPECT_EQ(line.rfind("frame= ", 0), 0u) << line;
    EXPECT_NE(line.find(" type= "), std::string::npos) << line;
  }
  EXPECT_EQ(lines, 50);
}

TEST_F(OptionEffectsTest, TheLastReportLineCarriesPsnrAndTheQuantizerHistogram) {
  const std::string output = fixtures::FreshOutputDir("psnr") + "/out.avi";
  auto options = enginetest::OutputOptions("mpeg4", "libmp3lame");
  options.ExtOptions = "psnr=1\nqphist=1\nv=1";
  enginetest::LogCapture log(media::TLogLevel::llVerbose);
  Convert(output, options);
  const std::string& text = log.Text();
  const size_t line = text.find("frame=   50");
  ASSERT_NE(line, std::string::npos) << text;
  const std::string last = text.substr(line, text.find('\n', line) - line);
  // "L", then one hexadecimal digit per quantizer 0..31, then the PSNR of the whole stream.
  const size_t histogram = last.find(" L");
  ASSERT_NE(histogram, std::string::npos) << last;
  const std::string digits = last.substr(histogram + 2, 32);
  EXPECT_EQ(digits.find_first_not_of("0123456789ABCDEF"), std::string::npos) << last;
  EXPECT_NE(digits.find_first_not_of('0'), std::string::npos) << last;
  const size_t psnr = last.find("PSNR=Y:");
  ASSERT_NE(psnr, std::string::npos) << last;
  const double y = std::atof(last.c_str() + psnr + 7);
  EXPECT_GT(y, 20.0) << last;  // a test pattern at 400 kbit/s comes out well
  EXPECT_LT(y, 99.0) << last;
}

}  // namespace
