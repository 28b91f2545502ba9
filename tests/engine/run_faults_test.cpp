// Faults during a conversion: damaged inputs still convert, a stop leaves a valid file, an encoder that
// cannot open or a full disk fail the task with a clear message, and nothing is left at 0 bytes.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "engine_test_support.h"

namespace {

namespace fs = std::filesystem;
using engine::TConversionOutcome;

class RunFaultsTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries)); }
};

struct DamageCase {
  const char* name;
  fixtures::TDamage damage;
  double minDuration;
  double maxDuration;
};

TEST_F(RunFaultsTest, DamagedInputsConvertWhatCanBeDecoded) {
  const DamageCase cases[] = {
      {"corrupt middle", fixtures::TDamage::dmCorruptMiddle, 1.5, 2.3},
      {"truncated end", fixtures::TDamage::dmTruncatedEnd, 0.6, 1.6},
      {"missing audio frame", fixtures::TDamage::dmMissingAudioFrame, 1.7, 2.3},
  };
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string input = fixtures::DamagedClip(c.damage);
    const auto inputSize = fs::file_size(input);
    const std::string output =
        fixtures::FreshOutputDir("damaged_" + std::to_string(static_cast<int>(c.damage))) + "/out.mp4";
    enginetest::LogCapture log;
    auto task = enginetest::NewTask();
    ASSERT_TRUE(task->AddInputFile(input, nullptr)) << task->LastErrMsg();
    auto options = enginetest::OutputOptions("mpeg4", "aac");
    ASSERT_TRUE(task->SetOutputFile(output, &options)) << task->LastErrMsg();
    EXPECT_EQ(task->RunConversion(), TConversionOutcome::coFinished) << task->FatalMessage() << "\n"
                                                                     << log.Text();
    const fixtures::ProbedMedia probed = fixtures::ProbeMedia(output);
    EXPECT_EQ(probed.video_streams, 1);
    EXPECT_EQ(probed.audio_streams, 1);
    EXPECT_GE(probed.duration, c.minDuration);
    EXPECT_LE(probed.duration, c.maxDuration);
    EXPECT_EQ(fs::file_size(input), inputSize);
  }
}

TEST_F(RunFaultsTest, CorruptPacketsAreLoggedAsDecodeErrors) {
  enginetest::LogCapture log;
  auto task = enginetest::NewTask();
  ASSERT_TRUE(task->AddInputFile(fixtures::DamagedClip(fixtures::TDamage::dmCorruptMiddle), nullptr));
  const std::string output = fixtures::FreshOutputDir("corrupt_log") + "/out.avi";
  ASSERT_TRUE(task->SetOutputFile(output, nullptr)) << task->LastErrMsg();
  ASSERT_EQ(task->RunConversion(), TConversionOutcome::coFinished) << task->FatalMessage();
  // The decoder conceals the damage and reports it through the log.
  EXPECT_NE(log.Text().find("damaged"), std::string::npos) << log.Text();
}

TEST_F(RunFaultsTest, AStopLeavesAValidShorterFile) {
  // MP4 keeps its index in the trailer: without it nothing of the file could be read.
  for (const char* file : {"out.mkv", "out.mp4"}) {
    SCOPED_TRACE(file);
    const std::string output = fixtures::FreshOutputDir("stopped") + "/" + file;
    auto task = enginetest::NewTask();
    ASSERT_TRUE(task->AddInputFile(fixtures::EngineClip(), nullptr));
    auto options = enginetest::OutputOptions("mpeg4", "aac");
    ASSERT_TRUE(task->SetOutputFile(output, &options));
    task->ReportInterval = 0;
    int reports = 0;
    int lastFileIndex = 0;
    task->FOnProgress = [&](engine::TCustomFFmpeg* ASender, int AFileIndex, int AFrameNumber, int, float,
                            float, int64_t, int64_t, int64_t) {
      ++reports;
      lastFileIndex = AFileIndex;
      if (AFrameNumber >= 10) ASender->RequestStop();
    };
    EXPECT_EQ(task->RunConversion(), TConversionOutcome::coStopped) << task->FatalMessage();
    EXPECT_FALSE(task->Finished());
    EXPECT_FALSE(task->FatalException());
    EXPECT_GT(reports, 1);
    EXPECT_EQ(lastFileIndex, -1);  // the final report still comes
    const fixtures::ProbedMedia probed = fixtures::ProbeMedia(output, true);
    EXPECT_GT(probed.video_frames, 5);
    EXPECT_LT(probed.video_frames, 45);
  }
}

TEST_F(RunFaultsTest, AnEncoderThatCannotOpenFailsTheTaskAndLeavesNoEmptyFile) {
  const std::string output = fixtures::FreshOutputDir("bad_encoder") + "/out.avi";
  auto task = enginetest::NewTask();
  ASSERT_TRUE(task->AddInputFile(fixtures::EngineClip(), nullptr));
  // H.263 knows only a few picture sizes; 160x120 is not one of them.
  auto options = enginetest::OutputOptions("h263", "libmp3lame");
  ASSERT_TRUE(task->SetOutputFile(output, &options));
  ASSERT_TRUE(fs::exists(output));  // opening created it empty
  EXPECT_EQ(task->RunConversion(), TConversionOutcome::coFailed);
  EXPECT_TRUE(task->FatalException());
  EXPECT_EQ(task->FatalMessage(),
            "Error while opening encoder for output stream #0.0 (Video) - maybe incorrect parameters such as "
            "bit_rate, "
            "rate, width or height. Please check error log message to find out more detail information.");
  EXPECT_FALSE(fs::exists(output));
}

TEST_F(RunFaultsTest, AFullDiskFailsTheTaskWithTheSystemsReason) {
  const std::string output = fixtures::FreshOutputDir("disk_full") + "/out.avi";
  const std::string input = fixtures::EngineClip();
  auto task = enginetest::NewTask();
  ASSERT_TRUE(task->AddInputFile(input, nullptr));
  auto options = enginetest::OutputOptions("mpeg4", "libmp3lame");
  options.VideoBitrate = 2000000;
  ASSERT_TRUE(task->SetOutputFile(output, &options));
  // The file-size limit stands in for a full disk: writes past it fail with EFBIG.
  struct rlimit previous {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit limited = previous;
  limited.rlim_cur = 64 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const TConversionOutcome outcome = task->RunConversion();
  setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_EQ(outcome, TConversionOutcome::coFailed);
  EXPECT_NE(task->FatalMessage().find("File too large"), std::string::npos) << task->FatalMessage();
}

}  // namespace
