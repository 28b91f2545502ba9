#include "player/snapshot.h"

#include "base/main_thread.h"
#include "player/media_player.h"
#include "player/memory_video_sink.h"

namespace player {

TSnapshotOutcome TakeSnapshot(const std::string& mediaFile, int64_t atMicroseconds, TPictureType type,
                              const std::string& folder) {
  TSnapshotOutcome outcome;
  TMediaPlayer mp;
  TMemoryVideoSink sink;
  bool settled = false;
  mp.OnState = [&](TCustomPlayer*, TPlayState s) {
    if (s == TPlayState::psPause || s == TPlayState::psEnd || s == TPlayState::psStop) settled = true;
  };
  if (!mp.Open(mediaFile, &sink, true)) {
    outcome.ErrMsg = mp.LastErrMsg();
    return outcome;
  }
  if (mp.VideoStreamIndex() < 0) {
    mp.Stop(true);
    outcome.Result = TSnapshotResult::srNoVideo;
    return outcome;
  }
  // The first pictures of an opening paused, then the seek.
  base::MainThread::waitUntil([&] { return settled; }, std::chrono::seconds(20));
  mp.Seek(atMicroseconds, sfNone, true);
  const TBitmap picture = mp.CurrentFrame(outcome.PTS);
  mp.Stop(true);
  if (picture.Width <= 0 || outcome.PTS < 0) {
    outcome.ErrMsg = "no picture could be decoded from " + mediaFile;
    return outcome;
  }
  outcome.Width = picture.Width;
  outcome.Height = picture.Height;
  outcome.FileName = NextSnapshotName(folder, SnapshotBaseName(mediaFile), type);
  if (!SavePicture(picture, type, outcome.FileName, outcome.ErrMsg)) return outcome;
  outcome.Result = TSnapshotResult::srSaved;
  return outcome;
}

}  // namespace player
