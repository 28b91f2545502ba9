// vornel-cli presets, run as a user would run it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "base/text.h"

namespace {

struct CliRun {
  int status;
  std::string out;
};

CliRun runCli(const std::string& args) {
  const char* override = std::getenv("VORNEL_CLI");  // lets a developer point at another build
  const std::string command =
      std::string(override ? override : VORNEL_CLI_PATH) + " " + args + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {-1, {}};
  std::string out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result = base::Split(text, '\n');
  if (!result.empty() && result.back().empty()) result.pop_back();
  return result;
}

TEST(CliPresets, ListsTheCategoriesInChooserOrder) {
  const CliRun r = runCli("presets");
  ASSERT_EQ(r.status, 0);
  const auto rows = lines(r.out);
  ASSERT_EQ(rows.size(), 29u);  // header + 28
  EXPECT_EQ(rows[1], "0\t0\t经典视频");
  EXPECT_EQ(rows[2], "1\t15\tAVI视频");
  EXPECT_EQ(rows[28], "27\t3\tiPod视频");
}

TEST(CliPresets, ListsOneCategorysPresetsWithStoredNumbersAndDefaults) {
  const CliRun r = runCli("presets 24");
  ASSERT_EQ(r.status, 0);
  const auto rows = lines(r.out);
  ASSERT_EQ(rows.size(), 14u);  // header + 13 presets of 平板电脑
  const auto last = base::Split(rows[13], '\t');
  ASSERT_EQ(last.size(), 12u);
  EXPECT_EQ(last[0], "2612");
  EXPECT_EQ(last[1], "2512");
  EXPECT_EQ(last[2], "平板电脑MP3音频(*.mp3)");
  EXPECT_EQ(last[3], ".mp3");
  EXPECT_EQ(last[5], "libmp3lame");
  EXPECT_EQ(last[6], "该格式无视频 (R3 0)");
}

TEST(CliPresets, JsonIsTheWholeCatalogue) {
  const CliRun r = runCli("presets --json");
  ASSERT_EQ(r.status, 0);
  const nlohmann::json doc = nlohmann::json::parse(r.out);
  EXPECT_EQ(doc["categories"].size(), 28u);
  ASSERT_EQ(doc["presets"].size(), 288u);
  EXPECT_EQ(doc["presets"][0]["key"], 100);
  EXPECT_EQ(doc["presets"][0]["defaults"]["VideoTag"], "XVID");
  EXPECT_EQ(doc["presets"][0]["choices"]["size"]["entries"][0], "保持原分辨率");
  const CliRun one = runCli("presets 1 --json");
  ASSERT_EQ(one.status, 0);
  EXPECT_EQ(nlohmann::json::parse(one.out)["presets"].size(), 7u);
}

TEST(CliPresets, BadArgumentsAreUsageErrors) {
  for (const char* args : {"presets 28", "presets -1", "presets x", "presets 1 2", "presets 1x"})
    EXPECT_EQ(runCli(args).status, 2) << args;
}

}  // namespace
