#pragma once
// TCustomPlayer (published as TMediaPlayer): plays one media file at a time into a VideoSink, with SDL2
// audio output. Methods run on the caller's thread (normally the main thread); position and state
// events are queued by the engine and delivered by the event thread, by default on the main thread.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/manual_reset_event.h"
#include "player/play_event_queue.h"
#include "player/player_types.h"
#include "player/rgb_convert.h"
#include "player/video_sink.h"
#include "player/video_state.h"

namespace player {

class TCustomPlayer {
 public:
  TCustomPlayer();
  ~TCustomPlayer();
  TCustomPlayer(const TCustomPlayer&) = delete;
  TCustomPlayer& operator=(const TCustomPlayer&) = delete;

  static bool AVLibLoaded();
  bool LoadAVLib(const std::string& libraryPath);
  static void UnloadAVLib();

  // AScreenHandle: where pictures go (may be null: pictures are decoded but not shown).
  bool Open(const std::string& AFileName, VideoSink* AScreenHandle, bool APaused);
  void Stop(bool AWaitForStop);
  void Pause();
  void Resume();
  void TogglePause();
  void StepToNextFrame();
  void ToggleAudioDisplay();
  // Absolute: microseconds from the file start (a byte position with sfByte).
  void Seek(int64_t APTS, TSeekFlags ASeekFlags, bool AWaitForSeekEnd);
  // Relative: seconds from the master clock (converted to bytes with sfByte).
  void Seek(double ADelta, TSeekFlags ASeekFlags, bool AWaitForSeekEnd);
  // The picture at the picture queue's read position (0 x 0 without video). Owned by the player and
  // overwritten by the next call.
  const TBitmap& CurrentFrame();
  const TBitmap& CurrentFrame(int64_t& APTS);
  void UpdateScreenPosition();

  // -- Events; assign before Open.
  TFileOpenEvent OnFileOpen;
  THookEvent OnHook;
  TPositionEvent OnPosition;
  TPlayStateEvent OnState;

  // -- Properties read when a file is opened (or by the engine while it plays).
  std::atomic<TAudioDriver> AudioDriver{TAudioDriver::adDefault};
  std::atomic<TVideoDriver> VideoDriver{TVideoDriver::vdDefault};  // recorded; pictures always go to the sink
  std::atomic<bool> Hook{false};
  std::atomic<bool> DisableAudio{false}, DisableVideo{false}, DisableDisplay{false};
  std::atomic<int> FrameWidth{0}, FrameHeight{0};
  std::atomic<int> ScreenWidth{0}, ScreenHeight{0};
  std::atomic<bool> TriggerEventInMainThread{true};
  std::atomic<bool> is_full_screen{false};
  std::atomic<Tav_sync_type> av_sync_type{Tav_sync_type::AV_SYNC_AUDIO_MASTER};
  std::atomic<int> workaround_bugs{1}, debug_mv{0}, lowres{0}, idct_algo{0};
  std::atomic<bool> fast{false}, genpts{false};
  std::atomic<int> error_recognition{1}, error_concealment{3};
  std::atomic<int> decoder_reorder_pts{-1};
  std::atomic<int> framedrop{1};
  std::atomic<int> rdftspeed{20};
  std::atomic<int> sws_flags{SWS_BICUBIC};
  // -- Per play: reset when the engine closes.
  std::atomic<bool> VerticalFlip{false};
  std::atomic<TRepeatType> RepeatType{TRepeatType::rtStop};
  std::atomic<int64_t> PlayTime{kNoPTS};
  std::atomic<int64_t> start_time{kNoPTS};
  std::atomic<int> wanted_video_stream{-1}, wanted_audio_stream{-1}, wanted_subtitle_stream{-1};
  std::atomic<int> seek_by_bytes{-1};

  int AudioVolume() const { return audioVolume_; }
  void SetAudioVolume(int volume);  // 0..128, applied at once
  bool Mute() const { return mute_; }
  void SetMute(bool on) { mute_ = on; }
  float AspectRatio() const { return aspectRatio_; }
  void SetAspectRatio(float ratio);
  TShowAudio ShowAudio() const { return showAudio_; }
  void SetShowAudio(TShowAudio mode);
  std::string Format() const;
  // Throws std::runtime_error "Unknown input format: %s"; reports when the libraries are missing.
  void SetFormat(const std::string& name);
  std::string VideoFilters() const;
  void SetVideoFilters(const std::string& filters);

  // -- Read-only.
  std::string FileName() const;
  std::string LastErrMsg() const;
  VideoSink* ScreenHandle() const { return screenHandle_; }
  bool FullScreen() const { return is_full_screen; }
  int64_t CurrentPTS() const { return FCurrentPTS; }
  bool Paused() const;
  TPlayState PlayState() const { return FState; }
  bool Seeking() const { return FSeeking; }
  static const char* Version() { return "2.3"; }
  int VideoStreamIndex() const;
  int AudioStreamIndex() const;
  int SubtitleStreamIndex() const;
  bool SetVideoStreamIndex(int index);
  bool SetAudioStreamIndex(int index);
  bool SetSubtitleStreamIndex(int index);
  // The open file's format context (null when nothing is open); valid while the file stays open.
  const AVFormatContext* FormatContext() const;

  // Figures of the current playback (zeros when nothing is open).
  struct TPlayStats {
    int PicturesShown = 0;
    int PicturesDropped = 0;
    double FirstPictureDelay = -1;  // seconds from Open to the first picture shown, -1 before
    double AverageAVDiff = 0;       // mean |video - audio clock| when a picture is shown, seconds
  };
  TPlayStats Stats() const;
  int PendingEvents() const { return FPlayEvent.Count(); }

 private:
  friend class TVideoState;
  std::shared_ptr<TVideoState> State() const;
  void SetState(std::shared_ptr<TVideoState> state);
  void SetLastErrMsg(const std::string& msg);
  void ReportError(const std::string& msg, bool store);

  // Engine side.
  void PostState(TPlayState state);
  void PostPosition(int64_t pts);
  void CheckPosition(TVideoState& is);  // position, end and play-time checks
  void CloseEngine();                   // closes the state and resets the per-play settings
  void ResetPerPlay();
  void PushLoopEvent(TLoopEvent ev);
  void RunEventLoop();
  void PlayThread();
  void EventThread();
  void FireFileOpen(TVideoState& is);
  void RequestQuit() { PushLoopEvent({TLoopEventKind::leQuit}); }
  bool WaitForStop();
  void DoRequestSeek(int64_t pos, int64_t rel, int flags, bool wait);
  void PauseEngine(bool wantPaused, bool toggle, TPlayState* posted);
  bool StartSDL();
  void QuitSDL();
  void JoinThreads();
  bool SwitchStream(AVMediaType type, int index);

  // -- Set by the caller's thread; read by the engine.
  std::atomic<int> audioVolume_{128};
  std::atomic<bool> mute_{false};
  std::atomic<float> aspectRatio_{0};
  std::atomic<TShowAudio> showAudio_{TShowAudio::saWave};
  mutable std::mutex textLock_;
  // -- Guarded by textLock_.
  std::string format_, videoFilters_, fileName_, lastErrMsg_;
  const AVInputFormat* iformat_ = nullptr;

  VideoSink* screenHandle_ = nullptr;  // caller's thread sets it before the threads start
  mutable std::mutex stateLock_;
  std::shared_ptr<TVideoState> FVideoState;  // guarded by stateLock_; null while nothing is open

 public:
  // -- Engine-shared fields (engine threads and the caller's thread).
  std::atomic<int64_t> Faudio_callback_time{0};
  std::atomic<int64_t> FLastPTS{kNoPTS};
  std::atomic<int64_t> FCurrentPTS{-1};
  std::atomic<bool> FPlaying{false};
  std::atomic<bool> FStepping{false};
  std::atomic<bool> FSeeking{false};
  std::atomic<TPlayState> FState{TPlayState::psStop};
  std::atomic<int64_t> FOpenTime{0};
  std::mutex FDataLock;  // held by the event loop while it handles one event, and by Stop's fallback
  base::ManualResetEvent FSeekEvent{true}, FPictEvent{true}, FStopEvent{true};
  TPlayEvent FPlayEvent;
  std::atomic<int64_t> FEventPTS{0};
  std::atomic<TPlayState> FEventState{TPlayState::psStop};

 private:
  // The event loop's queue (play thread consumes).
  std::mutex loopLock_;
  std::condition_variable loopCond_;
  std::vector<TLoopEvent> loopEvents_;  // guarded by loopLock_

  std::thread playThread_, eventThread_;
  std::atomic<bool> eventThreadDone_{true};
  std::atomic<int> deliveringEvent_{0};
  std::atomic<bool> sdlStarted_{false};

  // CurrentFrame and hook conversions.
  TRGBConvertContext FRGBContext;
  TRGBConvertContext FHookContext;
  std::mutex hookLock_;  // the hook context is used by the video thread; reset by Open

 public:
  TRGBConvertContext& HookContext() { return FHookContext; }
};

using TMediaPlayer = TCustomPlayer;

}  // namespace player
