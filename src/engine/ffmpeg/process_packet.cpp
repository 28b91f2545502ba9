// One packet of an input stream: decoding (send/receive), the input clock, stream copy, and handing
// decoded pictures, sound and subtitles to the output streams they feed.
#include <algorithm>

#include "base/text.h"
#include "engine/ffmpeg/custom_ffmpeg.h"
#include "engine/ffmpeg/error_text.h"
#include "engine/ffmpeg/file_entries.h"
#include "engine/ffmpeg/transcode_tables.h"
#include "media/ff_logger.h"

namespace engine {

namespace {

template <typename T>
void ScaleSamples(T* ASamples, size_t ACount, int AVolume, double AMin, double AMax) {
  for (size_t i = 0; i < ACount; ++i) {
    const double v = static_cast<double>(ASamples[i]) * AVolume / 256.0;
    ASamples[i] = static_cast<T>(std::clamp(v, AMin, AMax));
  }
}

// The volume factor, 256 = unchanged. 16-bit samples follow the classic rounding: (s * v + 128) >> 8.
void ApplyVolume(AVFrame* AFrame, int AVolume) {
  const auto format = static_cast<AVSampleFormat>(AFrame->format);
  const bool planar = av::av_sample_fmt_is_planar(format);
  const int planes = planar ? AFrame->ch_layout.nb_channels : 1;
  const size_t count = static_cast<size_t>(AFrame->nb_samples) * (planar ? 1 : AFrame->ch_layout.nb_channels);
  for (int p = 0; p < planes; ++p) {
    uint8_t* data = AFrame->extended_data[p];
    switch (av::av_get_packed_sample_fmt(format)) {
      case AV_SAMPLE_FMT_S16: {
        auto* s = reinterpret_cast<int16_t*>(data);
        for (size_t i = 0; i < count; ++i)
          s[i] = static_cast<int16_t>(std::clamp((s[i] * AVolume + 128) >> 8, -32768, 32767));
        break;
      }
      case AV_SAMPLE_FMT_S32:
        ScaleSamples(reinterpret_cast<int32_t*>(data), count, AVolume, -2147483648.0, 2147483647.0);
        break;
      case AV_SAMPLE_FMT_FLT:
        ScaleSamples(reinterpret_cast<float*>(data), count, AVolume, -1.0, 1.0);
        break;
      case AV_SAMPLE_FMT_DBL:
        ScaleSamples(reinterpret_cast<double*>(data), count, AVolume, -1.0, 1.0);
        break;
      case AV_SAMPLE_FMT_U8:
        for (size_t i = 0; i < count; ++i)
          data[i] = static_cast<uint8_t>(std::clamp(((data[i] - 128) * AVolume + 128) / 256 + 128, 0, 255));
        break;
      default:
        break;
    }
  }
}

}  // namespace

bool TCustomFFmpeg::ProcessPacket(TAVInputStream& AIst, AVPacket* APkt) {
  if (AIst.next_pts == AV_NOPTS_VALUE) AIst.next_pts = AIst.pts;
  if (APkt && APkt->dts != AV_NOPTS_VALUE)
    AIst.next_pts = AIst.pts = av::av_rescale_q(APkt->dts, AIst.st->time_base, AV_TIME_BASE_Q);

  bool ok = true;
  if (AIst.decoding_needed) {
    switch (AIst.st->codecpar->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
      case AVMEDIA_TYPE_AUDIO:
        ok = DecodeFrames(AIst, APkt);
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        ok = DecodeSubtitle(AIst, APkt);
        break;
      default:
        ok = false;
    }
  } else if (APkt && APkt->duration > 0) {
    AIst.next_pts += av::av_rescale_q(APkt->duration, AIst.st->time_base, AV_TIME_BASE_Q);
  }
  if (APkt) CopyPacket(AIst, APkt);

  // Reading at the input's own rate ("re"): wait until real time catches up with the stream.
  if (Frate_emu) {
    const int64_t elapsed = av::av_gettime_relative() - AIst.start;
    if (AIst.pts - elapsed > 1000) av::av_usleep(static_cast<unsigned>((AIst.pts - elapsed) / 1000 * 1000));
  }
  return ok;
}

void TCustomFFmpeg::DrainDecoder(TAVInputStream& AIst) {
  if (!AIst.dec || !AIst.frame) return;
  const AVMediaType type = AIst.st->codecpar->codec_type;
  if (type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO) {
    if (!DecodeFrames(AIst, nullptr))
      LogMsg(media::TLogLevel::llWarning,
             base::Format("Error while flushing the decoder of stream #%d.%d", AIst.file_index, AIst.index));
  }
}

bool TCustomFFmpeg::DecodeFrames(TAVInputStream& AIst, AVPacket* APkt) {
  AVCodecContext* dec = AIst.dec.get();
  bool ok = true;
  int ret = av::avcodec_send_packet(dec, APkt);
  if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
    LogMsg(media::TLogLevel::llWarning,
           base::Format("Stream #%d.%d: decoding failed at %0.3f s: %s", AIst.file_index, AIst.index,
                        AIst.pts / 1e6, AVErrorString(ret).c_str()));
    ok = false;
  }
  AVFrame* frame = AIst.frame.get();
  while (true) {
    ret = av::avcodec_receive_frame(dec, frame);
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) break;
    if (ret < 0) {
      LogMsg(media::TLogLevel::llWarning,
             base::Format("Stream #%d.%d: decoding failed at %0.3f s: %s", AIst.file_index, AIst.index,
                          AIst.pts / 1e6, AVErrorString(ret).c_str()));
      ok = false;
      break;
    }
    if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
      AIst.pts = av::av_rescale_q(frame->best_effort_timestamp, AIst.st->time_base, AV_TIME_BASE_Q);
    else
      AIst.pts = AIst.next_pts;
    if (dec->codec_type == AVMEDIA_TYPE_AUDIO) {
      if (frame->sample_rate > 0)
        AIst.next_pts = AIst.pts + int64_t{frame->nb_samples} * AV_TIME_BASE / frame->sample_rate;
      if (Faudio_volume != 256 && av::av_frame_make_writable(frame) >= 0) ApplyVolume(frame, Faudio_volume);
      OutputAudioFrame(AIst, frame);
    } else {
      int64_t duration = 0;
      if (frame->pkt_duration > 0)
        duration = av::av_rescale_q(frame->pkt_duration, AIst.st->time_base, AV_TIME_BASE_Q);
      else if (AIst.st->avg_frame_rate.num)
        duration = static_cast<int64_t>(AV_TIME_BASE / av_q2d(AIst.st->avg_frame_rate));
      AIst.next_pts = AIst.pts + duration;
      ++FHookFrameNumber;
      PreProcessPicture(AIst, frame, FHookFrameNumber);
      OutputVideoFrame(AIst, frame);
    }
    av::av_frame_unref(frame);
  }
  return ok;
}

bool TCustomFFmpeg::DecodeSubtitle(TAVInputStream& AIst, AVPacket* APkt) {
  if (!APkt) return true;
  AVSubtitle sub{};
  int got = 0;
  if (av::avcodec_decode_subtitle2(AIst.dec.get(), &sub, &got, APkt) < 0) return false;
  if (got) {
    OutputSubtitle(AIst, &sub);
    av::avsubtitle_free(&sub);
  }
  return true;
}

void TCustomFFmpeg::OutputVideoFrame(TAVInputStream& AIst, AVFrame* AFrame) {
  if (Fstart_time && AIst.pts < Fstart_time) return;
  for (auto& ostPtr : Fost_table) {
    TAVOutputStream& ost = *ostPtr;
    if (!ost.encoding_needed || Fist_table[ost.source_index].get() != &AIst) continue;
    if (!ost.graph) {
      DoVideoOut(ost, AIst, AFrame, AIst.pts);
      continue;
    }
    AFrame->pts = AIst.pts;  // the graph runs in microseconds
    if (av::av_buffersrc_add_frame_flags(ost.buffersrc, AFrame, AV_BUFFERSRC_FLAG_KEEP_REF) < 0) continue;
    AVFrame* filtered = ost.filtered.get();
    const AVRational tb = av::av_buffersink_get_time_base(ost.buffersink);
    while (av::av_buffersink_get_frame(ost.buffersink, filtered) >= 0) {
      const int64_t pts =
          filtered->pts == AV_NOPTS_VALUE ? AIst.pts : av::av_rescale_q(filtered->pts, tb, AV_TIME_BASE_Q);
      DoVideoOut(ost, AIst, filtered, pts);
      av::av_frame_unref(filtered);
    }
  }
}

void TCustomFFmpeg::OutputAudioFrame(TAVInputStream& AIst, AVFrame* AFrame) {
  if (Fstart_time && AIst.pts < Fstart_time) return;
  for (auto& ost : Fost_table)
    if (ost->encoding_needed && Fist_table[ost->source_index].get() == &AIst) DoAudioOut(*ost, AIst, AFrame);
}

void TCustomFFmpeg::OutputSubtitle(TAVInputStream& AIst, AVSubtitle* ASub) {
  if (Fstart_time && AIst.pts < Fstart_time) return;
  for (auto& ostPtr : Fost_table) {
    TAVOutputStream& ost = *ostPtr;
    if (!ost.encoding_needed || Fist_table[ost.source_index].get() != &AIst) continue;
    if (ASub->pts == AV_NOPTS_VALUE) {
      if (Fexit_on_error) throw FFmpegException("Subtitle packets must have a pts");
      LogMsg(media::TLogLevel::llError, "Subtitle packets must have a pts");
      continue;
    }
    constexpr int kBufferSize = 1024 * 1024;
    const int passes = ost.enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE ? 2 : 1;
    for (int i = 0; i < passes; ++i) {
      AVSubtitle sub = *ASub;
      sub.pts =
          ASub->pts - Fstart_time + av::av_rescale_q(ASub->start_display_time, {1, 1000}, AV_TIME_BASE_Q);
      sub.end_display_time -= sub.start_display_time;
      sub.start_display_time = 0;
      if (i == 1) sub.num_rects = 0;  // the second DVB packet clears the screen
      AVPacket* pkt = Fenc_pkt.get();
      if (av::av_new_packet(pkt, kBufferSize) < 0) throw FFmpegException("Out of memory");
      const int size = av::avcodec_encode_subtitle(ost.enc.get(), pkt->data, kBufferSize, &sub);
      if (size < 0) {
        av::av_packet_unref(pkt);
        throw FFmpegException("Subtitle encoding failed");
      }
      av::av_shrink_packet(pkt, size);
      pkt->pts = sub.pts;
      if (passes == 2) pkt->pts += (i == 0 ? ASub->start_display_time : ASub->end_display_time) * 1000;
      pkt->dts = pkt->pts;
      ost.pkt_tb = AV_TIME_BASE_Q;
      WritePacket(ost, pkt);
      av::av_packet_unref(pkt);
    }
    ++ost.frame_number;
  }
}

void TCustomFFmpeg::CopyPacket(TAVInputStream& AIst, const AVPacket* APkt) {
  if (Fstart_time && AIst.pts < Fstart_time) return;
  const int64_t start = av::av_rescale_q(Fstart_time, AV_TIME_BASE_Q, AIst.st->time_base);
  for (auto& ostPtr : Fost_table) {
    TAVOutputStream& ost = *ostPtr;
    if (!ost.stream_copy || Fist_table[ost.source_index].get() != &AIst) continue;
    if (ost.frame_number == 0 && !(APkt->flags & AV_PKT_FLAG_KEY) && !Fcopy_initial_nonkeyframes) continue;
    AVPacket* pkt = Fenc_pkt.get();
    if (av::av_packet_ref(pkt, APkt) < 0) throw FFmpegException("Out of memory");
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= start;
    pkt->dts = pkt->dts == AV_NOPTS_VALUE ? av::av_rescale_q(AIst.pts, AV_TIME_BASE_Q, AIst.st->time_base)
                                          : pkt->dts;
    pkt->dts -= start;
    if (AIst.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
      Fvideo_size += pkt->size;
    else if (AIst.st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
      Faudio_size += pkt->size;
    ost.pkt_tb = AIst.st->time_base;
    WritePacket(ost, pkt);
    av::av_packet_unref(pkt);
    ++ost.frame_number;
  }
}

}  // namespace engine
