// Audio out: conversion to the encoder's rate, layout and sample format, keeping the sound in step with
// the output clock (silence, discarding, drift compensation), and the sample FIFO that cuts the sound
// into the encoder's frame size.
#include <algorithm>
#include <cmath>

#include "base/text.h"
#include "engine/ffmpeg/custom_ffmpeg.h"
#include "engine/ffmpeg/transcode_tables.h"
#include "media/ff_logger.h"

namespace engine {

namespace {

// A layout the resampler understands: an unspecified order becomes the default for its channel count.
void UsableLayout(const AVChannelLayout& AIn, AVChannelLayout& AOut) {
  if (AIn.order == AV_CHANNEL_ORDER_UNSPEC)
    av::av_channel_layout_default(&AOut, AIn.nb_channels);
  else
    av::av_channel_layout_copy(&AOut, &AIn);
}

// Sample pointers advanced by ASamples.
void Advance(uint8_t** APlanes, const uint8_t* const* AData, int ASamples, AVSampleFormat AFormat,
             int AChannels) {
  const int bps = av::av_get_bytes_per_sample(AFormat);
  const bool planar = av::av_sample_fmt_is_planar(AFormat);
  const int planes = planar ? AChannels : 1;
  const int stride = planar ? bps : bps * AChannels;
  for (int p = 0; p < planes; ++p)
    APlanes[p] = const_cast<uint8_t*>(AData[p]) + static_cast<ptrdiff_t>(ASamples) * stride;
}

}  // namespace

void TCustomFFmpeg::EnsureResampler(TAVOutputStream& AOst, const AVFrame* AFrame) {
  AVCodecContext* enc = AOst.enc.get();
  AVChannelLayout inLayout{};
  UsableLayout(AFrame->ch_layout, inLayout);
  const auto inFormat = static_cast<AVSampleFormat>(AFrame->format);
  const bool same = inFormat == enc->sample_fmt && AFrame->sample_rate == enc->sample_rate &&
                    av::av_channel_layout_compare(&inLayout, &enc->ch_layout) == 0;
  const bool current = AOst.resample && inFormat == AOst.resample_in_fmt &&
                       AFrame->sample_rate == AOst.resample_in_rate &&
                       av::av_channel_layout_compare(&inLayout, &AOst.resample_in_layout) == 0;
  if ((same && !AOst.audio_resample && !AOst.resample) || current) {
    av::av_channel_layout_uninit(&inLayout);
    return;
  }
  SwrContext* swr = nullptr;
  int ret = av::swr_alloc_set_opts2(&swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &inLayout,
                                    inFormat, AFrame->sample_rate, 0, nullptr);
  if (ret >= 0) {
    av::av_opt_set_int(swr, "filter_size", 16, 0);
    av::av_opt_set_int(swr, "phase_shift", 10, 0);
    av::av_opt_set_double(swr, "cutoff", 0.8, 0);
    ret = av::swr_init(swr);
  }
  if (ret < 0) {
    av::swr_free(&swr);
    const int inChannels = inLayout.nb_channels;
    av::av_channel_layout_uninit(&inLayout);
    throw FFmpegException(base::Format("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                       inChannels, AFrame->sample_rate, enc->ch_layout.nb_channels,
                                       enc->sample_rate));
  }
  AOst.resample.reset(swr);
  AOst.resample_in_fmt = inFormat;
  AOst.resample_in_rate = AFrame->sample_rate;
  av::av_channel_layout_uninit(&AOst.resample_in_layout);
  AOst.resample_in_layout = inLayout;  // takes over the copy
}

void TCustomFFmpeg::DoAudioOut(TAVOutputStream& AOst, TAVInputStream& AIst, AVFrame* AFrame) {
  AVCodecContext* enc = AOst.enc.get();
  const int channels = enc->ch_layout.nb_channels;
  EnsureResampler(AOst, AFrame);

  const uint8_t* const* data = AFrame->extended_data;
  int samples = AFrame->nb_samples;
  if (AOst.resample) {
    const int capacity = av::swr_get_out_samples(AOst.resample.get(), AFrame->nb_samples);
    if (capacity > AOst.conv_buf_samples) {
      if (!AOst.conv_planes.empty()) av::av_freep(&AOst.conv_planes[0]);
      AOst.conv_planes.assign(std::max(channels, 1), nullptr);
      AOst.conv_buf_samples = 0;
      if (av::av_samples_alloc(AOst.conv_planes.data(), nullptr, channels, capacity, enc->sample_fmt, 0) < 0)
        throw FFmpegException("Out of memory in do_audio_out");
      AOst.conv_buf_samples = capacity;
    }
    samples = av::swr_convert(AOst.resample.get(), AOst.conv_planes.data(), AOst.conv_buf_samples,
                              const_cast<const uint8_t**>(AFrame->extended_data), AFrame->nb_samples);
    if (samples < 0) {
      if (Fexit_on_error) throw FFmpegException("av_audio_convert() failed");
      LogMsg(media::TLogLevel::llError, "av_audio_convert() failed");
      return;
    }
    data = AOst.conv_planes.data();
  }

  const int rate = enc->sample_rate;
  const int64_t fifoSamples = av::av_audio_fifo_size(AOst.fifo.get());
  int skip = 0;
  if (Faudio_sync_method) {
    const double delta = static_cast<double>(AIst.pts - Fstart_time) / AV_TIME_BASE * rate -
                         static_cast<double>(AOst.sync_opts) - static_cast<double>(fifoSamples);
    if (std::fabs(delta) > 50) {
      if (AIst.is_start || std::fabs(delta) > Faudio_drift_threshold * rate) {
        if (delta < 0) {
          skip = std::min(static_cast<int>(-delta), samples);
          if (Fverbose > 2)
            LogMsg(media::TLogLevel::llVerbose,
                   base::Format("discarding %d audio samples", static_cast<int>(-delta)));
        } else {
          if (Fverbose > 2)
            LogMsg(media::TLogLevel::llVerbose,
                   base::Format("adding %d audio samples of silence", static_cast<int>(delta)));
          WriteSilence(AOst, static_cast<int>(delta));
        }
        AIst.is_start = false;
      } else if (Faudio_sync_method > 1 && AOst.resample) {
        const int compensation = std::clamp(static_cast<int>(delta), -Faudio_sync_method, Faudio_sync_method);
        if (Fverbose > 2)
          LogMsg(media::TLogLevel::llVerbose,
                 base::Format("compensating audio timestamp drift:%f compensation:%d in:%d", delta,
                              compensation, rate));
        av::swr_set_compensation(AOst.resample.get(), compensation, rate);
      }
    }
  } else {
    // The output position follows the input time, but never goes back over samples already sent.
    AOst.sync_opts = std::max<int64_t>(
        AOst.sync_opts,
        std::llround(static_cast<double>(AIst.pts - Fstart_time) / AV_TIME_BASE * rate) - fifoSamples);
  }
  if (samples - skip <= 0) return;

  uint8_t* planes[AV_NUM_DATA_POINTERS > 64 ? AV_NUM_DATA_POINTERS : 64];
  if (channels > 64) throw FFmpegException("Out of memory in do_audio_out");
  Advance(planes, data, skip, enc->sample_fmt, channels);
  if (av::av_audio_fifo_write(AOst.fifo.get(), reinterpret_cast<void**>(planes), samples - skip) <
      samples - skip)
    throw FFmpegException("av_fifo_realloc2() failed");
  EncodeAudioFifo(AOst, false);
}

void TCustomFFmpeg::WriteSilence(TAVOutputStream& AOst, int ASamples) {
  AVCodecContext* enc = AOst.enc.get();
  const int channels = enc->ch_layout.nb_channels;
  constexpr int kChunk = 4096;
  std::vector<uint8_t*> planes(std::max(channels, 1), nullptr);
  if (av::av_samples_alloc(planes.data(), nullptr, channels, kChunk, enc->sample_fmt, 0) < 0)
    throw FFmpegException("Out of memory in do_audio_out");
  av::av_samples_set_silence(planes.data(), 0, kChunk, channels, enc->sample_fmt);
  int written = 0;
  for (int left = ASamples; left > 0; left -= kChunk) {
    const int n = std::min(left, kChunk);
    if (av::av_audio_fifo_write(AOst.fifo.get(), reinterpret_cast<void**>(planes.data()), n) < n) break;
    written += n;
  }
  av::av_freep(&planes[0]);
  if (written < ASamples) throw FFmpegException("av_fifo_realloc2() failed");
  EncodeAudioFifo(AOst, false);
}

void TCustomFFmpeg::EncodeAudioFifo(TAVOutputStream& AOst, bool ADraining) {
  AVCodecContext* enc = AOst.enc.get();
  const int capabilities = AOst.encoder->capabilities;
  const bool variable = enc->frame_size <= 1 || (capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
  AVAudioFifo* fifo = AOst.fifo.get();
  AVFrame* frame = AOst.audio_frame.get();
  while (!FBroken || ADraining) {
    const int available = av::av_audio_fifo_size(fifo);
    if (available == 0) break;
    int take = variable ? available : enc->frame_size;
    if (!variable && available < enc->frame_size) {
      if (!ADraining) break;
      take = available;
    }
    // The last, short frame is padded with silence unless the encoder takes small frames.
    const int frameSamples =
        !variable && take < enc->frame_size && !(capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME)
            ? enc->frame_size
            : take;
    if (!frame->buf[0] || frame->nb_samples != frameSamples) {
      av::av_frame_unref(frame);
      frame->nb_samples = frameSamples;
      frame->format = enc->sample_fmt;
      frame->sample_rate = enc->sample_rate;
      av::av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
      if (av::av_frame_get_buffer(frame, 0) < 0) throw FFmpegException("Out of memory in do_audio_out");
    } else if (av::av_frame_make_writable(frame) < 0) {
      throw FFmpegException("Out of memory in do_audio_out");
    }
    if (frameSamples > take)
      av::av_samples_set_silence(frame->extended_data, take, frameSamples - take, enc->ch_layout.nb_channels,
                                 enc->sample_fmt);
    av::av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->extended_data), take);
    frame->pts = AOst.sync_opts;
    AOst.sync_opts += frameSamples;
    SendAndReceive(AOst, frame);
    ++AOst.frame_number;
  }
}

}  // namespace engine
