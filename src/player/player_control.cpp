// TCustomPlayer's controls while a file plays: pause, step, seek, stream switching, the current picture.
#include <cmath>

#include "media/ff_logger.h"
#include "player/media_player.h"
#include "player/wait_util.h"

namespace player {

using media::TLogLevel;
using std::chrono::milliseconds;

void TCustomPlayer::Pause() {
  auto is = State();
  if (!is || is->paused) return;
  is->TogglePauseEngine();
  FStepping = false;
  PostState(TPlayState::psPause);
}

void TCustomPlayer::Resume() {
  auto is = State();
  if (!is || !is->paused) return;
  is->TogglePauseEngine();
  FStepping = false;
  PostState(TPlayState::psResume);
}

void TCustomPlayer::TogglePause() {
  auto is = State();
  if (!is) return;
  is->TogglePauseEngine();
  FStepping = false;
  PostState(is->paused ? TPlayState::psPause : TPlayState::psResume);
}

void TCustomPlayer::StepToNextFrame() {
  auto is = State();
  if (!is) return;
  if (is->paused) is->TogglePauseEngine();
  if (!FStepping.exchange(true)) PostState(TPlayState::psStep);
}

void TCustomPlayer::ToggleAudioDisplay() {
  auto is = State();
  if (!is) return;
  is->show_audio = (is->show_audio + 1) % 3;
  PushLoopEvent({TLoopEventKind::leRedisplay});
}

void TCustomPlayer::Seek(int64_t APTS, TSeekFlags ASeekFlags, bool AWaitForSeekEnd) {
  auto is = State();
  if (!is) return;
  if (ASeekFlags & sfByte) {
    DoRequestSeek(APTS, 0, ASeekFlags, AWaitForSeekEnd);
    return;
  }
  int64_t target = std::max<int64_t>(APTS, 0);
  if (is->Duration > 0 && target > is->Duration) target = is->Duration;
  if (is->ic && is->ic->start_time != AV_NOPTS_VALUE) target += is->ic->start_time;
  DoRequestSeek(target, APTS <= 0 ? 1 : 0, ASeekFlags, AWaitForSeekEnd);
}

void TCustomPlayer::Seek(double ADelta, TSeekFlags ASeekFlags, bool AWaitForSeekEnd) {
  auto is = State();
  if (!is) return;
  if (ASeekFlags & sfByte) {
    const double bytes =
        is->BitRate > 0 ? ADelta * (static_cast<double>(is->BitRate) / 8.0) : ADelta * 180000.0;
    DoRequestSeek(is->ReaderPos + std::llround(bytes), std::llround(bytes), ASeekFlags, AWaitForSeekEnd);
  } else {
    DoRequestSeek(std::llround((is->get_master_clock() + ADelta) * 1000000.0),
                  std::llround(ADelta * 1000000.0), ASeekFlags, AWaitForSeekEnd);
  }
}

void TCustomPlayer::DoRequestSeek(int64_t pos, int64_t rel, int flags, bool wait) {
  auto is = State();
  if (!is || is->seek_req) return;  // one pending seek at a time
  FSeeking = true;
  is->seek_paused = is->paused.load();
  is->seek_pos = pos;
  is->seek_rel = rel;
  is->seek_flags = flags;
  FSeekEvent.reset();
  is->seek_req = true;
  if (!wait) return;
  const auto done = [&] {
    if (is->abort_request) return true;
    if (!FSeekEvent.isSet()) return false;
    return !is->HasVideo() || FPictEvent.isSet();
  };
  while (!WaitServing(done, milliseconds(100))) {
  }
}

const TBitmap& TCustomPlayer::CurrentFrame() {
  int64_t pts;
  return CurrentFrame(pts);
}

const TBitmap& TCustomPlayer::CurrentFrame(int64_t& APTS) {
  APTS = -1;
  auto is = State();
  if (!is || !is->HasVideo()) {
    FRGBContext.Bitmap.SetSize(0, 0);
    return FRGBContext.Bitmap;
  }
  std::unique_lock lock(is->pictq_mutex);
  // The next picture when one is queued (as after a seek), else the one on screen. The slot at the read
  // index of an empty queue holds an older picture, not the current one.
  const int index = is->pictq_size > 0 || is->last_shown < 0 ? is->pictq_rindex : is->last_shown;
  TVideoPicture& vp = is->pictq[index];
  const int width = is->video_dec ? is->video_dec->width : 0,
            height = is->video_dec ? is->video_dec->height : 0;
  FRGBContext.Bitmap.SetSize(width, height);
  if (!vp.bmp) return FRGBContext.Bitmap;
  APTS = std::llround(vp.pts * 1000000.0) - is->StartTime;
  TOverlay& overlay = *vp.bmp;
  std::lock_guard overlayLock(overlay.Lock());
  lock.unlock();
  const uint8_t* planes[4] = {overlay.Plane(0), overlay.Plane(2), overlay.Plane(1), nullptr};
  const int pitches[4] = {overlay.Pitch(0), overlay.Pitch(2), overlay.Pitch(1), 0};
  if (!FRGBContext.ToBitmap(planes, pitches, overlay.Width(), overlay.Height(), AV_PIX_FMT_YUV420P))
    FRGBContext.Bitmap.SetSize(0, 0);
  return FRGBContext.Bitmap;
}

void TCustomPlayer::UpdateScreenPosition() {
  if (State() && screenHandle_) screenHandle_->PositionChanged();
}

int TCustomPlayer::VideoStreamIndex() const {
  auto is = State();
  return is ? is->video_stream : -1;
}
int TCustomPlayer::AudioStreamIndex() const {
  auto is = State();
  return is ? is->audio_stream : -1;
}
int TCustomPlayer::SubtitleStreamIndex() const {
  auto is = State();
  return is ? is->subtitle_stream : -1;
}
bool TCustomPlayer::SetVideoStreamIndex(int index) { return SwitchStream(AVMEDIA_TYPE_VIDEO, index); }
bool TCustomPlayer::SetAudioStreamIndex(int index) { return SwitchStream(AVMEDIA_TYPE_AUDIO, index); }
bool TCustomPlayer::SetSubtitleStreamIndex(int index) { return SwitchStream(AVMEDIA_TYPE_SUBTITLE, index); }

bool TCustomPlayer::SwitchStream(AVMediaType type, int index) {
  auto is = State();
  if (!is || !is->ic) return false;
  const bool subtitle = type == AVMEDIA_TYPE_SUBTITLE;
  const int current = type == AVMEDIA_TYPE_VIDEO   ? is->video_stream
                      : type == AVMEDIA_TYPE_AUDIO ? is->audio_stream
                                                   : is->subtitle_stream;
  if (index == current) return true;
  if (current < (subtitle ? -1 : 0)) {
    ReportError("the current stream is not valid.", true);
    return false;
  }
  if (index < (subtitle ? -1 : 0) || index >= static_cast<int>(is->ic->nb_streams)) {
    ReportError("the stream index is not valid.", true);
    return false;
  }
  if (index >= 0) {
    const AVCodecParameters* par = is->ic->streams[index]->codecpar;
    if (par->codec_type != type) {
      ReportError("the stream type is not matched.", true);
      return false;
    }
    if (type == AVMEDIA_TYPE_AUDIO && (par->sample_rate <= 0 || par->ch_layout.nb_channels <= 0)) {
      ReportError("the audio stream is not invalid.", true);
      return false;
    }
  }
  // Serialised with the event loop (which draws from these streams) and the read thread's dispatch.
  std::lock_guard dataLock(FDataLock);
  std::lock_guard lock(is->stream_mutex);
  if (current >= 0) is->StreamComponentClose(current);
  if (index >= 0 && is->StreamComponentOpen(index) < 0) {
    // Keep something playing: reopen the previous stream.
    if (current >= 0) is->StreamComponentOpen(current);
    return false;
  }
  return true;
}

}  // namespace player
