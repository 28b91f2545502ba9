#pragma once
// One picture of a media file, taken by the preview player and saved with the snapshot naming rule.
#include <string>

#include "player/picture_writer.h"

namespace player {

enum class TSnapshotResult { srSaved, srNoVideo, srFailed };

struct TSnapshotOutcome {
  TSnapshotResult Result = TSnapshotResult::srFailed;
  std::string FileName;  // the picture written (srSaved)
  std::string ErrMsg;    // why nothing was written (srFailed)
  int64_t PTS = -1;      // the picture's time, microseconds from the file start
  int Width = 0, Height = 0;
};

// Opens the file paused, seeks (waiting) to atMicroseconds, takes the current picture and saves it as
// folder/<file base name>_<first free number>.<type>. The player's libraries must be loaded; runs on the
// main thread.
TSnapshotOutcome TakeSnapshot(const std::string& mediaFile, int64_t atMicroseconds, TPictureType type,
                              const std::string& folder);

}  // namespace player
