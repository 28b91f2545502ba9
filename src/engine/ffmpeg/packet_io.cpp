// Encoding by the book (send, then receive until the encoder wants more), bitstream filters and muxing.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/text.h"
#include "engine/ffmpeg/custom_ffmpeg.h"
#include "engine/ffmpeg/error_text.h"
#include "engine/ffmpeg/file_entries.h"
#include "engine/ffmpeg/transcode_tables.h"
#include "media/ff_logger.h"

namespace engine {

void TCustomFFmpeg::SendAndReceive(TAVOutputStream& AOst, const AVFrame* AFrame) {
  AVCodecContext* enc = AOst.enc.get();
  const bool video = enc->codec_type == AVMEDIA_TYPE_VIDEO;
  auto failure = [&](int ACode) {
    const double at = AFrame && AFrame->pts != AV_NOPTS_VALUE ? AFrame->pts * av_q2d(enc->time_base)
                                                              : AOst.sync_opts * av_q2d(enc->time_base);
    return FFmpegException(base::Format("%s encoding failed at %0.3f s: %s", video ? "Video" : "Audio", at,
                                        AVErrorString(ACode).c_str()));
  };
  int ret = av::avcodec_send_frame(enc, AFrame);
  if (ret < 0 && ret != AVERROR_EOF) throw failure(ret);
  AVPacket* pkt = Fenc_pkt.get();
  while ((ret = av::avcodec_receive_packet(enc, pkt)) >= 0) {
    if (video) {
      Fvideo_size += pkt->size;
      size_t statsSize = 0;
      if (const uint8_t* stats = av::av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &statsSize);
          stats && statsSize >= 4) {
        int32_t quality;
        std::memcpy(&quality, stats, sizeof quality);
        AOst.last_quality = quality;
        if (statsSize >= 5) AOst.last_pict_type = stats[4];
        // Quality statistics: int32 quality, uint8 picture type, uint8 error count, 2 reserved, uint64
        // errors.
        const int errors = statsSize >= 6 ? std::min<int>(stats[5], 3) : 0;
        for (int i = 0; i < errors && statsSize >= 8 + 8 * static_cast<size_t>(i + 1); ++i) {
          std::memcpy(&AOst.last_error[i], stats + 8 + 8 * i, sizeof(uint64_t));
          AOst.total_error[i] += AOst.last_error[i];
        }
        const int qp =
            std::clamp(static_cast<int>(std::lround(quality / static_cast<double>(FF_QP2LAMBDA))), 0, 31);
        ++Fqp_histogram[qp];
      }
      if (AFrame) RunPostHooks(AFrame, enc, av::av_rescale_q(pkt->pts, enc->time_base, AV_TIME_BASE_Q));
      if (!Fvstats_filename.empty()) WriteVideoStats(AOst, pkt->size);
    } else {
      Faudio_size += pkt->size;
    }
    if (AOst.logfile && enc->stats_out)
      crt::fwrite(enc->stats_out, 1, std::strlen(enc->stats_out), AOst.logfile.get());
    AOst.pkt_tb = enc->time_base;
    WritePacket(AOst, pkt);
    av::av_packet_unref(pkt);
  }
  if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) throw failure(ret);
}

void TCustomFFmpeg::FlushEncoder(TAVOutputStream& AOst) {
  if (!AOst.encoder_opened) return;
  switch (AOst.enc->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      EncodeAudioFifo(AOst, true);
      SendAndReceive(AOst, nullptr);
      break;
    case AVMEDIA_TYPE_VIDEO:
      SendAndReceive(AOst, nullptr);
      break;
    default:
      break;
  }
}

void TCustomFFmpeg::WritePacket(TAVOutputStream& AOst, AVPacket* APkt) {
  if (AOst.bsfs.empty())
    MuxPacket(AOst, APkt);
  else
    FilterAndMux(AOst, 0, APkt);
}

// Through filter AFilter and the ones after it; every packet a filter gives goes on down the chain.
void TCustomFFmpeg::FilterAndMux(TAVOutputStream& AOst, size_t AFilter, AVPacket* APkt) {
  if (AFilter == AOst.bsfs.size()) {
    MuxPacket(AOst, APkt);
    return;
  }
  AVBSFContext* bsf = AOst.bsfs[AFilter].get();
  auto failed = [&](int ACode) {
    const std::string msg = base::Format(
        "%s failed for stream %d, codec %s: %s", bsf->filter->name, AOst.index,
        AOst.encoder && !AOst.stream_copy ? AOst.encoder->name : "copy", AVErrorString(ACode).c_str());
    av::av_packet_unref(APkt);
    if (Fexit_on_error) throw FFmpegException(msg);
    LogMsg(media::TLogLevel::llError, msg);
  };
  int ret = av::av_bsf_send_packet(bsf, APkt);
  if (ret < 0) return failed(ret);
  while ((ret = av::av_bsf_receive_packet(bsf, APkt)) >= 0) FilterAndMux(AOst, AFilter + 1, APkt);
  if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) failed(ret);
}

void TCustomFFmpeg::MuxPacket(TAVOutputStream& AOst, AVPacket* APkt) {
  AVFormatContext* oc = Foutput_files[AOst.file_index]->ctx;
  const AVRational tb = AOst.bsfs.empty() ? AOst.pkt_tb : AOst.bsfs.back()->time_base_out;
  APkt->stream_index = AOst.index;
  av::av_packet_rescale_ts(APkt, tb, AOst.st->time_base);
  // A damaged input can make a copied stream's times go backwards; the muxer would refuse the packet and
  // end the task, so such a packet is dropped instead.
  if (APkt->dts != AV_NOPTS_VALUE && AOst.last_mux_dts != AV_NOPTS_VALUE &&
      !(oc->oformat->flags & AVFMT_NOTIMESTAMPS)) {
    const bool strict = !(oc->oformat->flags & AVFMT_TS_NONSTRICT);
    if (APkt->dts < AOst.last_mux_dts + (strict ? 1 : 0)) {
      if (Fverbose > 0)
        LogMsg(media::TLogLevel::llWarning,
               base::Format("Dropping a packet of output stream #%d.%d: its time goes backwards",
                            AOst.file_index, AOst.index));
      av::av_packet_unref(APkt);
      return;
    }
  }
  if (APkt->dts != AV_NOPTS_VALUE) AOst.last_mux_dts = APkt->dts;
  const int64_t start = APkt->dts != AV_NOPTS_VALUE ? APkt->dts : APkt->pts;
  if (start != AV_NOPTS_VALUE)
    AOst.out_time =
        std::max(AOst.out_time, static_cast<double>(start + APkt->duration) * av_q2d(AOst.st->time_base));
  const int ret = av::av_interleaved_write_frame(oc, APkt);
  if (ret < 0) throw FFmpegException("av_interleaved_write_frame(): " + AVErrorString(ret));
}

}  // namespace engine
