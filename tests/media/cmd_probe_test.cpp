#include <sys/wait.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fixtures/media_fixtures.h"
#include "fixtures/probe_fixtures.h"

namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

std::string quoted(const std::string& text) {
  std::string result = "'";
  for (char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return result + "'";
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

CliRun runCli(const std::string& program, const std::vector<std::string>& args) {
  const fs::path dir = fs::path(fixtures::FixtureDir()) / ("cmd_probe_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::string command = quoted(program);
  for (const std::string& arg : args) command += " " + quoted(arg);
  command += " >" + quoted((dir / "out").string()) + " 2>" + quoted((dir / "err").string());
  const int raw = std::system(command.c_str());
  CliRun run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(dir / "out"), readFile(dir / "err")};
  fs::remove_all(dir);
  return run;
}

TEST(CmdProbeTest, DescribesEachFileAndReportsTheOnesItCannotRead) {
  const std::string missing = fixtures::FixtureDir() + "/cmd_probe_missing 文件.avi";
  const CliRun run = runCli(VORNEL_CLI, {"probe", fixtures::AviMpeg4Mp3(), fixtures::TextNamedLikeVideo(),
                                         missing, fixtures::ChineseNamedClip()});
  EXPECT_EQ(run.status, 1);
  const size_t first = run.out.find("File Name: " + fixtures::AviMpeg4Mp3() + "\n");
  const size_t second = run.out.find("File Name: " + fixtures::ChineseNamedClip() + "\n");
  EXPECT_EQ(first, 0u) << run.out;
  ASSERT_NE(second, std::string::npos) << run.out;  // tried the rest after the failures
  EXPECT_LT(first, second);
  EXPECT_NE(run.out.find("Stream #0, 1/25: Video: mpeg4"), std::string::npos) << run.out;
  EXPECT_EQ(run.err, fixtures::TextNamedLikeVideo() + ": Invalid data found when processing input\n" +
                         missing + ": No such file or directory\n");
}

TEST(CmdProbeTest, AllReadableFilesExitZeroAndNoFileIsAUsageError) {
  const CliRun ok = runCli(VORNEL_CLI, {"probe", fixtures::Mp3WithTags()});
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(ok.err, "");
  EXPECT_NE(ok.out.find("  title           : Probe Title\n"), std::string::npos) << ok.out;
  EXPECT_EQ(runCli(VORNEL_CLI, {"probe"}).status, 2);
}

TEST(CmdProbeTest, LibrariesBesideTheProgramComeFirst) {
  // A copy of the program with a LibAV folder whose libavcodec is not a library at all.
  const fs::path dir = fs::path(fixtures::FixtureDir()) / ("cmd_probe_libav_" + std::to_string(::getpid()));
  fs::create_directories(dir / "LibAV");
  fs::copy_file(VORNEL_CLI, dir / "vornel-cli", fs::copy_options::overwrite_existing);
  std::ofstream(dir / "LibAV" / "libavcodec.so.59") << "not a shared object\n";
  const CliRun run = runCli((dir / "vornel-cli").string(), {"probe", fixtures::AviMpeg4Mp3()});
  fs::remove_all(dir);
  EXPECT_EQ(run.status, 1);
  const std::string library = (dir / "LibAV" / "libavcodec.so.59").string();
  EXPECT_EQ(run.err.rfind("Load library " + library + " error: " + library + ": ", 0), 0u) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_EQ(run.out, "");
}

}  // namespace
