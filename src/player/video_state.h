#pragma once
// TVideoState: the playback engine for one open file. Created by TCustomPlayer::Open, closed by the
// event loop (or by Stop's fallback). Threads: read (demux), video (decode + filter + picture queue),
// subtitle, refresh (paces the event loop), SDL's audio callback; the event loop runs on the player's
// play thread.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/av.h"
#include "player/packet_queue.h"
#include "player/player_types.h"
#include "player/video_sink.h"

namespace player {

class TCustomPlayer;

constexpr int VIDEO_PICTURE_QUEUE_SIZE = 2;
constexpr int SUBPICTURE_QUEUE_SIZE = 4;
constexpr int MAX_QUEUE_SIZE = 15 * 1024 * 1024;
constexpr int MIN_AUDIOQ_SIZE = 20 * 16 * 1024;
constexpr int MIN_FRAMES = 5;
constexpr int SDL_AUDIO_BUFFER_SIZE = 1024;
constexpr int SAMPLE_ARRAY_SIZE = 2 * 65536;
constexpr double AV_SYNC_THRESHOLD = 0.01;
constexpr double AV_NOSYNC_THRESHOLD = 10.0;
constexpr int AUDIO_DIFF_AVG_NB = 20;
constexpr int SAMPLE_CORRECTION_PERCENT_MAX = 10;
constexpr double FRAME_SKIP_FACTOR = 0.05;
constexpr int AUDIO_BUF_BYTES = 288000;  // (192000 * 3) / 2

struct TVideoPicture {
  double pts = 0;     // presentation time (seconds)
  double target = 0;  // wall-clock time at which it is shown (seconds)
  int64_t pos = -1;   // byte position in the file
  std::unique_ptr<TOverlay> bmp;
  int width = 0, height = 0;
  bool allocated = false;
  AVPixelFormat pix_fmt = AV_PIX_FMT_NONE;
};

struct TSubPicture {
  double pts = 0;
  AVSubtitle sub{};
};

struct FormatCloser {
  void operator()(AVFormatContext* ic) const { av::avformat_close_input(&ic); }
};
struct CodecCloser {
  void operator()(AVCodecContext* c) const;  // under CodecLock
};
struct GraphCloser {
  void operator()(AVFilterGraph* g) const { av::avfilter_graph_free(&g); }
};
struct FrameCloser {
  void operator()(AVFrame* f) const { av::av_frame_free(&f); }
};
struct PacketCloser {
  void operator()(AVPacket* p) const { av::av_packet_free(&p); }
};
struct SwrCloser {
  void operator()(SwrContext* s) const { av::swr_free(&s); }
};
struct TxCloser {
  void operator()(AVTXContext* t) const { av::av_tx_uninit(&t); }
};

// One event for the play thread's loop.
enum class TLoopEventKind { leQuit, leAlloc, leRefresh, leRedisplay, leExpose, leResize };
struct TLoopEvent {
  TLoopEventKind kind;
  int width = 0, height = 0;  // leResize
};

class TVideoState {
 public:
  TVideoState(TCustomPlayer& owner, const std::string& fileName, const AVInputFormat* fmt, bool openPaused);
  ~TVideoState();
  TVideoState(const TVideoState&) = delete;
  TVideoState& operator=(const TVideoState&) = delete;

  TCustomPlayer& Owner;

  // -- Threads. parse_tid and refresh_tid are joined by Close; video and subtitle threads by stream closing.
  std::thread parse_tid, video_tid, subtitle_tid, refresh_tid;

  // -- Control. Written by the caller's thread, read by the engine's threads.
  std::atomic<bool> abort_request{false};
  std::atomic<bool> paused{false};
  bool last_paused = false;  // read thread only
  std::atomic<bool> seek_req{false};
  // Written before seek_req is raised, read by the read thread after it sees it.
  int seek_flags = 0;
  int64_t seek_pos = 0;
  int64_t seek_rel = 0;
  std::atomic<int> read_pause_return{0};
  std::atomic<bool> refresh{false};

  // -- Input; ic belongs to the read thread (others only read its constant parts while it is open).
  const AVInputFormat* iformat = nullptr;
  AVFormatContext* ic = nullptr;
  std::string filename;

  // -- Clocks (seconds).
  Tav_sync_type av_sync_type = Tav_sync_type::AV_SYNC_AUDIO_MASTER;
  std::atomic<double> external_clock{0};
  std::atomic<int64_t> external_clock_time{0};
  std::atomic<double> audio_clock{0};

  // -- Audio. The decoding fields belong to the audio callback once the device runs.
  int audio_stream = -1;
  std::atomic<bool> audio_open{
      false};  // for the refresh thread and the clocks: the stream fields belong to others
  AVStream* audio_st = nullptr;
  std::unique_ptr<AVCodecContext, CodecCloser> audio_dec;
  TPacketQueue audioq;
  SDL_AudioDeviceID audio_dev = 0;
  int audio_hw_buf_size = 0;
  int audio_channels = 0, audio_freq = 0;  // of the device (signed 16-bit)
  uint8_t* audio_buf = nullptr;
  std::vector<uint8_t> audio_buf1, audio_buf2;
  std::atomic<int> audio_buf_size{0};
  std::atomic<int> audio_buf_index{0};
  std::atomic<bool> audio_buf_silence{false};  // the current block is filler: it does not move the clock
  std::unique_ptr<AVPacket, PacketCloser> audio_pkt;  // the packet being decoded (empty when none)
  std::unique_ptr<AVFrame, FrameCloser> audio_frame;
  bool audio_pkt_pending = false;  // audio_pkt still has to be sent to the decoder
  AVSampleFormat audio_src_fmt = AV_SAMPLE_FMT_NONE;
  int audio_src_channels = 0, audio_src_rate = 0;
  std::unique_ptr<SwrContext, SwrCloser> reformat_ctx;
  double audio_diff_cum = 0;
  double audio_diff_avg_coef = 0;
  double audio_diff_threshold = 0;
  int audio_diff_avg_count = 0;

  // -- Audio drawing: the sample ring is written by the audio callback under sample_mutex.
  std::atomic<int> show_audio{0};
  std::mutex sample_mutex;
  std::vector<int16_t> sample_array;
  int sample_array_index = 0;
  int last_i_start = 0;
  std::unique_ptr<AVTXContext, TxCloser> rdft;
  av_tx_fn rdft_fn = nullptr;
  int rdft_bits = 0;
  std::vector<float> rdft_data;
  std::vector<AVComplexFloat> rdft_out;
  int xpos = 0;

  // -- Subtitles.
  int subtitle_stream = -1;
  std::atomic<bool> subtitle_stream_changed{false};
  AVStream* subtitle_st = nullptr;
  std::unique_ptr<AVCodecContext, CodecCloser> subtitle_dec;
  TPacketQueue subtitleq;
  std::mutex subpq_mutex;
  std::condition_variable subpq_cond;
  // -- Guarded by subpq_mutex.
  TSubPicture subpq[SUBPICTURE_QUEUE_SIZE];
  int subpq_size = 0, subpq_rindex = 0, subpq_windex = 0;

  // -- Video.
  int video_stream = -1;
  std::atomic<bool> video_open{false};  // for the clocks, read by other threads than the stream's owner
  AVStream* video_st = nullptr;
  std::unique_ptr<AVCodecContext, CodecCloser> video_dec;
  TPacketQueue videoq;
  std::atomic<double> frame_timer{0};
  double frame_last_pts = 0;  // video thread
  double frame_delay = 0.04;  // video thread: one frame's duration
  double frame_last_delay = 0;
  std::atomic<double> video_clock{0};  // written by the video thread
  std::atomic<double> video_current_pts{0};
  std::atomic<double> video_current_pts_drift{0};
  std::atomic<int64_t> video_current_pos{-1};
  std::mutex pictq_mutex;
  std::condition_variable pictq_cond;
  // -- Guarded by pictq_mutex (the slot contents: written by the video thread, read by the play thread).
  TVideoPicture pictq[VIDEO_PICTURE_QUEUE_SIZE];
  int pictq_size = 0, pictq_rindex = 0, pictq_windex = 0;
  int last_shown = -1;  // the slot shown last (the picture on screen)
  // -- Video thread only.
  int faulty_pts = 0, faulty_dts = 0;
  int64_t last_dts_for_fault_detection = 0, last_pts_for_fault_detection = 0;
  std::unique_ptr<AVFilterGraph, GraphCloser> graph;
  AVFilterContext* in_video_filter = nullptr;
  AVFilterContext* out_video_filter = nullptr;
  int graph_w = 0, graph_h = 0;
  AVPixelFormat graph_fmt = AV_PIX_FMT_NONE;
  std::atomic<double> skip_frames{1};
  double skip_frames_index = 0;
  bool decoder_drained = false;  // the decoder has been sent the end; flushed by the next marker

  // -- Display (play thread).
  int width = 0, height = 0, xleft = 0, ytop = 0;
  bool display_open = false;

  // -- Engine control.
  std::atomic<int> Opened{0};  // 0 opening, 1 opened, -1 failed, -2 failed and the read thread finished
  std::atomic<int64_t> StartTime{0};
  std::atomic<int64_t> Duration{-1};
  std::atomic<int64_t> AudioDuration{-1};
  bool IsImage2 = false;
  bool IsDevice = false;
  std::atomic<int> ErrorEOF{0};
  std::atomic<int> EventEOF{0};
  std::atomic<int> ReachEOF{0};
  std::atomic<int> Reading{0};
  std::atomic<int> open_paused{0};
  std::atomic<bool> seek_paused{false};
  std::atomic<bool> seek_done{false};
  std::atomic<bool> seek_flushed{false};
  std::atomic<int64_t> BitRate{0};
  std::atomic<int64_t> ReaderPos{0};
  std::mutex stream_mutex;  // held while a packet is dispatched and while a stream is switched

  // -- Playback figures for benchmarks and tests (play thread writes, anyone reads).
  std::atomic<int> PicturesShown{0};
  std::atomic<int> PicturesDropped{0};
  std::atomic<int64_t> FirstPictureTime{0};  // av_gettime_relative() of the first picture shown, 0 before
  std::atomic<double> AVDiffSum{0};
  std::atomic<int> AVDiffCount{0};

  // Engine operations (files: engine_open.cpp, read_thread.cpp, video_thread.cpp, subtitle_thread.cpp,
  // audio_output.cpp, display.cpp, clocks.cpp).
  bool StartReadThread();
  void Close();  // aborts and joins every thread, frees the pictures
  void ReadThread();
  int StreamComponentOpen(int stream_index);
  void StreamComponentClose(int stream_index);
  void VideoThread();
  void SubtitleThread();
  void RefreshThread();
  static void SDLCALL AudioCallback(void* opaque, Uint8* stream, int len);
  void FillAudio(Uint8* stream, int len);
  void RequestSeek(int64_t pos, int64_t rel, int flags);
  void TogglePauseEngine();

  double get_audio_clock();
  double get_video_clock();
  double get_external_clock();
  double get_master_clock();
  bool HasVideo() const { return video_st != nullptr; }
  bool HasAudio() const { return audio_st != nullptr; }

  // Play thread: event loop work.
  void VideoRefresh(bool advance);
  void VideoDisplay();
  void AllocPicture();
  bool VideoOpen(bool force);
  void VideoAudioDisplay();
  void ClearDisplay();

  // Video thread helpers.
  int GetVideoFrame(AVFrame* frame);
  int OutputPicture(AVFrame* frame, bool stamped, double pts, int64_t pos);
  double ComputeTargetTime(double frame_current_pts);
  bool ConfigureFilters(const AVFrame* frame);
  void RunHook(AVFrame* frame, TOverlay& overlay, double pts);

  // Audio helpers.
  int AudioDecodeFrame(double* pts_ptr);
  int SynchronizeAudio(int16_t* samples, int samples_size);
  void UpdateSampleDisplay(const int16_t* samples, int samples_size);
};

double NowSeconds();  // wall clock for the refresh pacing

}  // namespace player
