// Engine life cycle: the state, stream components, clocks and pausing.
#include <cmath>

#include "base/text.h"
#include "media/ff_logger.h"
#include "media/ffmpeg_loader.h"
#include "player/media_player.h"
#include "player/wait_util.h"

namespace player {

using media::TLogLevel;

double NowSeconds() { return static_cast<double>(av::av_gettime_relative()) / 1000000.0; }

void CodecCloser::operator()(AVCodecContext* c) const {
  std::lock_guard lock(media::CodecLock());
  av::avcodec_free_context(&c);
}

TVideoState::TVideoState(TCustomPlayer& owner, const std::string& fileName, const AVInputFormat* fmt,
                         bool openPaused)
    : Owner(owner), iformat(fmt), filename(fileName) {
  if (openPaused) {
    paused = true;
    open_paused = 1;
  }
  av_sync_type = owner.av_sync_type;
  audio_buf1.assign(AUDIO_BUF_BYTES, 0);
  audio_buf2.assign(AUDIO_BUF_BYTES, 0);
  sample_array.assign(SAMPLE_ARRAY_SIZE, 0);
  audio_pkt.reset(av::av_packet_alloc());
  audio_frame.reset(av::av_frame_alloc());
  external_clock_time = av::av_gettime_relative();
}

TVideoState::~TVideoState() { Close(); }

bool TVideoState::StartReadThread() {
  try {
    parse_tid = std::thread([this] { ReadThread(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void TVideoState::Close() {
  abort_request = true;
  // Wakes a video thread waiting for room or an allocation; the read thread closes the components.
  {
    std::lock_guard lock(pictq_mutex);
    pictq_cond.notify_all();
  }
  // The refresh thread first: the read thread's closing clears the stream fields it reads.
  if (refresh_tid.joinable()) refresh_tid.join();
  if (parse_tid.joinable()) parse_tid.join();
  std::lock_guard lock(pictq_mutex);
  for (auto& vp : pictq) {
    vp.bmp.reset();
    vp.allocated = false;
  }
}

int TVideoState::StreamComponentOpen(int stream_index) {
  if (stream_index < 0 || stream_index >= static_cast<int>(ic->nb_streams)) return -1;
  AVStream* st = ic->streams[stream_index];
  const AVCodecParameters* par = st->codecpar;
  std::unique_ptr<AVCodecContext, CodecCloser> dec(av::avcodec_alloc_context3(nullptr));
  const AVCodec* codec = av::avcodec_find_decoder(par->codec_id);
  if (!dec || !codec || av::avcodec_parameters_to_context(dec.get(), par) < 0) {
    media::FFLogger().Log(&Owner, TLogLevel::llError, "avcodec_open() failed.");
    return -1;
  }
  dec->pkt_timebase = st->time_base;
  dec->workaround_bugs = Owner.workaround_bugs;
  dec->lowres = std::min<int>(Owner.lowres, codec->max_lowres);
  dec->idct_algo = Owner.idct_algo;
  if (Owner.fast) dec->flags2 |= AV_CODEC_FLAG2_FAST;
  const int er = Owner.error_recognition;
  dec->err_recognition =
      (er >= 1 ? AV_EF_CAREFUL : 0) | (er >= 2 ? AV_EF_COMPLIANT : 0) | (er >= 3 ? AV_EF_AGGRESSIVE : 0);
  dec->error_concealment = Owner.error_concealment;
  dec->thread_count = 1;
  int opened;
  {
    std::lock_guard lock(media::CodecLock());
    opened = av::avcodec_open2(dec.get(), codec, nullptr);
  }
  if (opened < 0) {
    media::FFLogger().Log(&Owner, TLogLevel::llError, "avcodec_open() failed.");
    return -1;
  }
  if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
    SDL_AudioSpec wanted{}, spec{};
    wanted.freq = dec->sample_rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(dec->ch_layout.nb_channels == 1 ? 1 : 2);
    wanted.samples = SDL_AUDIO_BUFFER_SIZE;
    wanted.callback = &TVideoState::AudioCallback;
    wanted.userdata = this;
    if (wanted.freq <= 0 || dec->ch_layout.nb_channels <= 0) {
      media::FFLogger().Log(&Owner, TLogLevel::llError, "SDL_OpenAudio() failed: %s",
                            "no sample rate or channels");
      return -1;
    }
    // SDL converts to the device's own format, so the callback always delivers signed 16-bit samples.
    audio_dev = sdl::SDL_OpenAudioDevice(nullptr, 0, &wanted, &spec, 0);
    if (!audio_dev) {
      media::FFLogger().Log(&Owner, TLogLevel::llError, "SDL_OpenAudio() failed: %s", sdl::SDL_GetError());
      return -1;
    }
    audio_hw_buf_size = static_cast<int>(spec.size);
    audio_channels = wanted.channels;
    audio_freq = wanted.freq;
  }
  st->discard = AVDISCARD_DEFAULT;
  switch (par->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      audio_stream = stream_index;
      audio_st = st;
      audio_dec = std::move(dec);
      AudioDuration =
          st->duration != AV_NOPTS_VALUE ? av::av_rescale_q(st->duration, st->time_base, AV_TIME_BASE_Q) : -1;
      audio_buf_size = 0;
      audio_buf_index = 0;
      audio_pkt_pending = false;
      audio_src_fmt = AV_SAMPLE_FMT_NONE;
      audio_diff_avg_coef = std::exp(std::log(0.01) / AUDIO_DIFF_AVG_NB);
      audio_diff_avg_count = 0;
      audio_diff_cum = 0;
      audio_diff_threshold = 2.0 * SDL_AUDIO_BUFFER_SIZE / audio_freq;
      audioq.Init();
      audio_open = true;
      sdl::SDL_PauseAudioDevice(audio_dev, 0);
      break;
    case AVMEDIA_TYPE_VIDEO: {
      video_stream = stream_index;
      video_st = st;
      video_dec = std::move(dec);
      const AVRational rate = av::av_guess_frame_rate(ic, st, nullptr);
      frame_delay = rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 0.04;
      frame_timer = NowSeconds();
      frame_last_delay = 40e-3;
      video_current_pos = -1;
      videoq.Init();
      video_open = true;
      video_tid = std::thread([this] { VideoThread(); });
      break;
    }
    case AVMEDIA_TYPE_SUBTITLE:
      subtitle_stream = stream_index;
      subtitle_st = st;
      subtitle_dec = std::move(dec);
      subtitleq.Init();
      subtitle_tid = std::thread([this] { SubtitleThread(); });
      break;
    default:
      break;
  }
  return 0;
}

void TVideoState::StreamComponentClose(int stream_index) {
  if (stream_index < 0 || stream_index >= static_cast<int>(ic->nb_streams)) return;
  AVStream* st = ic->streams[stream_index];
  switch (st->codecpar->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      audio_open = false;
      audioq.Abort();
      if (audio_dev) sdl::SDL_CloseAudioDevice(audio_dev);
      audio_dev = 0;
      reformat_ctx.reset();
      audioq.End();
      break;
    case AVMEDIA_TYPE_VIDEO:
      video_open = false;
      videoq.Abort();
      {
        std::lock_guard lock(pictq_mutex);
        pictq_cond.notify_all();
      }
      if (video_tid.joinable()) video_tid.join();
      videoq.End();
      graph.reset();
      in_video_filter = out_video_filter = nullptr;
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      subtitleq.Abort();
      subtitle_stream_changed = true;
      {
        std::lock_guard lock(subpq_mutex);
        subpq_cond.notify_all();
      }
      if (subtitle_tid.joinable()) subtitle_tid.join();
      subtitleq.End();
      break;
    default:
      break;
  }
  st->discard = AVDISCARD_ALL;
  switch (st->codecpar->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      audio_dec.reset();
      audio_st = nullptr;
      audio_stream = -1;
      AudioDuration = -1;
      break;
    case AVMEDIA_TYPE_VIDEO:
      video_dec.reset();
      video_st = nullptr;
      video_stream = -1;
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      subtitle_dec.reset();
      subtitle_st = nullptr;
      subtitle_stream = -1;
      break;
    default:
      break;
  }
}

double TVideoState::get_audio_clock() {
  double pts = audio_clock;
  if (audio_buf_silence) return pts;
  const int hw_buf_size = audio_buf_size - audio_buf_index;
  const int bytes_per_sec = audio_channels * 2 * audio_freq;
  if (bytes_per_sec > 0) pts -= static_cast<double>(hw_buf_size) / bytes_per_sec;
  return pts;
}

double TVideoState::get_video_clock() {
  if (paused) return video_current_pts;
  const double drift = video_current_pts_drift;
  if (drift != 0) return drift + NowSeconds();
  return static_cast<double>(StartTime) / 1000000.0;
}

double TVideoState::get_external_clock() {
  return external_clock + static_cast<double>(av::av_gettime_relative() - external_clock_time) / 1000000.0;
}

double TVideoState::get_master_clock() {
  switch (av_sync_type) {
    case Tav_sync_type::AV_SYNC_VIDEO_MASTER:
      return video_open ? get_video_clock() : get_audio_clock();
    case Tav_sync_type::AV_SYNC_AUDIO_MASTER:
      return audio_open ? get_audio_clock() : get_video_clock();
    default:
      return get_external_clock();
  }
}

void TVideoState::TogglePauseEngine() {
  using std::chrono::milliseconds;
  if (!WaitServing([this] { return Owner.FSeekEvent.isSet() || abort_request; }, milliseconds(250)))
    Owner.FSeekEvent.set();
  if (abort_request) return;
  if (paused) {
    const double now = NowSeconds();
    frame_timer = frame_timer + now + video_current_pts_drift - video_current_pts;
    if (read_pause_return != AVERROR(ENOSYS)) video_current_pts = video_current_pts_drift + now;
    video_current_pts_drift = video_current_pts - now;
  } else if (video_st) {
    if (!WaitServing([this] { return Owner.FPictEvent.isSet() || abort_request; }, milliseconds(250)))
      Owner.FPictEvent.set();
    if (abort_request) return;
  }
  paused = !paused;
}

}  // namespace player
