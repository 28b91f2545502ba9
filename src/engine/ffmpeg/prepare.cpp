// Preparing a conversion: the stream tables, the mapping of output streams to input streams, stream
// copy and encoder set-up, opening the codecs, metadata and chapters, the headers.
#include "base/text.h"
#include "engine/ffmpeg/custom_ffmpeg.h"
#include "engine/ffmpeg/error_text.h"
#include "engine/ffmpeg/file_entries.h"
#include "engine/ffmpeg/transcode_tables.h"
#include "media/ff_logger.h"

namespace engine {

namespace {

const char* TypeName(const AVStream* AStream) { return MediaTypeName(AStream->codecpar->codec_type); }

// How much an input stream is worth as a source: the number of frames its container knows of, the
// stream marked default winning ties with none.
int64_t SourceScore(const AVStream* AStream) {
  return AStream->nb_frames * 2 + ((AStream->disposition & AV_DISPOSITION_DEFAULT) ? 1 : 0);
}

bool InProgram(const AVFormatContext* AIc, int AProgramId, int AStreamIndex) {
  for (unsigned p = 0; p < AIc->nb_programs; ++p) {
    const AVProgram* program = AIc->programs[p];
    if (program->id != AProgramId) continue;
    for (unsigned j = 0; j < program->nb_stream_indexes; ++j)
      if (static_cast<int>(program->stream_index[j]) == AStreamIndex) return true;
  }
  return false;
}

}  // namespace

void TCustomFFmpeg::Prepare() {
  BuildInputTables();
  BuildOutputTables();
  MapStreams();
  for (size_t n = 0; n < Fost_table.size(); ++n) {
    TAVOutputStream& ost = *Fost_table[n];
    TAVInputStream& ist = *Fist_table[ost.source_index];
    av::av_dict_copy(&ost.st->metadata, ist.st->metadata, AV_DICT_DONT_OVERWRITE);
    if (ost.stream_copy) {
      SetupStreamCopy(ost, ist);
    } else {
      SetupEncoder(ost, ist);
      SetupTwoPass(ost, static_cast<int>(n));
    }
  }
  OpenEncoders();
  OpenDecoders();
  for (auto& ist : Fist_table) {
    const AVRational rate = ist->st->avg_frame_rate;
    const int delay = ist->dec ? ist->dec->has_b_frames : 0;
    ist->pts = rate.num ? -static_cast<int64_t>(delay * AV_TIME_BASE / av_q2d(rate)) : 0;
    ist->next_pts = AV_NOPTS_VALUE;
    ist->is_start = true;
  }
  CopyMetadataAndChapters();
  WriteHeaders();
  LogStreamMapping();
}

void TCustomFFmpeg::BuildInputTables() {
  int streamIndex = 0;
  for (size_t f = 0; f < Finput_files.size(); ++f) {
    TInputFileEntry& entry = *Finput_files[f];
    TAVInputFile file;
    file.ist_index = streamIndex;
    file.nb_streams = static_cast<int>(entry.ctx->nb_streams);
    Ffile_table.push_back(file);
    for (unsigned i = 0; i < entry.ctx->nb_streams; ++i, ++streamIndex) {
      auto ist = std::make_unique<TAVInputStream>();
      ist->file_index = static_cast<int>(f);
      ist->index = static_cast<int>(i);
      ist->st = entry.ctx->streams[i];
      ist->dec = std::move(entry.dec[i]);
      ist->decoder = entry.forced_decoder[i];
      if (Frate_emu) ist->start = av::av_gettime_relative();
      Fist_table.push_back(std::move(ist));
    }
  }
  Fno_packet.assign(Finput_files.size(), false);
}

void TCustomFFmpeg::BuildOutputTables() {
  // Join mode repeats one output per input; its streams are set up once and fed by each input in turn.
  const int entries = FJoinMode ? std::min(1, nb_output_files()) : nb_output_files();
  for (int j = 0; j < entries; ++j) {
    TOutputFileEntry& entry = *Foutput_files[j];
    if (entry.ctx->nb_streams == 0) {
      av::av_dump_format(entry.ctx, j, entry.FileName.c_str(), 1);
      throw FFmpegException(base::Format("Output file #%d does not contain any stream", j));
    }
    for (size_t k = 0; k < entry.streams.size(); ++k) {
      TOutputStreamSetup& setup = *entry.streams[k];
      auto ost = std::make_unique<TAVOutputStream>();
      ost->file_index = j;
      ost->index = static_cast<int>(k);
      ost->st = setup.st;
      ost->stream_copy = setup.stream_copy;
      ost->enc = std::move(setup.enc);
      ost->encoder = setup.encoder;
      ost->enc_opts = setup.enc_opts;
      setup.enc_opts = nullptr;
      ost->bsf_specs = setup.bsfs;
      ost->topBand = ost->original_topBand = setup.topBand;
      ost->bottomBand = ost->original_bottomBand = setup.bottomBand;
      ost->leftBand = ost->original_leftBand = setup.leftBand;
      ost->rightBand = ost->original_rightBand = setup.rightBand;
      Fost_table.push_back(std::move(ost));
    }
  }
  Fnb_ostreams_per_entry = Foutput_files.empty() ? 0 : static_cast<int>(Foutput_files[0]->streams.size());

  if (Fstream_maps.empty()) return;
  if (Fstream_maps.size() != Fost_table.size())
    throw FFmpegException("Number of stream maps must match number of output streams");
  for (const TAVStreamMap& map : Fstream_maps) {
    if (map.file_index < 0 || map.file_index >= nb_input_files() || map.stream_index < 0 ||
        map.stream_index >= Ffile_table[map.file_index].nb_streams)
      throw FFmpegException(
          base::Format("Could not find input stream #%d.%d", map.file_index, map.stream_index));
    if (map.sync_file_index < 0 || map.sync_file_index >= nb_input_files() || map.sync_stream_index < 0 ||
        map.sync_stream_index >= Ffile_table[map.sync_file_index].nb_streams)
      throw FFmpegException(
          base::Format("Could not find sync stream #%d.%d", map.sync_file_index, map.sync_stream_index));
  }
}

void TCustomFFmpeg::MapStreams() {
  for (size_t n = 0; n < Fost_table.size(); ++n) {
    TAVOutputStream& ost = *Fost_table[n];
    const AVMediaType type = ost.st->codecpar->codec_type;
    if (!Fstream_maps.empty()) {
      const TAVStreamMap& map = Fstream_maps[n];
      ost.source_index = Ffile_table[map.file_index].ist_index + map.stream_index;
      ost.sync_ist = Ffile_table[map.sync_file_index].ist_index + map.sync_stream_index;
      const AVStream* source = Fist_table[ost.source_index]->st;
      if (source->codecpar->codec_type != type)
        throw FFmpegException(base::Format("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)",
                                           map.file_index, map.stream_index, TypeName(source), ost.file_index,
                                           ost.index, MediaTypeName(type)));
    } else {
      int best = -1;
      int64_t bestScore = -1;
      for (size_t i = 0; i < Fist_table.size(); ++i) {
        const TAVInputStream& ist = *Fist_table[i];
        if (!ist.discard || ist.st->discard == AVDISCARD_ALL || ist.st->codecpar->codec_type != type)
          continue;
        if (Fopt_programid && !InProgram(Finput_files[ist.file_index]->ctx, Fopt_programid, ist.index))
          continue;
        if (FJoinMode && ist.file_index != ost.file_index) continue;
        if (SourceScore(ist.st) > bestScore) {
          bestScore = SourceScore(ist.st);
          best = static_cast<int>(i);
        }
      }
      if (best < 0 && !Fopt_programid && !FJoinMode)
        for (size_t i = 0; i < Fist_table.size(); ++i) {
          const TAVInputStream& ist = *Fist_table[i];
          if (ist.st->discard != AVDISCARD_ALL && ist.st->codecpar->codec_type == type)
            best = static_cast<int>(i);
        }
      if (best < 0)
        throw FFmpegException(base::Format("Could not find input stream matching output stream #%d.%d (%s)",
                                           ost.file_index, ost.index, MediaTypeName(type)));
      ost.source_index = best;
      ost.sync_ist = best;
    }
    Fist_table[ost.source_index]->discard = false;
    ost.show_fps = true;
  }
}

void TCustomFFmpeg::SetupStreamCopy(TAVOutputStream& AOst, TAVInputStream& AIst) {
  const AVCodecParameters* in = AIst.st->codecpar;
  AVCodecParameters* out = AOst.st->codecpar;
  const AVOutputFormat* ofmt = Foutput_files[AOst.file_index]->ctx->oformat;
  if (in->codec_type == AVMEDIA_TYPE_VIDEO) {
    if (HasCustomHook())
      throw FFmpegException("-vcodec copy and CustomHook are incompatible (frames are not decoded)");
    if (HasFrameHooks())
      throw FFmpegException("-vcodec copy and -vhook are incompatible (frames are not decoded)");
    if (PostHooks())
      throw FFmpegException("-vcodec copy and PostHooks are incompatible (frames are not decoded)");
  } else if (in->codec_type == AVMEDIA_TYPE_AUDIO) {
    if (Faudio_volume != 256)
      throw FFmpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
  } else if (in->codec_type != AVMEDIA_TYPE_SUBTITLE) {
    throw FFmpegException("invalid codec_type of output stream");
  }
  const int id = AOst.st->id;
  const AVRational sar = AOst.st->sample_aspect_ratio;
  if (av::avcodec_parameters_copy(out, in) < 0) throw FFmpegException("av_mallocz fail");
  AOst.st->id = id;
  // Keep the tag only when the container maps it to the same codec.
  if (ofmt->codec_tag && in->codec_tag && av::av_codec_get_id(ofmt->codec_tag, in->codec_tag) != in->codec_id)
    out->codec_tag = 0;
  AOst.st->time_base = AIst.st->time_base;
  if (in->codec_type == AVMEDIA_TYPE_VIDEO) {
    AOst.st->avg_frame_rate = AIst.st->avg_frame_rate;
    AOst.st->r_frame_rate = AIst.st->r_frame_rate;
    AOst.st->sample_aspect_ratio = sar.num ? sar : AIst.st->sample_aspect_ratio;
    if (sar.num) out->sample_aspect_ratio = sar;
  } else if (in->codec_type == AVMEDIA_TYPE_AUDIO) {
    if ((in->codec_id == AV_CODEC_ID_MP3 && in->block_align == 1) || in->codec_id == AV_CODEC_ID_AC3)
      out->block_align = 0;
  }
}

// A bit rate outside the rate limits makes the encoder refuse to open (a record's bit rate below the
// fixed rate of a disc target): the limits win, as the disc standards require.
void TCustomFFmpeg::KeepBitRateWithinLimits(AVCodecContext* AEnc) {
  int64_t rate = AEnc->bit_rate;
  if (AEnc->rc_min_rate > 0 && rate < AEnc->rc_min_rate) rate = AEnc->rc_min_rate;
  if (AEnc->rc_max_rate > 0 && rate > AEnc->rc_max_rate) rate = AEnc->rc_max_rate;
  if (rate == AEnc->bit_rate) return;
  LogMsg(media::TLogLevel::llWarning,
         base::Format("Video bit rate %lld is outside the rate limits %lld..%lld; using %lld",
                      static_cast<long long>(AEnc->bit_rate), static_cast<long long>(AEnc->rc_min_rate),
                      static_cast<long long>(AEnc->rc_max_rate), static_cast<long long>(rate)));
  AEnc->bit_rate = rate;
}

void TCustomFFmpeg::SetupEncoder(TAVOutputStream& AOst, TAVInputStream& AIst) {
  AVCodecContext* enc = AOst.enc.get();
  AOst.encoding_needed = true;
  AIst.decoding_needed = true;
  switch (enc->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      AOst.audio_resample = Faudio_sync_method > 1;
      break;
    case AVMEDIA_TYPE_VIDEO: {
      KeepBitRateWithinLimits(enc);
      if (enc->pix_fmt == AV_PIX_FMT_NONE)
        throw FFmpegException("Video pixel format is unknown, stream cannot be encoded");
      AOst.video_crop = AOst.topBand || AOst.bottomBand || AOst.leftBand || AOst.rightBand;
      const int inWidth = AIst.dec->width - (AOst.leftBand + AOst.rightBand);
      const int inHeight = AIst.dec->height - (AOst.topBand + AOst.bottomBand);
      if (enc->width <= 0 || enc->height <= 0) {
        enc->width = inWidth;
        enc->height = inHeight;
      }
      AOst.original_width = AIst.dec->width;
      AOst.original_height = AIst.dec->height;
      AOst.resample_width = inWidth;
      AOst.resample_height = inHeight;
      AOst.resample_pix_fmt = AIst.dec->pix_fmt;
      AOst.video_resample =
          inWidth != enc->width || inHeight != enc->height || AIst.dec->pix_fmt != enc->pix_fmt;
      const std::string& filters = Foutput_files[AOst.file_index]->streams[AOst.index]->vfilters;
      if (!filters.empty()) BuildVideoFilters(AOst, AIst);
      break;
    }
    case AVMEDIA_TYPE_SUBTITLE:
      break;
    default:
      throw FFmpegException("invalid codec_type of output stream");
  }
}

}  // namespace engine
