// The conversion loop: which input to read next, timestamps, limits, the join switch, and the end of
// the conversion (flush, trailers, last report).
#include <algorithm>
#include <cmath>

#include "base/text.h"
#include "engine/ffmpeg/custom_ffmpeg.h"
#include "engine/ffmpeg/error_text.h"
#include "engine/ffmpeg/file_entries.h"
#include "engine/ffmpeg/transcode_tables.h"
#include "media/ff_logger.h"

namespace engine {

namespace {

// Frame limits are kept per media type: video, audio, data, subtitle.
int LimitIndex(AVMediaType AType) {
  switch (AType) {
    case AVMEDIA_TYPE_VIDEO:
      return 0;
    case AVMEDIA_TYPE_AUDIO:
      return 1;
    case AVMEDIA_TYPE_SUBTITLE:
      return 3;
    default:
      return 2;
  }
}

}  // namespace

void TCustomFFmpeg::Transcode() {
  if (Foutput_files.empty()) throw FFmpegException("At least one output file must be specified");
  if (Finput_files.empty()) throw FFmpegException("At least one input file must be specified");
  Fpkt.reset(av::av_packet_alloc());
  Fenc_pkt.reset(av::av_packet_alloc());
  if (!Fpkt || !Fenc_pkt) throw FFmpegException("av_mallocz fail");
  FHookFrameNumber = 0;
  Fqp_histogram.fill(0);
  Prepare();
  Loop();
  FlushDecoders();
  for (auto& ost : Fost_table)
    if (ost->encoding_needed) FlushEncoder(*ost);
  WriteTrailers();
  PrintReport(true, -1);
  CloseEncoders();
  CloseDecoders();
  FFinished = !FBroken;
  Fost_table.clear();
  Fist_table.clear();
  Ffile_table.clear();
}

int TCustomFFmpeg::ChooseInput() {
  if (FJoinMode) {
    for (const auto& ost : Fost_table)
      if (ost->frame_number >= Fmax_frames[LimitIndex(ost->st->codecpar->codec_type)]) return -1;
    return Fcurrent_input < nb_input_files() && !Ffile_table[Fcurrent_input].eof_reached ? Fcurrent_input
                                                                                         : -1;
  }
  double best = 1e100;
  int chosen = -1;
  for (const auto& ost : Fost_table) {
    const TAVInputStream& ist = *Fist_table[ost->source_index];
    if (ist.is_past_recording_time || Fno_packet[ist.file_index]) continue;
    const double opts = ost->encoding_needed && ost->enc
                            ? static_cast<double>(ost->sync_opts) * av_q2d(ost->enc->time_base)
                            : ost->out_time;
    const double ipts = static_cast<double>(ist.pts);
    if (!Ffile_table[ist.file_index].eof_reached && (Finput_sync ? ipts : opts) < best) {
      best = Finput_sync ? ipts : opts;
      chosen = ist.file_index;
    }
    if (ost->frame_number >= Fmax_frames[LimitIndex(ost->st->codecpar->codec_type)]) return -1;
  }
  return chosen;
}

void TCustomFFmpeg::Loop() {
  Ftimer_start = av::av_gettime_relative();
  Flast_report_time = Ftimer_start;
  Fcurrent_input = 0;
  std::fill(Fno_packet.begin(), Fno_packet.end(), false);
  AVPacket* pkt = Fpkt.get();
  while (!FBroken) {
    CheckPause();
    if (FBroken) break;
    const int fileIndex = ChooseInput();
    if (fileIndex < 0) {
      const bool anyNoPacket = std::find(Fno_packet.begin(), Fno_packet.end(), true) != Fno_packet.end();
      if (FJoinMode || !anyNoPacket) break;
      std::fill(Fno_packet.begin(), Fno_packet.end(), false);
      av::av_usleep(10000);
      continue;
    }
    if (Flimit_filesize) {
      AVIOContext* pb = Foutput_files[0]->ctx->pb;
      if (pb && av::avio_seek(pb, 0, SEEK_CUR) >= Flimit_filesize) break;
    }
    TInputFileEntry& input = *Finput_files[fileIndex];
    const int read = av::av_read_frame(input.ctx, pkt);
    if (read == AVERROR(EAGAIN)) {
      Fno_packet[fileIndex] = true;
      continue;
    }
    if (read < 0) {
      if (FBroken) break;  // the read was interrupted by the stop request
      Ffile_table[fileIndex].eof_reached = true;
      if (FJoinMode) {
        bool stop = false;
        JoinSwitch(fileIndex, stop);
        if (stop) break;
        continue;
      }
      if (Fopt_shortest) break;
      continue;
    }
    std::fill(Fno_packet.begin(), Fno_packet.end(), false);
    if (Fdo_pkt_dump)
      av::av_pkt_dump_log2(nullptr, AV_LOG_DEBUG, pkt, Fdo_hex_dump, input.ctx->streams[pkt->stream_index]);
    if (pkt->stream_index >= Ffile_table[fileIndex].nb_streams) {
      av::av_packet_unref(pkt);
      continue;
    }
    TAVInputStream& ist = *Fist_table[Ffile_table[fileIndex].ist_index + pkt->stream_index];
    if (ist.discard) {
      av::av_packet_unref(pkt);
      continue;
    }
    const AVRational tb = ist.st->time_base;
    const int64_t offset = av::av_rescale_q(input.ts_offset, AV_TIME_BASE_Q, tb);
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts += offset;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += offset;
    if (pkt->stream_index < kMaxStreams && input.ts_scale[pkt->stream_index] != 0) {
      const double scale = input.ts_scale[pkt->stream_index];
      if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = static_cast<int64_t>(pkt->dts * scale);
      if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = static_cast<int64_t>(pkt->pts * scale);
    }
    if ((input.ctx->iformat->flags & AVFMT_TS_DISCONT) && pkt->dts != AV_NOPTS_VALUE &&
        ist.next_pts != AV_NOPTS_VALUE && !Fcopy_ts) {
      const int64_t pktDts = av::av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
      const int64_t delta = pktDts - ist.next_pts;
      if (std::llabs(delta) > static_cast<int64_t>(Fdts_delta_threshold * AV_TIME_BASE) ||
          pktDts + 1 < ist.pts) {
        input.ts_offset -= delta;
        const int64_t shift = av::av_rescale_q(delta, AV_TIME_BASE_Q, tb);
        pkt->dts -= shift;
        if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= shift;
        if (Fverbose > 2)
          LogMsg(media::TLogLevel::llVerbose,
                 base::Format("timestamp discontinuity %lld, new offset= %lld", static_cast<long long>(delta),
                              static_cast<long long>(input.ts_offset)));
      }
    }
    if (Frecording_time != INT64_MAX && pkt->pts != AV_NOPTS_VALUE &&
        av::av_rescale_q(pkt->pts, tb, AV_TIME_BASE_Q) >= Frecording_time + Fstart_time) {
      ist.is_past_recording_time = true;
      av::av_packet_unref(pkt);
      continue;
    }
    if (!ProcessPacket(ist, pkt)) {
      const std::string msg = base::Format("Error while decoding stream #%d.%d (%s)", ist.file_index,
                                           ist.index, MediaTypeName(ist.st->codecpar->codec_type));
      if (Fexit_on_error) {
        av::av_packet_unref(pkt);
        throw FFmpegException(msg);
      }
      if (Fverbose >= 0) LogMsg(media::TLogLevel::llVerbose, msg);
    }
    av::av_packet_unref(pkt);
    const int64_t now = av::av_gettime_relative();
    if (now - Flast_report_time > ReportInterval) {
      PrintReport(false, fileIndex);
      Flast_report_time = now;
    }
  }
}

void TCustomFFmpeg::JoinSwitch(int AFileIndex, bool& AStopLoop) {
  // Drain this input's decoders into the outputs; the encoders stay open so the joined output is one
  // continuous stream with one header.
  for (auto& ist : Fist_table)
    if (ist->file_index == AFileIndex && ist->decoding_needed && !ist->decoder_flushed) {
      DrainDecoder(*ist);
      ist->decoder_flushed = true;
    }
  double largest = 0;
  for (const auto& ost : Fost_table) {
    const double t =
        ost->encoding_needed && ost->enc ? ost->sync_opts * av_q2d(ost->enc->time_base) : ost->out_time;
    largest = std::max(largest, t);
  }
  Fcurrent_input = AFileIndex + 1;
  if (Fcurrent_input >= nb_input_files()) {
    AStopLoop = true;
    return;
  }
  Finput_files[Fcurrent_input]->ts_offset += std::llround(largest * AV_TIME_BASE);
  RemapJoinedStreams(Fcurrent_input);
}

void TCustomFFmpeg::RemapJoinedStreams(int AFileIndex) {
  for (auto& ostPtr : Fost_table) {
    TAVOutputStream& ost = *ostPtr;
    const AVMediaType type = ost.st->codecpar->codec_type;
    int best = -1;
    int64_t bestFrames = -1;
    for (size_t i = 0; i < Fist_table.size(); ++i) {
      const TAVInputStream& ist = *Fist_table[i];
      if (ist.file_index != AFileIndex || !ist.discard || ist.st->discard == AVDISCARD_ALL ||
          ist.st->codecpar->codec_type != type)
        continue;
      if (ist.st->nb_frames > bestFrames) {
        bestFrames = ist.st->nb_frames;
        best = static_cast<int>(i);
      }
    }
    if (best < 0) continue;  // this input has nothing for the stream; it just gets no more data
    TAVInputStream& ist = *Fist_table[best];
    ist.discard = false;
    ost.source_index = best;
    ost.sync_ist = best;
    if (ost.encoding_needed) {
      ist.decoding_needed = true;
      OpenDecoder(ist);
      ist.pts = 0;
      ist.next_pts = AV_NOPTS_VALUE;
      ist.is_start = false;  // the output already runs; no silence is owed at this point
    }
  }
}

void TCustomFFmpeg::FlushDecoders() {
  for (auto& ist : Fist_table)
    if (ist->decoding_needed && !ist->decoder_flushed && ist->dec) {
      DrainDecoder(*ist);
      ist->decoder_flushed = true;
    }
}

void TCustomFFmpeg::WriteTrailers() {
  const int outputs = FJoinMode ? std::min(1, nb_output_files()) : nb_output_files();
  for (int j = 0; j < outputs; ++j) {
    TOutputFileEntry& entry = *Foutput_files[j];
    if (!entry.header_written || entry.trailer_written) continue;
    entry.trailer_written = true;
    const int ret = av::av_write_trailer(entry.ctx);
    if (ret < 0) throw FFmpegException(entry.FileName + ": " + AVErrorString(ret));
  }
}

}  // namespace engine
