// Video out: keeping the picture rate in step with the output clock (drop or duplicate), cropping and
// scaling into the encoder's size and format, and encoding.
#include <cmath>

#include "base/text.h"
#include "engine/ffmpeg/custom_ffmpeg.h"
#include "engine/ffmpeg/file_entries.h"
#include "engine/ffmpeg/transcode_tables.h"
#include "media/ff_logger.h"

namespace engine {

namespace {

// Bytes from one pixel to the next on a plane.
int PlaneStep(const AVPixFmtDescriptor* ADesc, int APlane) {
  int step = 1;
  for (int c = 0; c < ADesc->nb_components; ++c)
    if (ADesc->comp[c].plane == APlane) step = std::max(step, ADesc->comp[c].step);
  return step;
}

// A band scaled with the picture, rounded down to even.
int ScaledBand(int ABand, int ANew, int AOld) { return AOld ? (ABand * ANew / AOld) & ~1 : ABand; }

}  // namespace

void TCustomFFmpeg::DoVideoOut(TAVOutputStream& AOst, TAVInputStream& AIst, AVFrame* APicture, int64_t APts) {
  AVCodecContext* enc = AOst.enc.get();
  const AVFormatContext* oc = Foutput_files[AOst.file_index]->ctx;
  const double syncIpts = static_cast<double>(APts - Fstart_time) / AV_TIME_BASE / av_q2d(enc->time_base);
  int frames = 1;
  if (Fvideo_sync_method) {
    const double vdelta = syncIpts - static_cast<double>(AOst.sync_opts);
    if (vdelta < -1.1) {
      frames = 0;
    } else if (Fvideo_sync_method == 2 ||
               (Fvideo_sync_method < 0 && (oc->oformat->flags & AVFMT_VARIABLE_FPS))) {
      if (vdelta <= -0.6)
        frames = 0;
      else if (vdelta > 0.6)
        AOst.sync_opts = std::llround(syncIpts);
    } else if (vdelta > 1.1) {
      frames = static_cast<int>(std::lround(vdelta));
    }
    if (frames == 0) {
      ++Fnb_frames_drop;
      FShowDupOrDrop = true;
      if (Fverbose > 2) LogMsg(media::TLogLevel::llVerbose, "*** drop!");
    } else if (frames > 1) {
      Fnb_frames_dup += frames - 1;
      FShowDupOrDrop = true;
      if (Fverbose > 2) LogMsg(media::TLogLevel::llVerbose, base::Format("*** %d dup!", frames - 1));
    }
  } else {
    // Passing timestamps through, but never backwards: the muxer refuses that.
    AOst.sync_opts = std::max<int64_t>(AOst.sync_opts, std::llround(syncIpts));
  }
  frames = std::min(frames, Fmax_frames[0] - AOst.frame_number);
  if (frames <= 0) return;

  AVFrame* picture = AOst.graph ? APicture : ScaleVideo(AOst, AIst, APicture);
  if (!picture) return;
  for (int i = 0; i < frames && !FBroken; ++i) {
    picture->pts = AOst.sync_opts;
    picture->pict_type = AV_PICTURE_TYPE_NONE;
    if (Ftop_field_first != -1) picture->top_field_first = Ftop_field_first;
    if (!Fsame_quality) picture->quality = enc->global_quality;
    EncodeVideo(AOst, picture);
    ++AOst.sync_opts;
    ++AOst.frame_number;
  }
}

AVFrame* TCustomFFmpeg::ScaleVideo(TAVOutputStream& AOst, TAVInputStream& AIst, AVFrame* APicture) {
  AVCodecContext* enc = AOst.enc.get();
  const auto format = static_cast<AVPixelFormat>(APicture->format);
  if (APicture->width != AOst.original_width || APicture->height != AOst.original_height ||
      format != AOst.resample_pix_fmt) {
    AOst.topBand = ScaledBand(AOst.original_topBand, APicture->height, AOst.original_height);
    AOst.bottomBand = ScaledBand(AOst.original_bottomBand, APicture->height, AOst.original_height);
    AOst.leftBand = ScaledBand(AOst.original_leftBand, APicture->width, AOst.original_width);
    AOst.rightBand = ScaledBand(AOst.original_rightBand, APicture->width, AOst.original_width);
    const int width = APicture->width - AOst.leftBand - AOst.rightBand;
    const int height = APicture->height - AOst.topBand - AOst.bottomBand;
    LogMsg(media::TLogLevel::llQuiet,
           base::Format("Input Stream #%d.%d frame size changed to %dx%d, %s", AIst.file_index, AIst.index,
                        width, height, av::av_get_pix_fmt_name(format)));
    AOst.resample_width = width;
    AOst.resample_height = height;
    AOst.resample_pix_fmt = format;
    // Scaling from here on, so the encoder keeps its size.
    AOst.video_resample = true;
  }
  if (!AOst.video_resample && !AOst.video_crop) return APicture;

  SwsContext* sws = av::sws_getCachedContext(AOst.img_resample_ctx.release(), AOst.resample_width,
                                             AOst.resample_height, format, enc->width, enc->height,
                                             enc->pix_fmt, ScalerFlags(), nullptr, nullptr, nullptr);
  AOst.img_resample_ctx.reset(sws);
  if (!sws) throw FFmpegException("Cannot get resampling context");
  if (!AOst.pict_tmp) {
    AOst.pict_tmp.reset(av::av_frame_alloc());
    if (!AOst.pict_tmp) throw FFmpegException("Cannot allocate temp picture, check pix fmt");
    AOst.pict_tmp->width = enc->width;
    AOst.pict_tmp->height = enc->height;
    AOst.pict_tmp->format = enc->pix_fmt;
    if (av::av_frame_get_buffer(AOst.pict_tmp.get(), 0) < 0)
      throw FFmpegException("Cannot allocate temp picture, check pix fmt");
  }
  // The encoder may still hold the last picture; a new buffer is made only then.
  if (av::av_frame_make_writable(AOst.pict_tmp.get()) < 0)
    throw FFmpegException("Cannot allocate temp picture, check pix fmt");

  const uint8_t* src[4] = {APicture->data[0], APicture->data[1], APicture->data[2], APicture->data[3]};
  const AVPixFmtDescriptor* desc = av::av_pix_fmt_desc_get(format);
  if ((AOst.topBand || AOst.leftBand) && desc &&
      !(desc->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM))) {
    for (int p = 0; p < 4 && src[p]; ++p) {
      const bool chroma = (p == 1 || p == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
      const int x = chroma ? AOst.leftBand >> desc->log2_chroma_w : AOst.leftBand;
      const int y = chroma ? AOst.topBand >> desc->log2_chroma_h : AOst.topBand;
      src[p] +=
          static_cast<ptrdiff_t>(y) * APicture->linesize[p] + static_cast<ptrdiff_t>(x) * PlaneStep(desc, p);
    }
  }
  av::sws_scale(sws, src, APicture->linesize, 0, AOst.resample_height, AOst.pict_tmp->data,
                AOst.pict_tmp->linesize);
  AOst.pict_tmp->sample_aspect_ratio = enc->sample_aspect_ratio;
  AOst.pict_tmp->interlaced_frame = APicture->interlaced_frame;
  AOst.pict_tmp->top_field_first = APicture->top_field_first;
  AOst.pict_tmp->quality = APicture->quality;
  return AOst.pict_tmp.get();
}

void TCustomFFmpeg::EncodeVideo(TAVOutputStream& AOst, AVFrame* APicture) { SendAndReceive(AOst, APicture); }

}  // namespace engine
