// Opening inputs and outputs that cannot be opened: the task says why, keeps its counters, and leaves
// nothing behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "engine_test_support.h"

namespace {

namespace fs = std::filesystem;

class OpenErrorsTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries)); }
};

struct InputErrorCase {
  const char* name;
  std::string (*path)();
  const char* format;
  std::string (*expected)(const std::string& APath);
};

TEST_F(OpenErrorsTest, InputsThatCannotBeOpenedSayWhy) {
  const InputErrorCase cases[] = {
      {"missing file", [] { return fixtures::FixtureDir() + "/engine_no_such_file.avi"; }, "",
       [](const std::string& p) { return p + ": No such file or directory"; }},
      {"not media", fixtures::NotMediaFile, "",
       [](const std::string& p) { return p + ": Invalid data found when processing input"; }},
      {"unknown forced format", fixtures::EngineClip, "nosuchformat",
       [](const std::string&) { return std::string("Unknown input format: \"nosuchformat\""); }},
  };
  for (const InputErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto task = enginetest::NewTask();
    engine::TInputOptions options;
    options.FileFormat = c.format;
    const std::string path = c.path();
    EXPECT_FALSE(task->AddInputFile(path, &options));
    EXPECT_EQ(task->LastErrMsg(), c.expected(path));
    EXPECT_EQ(task->nb_input_files(), 0);
    // The task stays usable: the next input opens.
    EXPECT_TRUE(task->AddInputFile(fixtures::EngineClip(), nullptr)) << task->LastErrMsg();
    EXPECT_EQ(task->nb_input_files(), 1);
  }
}

struct OutputErrorCase {
  const char* name;
  const char* relative;  // below the test's output folder
  const char* format;
  const char* expectedSuffix;  // what follows the path (or the whole message when it starts with '=')
};

TEST_F(OpenErrorsTest, OutputsThatCannotBeOpenedSayWhyAndLeaveNoFile) {
  const std::string dir = fixtures::FreshOutputDir("open_errors");
  const OutputErrorCase cases[] = {
      {"unknown extension", "out.nosuchext", "", "=Unable to find a suitable output format for '%s'"},
      {"missing folder", "missing/out.avi", "", ": No such file or directory"},
      {"unknown forced format", "out.avi", "nosuchformat",
       "=Requested output format 'nosuchformat' is not a suitable output format"},
  };
  for (const OutputErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir + "/" + c.relative;
    auto task = enginetest::NewTask();
    ASSERT_TRUE(task->AddInputFile(fixtures::EngineClip(), nullptr));
    engine::TOutputOptions options;
    options.FileFormat = c.format;
    EXPECT_FALSE(task->SetOutputFile(path, &options));
    std::string expected = c.expectedSuffix;
    if (expected[0] == '=') {
      expected = expected.substr(1);
      const size_t at = expected.find("%s");
      if (at != std::string::npos) expected.replace(at, 2, path);
    } else {
      expected = path + expected;
    }
    EXPECT_EQ(task->LastErrMsg(), expected);
    EXPECT_EQ(task->nb_output_files(), 0);
    EXPECT_FALSE(fs::exists(path));
  }
}

TEST_F(OpenErrorsTest, ReadOnlyFolderFailsWithTheSystemsReason) {
  if (::geteuid() == 0) GTEST_SKIP() << "the superuser may write into read-only folders";
  const std::string dir = fixtures::FreshOutputDir("read_only");
  ::chmod(dir.c_str(), 0555);
  auto task = enginetest::NewTask();
  ASSERT_TRUE(task->AddInputFile(fixtures::EngineClip(), nullptr));
  EXPECT_FALSE(task->SetOutputFile(dir + "/out.avi", nullptr));
  EXPECT_EQ(task->LastErrMsg(), dir + "/out.avi: Permission denied");
  ::chmod(dir.c_str(), 0755);
}

TEST_F(OpenErrorsTest, AnOutputNamingTheInputIsRefusedAndTheInputKept) {
  const std::string dir = fixtures::FreshOutputDir("same_file");
  const std::string input = dir + "/clip.avi";
  fs::copy_file(fixtures::EngineClip(), input);
  const auto size = fs::file_size(input);
  auto task = enginetest::NewTask();
  ASSERT_TRUE(task->AddInputFile(input, nullptr));
  EXPECT_FALSE(task->SetOutputFile(input, nullptr));
  EXPECT_NE(task->LastErrMsg().find("input"), std::string::npos) << task->LastErrMsg();
  EXPECT_EQ(fs::file_size(input), size);
}

TEST_F(OpenErrorsTest, ASecondOutputOfAJoiningTaskIsRefused) {
  const std::string dir = fixtures::FreshOutputDir("join_twice");
  auto task = enginetest::NewTask();
  ASSERT_TRUE(task->AddInputFile(fixtures::EngineClip(), nullptr));
  ASSERT_TRUE(task->AddInputFile(fixtures::EngineClip(), nullptr));
  engine::TOutputOptions options;
  options.Join = true;
  ASSERT_TRUE(task->SetOutputFile(dir + "/joined.avi", &options)) << task->LastErrMsg();
  EXPECT_EQ(task->nb_output_files(), 2);  // one entry per input, sharing the file
  EXPECT_FALSE(task->SetOutputFile(dir + "/second.avi", &options));
  EXPECT_EQ(task->LastErrMsg(), "Cannot join more than one output file.");
  EXPECT_EQ(task->nb_output_files(), 2);
}

}  // namespace
