// Preparing a conversion, second half: two-pass logs, opening encoders and decoders, bitstream
// filters, the video filter graph, metadata and chapters, headers and the stream mapping messages.
#include <cstring>
#include <string>

#include "base/text.h"
#include "engine/ffmpeg/custom_ffmpeg.h"
#include "engine/ffmpeg/error_text.h"
#include "engine/ffmpeg/file_entries.h"
#include "engine/ffmpeg/transcode_tables.h"
#include "media/ff_logger.h"

namespace engine {

namespace {

const char* TypeName(const AVStream* AStream) { return MediaTypeName(AStream->codecpar->codec_type); }

// Options a library did not take are reported, so a mistyped option is never silent.
void WarnUnused(TCustomFFmpeg* AEngine, AVDictionary* AOptions, const char* AWhat) {
  const AVDictionaryEntry* e = nullptr;
  while ((e = av::av_dict_get(AOptions, "", e, AV_DICT_IGNORE_SUFFIX)))
    media::FFLogger().Log(AEngine, media::TLogLevel::llWarning, "Option '%s' not used by %s", e->key, AWhat);
}

bool ReadWholeFile(const std::string& APath, std::string& AText) {
  FILE* f = crt::fopen(APath.c_str(), "rb");
  if (!f) return false;
  FilePtr guard(f);
  char buffer[65536];
  size_t got;
  while ((got = crt::fread(buffer, 1, sizeof buffer, f)) > 0) AText.append(buffer, got);
  return true;
}

}  // namespace

void TCustomFFmpeg::SetupTwoPass(TAVOutputStream& AOst, int AOutputIndex) {
  AVCodecContext* enc = AOst.enc.get();
  if (!(enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2))) return;
  std::string name = base::Format(
      "%s-%d.log", Fpass_logfilename_prefix.empty() ? "ffmpeg2pass" : Fpass_logfilename_prefix.c_str(),
      AOutputIndex);
  if (name.size() > 1023) name.resize(1023);
  if (enc->flags & AV_CODEC_FLAG_PASS1) {
    AOst.logfile.reset(crt::fopen(name.c_str(), "wb"));
    if (!AOst.logfile)
      throw FFmpegException(base::Format("Cannot write log file %s for pass-1 encoding", name.c_str()));
  } else {
    if (!ReadWholeFile(name, AOst.stats_in))
      throw FFmpegException(
          base::Format("Cannot read file: Error reading log file \"%s\" for pass-2 encoding", name.c_str()));
    enc->stats_in = AOst.stats_in.data();
  }
}

namespace {
// The encoder's stream-level side data (its buffer size and rates, above all) goes onto the output
// stream: the MPEG muxers size their buffers from it, which disc players depend on.
void CopyCodedSideData(const AVCodecContext& AEnc, AVStream& ASt) {
  for (int i = 0; i < AEnc.nb_coded_side_data; ++i) {
    const AVPacketSideData& sd = AEnc.coded_side_data[i];
    uint8_t* copy = av::av_stream_new_side_data(&ASt, sd.type, sd.size);
    if (!copy) throw FFmpegException("av_stream_new_side_data fail");
    std::memcpy(copy, sd.data, sd.size);
  }
}
}  // namespace

void TCustomFFmpeg::OpenEncoders() {
  for (auto& ostPtr : Fost_table) {
    TAVOutputStream& ost = *ostPtr;
    if (!ost.encoding_needed) {
      InitBitstreamFilters(ost);
      continue;
    }
    AVCodecContext* enc = ost.enc.get();
    if (!ost.encoder) {
      const std::string msg = base::Format("Encoder (codec id %d) not found for output stream #%d.%d (%s)",
                                           enc->codec_id, ost.file_index, ost.index, TypeName(ost.st));
      LogMsg(media::TLogLevel::llError, msg);
      throw FFmpegException(msg);
    }
    int opened;
    {
      std::lock_guard lock(media::CodecLock());
      ost.codec_id = enc->codec_id;
      opened = av::avcodec_open2(enc, ost.encoder, &ost.enc_opts);
    }
    if (opened < 0) {
      LogMsg(media::TLogLevel::llError, ost.encoder->name + std::string(": ") + AVErrorString(opened));
      const std::string msg = base::Format(
          "Error while opening encoder for output stream #%d.%d (%s) - maybe incorrect parameters such as "
          "bit_rate, "
          "rate, width or height. Please check error log message to find out more detail information.",
          ost.file_index, ost.index, TypeName(ost.st));
      LogMsg(media::TLogLevel::llError, msg);
      throw FFmpegException(msg);
    }
    ost.encoder_opened = true;
    WarnUnused(this, ost.enc_opts, ost.encoder->name);
    av::avcodec_parameters_from_context(ost.st->codecpar, enc);
    CopyCodedSideData(*enc, *ost.st);
    ost.st->time_base = enc->time_base;
    ost.pkt_tb = enc->time_base;
    Fextra_size += enc->extradata_size;
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
      ost.st->avg_frame_rate = enc->framerate;
      ost.st->r_frame_rate = enc->framerate;
    } else if (enc->codec_type == AVMEDIA_TYPE_AUDIO) {
      ost.fifo.reset(av::av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 1024));
      ost.audio_frame.reset(av::av_frame_alloc());
      if (!ost.fifo || !ost.audio_frame) throw FFmpegException("av_fifo_alloc fail");
    }
    InitBitstreamFilters(ost);
  }
}

void TCustomFFmpeg::InitBitstreamFilters(TAVOutputStream& AOst) {
  const AVCodecParameters* par = AOst.st->codecpar;
  AVRational tb = AOst.pkt_tb;
  for (const TBitstreamFilterSpec& spec : AOst.bsf_specs) {
    const std::string& name = spec.Name;
    const AVBitStreamFilter* filter = av::av_bsf_get_by_name(name.c_str());
    if (!filter) throw FFmpegException(base::Format("Unknown bitstream filter %s", name.c_str()));
    AVBSFContext* ctx = nullptr;
    if (av::av_bsf_alloc(filter, &ctx) < 0) throw FFmpegException("Out of memory");
    BsfPtr bsf(ctx);
    av::avcodec_parameters_copy(ctx->par_in, par);
    ctx->time_base_in = tb;
    // Arguments as "key=value" pairs separated by ':'.
    for (const std::string& pair : base::Split(spec.Args, ':')) {
      const size_t eq = pair.find('=');
      if (pair.empty()) continue;
      if (eq == std::string::npos || av::av_opt_set(ctx, pair.substr(0, eq).c_str(),
                                                    pair.substr(eq + 1).c_str(), AV_OPT_SEARCH_CHILDREN) < 0)
        LogMsg(media::TLogLevel::llWarning,
               base::Format("Bitstream filter %s ignores '%s'", name.c_str(), pair.c_str()));
    }
    const int ret = av::av_bsf_init(ctx);
    if (ret < 0)
      throw FFmpegException(base::Format("%s failed for stream %d, codec %s: %s", name.c_str(), AOst.index,
                                         AOst.encoder ? AOst.encoder->name : "copy",
                                         AVErrorString(ret).c_str()));
    par = ctx->par_out;
    tb = ctx->time_base_out;
    AOst.bsfs.push_back(std::move(bsf));
  }
  if (!AOst.bsfs.empty()) av::avcodec_parameters_copy(AOst.st->codecpar, par);
}

void TCustomFFmpeg::OpenDecoders() {
  for (auto& ist : Fist_table)
    if (ist->decoding_needed) OpenDecoder(*ist);
}

void TCustomFFmpeg::OpenDecoder(TAVInputStream& ist) {
  {
    if (ist.frame) return;  // already open
    const AVCodec* codec = ist.decoder ? ist.decoder : av::avcodec_find_decoder(ist.dec->codec_id);
    if (!codec) {
      const std::string msg = base::Format("Decoder (codec id %d) not found for input stream #%d.%d (%s)",
                                           ist.dec->codec_id, ist.file_index, ist.index, TypeName(ist.st));
      LogMsg(media::TLogLevel::llError, msg);
      throw FFmpegException(msg);
    }
    int opened;
    {
      std::lock_guard lock(media::CodecLock());
      opened = av::avcodec_open2(ist.dec.get(), codec, &Finput_files[ist.file_index]->dec_opts[ist.index]);
    }
    if (opened < 0) {
      const std::string msg = base::Format("Error while opening decoder for input stream #%d.%d (%s)",
                                           ist.file_index, ist.index, TypeName(ist.st));
      LogMsg(media::TLogLevel::llError, msg);
      throw FFmpegException(msg);
    }
    ist.frame.reset(av::av_frame_alloc());
    if (!ist.frame) throw FFmpegException("av_mallocz fail");
  }
}

void TCustomFFmpeg::BuildVideoFilters(TAVOutputStream& AOst, TAVInputStream& AIst) {
  AVCodecContext* enc = AOst.enc.get();
  const AVCodecContext* dec = AIst.dec.get();
  auto fail = [](const std::string& AReason) -> FFmpegException {
    return FFmpegException(AReason.empty() ? "Error opening filters!" : "Error opening filters: " + AReason);
  };
  AOst.graph.reset(av::avfilter_graph_alloc());
  AVFilterGraph* graph = AOst.graph.get();
  if (!graph) throw fail("out of memory");
  const AVRational sar = dec->sample_aspect_ratio.num ? dec->sample_aspect_ratio : AVRational{1, 1};
  const std::string srcArgs =
      base::Format("video_size=%dx%d:pix_fmt=%d:time_base=1/%d:pixel_aspect=%d/%d", dec->width, dec->height,
                   dec->pix_fmt, AV_TIME_BASE, sar.num, sar.den);
  int ret = av::avfilter_graph_create_filter(&AOst.buffersrc, av::avfilter_get_by_name("buffer"), "src",
                                             srcArgs.c_str(), nullptr, graph);
  if (ret < 0) throw fail(AVErrorString(ret));
  AVFilterContext* last = AOst.buffersrc;
  const int croppedWidth = dec->width - (AOst.leftBand + AOst.rightBand);
  const int croppedHeight = dec->height - (AOst.topBand + AOst.bottomBand);
  if (AOst.video_crop) {
    AVFilterContext* crop = nullptr;
    const std::string args =
        base::Format("w=%d:h=%d:x=%d:y=%d", croppedWidth, croppedHeight, AOst.leftBand, AOst.topBand);
    ret = av::avfilter_graph_create_filter(&crop, av::avfilter_get_by_name("crop"), "crop", args.c_str(),
                                           nullptr, graph);
    if (ret < 0 || (ret = av::avfilter_link(last, 0, crop, 0)) < 0) throw fail(AVErrorString(ret));
    last = crop;
  }
  const int flags = ScalerFlags();
  if (croppedWidth != enc->width || croppedHeight != enc->height) {
    AVFilterContext* scale = nullptr;
    const std::string args = base::Format("w=%d:h=%d:flags=0x%X", enc->width, enc->height, flags);
    ret = av::avfilter_graph_create_filter(&scale, av::avfilter_get_by_name("scale"), "scale", args.c_str(),
                                           nullptr, graph);
    if (ret < 0 || (ret = av::avfilter_link(last, 0, scale, 0)) < 0) throw fail(AVErrorString(ret));
    last = scale;
  }
  graph->scale_sws_opts = av::av_strdup(base::Format("flags=0x%X", flags).c_str());

  // The sink takes only the encoder's pixel format, so the graph converts into it.
  AOst.buffersink =
      av::avfilter_graph_alloc_filter(graph, av::avfilter_get_by_name("buffersink"), "ffmpeg_output");
  if (!AOst.buffersink) throw fail("cannot create the output filter");
  const AVPixelFormat formats[] = {enc->pix_fmt};
  ret = av::av_opt_set_bin(AOst.buffersink, "pix_fmts", reinterpret_cast<const uint8_t*>(formats),
                           sizeof formats, AV_OPT_SEARCH_CHILDREN);
  if (ret < 0 || (ret = av::avfilter_init_str(AOst.buffersink, nullptr)) < 0) throw fail(AVErrorString(ret));

  const std::string& text = Foutput_files[AOst.file_index]->streams[AOst.index]->vfilters;
  AVFilterInOut* outputs = av::avfilter_inout_alloc();
  AVFilterInOut* inputs = av::avfilter_inout_alloc();
  if (!outputs || !inputs) {
    av::avfilter_inout_free(&outputs);
    av::avfilter_inout_free(&inputs);
    throw fail("out of memory");
  }
  outputs->name = av::av_strdup("in");
  outputs->filter_ctx = last;
  outputs->pad_idx = 0;
  outputs->next = nullptr;
  inputs->name = av::av_strdup("out");
  inputs->filter_ctx = AOst.buffersink;
  inputs->pad_idx = 0;
  inputs->next = nullptr;
  ret = av::avfilter_graph_parse_ptr(graph, text.c_str(), &inputs, &outputs, nullptr);
  av::avfilter_inout_free(&outputs);
  av::avfilter_inout_free(&inputs);
  if (ret < 0) throw fail(AVErrorString(ret));
  if ((ret = av::avfilter_graph_config(graph, nullptr)) < 0) throw fail(AVErrorString(ret));
  enc->width = av::av_buffersink_get_w(AOst.buffersink);
  enc->height = av::av_buffersink_get_h(AOst.buffersink);
  AOst.filtered.reset(av::av_frame_alloc());
}

void TCustomFFmpeg::CopyMetadataAndChapters() {
  for (const TAVMetaDataMap& map : Fmeta_data_maps) {
    if (map.out_file < 0 || map.out_file >= nb_output_files()) {
      const std::string msg = base::Format("Invalid output file index %d map_meta_data(%d,%d)", map.out_file,
                                           map.out_file, map.in_file);
      LogMsg(media::TLogLevel::llError, msg);
      throw FFmpegException(msg);
    }
    if (map.in_file < 0 || map.in_file >= nb_input_files()) {
      const std::string msg = base::Format("Invalid input file index %d map_meta_data(%d,%d)", map.in_file,
                                           map.out_file, map.in_file);
      LogMsg(media::TLogLevel::llError, msg);
      throw FFmpegException(msg);
    }
    av::av_dict_copy(&Foutput_files[map.out_file]->ctx->metadata, Finput_files[map.in_file]->ctx->metadata,
                     AV_DICT_DONT_OVERWRITE);
  }
  const int outputs = FJoinMode ? std::min(1, nb_output_files()) : nb_output_files();
  for (int i = 0; i < nb_input_files(); ++i) {
    const AVFormatContext* ic = Finput_files[i]->ctx;
    for (int o = 0; o < outputs; ++o) {
      AVFormatContext* oc = Foutput_files[o]->ctx;
      for (unsigned c = 0; c < ic->nb_chapters; ++c) {
        const AVChapter* in = ic->chapters[c];
        const int64_t offset =
            av::av_rescale_q(Fstart_time - Finput_files[i]->ts_offset, AV_TIME_BASE_Q, in->time_base);
        const int64_t limit = Frecording_time == INT64_MAX
                                  ? INT64_MAX
                                  : av::av_rescale_q(Frecording_time, AV_TIME_BASE_Q, in->time_base);
        if (in->end < offset) continue;
        if (limit != INT64_MAX && in->start > limit + offset) break;
        auto* out = static_cast<AVChapter*>(av::av_mallocz(sizeof(AVChapter)));
        if (!out) throw FFmpegException("av_mallocz fail");
        out->id = in->id;
        out->time_base = in->time_base;
        out->start = std::max<int64_t>(0, in->start - offset);
        out->end = std::min(limit, in->end - offset);
        av::av_dict_copy(&out->metadata, in->metadata, 0);
        auto* grown = static_cast<AVChapter**>(
            av::av_realloc(oc->chapters, sizeof(AVChapter*) * (oc->nb_chapters + 1)));
        if (!grown) {
          av::av_dict_free(&out->metadata);
          av::av_free(out);
          throw FFmpegException("av_realloc fail");
        }
        oc->chapters = grown;
        oc->chapters[oc->nb_chapters++] = out;
      }
    }
  }
}

void TCustomFFmpeg::WriteHeaders() {
  const int outputs = FJoinMode ? std::min(1, nb_output_files()) : nb_output_files();
  bool allRtp = outputs > 0;
  for (int j = 0; j < outputs; ++j) {
    TOutputFileEntry& entry = *Foutput_files[j];
    const int ret = av::avformat_write_header(entry.ctx, &entry.mux_opts);
    if (ret < 0) {
      LogMsg(media::TLogLevel::llError, entry.FileName + ": " + AVErrorString(ret));
      const std::string msg =
          base::Format("Could not write header for output file #%d (incorrect codec parameters ?)", j);
      LogMsg(media::TLogLevel::llError, msg);
      throw FFmpegException(msg);
    }
    entry.header_written = true;
    WarnUnused(this, entry.mux_opts, entry.ctx->oformat->name);
    allRtp = allRtp && std::string(entry.ctx->oformat->name) == "rtp";
  }
  if (allRtp) {
    std::vector<AVFormatContext*> contexts;
    for (int j = 0; j < outputs; ++j) contexts.push_back(Foutput_files[j]->ctx);
    char sdp[2048] = {};
    av::av_sdp_create(contexts.data(), static_cast<int>(contexts.size()), sdp, sizeof sdp);
    LogMsg(media::TLogLevel::llInfo, std::string("SDP:\n") + sdp);
  }
}

void TCustomFFmpeg::LogStreamMapping() {
  const int outputs = FJoinMode ? std::min(1, nb_output_files()) : nb_output_files();
  for (int j = 0; j < outputs; ++j)
    av::av_dump_format(Foutput_files[j]->ctx, j, Foutput_files[j]->FileName.c_str(), 1);
  if (Fverbose < 0) return;
  LogMsg(media::TLogLevel::llVerbose, "Stream mapping:");
  for (const auto& ost : Fost_table) {
    const TAVInputStream& ist = *Fist_table[ost->source_index];
    std::string line = base::Format("  Stream #%d.%d -> #%d.%d (%s)", ist.file_index, ist.index,
                                    FJoinMode ? 0 : ost->file_index, ost->index, TypeName(ost->st));
    if (ost->sync_ist != ost->source_index) {
      const TAVInputStream& sync = *Fist_table[ost->sync_ist];
      line += base::Format(" [sync #%d.%d (%s)]", sync.file_index, sync.index, TypeName(sync.st));
    }
    LogMsg(media::TLogLevel::llVerbose, line);
  }
}

}  // namespace engine
