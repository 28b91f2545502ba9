#include "app/output_naming.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures/temp_folder.h"

namespace app {
namespace {

using fixtures::TempFolder;

TEST(OutputNaming, Candidate) {
  struct Case {
    const char* folder;
    const char* input;
    const char* ext;
    const char* expected;
  } cases[] = {
      {"/out", "/v/clip.rmvb", ".avi", "/out/clip.avi"},
      {"/out", "/v/my.clip.mov", ".mp4", "/out/my.clip.mp4"},
      {"/out", "/v/clip", ".mp4", "/out/clip.mp4"},
      {"/out/", "/v/clip.avi", ".mp4", "/out//clip.mp4"},  // one separator is always added
      {"/out", "", ".mp4", "/out/.mp4"},
      {"/输出", "/视频/片段.avi", ".mkv", "/输出/片段.mkv"},
  };
  for (const auto& c : cases) EXPECT_EQ(OutputCandidate(c.folder, c.input, c.ext), c.expected) << c.input;
}

TEST(OutputNaming, UniqueNameStepsAroundExistingFiles) {
  TempFolder dir;
  const std::string clip = dir / "clip.mp4";
  EXPECT_EQ(UniqueOutputName(clip, false), clip);
  dir.write("clip.mp4", "");
  EXPECT_EQ(UniqueOutputName(clip, false), dir / "clip_1.mp4");
  dir.write("clip_1.mp4", "");
  EXPECT_EQ(UniqueOutputName(clip, false), dir / "clip_2.mp4");
  EXPECT_EQ(UniqueOutputName(clip, true), clip);  // overwrite chosen

  std::filesystem::create_directory(dir / "movie.mp4");  // a folder does not count
  EXPECT_EQ(UniqueOutputName(dir / "movie.mp4", false), dir / "movie.mp4");
  dir.write("noext", "");
  EXPECT_EQ(UniqueOutputName(dir / "noext", false), dir / "noext_1");
}

}  // namespace
}  // namespace app
