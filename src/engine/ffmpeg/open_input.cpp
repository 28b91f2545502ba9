#include <cmath>
#include <mutex>

#include "base/text.h"
#include "engine/ffmpeg/custom_ffmpeg.h"
#include "engine/ffmpeg/error_text.h"
#include "engine/ffmpeg/file_entries.h"
#include "media/ff_logger.h"
#include "media/unicode_io.h"

namespace engine {

namespace {

// A blocked open or read returns as soon as the task is told to stop.
int InterruptCallback(void* AOpaque) { return static_cast<std::atomic<bool>*>(AOpaque)->load() ? 1 : 0; }

int Strictness(const TFFOptions& AOptions, AVMediaType AType) {
  const AVCodecContext* ctx = AOptions.Created() ? AOptions.CodecContext(AType) : nullptr;
  return ctx ? ctx->strict_std_compliance : FF_COMPLIANCE_NORMAL;
}

}  // namespace

void TCustomFFmpeg::ClearPendingInputSettings() {
  Fvideo_channel = 0;
  Fvideo_codec_name.clear();
  Faudio_codec_name.clear();
  Fsubtitle_codec_name.clear();
}

bool TCustomFFmpeg::OpenInputFile(const std::string& AFileName) {
  const AVInputFormat* fmt = nullptr;
  if (!Flast_asked_format.empty()) {
    fmt = av::av_find_input_format(Flast_asked_format.c_str());
    if (!fmt) {
      FLastErrMsg = base::Format("Unknown input format: \"%s\"", Flast_asked_format.c_str());
      Flast_asked_format.clear();
      ClearPendingInputSettings();
      return false;
    }
    Flast_asked_format.clear();
  }

  auto entry = std::make_unique<TInputFileEntry>();
  entry->FileName = AFileName;
  entry->ctx = av::avformat_alloc_context();
  if (!entry->ctx) throw FFmpegException("avformat_alloc_context failed");
  entry->ctx->interrupt_callback = {InterruptCallback, &FBroken};

  AVDictionary* openOptions = nullptr;
  // Raw and capture formats need to be told what the data holds; detected formats ignore these.
  if (fmt) {
    av::av_dict_set_int(&openOptions, "sample_rate", Faudio_sample_rate, 0);
    av::av_dict_set_int(&openOptions, "channels", Faudio_channels, 0);
    if (Fframe_width > 0 && Fframe_height > 0)
      av::av_dict_set(&openOptions, "video_size", base::Format("%dx%d", Fframe_width, Fframe_height).c_str(),
                      0);
    if (Fframe_pix_fmt != AV_PIX_FMT_NONE)
      av::av_dict_set(&openOptions, "pixel_format", av::av_get_pix_fmt_name(Fframe_pix_fmt), 0);
    if (Fvideo_channel) av::av_dict_set_int(&openOptions, "channel", Fvideo_channel, 0);
    if (!Fvideo_standard.empty()) av::av_dict_set(&openOptions, "standard", Fvideo_standard.c_str(), 0);
  }
  if (Fframe_rate.num > 0 && Fframe_rate.den > 0)
    av::av_dict_set(&openOptions, "framerate",
                    base::Format("%d/%d", Fframe_rate.num, Fframe_rate.den).c_str(), 0);
  if (Floop_input) av::av_dict_set(&openOptions, "loop", "1", 0);
  ApplyFormatOptions(entry->ctx, AV_OPT_FLAG_DECODING_PARAM, &openOptions);
  std::unique_ptr<AVDictionary, DictDeleter> optionsGuard(openOptions);

  const AVCodec* forced[3] = {};
  try {
    const std::string* names[3] = {&Fvideo_codec_name, &Faudio_codec_name, &Fsubtitle_codec_name};
    const AVMediaType types[3] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_SUBTITLE};
    for (int i = 0; i < 3; ++i)
      if (LookupCodec(*names[i], types[i], false, Strictness(FOptions, types[i])) != AV_CODEC_ID_NONE)
        forced[i] = av::avcodec_find_decoder_by_name(names[i]->c_str());
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    ClearPendingInputSettings();
    return false;
  }
  if (forced[0]) entry->ctx->video_codec_id = forced[0]->id;
  if (Fpgmyuv_compatibility_hack) entry->ctx->video_codec_id = AV_CODEC_ID_PGMYUV;
  if (forced[1]) entry->ctx->audio_codec_id = forced[1]->id;
  if (forced[2]) entry->ctx->subtitle_codec_id = forced[2]->id;
  entry->ctx->flags |= AVFMT_FLAG_NONBLOCK;

  openOptions = optionsGuard.release();
  const int opened = media::OpenInput(&entry->ctx, media::ToAVFileName(AFileName), fmt, &openOptions);
  optionsGuard.reset(openOptions);
  if (opened < 0) {
    entry->ctx = nullptr;  // freed by the failed open
    FLastErrMsg = OpenErrorMessage(AFileName, opened);
    ClearPendingInputSettings();
    return false;
  }
  AVFormatContext* ic = entry->ctx;

  if (Fopt_programid) {
    bool found = false;
    for (unsigned i = 0; i < ic->nb_streams; ++i) ic->streams[i]->discard = AVDISCARD_ALL;
    for (unsigned p = 0; p < ic->nb_programs; ++p) {
      AVProgram* program = ic->programs[p];
      if (program->id != Fopt_programid) {
        program->discard = AVDISCARD_ALL;
        continue;
      }
      found = true;
      for (unsigned j = 0; j < program->nb_stream_indexes; ++j)
        ic->streams[program->stream_index[j]]->discard = AVDISCARD_DEFAULT;
    }
    if (!found) {
      FLastErrMsg = "Specified program id not found";
      ClearPendingInputSettings();
      return false;
    }
    Fopt_programid = 0;
  }

  int found;
  {
    // Probing opens decoders.
    std::lock_guard lock(media::CodecLock());
    found = av::avformat_find_stream_info(ic, nullptr);
  }
  if (found < 0 && Fverbose >= 0) {
    FLastErrMsg = base::Format("%s: could not find codec parameters", AFileName.c_str());
    LogMsg(media::TLogLevel::llVerbose, FLastErrMsg);
    ClearPendingInputSettings();
    return false;
  }

  int64_t timestamp = Fstart_time;
  if (ic->start_time != AV_NOPTS_VALUE) timestamp += ic->start_time;
  if (Fstart_time != 0) {
    if (av::av_seek_frame(ic, -1, timestamp, AVSEEK_FLAG_BACKWARD) < 0 && Fverbose > 0)
      LogMsg(media::TLogLevel::llVerbose,
             base::Format("%s: could not seek to position %0.3f", AFileName.c_str(),
                          static_cast<double>(timestamp) / AV_TIME_BASE));
  }
  Fstart_time = 0;

  entry->dec.resize(ic->nb_streams);
  entry->forced_decoder.assign(ic->nb_streams, nullptr);
  entry->dec_opts.assign(ic->nb_streams, nullptr);
  try {
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
      AVStream* st = ic->streams[i];
      const AVMediaType type = st->codecpar->codec_type;
      if (type < AVMEDIA_TYPE_UNKNOWN || type > AVMEDIA_TYPE_ATTACHMENT)
        throw FFmpegException("invalid codec_type");
      const AVCodec* forcedCodec = type == AVMEDIA_TYPE_VIDEO      ? forced[0]
                                   : type == AVMEDIA_TYPE_AUDIO    ? forced[1]
                                   : type == AVMEDIA_TYPE_SUBTITLE ? forced[2]
                                                                   : nullptr;
      entry->forced_decoder[i] = forcedCodec;
      CodecContextPtr dec(av::avcodec_alloc_context3(forcedCodec));
      if (!dec) throw FFmpegException("avcodec_alloc_context3 failed");
      av::avcodec_parameters_to_context(dec.get(), st->codecpar);
      dec->thread_count = Fthread_count;
      dec->pkt_timebase = st->time_base;
      if (type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_SUBTITLE)
        ApplyCodecOptions(dec.get(), type, AV_OPT_FLAG_DECODING_PARAM, &entry->dec_opts[i]);
      entry->dec[i] = std::move(dec);
      ReadInputParameters(*entry, static_cast<int>(i));
    }
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    ClearPendingInputSettings();
    return false;
  }

  if (ic->duration != AV_NOPTS_VALUE && ic->duration > FTotalOutputDuration)
    FTotalOutputDuration = ic->duration;

  const size_t index = Finput_files.size();
  entry->ts_offset = Fcopy_ts ? Finput_ts_offset : Finput_ts_offset - timestamp;
  if (index < Finput_files_ts_scale.size()) entry->ts_scale = Finput_files_ts_scale[index];
  if (Finput_files_ts_offset.size() <= index) Finput_files_ts_offset.resize(index + 1);
  Finput_files_ts_offset[index] = entry->ts_offset;

  if (Fverbose >= 0) av::av_dump_format(ic, static_cast<int>(index), AFileName.c_str(), 0);
  Finput_files.push_back(std::move(entry));
  ClearPendingInputSettings();
  return true;
}

// Reads the stream's parameters back into the option state, so that an output opened next defaults to
// the input's size, rate and format.
void TCustomFFmpeg::ReadInputParameters(TInputFileEntry& AEntry, int AStreamIndex) {
  AVStream* st = AEntry.ctx->streams[AStreamIndex];
  AVCodecContext* dec = AEntry.dec[AStreamIndex].get();
  switch (dec->codec_type) {
    case AVMEDIA_TYPE_VIDEO: {
      Fframe_width = dec->width;
      Fframe_height = dec->height;
      AVRational aspect = st->sample_aspect_ratio.num ? st->sample_aspect_ratio : dec->sample_aspect_ratio;
      if (Fframe_width * Fframe_height != 0) {
        const double sar = aspect.num ? av_q2d(aspect) : 1.0;
        Fframe_aspect_ratio = static_cast<float>(sar * Fframe_width / Fframe_height);
      } else if (aspect.num == 0) {
        Fframe_aspect_ratio = 4.0f / 3.0f;
      }
      if (dec->pix_fmt == AV_PIX_FMT_NONE) dec->pix_fmt = static_cast<AVPixelFormat>(0);
      Fframe_pix_fmt = dec->pix_fmt;
      AVRational rate = st->r_frame_rate.num ? st->r_frame_rate : st->avg_frame_rate;
      if (rate.num && rate.den && dec->framerate.num && av_cmp_q(rate, dec->framerate) != 0 && Fverbose >= 0)
        LogMsg(media::TLogLevel::llInfo,
               base::Format(
                   "Seems stream %d codec frame rate differs from container frame rate: %2.2f (%d/%d) -> "
                   "%2.2f (%d/%d)",
                   static_cast<int>(AStreamIndex), av_q2d(dec->framerate), dec->framerate.num,
                   dec->framerate.den, av_q2d(rate), rate.num, rate.den));
      Fframe_rate = rate;
      if (Fvideo_disable)
        st->discard = AVDISCARD_ALL;
      else if (Fvideo_discard)
        st->discard = static_cast<AVDiscard>(Fvideo_discard);
      break;
    }
    case AVMEDIA_TYPE_AUDIO:
      Fchannel_layout = dec->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? dec->ch_layout.u.mask : 0;
      Faudio_channels = dec->ch_layout.nb_channels;
      Faudio_sample_rate = dec->sample_rate;
      Faudio_sample_fmt = dec->sample_fmt;
      if (Faudio_disable) st->discard = AVDISCARD_ALL;
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      if (Fsubtitle_disable) st->discard = AVDISCARD_ALL;
      break;
    default:
      break;
  }
}

}  // namespace engine
