// vornel-cli convert, run as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "converter_clips.h"
#include "support/media_libraries.h"

namespace {

struct TResult {
  int status = -1;
  std::string output;
};

std::string Quote(const std::string& AText) {
  std::string quoted = "'";
  for (char c : AText) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

TResult RunCli(const std::vector<std::string>& AArgs) {
  std::string command = Quote(VORNEL_CLI) + " convert";
  for (const std::string& arg : AArgs) command += " " + Quote(arg);
  command += " 2>&1";
  TResult result;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

class CliConvertTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries)); }
};

TEST_F(CliConvertTest, ConvertsEveryUsableFileAndFailsForTheRest) {
  const std::string dir = convtest::OutputFolder("cli_batch");
  const std::string clip = convtest::ShortClip();
  const std::string notMedia = convtest::NotMediaFile();
  const TResult run = RunCli({"--preset", "100", "--jobs", "2", "--out", dir, clip, notMedia, clip});
  EXPECT_EQ(run.status, 1) << run.output;  // one job failed
  EXPECT_NE(run.output.find("failed"), std::string::npos) << run.output;
  // The same input twice: the second output steps around the first (rename is the default).
  for (const char* name : {"/converter_short.avi", "/converter_short_1.avi"}) {
    const auto facts = convtest::ProbeOutput(dir + name);
    EXPECT_TRUE(facts.Readable) << name << "\n" << run.output;
    EXPECT_EQ(facts.Streams, 2) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir + "/converter_not_media.avi"));
}

TEST_F(CliConvertTest, OverwriteKeepsOneNameAndOptionsReachTheOutput) {
  const std::string dir = convtest::OutputFolder("cli_overwrite");
  const std::string clip = convtest::ShortClip();
  // Audio only (preset 200, MP3), cut to half a second by an extra output option.
  const TResult run =
      RunCli({"--preset", "200", "--overwrite", "--option", "t=0.5", "--out", dir, clip, clip});
  EXPECT_EQ(run.status, 0) << run.output;
  const auto facts = convtest::ProbeOutput(dir + "/converter_short.mp3");
  EXPECT_TRUE(facts.Readable) << run.output;
  EXPECT_EQ(facts.Streams, 1);
  EXPECT_NEAR(facts.Seconds, 0.5, 0.15);
  EXPECT_FALSE(std::filesystem::exists(dir + "/converter_short_1.mp3"));
}

TEST_F(CliConvertTest, ChooserPositionsPickTheParameters) {
  const std::string dir = convtest::OutputFolder("cli_choosers");
  // Preset 100 with the second frame-size entry (a fixed size instead of the source's).
  const TResult run = RunCli({"--preset", "100", "--size", "1", "--out", dir, convtest::ShortClip()});
  ASSERT_EQ(run.status, 0) << run.output;
  AVFormatContext* ctx = nullptr;
  ASSERT_EQ(media::OpenInput(&ctx, dir + "/converter_short.avi", nullptr, nullptr), 0);
  ASSERT_GE(av::avformat_find_stream_info(ctx, nullptr), 0);
  int width = 0;
  for (unsigned i = 0; i < ctx->nb_streams; ++i)
    if (ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) width = ctx->streams[i]->codecpar->width;
  media::CloseInput(&ctx);
  EXPECT_NE(width, 160) << run.output;  // the clip's own width would mean the chooser was ignored
  EXPECT_GT(width, 0);
}

TEST_F(CliConvertTest, BadCommandLinesAreUsageErrors) {
  const std::string clip = convtest::ShortClip();
  const std::vector<std::vector<std::string>> cases = {
      {clip},                                      // no preset
      {"--preset", "100"},                         // no files
      {"--preset", "99999", clip},                 // no such preset
      {"--preset", "100", "--size", "999", clip},  // position outside the list
      {"--preset", "100", "--jobs", "20", clip},
      {"--preset", "100", "--option", "novalue", clip},
      {"--preset", "abc", clip},
      {"--preset", "100", "--bogus", "1", clip},
  };
  for (const auto& args : cases) {
    const TResult run = RunCli(args);
    EXPECT_EQ(run.status, 2) << args.front() << " ... " << args.back() << "\n" << run.output;
    EXPECT_NE(run.output.find("vornel-cli: "), std::string::npos) << run.output;
  }
}

}  // namespace
