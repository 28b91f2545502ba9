// SDL's audio callback: decodes, converts to signed 16-bit, synchronises and mixes the audio.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "media/ff_logger.h"
#include "player/media_player.h"

namespace player {

using media::TLogLevel;

void SDLCALL TVideoState::AudioCallback(void* opaque, Uint8* stream, int len) {
  static_cast<TVideoState*>(opaque)->FillAudio(stream, len);
}

void TVideoState::FillAudio(Uint8* stream, int len) {
  static const uint8_t kSilence[SDL_AUDIO_BUFFER_SIZE] = {};
  Owner.Faudio_callback_time = av::av_gettime_relative();
  while (len > 0) {
    if (audio_buf_index >= audio_buf_size) {
      double pts = 0;
      int size = AudioDecodeFrame(&pts);
      if (size < 0) {
        if (audioq.aborted()) {
          std::memset(stream, 0, len);
          return;
        }
        audio_buf = const_cast<uint8_t*>(kSilence);
        size = sizeof kSilence;
        audio_buf_silence = true;
      } else {
        audio_buf_silence = false;
        if (show_audio) UpdateSampleDisplay(reinterpret_cast<int16_t*>(audio_buf), size);
        size = SynchronizeAudio(reinterpret_cast<int16_t*>(audio_buf), size);
      }
      audio_buf_size = size;
      audio_buf_index = 0;
    }
    const int len1 = std::min<int>(audio_buf_size - audio_buf_index, len);
    const int volume = Owner.AudioVolume();
    if (Owner.Mute() || volume <= 0) {
      std::memset(stream, 0, len1);
    } else if (volume >= SDL_MIX_MAXVOLUME) {
      std::memcpy(stream, audio_buf + audio_buf_index, len1);
    } else {
      std::memset(stream, 0, len1);
      sdl::SDL_MixAudioFormat(stream, audio_buf + audio_buf_index, AUDIO_S16SYS, len1, volume);
    }
    len -= len1;
    stream += len1;
    audio_buf_index += len1;
  }
}

// Decodes one block into audio_buf; returns its size in bytes, or -1 when there is nothing to play now.
int TVideoState::AudioDecodeFrame(double* pts_ptr) {
  AVCodecContext* dec = audio_dec.get();
  for (;;) {
    const int got = av::avcodec_receive_frame(dec, audio_frame.get());
    if (got >= 0) {
      AVFrame* f = audio_frame.get();
      if (f->format != audio_src_fmt || f->ch_layout.nb_channels != audio_src_channels ||
          f->sample_rate != audio_src_rate || !reformat_ctx) {
        SwrContext* swr = nullptr;
        AVChannelLayout out_layout{};
        av::av_channel_layout_default(&out_layout, audio_channels);
        const int made =
            av::swr_alloc_set_opts2(&swr, &out_layout, AV_SAMPLE_FMT_S16, audio_freq, &f->ch_layout,
                                    static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr);
        reformat_ctx.reset(swr);
        if (made < 0 || av::swr_init(swr) < 0) {
          const char* name = av::av_get_sample_fmt_name(static_cast<AVSampleFormat>(f->format));
          media::FFLogger().Log(&Owner, TLogLevel::llError,
                                "Cannot convert %s sample format to %s sample format", name ? name : "?",
                                av::av_get_sample_fmt_name(AV_SAMPLE_FMT_S16));
          reformat_ctx.reset();
          av::av_frame_unref(f);
          continue;
        }
        audio_src_fmt = static_cast<AVSampleFormat>(f->format);
        audio_src_channels = f->ch_layout.nb_channels;
        audio_src_rate = f->sample_rate;
      }
      uint8_t* out[1] = {audio_buf2.data()};
      const int capacity = static_cast<int>(audio_buf2.size()) / (2 * audio_channels);
      const int samples = av::swr_convert(reformat_ctx.get(), out, capacity,
                                          const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
      av::av_frame_unref(f);
      if (samples < 0) {
        media::FFLogger().Log(&Owner, TLogLevel::llError, "av_audio_convert() failed");
        continue;
      }
      if (samples == 0) continue;
      audio_buf = audio_buf2.data();
      const int data_size = samples * 2 * audio_channels;
      *pts_ptr = audio_clock;
      audio_clock = audio_clock + static_cast<double>(data_size) / (2.0 * audio_channels * audio_freq);
      return data_size;
    }
    if (got == AVERROR(EAGAIN) && audio_pkt_pending) {
      audio_pkt_pending = false;
      if (av::avcodec_send_packet(dec, audio_pkt.get()) < 0)
        media::FFLogger().Log(&Owner, TLogLevel::llInfo, "avcodec_decode_audio2() failed");
      av::av_packet_unref(audio_pkt.get());
      continue;
    }
    if (got != AVERROR(EAGAIN) && got != AVERROR_EOF)
      media::FFLogger().Log(&Owner, TLogLevel::llInfo, "avcodec_decode_audio2() failed");
    // The packet is used up: take the next one, without waiting.
    if (paused || audioq.aborted()) return -1;
    if (audioq.Get(audio_pkt.get(), false) <= 0) return -1;
    if (IsFlushPacket(audio_pkt.get())) {
      audio_pkt->data = nullptr;
      av::avcodec_flush_buffers(dec);
      if (reformat_ctx) av::swr_convert(reformat_ctx.get(), nullptr, 0, nullptr, 0);
      continue;
    }
    if (audio_pkt->size == 0) {
      av::av_packet_unref(audio_pkt.get());
      continue;
    }
    if (audio_pkt->pts != AV_NOPTS_VALUE) audio_clock = av_q2d(audio_st->time_base) * audio_pkt->pts;
    audio_pkt_pending = true;
  }
}

// Shortens or lengthens a block so that audio follows the master clock, when audio is not the master.
int TVideoState::SynchronizeAudio(int16_t* samples, int samples_size) {
  const int n = 2 * audio_channels;
  if (!((av_sync_type == Tav_sync_type::AV_SYNC_VIDEO_MASTER && video_open) ||
        av_sync_type == Tav_sync_type::AV_SYNC_EXTERNAL_CLOCK))
    return samples_size;
  const double diff = get_audio_clock() - get_master_clock();
  if (std::fabs(diff) >= AV_NOSYNC_THRESHOLD) {
    audio_diff_avg_count = 0;
    audio_diff_cum = 0;
    return samples_size;
  }
  audio_diff_cum = diff + audio_diff_avg_coef * audio_diff_cum;
  if (audio_diff_avg_count < AUDIO_DIFF_AVG_NB) {
    audio_diff_avg_count++;
    return samples_size;
  }
  const double avg_diff = audio_diff_cum * (1.0 - audio_diff_avg_coef);
  if (std::fabs(avg_diff) < audio_diff_threshold) return samples_size;
  int wanted_size = samples_size + static_cast<int>(diff * audio_freq) * n;
  const int min_size = ((samples_size * (100 - SAMPLE_CORRECTION_PERCENT_MAX) / 100) / n) * n;
  const int max_size = ((samples_size * (100 + SAMPLE_CORRECTION_PERCENT_MAX) / 100) / n) * n;
  wanted_size = std::clamp(wanted_size, min_size, max_size);
  if (wanted_size > static_cast<int>(audio_buf2.size()))
    wanted_size = static_cast<int>(audio_buf2.size()) / n * n;
  if (wanted_size > samples_size) {
    // Lengthen by repeating the last sample frame (the block lives in a buffer of AUDIO_BUF_BYTES).
    uint8_t* bytes = reinterpret_cast<uint8_t*>(samples);
    const uint8_t* last = bytes + samples_size - n;
    for (int pos = samples_size; pos + n <= wanted_size; pos += n) std::memcpy(bytes + pos, last, n);
  }
  return wanted_size;
}

void TVideoState::UpdateSampleDisplay(const int16_t* samples, int samples_size) {
  std::lock_guard lock(sample_mutex);
  int size = samples_size / static_cast<int>(sizeof(int16_t));
  while (size > 0) {
    const int len = std::min(SAMPLE_ARRAY_SIZE - sample_array_index, size);
    std::memcpy(sample_array.data() + sample_array_index, samples, len * sizeof(int16_t));
    samples += len;
    sample_array_index += len;
    if (sample_array_index >= SAMPLE_ARRAY_SIZE) sample_array_index = 0;
    size -= len;
  }
}

}  // namespace player
