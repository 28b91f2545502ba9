// The read thread: opens the file, chooses and opens the streams, and demultiplexes into the queues.
#include <cstring>
#include <thread>

#include "base/text.h"
#include "media/ff_logger.h"
#include "player/input_open.h"
#include "player/media_player.h"

namespace player {
namespace {

using media::TLogLevel;
using std::chrono::milliseconds;

int DecodeInterrupt(void* opaque) { return static_cast<TVideoState*>(opaque)->abort_request ? 1 : 0; }

std::string ErrorText(const std::string& fileName, int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  if (av::av_strerror(err, text, sizeof text) < 0)
    std::snprintf(text, sizeof text, "Error number %d occurred", err);
  return fileName + ": " + text;
}

void Sleep(int ms) { std::this_thread::sleep_for(milliseconds(ms)); }

// The stream of a kind to play: the wanted ordinal among streams of that kind, else the libraries' best.
int ChooseStream(AVFormatContext* ic, AVMediaType type, int wanted, int related) {
  if (wanted >= 0) {
    int ordinal = 0;
    for (unsigned i = 0; i < ic->nb_streams; ++i)
      if (ic->streams[i]->codecpar->codec_type == type && ordinal++ == wanted) return static_cast<int>(i);
    return -1;
  }
  const int best = av::av_find_best_stream(ic, type, -1, related, nullptr, 0);
  return best >= 0 ? best : -1;
}

}  // namespace

void TVideoState::ReadThread() {
  TCustomPlayer& p = Owner;
  bool eof = false;
  bool failed = true;
  std::unique_ptr<AVPacket, PacketCloser> pkt(av::av_packet_alloc());
  AVDictionary* options = nullptr;
  int err = 0;

  ic = av::avformat_alloc_context();
  if (!ic || !pkt) {
    p.ReportError("av_mallocz() failed.", true);
    goto end;
  }
  ic->interrupt_callback.callback = DecodeInterrupt;
  ic->interrupt_callback.opaque = this;
  if (p.FrameWidth > 0 && p.FrameHeight > 0) {
    av::av_dict_set(&options, "video_size",
                    base::Format("%dx%d", p.FrameWidth.load(), p.FrameHeight.load()).c_str(), 0);
    av::av_dict_set(&options, "framerate", "25", 0);
  }
  err = OpenInputFile(&ic, filename, iformat, &options);
  av::av_dict_free(&options);
  if (err < 0) {
    ic = nullptr;  // freed by the failed open
    p.ReportError(ErrorText(filename, err), true);
    goto end;
  }
  if (p.genpts) ic->flags |= AVFMT_FLAG_GENPTS;
  if (av::avformat_find_stream_info(ic, nullptr) < 0) {
    p.ReportError(base::Format("%s: could not find codec parameters", filename.c_str()), true);
    goto end;
  }
  if (ic->pb) ic->pb->eof_reached = 0;
  if (p.seek_by_bytes < 0) p.seek_by_bytes = (ic->iformat->flags & AVFMT_TS_DISCONT) ? 1 : 0;
  {
    const std::string fmt = ic->iformat->name;
    IsImage2 = fmt == "image2";
    IsDevice = fmt == "vfwcap" || fmt == "vfwcapture" || fmt == "video4linux2,v4l2";
  }
  StartTime = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
  Duration = ic->duration != AV_NOPTS_VALUE ? ic->duration : -1;
  BitRate = ic->bit_rate;
  external_clock = static_cast<double>(StartTime) / 1000000.0;

  if (p.start_time != kNoPTS) {
    int64_t timestamp = p.start_time;
    if (ic->start_time != AV_NOPTS_VALUE) timestamp += ic->start_time;
    if (av::avformat_seek_file(ic, -1, INT64_MIN, timestamp, INT64_MAX, 0) < 0)
      media::FFLogger().Log(&p, TLogLevel::llError, "%s: could not seek to position %0.3f", filename.c_str(),
                            static_cast<double>(timestamp) / AV_TIME_BASE);
  }

  {
    for (unsigned i = 0; i < ic->nb_streams; ++i) ic->streams[i]->discard = AVDISCARD_ALL;
    const int video_index = p.DisableVideo || p.DisableDisplay
                                ? -1
                                : ChooseStream(ic, AVMEDIA_TYPE_VIDEO, p.wanted_video_stream, -1);
    const int audio_index =
        p.DisableAudio ? -1 : ChooseStream(ic, AVMEDIA_TYPE_AUDIO, p.wanted_audio_stream, video_index);
    const int subtitle_index =
        p.DisableVideo ? -1 : ChooseStream(ic, AVMEDIA_TYPE_SUBTITLE, p.wanted_subtitle_stream, video_index);
    if (audio_index >= 0) StreamComponentOpen(audio_index);
    if (video_index >= 0) StreamComponentOpen(video_index);
    if (subtitle_index >= 0) StreamComponentOpen(subtitle_index);
  }
  if (video_stream < 0 && !p.DisableDisplay) show_audio = 2;
  if (video_stream < 0 && audio_stream < 0) {
    p.ReportError(base::Format("%s: could not open codecs, no stream to play.", filename.c_str()), true);
    goto end;
  }

  Opened = 1;
  while (!abort_request) {
    if (paused != last_paused) {
      last_paused = paused;
      read_pause_return = paused ? av::av_read_pause(ic) : av::av_read_play(ic);
    }
    if (seek_req) {
      const int64_t seek_target = seek_pos;
      const int64_t seek_min = seek_rel > 0 ? seek_target - seek_rel + 2 : INT64_MIN;
      const int64_t seek_max = seek_rel < 0 ? seek_target - seek_rel - 2 : INT64_MAX;
      int ret = av::avformat_seek_file(ic, -1, seek_min, seek_target, seek_max, seek_flags);
      if (ret < 0) ret = av::av_seek_frame(ic, -1, seek_target, seek_flags);
      if (ret < 0) ret = av::av_seek_frame(ic, -1, seek_target, seek_flags ^ AVSEEK_FLAG_BACKWARD);
      if (ret < 0) {
        media::FFLogger().Log(&p, TLogLevel::llError, "%s: error while seeking", filename.c_str());
        if (video_stream >= 0) p.FPictEvent.set();
      } else {
        std::lock_guard lock(stream_mutex);
        // Marked before the markers go out, so the video thread cannot take its first new picture for an
        // old one and decode a second.
        if (video_stream >= 0) seek_flushed = false;
        seek_done = true;
        if (audio_stream >= 0) {
          audioq.Flush();
          audioq.PutFlush();
        }
        if (subtitle_stream >= 0) {
          subtitleq.Flush();
          subtitleq.PutFlush();
        }
        if (video_stream >= 0) {
          videoq.Flush();
          videoq.PutFlush();
          p.FPictEvent.reset();
        }
        if (seek_flags & AVSEEK_FLAG_BYTE)
          external_clock = 0;
        else
          external_clock = static_cast<double>(seek_target) / AV_TIME_BASE;
        external_clock_time = av::av_gettime_relative();
      }
      ErrorEOF = 0;
      ReachEOF = 0;
      seek_done = true;
      seek_req = false;
      p.FSeekEvent.set();
      if (video_stream < 0) p.FSeeking = false;
      eof = false;
    }

    if (audioq.size() + videoq.size() + subtitleq.size() > MAX_QUEUE_SIZE ||
        ((audioq.size() > MIN_AUDIOQ_SIZE || audio_stream < 0) &&
         (videoq.nb_packets() > MIN_FRAMES || video_stream < 0) &&
         (subtitleq.nb_packets() > MIN_FRAMES || subtitle_stream < 0))) {
      Sleep(10);
      continue;
    }
    if (eof || (ic->pb && av::avio_feof(ic->pb))) {
      if (video_stream >= 0) {
        // One end marker at a time: it drains the decoder and lets the video thread check for the end (and
        // release picture waiters once no picture can come).
        if (videoq.nb_packets() == 0) {
          std::unique_ptr<AVPacket, PacketCloser> empty(av::av_packet_alloc());
          empty->stream_index = video_stream;
          videoq.Put(empty.get());
        }
      }
      Sleep(10);
      if (audioq.nb_packets() == 0 && videoq.nb_packets() == 0 && subtitleq.nb_packets() == 0) ReachEOF = 1;
      continue;
    }
    Reading = 1;
    int ret = av::av_read_frame(ic, pkt.get());
    Reading = 0;
    if (abort_request) break;
    if (ret < 0) {
      if (ret == AVERROR(EAGAIN)) {
        Sleep(10);
        continue;
      }
      // At the end the video thread releases picture waiters once it has drained its decoder; earlier,
      // pictures of a seek may still be on their way.
      if (video_stream >= 0 && ret != AVERROR_EOF) p.FPictEvent.set();
      if (!ErrorEOF && !IsImage2) {
        ErrorEOF = 1;
        if (ret == AVERROR_EOF)
          media::FFLogger().Log(&p, TLogLevel::llInfo, "reach end of file: %s", filename.c_str());
        else
          media::FFLogger().Log(&p, TLogLevel::llError, "error #%d while reading file: %s", ret,
                                filename.c_str());
      }
      if (ret == AVERROR_EOF || (ic->pb && av::avio_feof(ic->pb))) eof = true;
      if (ic->pb && ic->pb->error) break;
      if (!eof) Sleep(100);
      continue;
    }
    if (pkt->pos >= 0) ReaderPos = pkt->pos;
    {
      std::lock_guard lock(stream_mutex);
      if (pkt->stream_index == audio_stream)
        audioq.Put(pkt.get());
      else if (pkt->stream_index == video_stream)
        videoq.Put(pkt.get());
      else if (pkt->stream_index == subtitle_stream)
        subtitleq.Put(pkt.get());
    }
    av::av_packet_unref(pkt.get());
  }
  while (!abort_request) Sleep(100);
  failed = false;

end:
  if (Opened != 1) Opened = -1;
  if (ic) {
    if (audio_stream >= 0) StreamComponentClose(audio_stream);
    if (video_stream >= 0) StreamComponentClose(video_stream);
    if (subtitle_stream >= 0) StreamComponentClose(subtitle_stream);
    av::avformat_close_input(&ic);
  }
  if (failed) p.RequestQuit();
  if (Opened == -1) Opened = -2;
}

}  // namespace player
