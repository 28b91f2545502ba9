// TCustomPlayer: opening, stopping, the play and event threads, and event posting.
#include "player/media_player.h"

#include <cmath>
#include <cstdlib>

#include "base/main_thread.h"
#include "base/text.h"
#include "media/ff_logger.h"
#include "media/ffmpeg_loader.h"
#include "player/wait_util.h"

namespace player {

using media::TLogLevel;
using std::chrono::milliseconds;
constexpr auto kForever = std::chrono::hours(24 * 365);

TCustomPlayer::TCustomPlayer() = default;

TCustomPlayer::~TCustomPlayer() {
  OnPosition = nullptr;
  OnState = nullptr;
  OnHook = nullptr;
  Stop(true);
}

bool TCustomPlayer::AVLibLoaded() { return media::Loader().Loaded(media::kPlayerLibraries); }

bool TCustomPlayer::LoadAVLib(const std::string& libraryPath) {
  auto& loader = media::Loader();
  if (!libraryPath.empty()) loader.SetLibraryPath(libraryPath);
  if (loader.Load(media::kPlayerLibraries)) return true;
  SetLastErrMsg(loader.LastErrMsg());
  return false;
}

void TCustomPlayer::UnloadAVLib() { media::Loader().Unload(media::kPlayerLibraries); }

std::shared_ptr<TVideoState> TCustomPlayer::State() const {
  std::lock_guard lock(stateLock_);
  return FVideoState;
}

void TCustomPlayer::SetState(std::shared_ptr<TVideoState> state) {
  std::lock_guard lock(stateLock_);
  FVideoState = std::move(state);
}

void TCustomPlayer::SetLastErrMsg(const std::string& msg) {
  std::lock_guard lock(textLock_);
  lastErrMsg_ = msg;
}

std::string TCustomPlayer::LastErrMsg() const {
  std::lock_guard lock(textLock_);
  return lastErrMsg_;
}

std::string TCustomPlayer::FileName() const {
  std::lock_guard lock(textLock_);
  return fileName_;
}

std::string TCustomPlayer::Format() const {
  std::lock_guard lock(textLock_);
  return format_;
}

std::string TCustomPlayer::VideoFilters() const {
  std::lock_guard lock(textLock_);
  return videoFilters_;
}

void TCustomPlayer::SetVideoFilters(const std::string& filters) {
  std::lock_guard lock(textLock_);
  videoFilters_ = filters;
}

void TCustomPlayer::ReportError(const std::string& msg, bool store) {
  if (store) SetLastErrMsg(msg);
  media::FFLogger().Log(this, TLogLevel::llError, msg);
}

void TCustomPlayer::SetFormat(const std::string& name) {
  if (!AVLibLoaded()) {
    ReportError("libav or libsdl not loaded.", true);
    return;
  }
  const AVInputFormat* fmt = nullptr;
  if (!name.empty()) {
    fmt = av::av_find_input_format(name.c_str());
    if (!fmt) throw std::runtime_error(base::Format("Unknown input format: %s", name.c_str()));
  }
  std::lock_guard lock(textLock_);
  format_ = name;
  iformat_ = fmt;
}

void TCustomPlayer::SetAudioVolume(int volume) { audioVolume_ = std::clamp(volume, 0, 128); }

void TCustomPlayer::SetAspectRatio(float ratio) {
  if (aspectRatio_.exchange(ratio) != ratio && State()) PushLoopEvent({TLoopEventKind::leRedisplay});
}

void TCustomPlayer::SetShowAudio(TShowAudio mode) {
  showAudio_ = mode;
  auto is = State();
  if (is && is->HasAudio() && !DisableDisplay) is->show_audio = static_cast<int>(mode);
}

bool TCustomPlayer::Paused() const {
  auto is = State();
  return !is || is->paused;
}

const AVFormatContext* TCustomPlayer::FormatContext() const {
  auto is = State();
  return is ? is->ic : nullptr;
}

TCustomPlayer::TPlayStats TCustomPlayer::Stats() const {
  TPlayStats stats;
  auto is = State();
  if (!is) return stats;
  stats.PicturesShown = is->PicturesShown;
  stats.PicturesDropped = is->PicturesDropped;
  if (is->FirstPictureTime)
    stats.FirstPictureDelay = static_cast<double>(is->FirstPictureTime - FOpenTime) / 1e6;
  if (is->AVDiffCount) stats.AverageAVDiff = is->AVDiffSum / is->AVDiffCount;
  return stats;
}

// -- SDL

bool TCustomPlayer::StartSDL() {
  // The design's drivers map to SDL2's: DirectSound to the desktop sound server, waveOut to ALSA. The default
  // leaves SDL's own choice (SDL_AUDIODRIVER from the environment, if any).
  switch (AudioDriver.load()) {
    case TAudioDriver::adDefault:
      sdl::SDL_ResetHint(SDL_HINT_AUDIODRIVER);
      break;
    case TAudioDriver::adDirectSound:
      sdl::SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "pulseaudio", SDL_HINT_OVERRIDE);
      break;
    case TAudioDriver::adWaveOut:
      sdl::SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "alsa", SDL_HINT_OVERRIDE);
      break;
  }
  if (sdl::SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    ReportError(
        base::Format("Could not initialize SDL with ScreenHandle(%u): %s",
                     static_cast<unsigned>(reinterpret_cast<uintptr_t>(screenHandle_)), sdl::SDL_GetError()),
        true);
    return false;
  }
  sdlStarted_ = true;
  const char* driver = sdl::SDL_GetCurrentAudioDriver();
  media::FFLogger().Log(this, TLogLevel::llDebug, "using audio driver: %s", driver ? driver : "(none)");
  return true;
}

void TCustomPlayer::QuitSDL() {
  if (sdlStarted_.exchange(false)) sdl::SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// -- Open and Stop

bool TCustomPlayer::Open(const std::string& AFileName, VideoSink* AScreenHandle, bool APaused) {
  if (!AVLibLoaded()) {
    ReportError("libav or libsdl not loaded.", true);
    return false;
  }
  Stop(true);
  screenHandle_ = AScreenHandle;
  if (!StartSDL()) return false;
  {
    std::lock_guard lock(loopLock_);
    loopEvents_.clear();
  }
  FPlayEvent.Clear();
  FOpenTime = av::av_gettime_relative();
  const AVInputFormat* fmt;
  {
    std::lock_guard lock(textLock_);
    fmt = iformat_;
  }
  auto is = std::make_shared<TVideoState>(*this, AFileName, fmt, APaused);
  if (!is->StartReadThread()) {
    ReportError("SDL_CreateThread() failed.", true);
    QuitSDL();
    return false;
  }
  WaitServing([&] { return is->Opened != 0; }, kForever);
  if (is->Opened <= 0) {
    WaitServing([&] { return is->Opened != -1; }, kForever);
    is->Close();
    ResetPerPlay();
    QuitSDL();
    return false;
  }
  SetState(is);
  FPlaying = true;
  if (!is->HasVideo() && !DisableDisplay) is->show_audio = static_cast<int>(ShowAudio());
  if (DisableDisplay) is->show_audio = 0;
  is->refresh_tid = std::thread([raw = is.get()] { raw->RefreshThread(); });
  {
    std::lock_guard lock(textLock_);
    fileName_ = AFileName;
  }
  FireFileOpen(*is);

  FStopEvent.reset();
  eventThreadDone_ = false;
  eventThread_ = std::thread([this] { EventThread(); });
  playThread_ = std::thread([this] { PlayThread(); });
  return true;
}

void TCustomPlayer::FireFileOpen(TVideoState& is) {
  FRGBContext.Free();
  {
    std::lock_guard lock(hookLock_);
    FHookContext.Free();
  }
  if (OnFileOpen) {
    const int64_t duration = is.IsImage2 ? 0 : is.Duration.load();
    const int fw = is.video_dec ? is.video_dec->width : -1;
    const int fh = is.video_dec ? is.video_dec->height : -1;
    int sw = ScreenWidth, sh = ScreenHeight;
    auto call = [&] { OnFileOpen(this, duration, fw, fh, sw, sh); };
    try {
      if (TriggerEventInMainThread)
        base::MainThread::invokeAndWait(call);
      else
        call();
    } catch (const std::exception& e) {
      // The file is open and its threads run: a failing handler must not leave them without an owner.
      media::FFLogger().Log(this, TLogLevel::llError, std::string("OnFileOpen failed: ") + e.what());
    }
    ScreenWidth = sw;
    ScreenHeight = sh;
  }
  if (screenHandle_ && (ScreenWidth == 0 || ScreenHeight == 0)) {
    ScreenWidth = screenHandle_->ClientWidth();
    ScreenHeight = screenHandle_->ClientHeight();
  }
}

void TCustomPlayer::Stop(bool AWaitForStop) {
  if (auto is = State()) {
    if (is->paused) is->paused = false;
    FStepping = false;
    RequestQuit();
    if (AWaitForStop) WaitForStop();
  }
  if (AWaitForStop) {
    JoinThreads();
    QuitSDL();
  }
}

namespace {
// A bounded wait for a lock, polling: the event loop holds it only while it handles one event.
bool TryLockFor(std::mutex& m, milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!m.try_lock()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(milliseconds(1));
  }
  return true;
}
}  // namespace

bool TCustomPlayer::WaitForStop() {
  int count = 0;
  for (;;) {
    if (WaitServing([this] { return FStopEvent.isSet(); }, milliseconds(100))) return true;
    if (!State()) return true;
    if (!TryLockFor(FDataLock, milliseconds(100))) continue;
    ++count;
    auto is = State();
    if (!is) {
      FDataLock.unlock();
      return true;
    }
    if ((count <= 10 || is->Reading != 1) && count <= 20) {
      RequestQuit();
      FDataLock.unlock();
      continue;
    }
    // The event loop does not answer: close the engine here.
    media::FFLogger().Log(this, TLogLevel::llWarning,
                          "the play thread did not stop; closing the engine directly");
    CloseEngine();
    FDataLock.unlock();
    RequestQuit();  // wakes the event loop, which then finds the engine gone
    return false;
  }
}

void TCustomPlayer::JoinThreads() {
  if (playThread_.joinable()) {
    if (playThread_.get_id() == std::this_thread::get_id()) {
      playThread_.detach();  // Stop with waiting from inside a handler on the play thread
    } else {
      WaitServing([this] { return FStopEvent.isSet(); }, kForever);
      playThread_.join();
    }
  }
  if (eventThread_.joinable()) {
    if (eventThread_.get_id() == std::this_thread::get_id() || deliveringEvent_) {
      eventThread_.detach();  // called from an event handler: the thread ends by itself after it
    } else {
      WaitServing([this] { return eventThreadDone_.load(); }, kForever);
      eventThread_.join();
    }
  }
}

void TCustomPlayer::ResetPerPlay() {
  FPlaying = false;
  FLastPTS = kNoPTS;
  FCurrentPTS = -1;
  FStepping = false;
  wanted_video_stream = -1;
  wanted_audio_stream = -1;
  wanted_subtitle_stream = -1;
  seek_by_bytes = -1;
  start_time = kNoPTS;
  PlayTime = kNoPTS;
  RepeatType = TRepeatType::rtStop;
  VerticalFlip = false;
  FSeekEvent.set();
  FSeeking = false;
}

void TCustomPlayer::CloseEngine() {
  auto is = State();
  if (!is) return;
  is->Close();
  SetState(nullptr);
  ResetPerPlay();
}

// -- The play thread and its event loop

void TCustomPlayer::PushLoopEvent(TLoopEvent ev) {
  {
    std::lock_guard lock(loopLock_);
    loopEvents_.push_back(ev);
  }
  loopCond_.notify_one();
}

void TCustomPlayer::RunEventLoop() {
  for (;;) {
    TLoopEvent ev;
    {
      std::unique_lock lock(loopLock_);
      loopCond_.wait(lock, [this] { return !loopEvents_.empty(); });
      ev = loopEvents_.front();
      loopEvents_.erase(loopEvents_.begin());
    }
    std::lock_guard dataLock(FDataLock);
    auto is = State();
    if (!is) return;
    switch (ev.kind) {
      case TLoopEventKind::leQuit:
        is->ClearDisplay();
        CloseEngine();
        QuitSDL();
        return;
      case TLoopEventKind::leAlloc:
        is->AllocPicture();
        break;
      case TLoopEventKind::leRefresh:
        is->VideoRefresh(true);
        is->refresh = false;
        break;
      case TLoopEventKind::leRedisplay:
        is->VideoOpen(true);
        is->VideoDisplay();
        break;
      case TLoopEventKind::leExpose:
        if (is->paused)
          is->VideoRefresh(false);
        else
          is->VideoDisplay();
        break;
      case TLoopEventKind::leResize:
        if (screenHandle_ && screenHandle_->SetVideoMode(ev.width, ev.height, false)) {
          ScreenWidth = ev.width;
          ScreenHeight = ev.height;
          is->width = ev.width;
          is->height = ev.height;
          is->display_open = true;
          if (is->paused) is->VideoRefresh(false);
        }
        break;
    }
  }
}

void TCustomPlayer::PlayThread() {
  PostState(TPlayState::psPlay);
  try {
    RunEventLoop();
  } catch (const std::exception& e) {
    media::FFLogger().Log(this, TLogLevel::llFatal, std::string("PlayThread Exception: ") + e.what());
    CloseEngine();
  }
  PostState(TPlayState::psStop);
  FStopEvent.set();
}

// -- Events

void TCustomPlayer::PostState(TPlayState state) {
  FState = state;
  if (OnState)
    FPlayEvent.Post(TPlayEventKind::peState, static_cast<int64_t>(state));
  else if (state == TPlayState::psStop)
    FPlayEvent.Post(TPlayEventKind::peEndThread, 0);
}

void TCustomPlayer::PostPosition(int64_t pts) { FPlayEvent.Post(TPlayEventKind::pePosition, pts); }

void TCustomPlayer::EventThread() {
  auto deliver = [this](const std::function<void()>& call) {
    try {
      if (TriggerEventInMainThread) {
        base::MainThread::invokeAndWait([&] {
          ++deliveringEvent_;
          try {
            call();
          } catch (...) {
            --deliveringEvent_;
            throw;
          }
          --deliveringEvent_;
        });
      } else {
        call();
      }
    } catch (const std::exception& e) {
      media::FFLogger().Log(this, TLogLevel::llError, std::string("event handler failed: ") + e.what());
    }
  };
  for (;;) {
    TPlayEventEntry entry;
    if (!FPlayEvent.Take(entry)) {
      FPlayEvent.Event.wait();
      continue;
    }
    if (entry.kind == TPlayEventKind::pePosition) {
      FEventPTS = entry.value;
      if (OnPosition) deliver([this] { OnPosition(this, FEventPTS); });
    } else if (entry.kind == TPlayEventKind::peState) {
      FEventState = static_cast<TPlayState>(entry.value);
      if (OnState) deliver([this] { OnState(this, FEventState); });
      if (static_cast<TPlayState>(entry.value) == TPlayState::psStop) break;
    } else {
      break;
    }
  }
  eventThreadDone_ = true;
}

// Position, end and play-time checks, after each picture shown (and at the end of the file).
void TCustomPlayer::CheckPosition(TVideoState& is) {
  if (is.IsImage2) return;
  double clock;
  if (is.HasVideo()) {
    clock = is.get_video_clock();
  } else if (is.HasAudio()) {
    clock = is.get_audio_clock();
  } else {
    Stop(false);
    return;
  }
  const int64_t duration = is.Duration;
  int64_t p = std::llround(clock * 1000000.0) - is.StartTime;
  if (!is.HasVideo() && is.AudioDuration > 0 && p >= is.AudioDuration && duration > p) p = duration;
  FCurrentPTS = p;
  if (duration > 0 && p >= duration) {
    p = duration;
    if (FLastPTS != duration) FLastPTS = 0;
  }
  if (FLastPTS == kNoPTS || std::llabs(p - FLastPTS) > 10000) {
    FLastPTS = p;
    if (OnPosition) PostPosition(p);
  }
  if (!is.IsDevice && is.EventEOF == 0 && is.ReachEOF == 1) {
    if (is.HasVideo()) is.EventEOF = 1;
    PostState(TPlayState::psEnd);
  }
  const int64_t playTime = PlayTime;
  if (playTime != kNoPTS) {
    const int64_t start = start_time;
    const int64_t limit = start != kNoPTS ? start + playTime : playTime;
    if (p >= limit) {
      switch (RepeatType.load()) {
        case TRepeatType::rtStop:
          Stop(false);
          break;
        case TRepeatType::rtLoop:
          if (start != kNoPTS)
            Seek(start, sfNone, false);
          else
            Seek(int64_t{0}, sfAny, false);
          break;
        case TRepeatType::rtNone:
          break;
      }
    }
  }
}

}  // namespace player
