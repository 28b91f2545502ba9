// Snapshots of a file: the picture at a time, saved under the next free name; nothing for a file without
// video.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "fixtures/player_clips.h"
#include "player/picture_writer.h"
#include "player/snapshot.h"
#include "support/media_libraries.h"

namespace player {
namespace {

namespace fs = std::filesystem;

TEST(Snapshot, SavesThePictureAtTheTimeUnderTheNextFreeName) {
  ASSERT_TRUE(testsupport::LoadLibraries(media::kPlayerLibraries));
  const fs::path dir = fs::path(fixtures::FixtureDir()) / ("player_snapshots_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const struct {
    int64_t at;
    TPictureType type;
    const char* name;
    int64_t pts;  // the key frame at or before the time
  } cases[] = {
      {1'500'000, TPictureType::ptPNG, "player_exact_1.png", 1'440'000},
      {0, TPictureType::ptPNG, "player_exact_2.png", 0},
      {2'000'000, TPictureType::ptBMP, "player_exact_1.bmp", 1'920'000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TSnapshotOutcome o = TakeSnapshot(fixtures::PlayerExactClip(), c.at, c.type, dir.string());
    ASSERT_EQ(o.Result, TSnapshotResult::srSaved) << o.ErrMsg;
    EXPECT_EQ(o.FileName, (dir / c.name).string());
    EXPECT_EQ(o.PTS, c.pts);
    EXPECT_EQ(o.Width, 160);
    EXPECT_EQ(o.Height, 120);
    EXPECT_TRUE(fs::exists(o.FileName));
  }

  const TSnapshotOutcome none =
      TakeSnapshot(fixtures::PlayerToneClip(), 0, TPictureType::ptPNG, dir.string());
  EXPECT_EQ(none.Result, TSnapshotResult::srNoVideo);
  EXPECT_FALSE(fs::exists(dir / "player_tone_1.png"));

  const TSnapshotOutcome missing =
      TakeSnapshot((dir / "absent.avi").string(), 0, TPictureType::ptPNG, dir.string());
  EXPECT_EQ(missing.Result, TSnapshotResult::srFailed);
  EXPECT_FALSE(missing.ErrMsg.empty());
  fs::remove_all(dir);
}

}  // namespace
}  // namespace player
