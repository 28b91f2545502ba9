#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/text.h"
#include "engine/ffmpeg/container_codecs.h"
#include "engine/ffmpeg/custom_ffmpeg.h"
#include "engine/ffmpeg/file_entries.h"
#include "media/ff_logger.h"

namespace engine {

namespace {

int Strictness(const TFFOptions& AOptions, AVMediaType AType) {
  const AVCodecContext* ctx = AOptions.Created() ? AOptions.CodecContext(AType) : nullptr;
  return ctx ? ctx->strict_std_compliance : FF_COMPLIANCE_NORMAL;
}

// "start,end,q/start,end,q...": q > 0 is a fixed quantizer, q <= 0 a quality factor of -q %.
void ParseRcOverride(AVCodecContext* AEnc, const std::string& AText) {
  if (AText.empty()) return;
  const std::vector<std::string> entries = base::Split(AText, '/');
  auto* overrides = static_cast<RcOverride*>(av::av_mallocz(sizeof(RcOverride) * entries.size()));
  if (!overrides) throw FFmpegException("Out of memory");
  AEnc->rc_override = overrides;
  AEnc->rc_override_count = static_cast<int>(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::vector<std::string> fields = base::Split(entries[i], ',');
    if (fields.size() != 3) throw FFmpegException("error parsing rc_override");
    const int q = std::atoi(fields[2].c_str());
    overrides[i].start_frame = std::atoi(fields[0].c_str());
    overrides[i].end_frame = std::atoi(fields[1].c_str());
    overrides[i].qscale = q > 0 ? q : 0;
    overrides[i].quality_factor = q > 0 ? 1.0f : -q / 100.0f;
  }
}

uint16_t* CopyMatrix(const std::vector<uint16_t>& AMatrix) {
  if (AMatrix.size() != 64) return nullptr;
  auto* matrix = static_cast<uint16_t*>(av::av_mallocz(64 * sizeof(uint16_t)));
  if (matrix) std::memcpy(matrix, AMatrix.data(), 64 * sizeof(uint16_t));
  return matrix;
}

bool Lists(const AVPixelFormat* AList, AVPixelFormat AFormat) {
  for (; AList && *AList != AV_PIX_FMT_NONE; ++AList)
    if (*AList == AFormat) return true;
  return false;
}

bool Lists(const AVSampleFormat* AList, AVSampleFormat AFormat) {
  for (; AList && *AList != AV_SAMPLE_FMT_NONE; ++AList)
    if (*AList == AFormat) return true;
  return false;
}

}  // namespace

// The sample aspect ratio that gives the display aspect asked for, at most 255/255.
static AVRational SampleAspect(float AAspect, int AWidth, int AHeight) {
  if (AAspect <= 0) return {0, 1};
  const double sar = AWidth && AHeight ? AAspect * AHeight / AWidth : AAspect * 3.0 / 4.0;
  return av::av_d2q(sar, 255);
}

TOutputStreamSetup& TCustomFFmpeg::NewStreamCommon(AVFormatContext* AOc, int AFileIndex, AVMediaType AType) {
  const int streamCount = static_cast<int>(AOc->nb_streams);
  if (streamCount >= kMaxStreams) throw FFmpegException("Could not alloc stream");
  AVStream* st = av::avformat_new_stream(AOc, nullptr);
  if (!st) throw FFmpegException("Could not alloc stream");
  if (Fstreamid_map[streamCount]) st->id = Fstreamid_map[streamCount];
  st->codecpar->codec_type = AType;
  auto setup = std::make_unique<TOutputStreamSetup>();
  setup->st = st;
  std::vector<TBitstreamFilterSpec>& chain = AType == AVMEDIA_TYPE_VIDEO   ? Fvideo_bitstream_filters
                                             : AType == AVMEDIA_TYPE_AUDIO ? Faudio_bitstream_filters
                                                                           : Fsubtitle_bitstream_filters;
  setup->bsfs = std::move(chain);
  chain.clear();
  TOutputFileEntry& entry = *Foutput_files[AFileIndex];
  entry.streams.push_back(std::move(setup));
  return *entry.streams.back();
}

// Finds the encoder for a new stream: the pending name (through the table of present equivalents), else
// the container's guess for the file name. A codec the container cannot carry becomes its usual one.
static const AVCodec* ChooseEncoder(TCustomFFmpeg& AEngine, AVFormatContext* AOc, AVMediaType AType,
                                    const std::string& APresentName, AVCodecID AId,
                                    const std::function<void(const std::string&)>& ALog) {
  AVCodecID id = AId;
  if (APresentName.empty()) id = av::av_guess_codec(AOc->oformat, nullptr, AOc->url, nullptr, AType);
  if (id != AV_CODEC_ID_NONE && !ContainerAccepts(AOc->oformat, id)) {
    const AVCodecID usual = UsualCodec(AOc->oformat, AType);
    ALog(base::Format("Codec '%s' cannot be stored in '%s'; using '%s' instead", av::avcodec_get_name(id),
                      AOc->oformat->name, av::avcodec_get_name(usual)));
    return usual == AV_CODEC_ID_NONE ? nullptr : av::avcodec_find_encoder(usual);
  }
  (void)AEngine;
  if (!APresentName.empty()) return av::avcodec_find_encoder_by_name(APresentName.c_str());
  return id == AV_CODEC_ID_NONE ? nullptr : av::avcodec_find_encoder(id);
}

void TCustomFFmpeg::NewVideoStream(AVFormatContext* AOc, int AFileIndex) {
  TOutputStreamSetup& setup = NewStreamCommon(AOc, AFileIndex, AVMEDIA_TYPE_VIDEO);
  AVStream* st = setup.st;
  if (Fvideo_codec_tag) st->codecpar->codec_tag = Fvideo_codec_tag;
  const AVRational sar = SampleAspect(Fframe_aspect_ratio, Fframe_width, Fframe_height);

  if (Fvideo_stream_copy) {
    setup.stream_copy = true;
    st->sample_aspect_ratio = sar;
  } else {
    const std::string name =
        Fvideo_codec_name.empty() ? std::string() : PresentEncoderName(Fvideo_codec_name);
    const AVCodecID id =
        LookupCodec(name, AVMEDIA_TYPE_VIDEO, true, Strictness(FOptions, AVMEDIA_TYPE_VIDEO));
    const AVCodec* codec =
        ChooseEncoder(*this, AOc, AVMEDIA_TYPE_VIDEO, name, id,
                      [this](const std::string& m) { LogMsg(media::TLogLevel::llWarning, m); });
    setup.encoder = codec;
    CodecContextPtr enc(av::avcodec_alloc_context3(codec));
    if (!enc) throw FFmpegException("avcodec_alloc_context3 failed");
    enc->codec_type = AVMEDIA_TYPE_VIDEO;
    enc->codec_id = codec ? codec->id : id;
    ApplyCodecOptions(enc.get(), AVMEDIA_TYPE_VIDEO, AV_OPT_FLAG_ENCODING_PARAM, &setup.enc_opts);
    if (Fvideo_codec_tag) enc->codec_tag = Fvideo_codec_tag;
    enc->thread_count = Fthread_count;
    if ((Fvideo_global_header & 1) ||
        (Fvideo_global_header == 0 && (AOc->oformat->flags & AVFMT_GLOBALHEADER)))
      enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (Fvideo_global_header & 2) enc->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;

    AVRational rate = Fframe_rate.num > 0 && Fframe_rate.den > 0 ? Fframe_rate : AVRational{25, 1};
    if (codec && codec->supported_framerates && !Fforce_fps)
      rate = codec->supported_framerates[av::av_find_nearest_q_idx(rate, codec->supported_framerates)];
    enc->framerate = rate;
    enc->time_base = av_inv_q(rate);
    enc->width = Fframe_width;
    enc->height = Fframe_height;
    enc->sample_aspect_ratio = sar;
    st->sample_aspect_ratio = sar;
    enc->pix_fmt = Fframe_pix_fmt;
    if (codec && codec->pix_fmts && !Lists(codec->pix_fmts, enc->pix_fmt)) enc->pix_fmt = codec->pix_fmts[0];
    if (Fintra_only) enc->gop_size = 0;
    if (Fvideo_qscale != 0 || Fsame_quality) {
      enc->flags |= AV_CODEC_FLAG_QSCALE;
      enc->global_quality = static_cast<int>(FF_QP2LAMBDA * Fvideo_qscale);
    }
    enc->intra_matrix = CopyMatrix(Fintra_matrix);
    enc->inter_matrix = CopyMatrix(Finter_matrix);
    ParseRcOverride(enc.get(), Fvideo_rc_override_string);
    if (enc->rc_initial_buffer_occupancy == 0) enc->rc_initial_buffer_occupancy = enc->rc_buffer_size * 3 / 4;
    enc->intra_dc_precision = Fintra_dc_precision - 8;
    if (Fdo_psnr) enc->flags |= AV_CODEC_FLAG_PSNR;
    if (Fdo_pass == 1) enc->flags |= AV_CODEC_FLAG_PASS1;
    if (Fdo_pass == 2) enc->flags |= AV_CODEC_FLAG_PASS2;
    setup.enc = std::move(enc);
    setup.vfilters = Fvfilters;
    setup.topBand = Fframe_topBand;
    setup.bottomBand = Fframe_bottomBand;
    setup.leftBand = Fframe_leftBand;
    setup.rightBand = Fframe_rightBand;
  }
  if (!Fvideo_language.empty()) {
    av::av_dict_set(&st->metadata, "language", Fvideo_language.c_str(), 0);
    Fvideo_language.clear();
  }
  Fvideo_disable = false;
  Fvideo_codec_name.clear();
  Fvideo_stream_copy = 0;
  Fframe_pix_fmt = AV_PIX_FMT_NONE;
}

void TCustomFFmpeg::NewAudioStream(AVFormatContext* AOc, int AFileIndex) {
  TOutputStreamSetup& setup = NewStreamCommon(AOc, AFileIndex, AVMEDIA_TYPE_AUDIO);
  AVStream* st = setup.st;
  if (Faudio_codec_tag) st->codecpar->codec_tag = Faudio_codec_tag;

  if (Faudio_stream_copy) {
    setup.stream_copy = true;
  } else {
    const std::string name =
        Faudio_codec_name.empty() ? std::string() : PresentEncoderName(Faudio_codec_name);
    const AVCodecID id =
        LookupCodec(name, AVMEDIA_TYPE_AUDIO, true, Strictness(FOptions, AVMEDIA_TYPE_AUDIO));
    const AVCodec* codec =
        ChooseEncoder(*this, AOc, AVMEDIA_TYPE_AUDIO, name, id,
                      [this](const std::string& m) { LogMsg(media::TLogLevel::llWarning, m); });
    setup.encoder = codec;
    CodecContextPtr enc(av::avcodec_alloc_context3(codec));
    if (!enc) throw FFmpegException("avcodec_alloc_context3 failed");
    enc->codec_type = AVMEDIA_TYPE_AUDIO;
    enc->codec_id = codec ? codec->id : id;
    ApplyCodecOptions(enc.get(), AVMEDIA_TYPE_AUDIO, AV_OPT_FLAG_ENCODING_PARAM, &setup.enc_opts);
    if (Faudio_codec_tag) enc->codec_tag = Faudio_codec_tag;
    enc->thread_count = Fthread_count;
    if (AOc->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (Faudio_qscale > -99999) {
      enc->flags |= AV_CODEC_FLAG_QSCALE;
      enc->global_quality = static_cast<int>(FF_QP2LAMBDA * Faudio_qscale);
    }

    AVChannelLayout layout{};
    if (Fchannel_layout && std::popcount(Fchannel_layout) == Faudio_channels) {
      layout.order = AV_CHANNEL_ORDER_NATIVE;
      layout.nb_channels = Faudio_channels;
      layout.u.mask = Fchannel_layout;
    } else {
      av::av_channel_layout_default(&layout, Faudio_channels > 0 ? Faudio_channels : 2);
    }
    if (codec && codec->ch_layouts) {
      // An encoder with fixed layouts (AMR is mono only) gets the nearest one it supports.
      const AVChannelLayout* chosen = nullptr;
      for (const AVChannelLayout* l = codec->ch_layouts; l->nb_channels; ++l)
        if (av::av_channel_layout_compare(l, &layout) == 0) chosen = l;
      for (const AVChannelLayout* l = codec->ch_layouts; !chosen && l->nb_channels; ++l)
        if (l->nb_channels == layout.nb_channels) chosen = l;
      if (!chosen) {
        chosen = codec->ch_layouts;
        LogMsg(media::TLogLevel::llWarning,
               base::Format("Encoder '%s' does not support %d channels; using %d", codec->name,
                            layout.nb_channels, chosen->nb_channels));
      }
      av::av_channel_layout_copy(&layout, chosen);
    }
    av::av_channel_layout_copy(&enc->ch_layout, &layout);
    av::av_channel_layout_uninit(&layout);

    enc->sample_fmt = Faudio_sample_fmt;
    if (codec && codec->sample_fmts && !Lists(codec->sample_fmts, enc->sample_fmt))
      enc->sample_fmt = codec->sample_fmts[0];
    enc->sample_rate = Faudio_sample_rate;
    if (codec && codec->supported_samplerates) {
      int best = codec->supported_samplerates[0];
      for (const int* r = codec->supported_samplerates; *r; ++r)
        if (std::abs(*r - Faudio_sample_rate) < std::abs(best - Faudio_sample_rate)) best = *r;
      if (best != Faudio_sample_rate)
        LogMsg(media::TLogLevel::llWarning,
               base::Format("Requested sampling rate unsupported using closest supported (%d)", best));
      enc->sample_rate = best;
    }
    enc->time_base = {1, enc->sample_rate};
    setup.enc = std::move(enc);
  }
  if (!Faudio_language.empty()) {
    av::av_dict_set(&st->metadata, "language", Faudio_language.c_str(), 0);
    Faudio_language.clear();
  }
  Faudio_disable = false;
  Faudio_codec_name.clear();
  Faudio_stream_copy = 0;
}

void TCustomFFmpeg::NewSubtitleStream(AVFormatContext* AOc, int AFileIndex) {
  TOutputStreamSetup& setup = NewStreamCommon(AOc, AFileIndex, AVMEDIA_TYPE_SUBTITLE);
  AVStream* st = setup.st;
  if (Fsubtitle_codec_tag) st->codecpar->codec_tag = Fsubtitle_codec_tag;
  if (Fsubtitle_stream_copy) {
    setup.stream_copy = true;
  } else {
    const AVCodecID id = LookupCodec(Fsubtitle_codec_name, AVMEDIA_TYPE_SUBTITLE, true,
                                     Strictness(FOptions, AVMEDIA_TYPE_SUBTITLE));
    const AVCodec* codec = Fsubtitle_codec_name.empty()
                               ? nullptr
                               : av::avcodec_find_encoder_by_name(Fsubtitle_codec_name.c_str());
    setup.encoder = codec;
    CodecContextPtr enc(av::avcodec_alloc_context3(codec));
    if (!enc) throw FFmpegException("avcodec_alloc_context3 failed");
    enc->codec_type = AVMEDIA_TYPE_SUBTITLE;
    enc->codec_id = id;
    ApplyCodecOptions(enc.get(), AVMEDIA_TYPE_SUBTITLE, AV_OPT_FLAG_ENCODING_PARAM, &setup.enc_opts);
    if (Fsubtitle_codec_tag) enc->codec_tag = Fsubtitle_codec_tag;
    setup.enc = std::move(enc);
  }
  if (!Fsubtitle_language.empty()) {
    av::av_dict_set(&st->metadata, "language", Fsubtitle_language.c_str(), 0);
    Fsubtitle_language.clear();
  }
  Fsubtitle_disable = false;
  Fsubtitle_codec_name.clear();
  Fsubtitle_stream_copy = 0;
}

}  // namespace engine
