// Drawing for files without picture: the waveform and the spectrum of the audio being heard.
#include <algorithm>
#include <cmath>

#include "player/media_player.h"

namespace player {
namespace {

int Mod(int a, int b) {
  a %= b;
  return a < 0 ? a + b : a;
}

}  // namespace

void TVideoState::VideoAudioDisplay() {
  VideoSink* sink = Owner.ScreenHandle();
  if (!sink || width <= 0 || height <= 0) return;
  const int channels = std::max(audio_channels, 1);
  const int mode = show_audio;
  int rdft_bits_needed = 1;
  while ((1 << rdft_bits_needed) < 2 * height) rdft_bits_needed++;
  const int nb_freq = 1 << (rdft_bits_needed - 1);

  std::lock_guard lock(sample_mutex);
  int i_start;
  if (!paused) {
    const int n = 2 * channels;
    int delay = (audio_buf_size - audio_buf_index) / n;
    // The samples heard now: what the device still holds, less the time since its last callback.
    const int64_t since = av::av_gettime_relative() - Owner.Faudio_callback_time;
    if (Owner.Faudio_callback_time) delay -= static_cast<int>(since * audio_freq / 1000000);
    delay += mode == 1 ? width : 2 * nb_freq;
    if (delay < width) delay = width;
    i_start = Mod(sample_array_index - delay * channels, SAMPLE_ARRAY_SIZE);
    last_i_start = i_start;
  } else {
    i_start = last_i_start;
  }

  if (mode == 1) {
    sink->FillRect({xleft, ytop, width, height}, 0x000000);
    const int h = height / channels;
    const int h2 = (h * 9) / 20;  // the largest amplitude gets 90 % of a channel's band
    for (int ch = 0; ch < channels; ++ch) {
      int i = i_start + ch;
      const int y1 = ytop + ch * h + (h / 2);
      for (int x = 0; x < width; ++x) {
        const int y = (sample_array[i] * h2) >> 15;
        sink->FillRect({xleft + x, y < 0 ? y1 : y1 - y, 1, std::max(std::abs(y), 1)}, 0xffffff);
        i += channels;
        if (i >= SAMPLE_ARRAY_SIZE) i -= SAMPLE_ARRAY_SIZE;
      }
    }
    for (int ch = 1; ch < channels; ++ch) sink->FillRect({xleft, ytop + ch * h, width, 1}, 0x0000ff);
  } else if (mode == 2) {
    if (rdft_bits != rdft_bits_needed || !rdft) {
      AVTXContext* ctx = nullptr;
      const float scale = 1.0f;
      rdft.reset();
      if (av::av_tx_init(&ctx, &rdft_fn, AV_TX_FLOAT_RDFT, 0, 1 << rdft_bits_needed, &scale,
                         AV_TX_UNALIGNED) < 0)
        return;
      rdft.reset(ctx);
      rdft_bits = rdft_bits_needed;
      rdft_data.assign(static_cast<size_t>(2 * nb_freq) * channels, 0);
      rdft_out.assign(static_cast<size_t>(nb_freq + 1) * channels, AVComplexFloat{0, 0});
    }
    for (int ch = 0; ch < channels; ++ch) {
      float* data = rdft_data.data() + static_cast<size_t>(2 * nb_freq) * ch;
      int i = i_start + ch;
      for (int x = 0; x < 2 * nb_freq; ++x) {
        const double w = (x - nb_freq) * (1.0 / nb_freq);
        data[x] = static_cast<float>(sample_array[i] * (1.0 - w * w));
        i += channels;
        if (i >= SAMPLE_ARRAY_SIZE) i -= SAMPLE_ARRAY_SIZE;
      }
      rdft_fn(rdft.get(), rdft_out.data() + static_cast<size_t>(nb_freq + 1) * ch, data, sizeof(float));
    }
    for (int y = 0; y < height; ++y) {
      const double w = 1 / std::sqrt(static_cast<double>(nb_freq));
      const AVComplexFloat& c0 = rdft_out[y];
      int a = static_cast<int>(std::sqrt(w * std::sqrt(c0.re * c0.re + c0.im * c0.im)));
      int b = a;
      if (channels > 1) {
        const AVComplexFloat& c1 = rdft_out[static_cast<size_t>(nb_freq + 1) + y];
        b = static_cast<int>(std::sqrt(w * std::sqrt(c1.re * c1.re + c1.im * c1.im)));
      }
      a = std::min(a, 255);
      b = std::min(b, 255);
      sink->FillRect({xpos, height - 1 - y, 1, 1},
                     static_cast<uint32_t>((a << 16) | (b << 8) | ((a + b) / 2)));
    }
    if (!paused) xpos++;
    if (xpos >= width) xpos = xleft;
  }
  sink->Present();
}

}  // namespace player
