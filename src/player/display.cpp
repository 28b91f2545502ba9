// The play thread's display work: picture allocation, refresh pacing, drawing pictures and subtitles.
#include <algorithm>
#include <cmath>
#include <thread>

#include "media/ff_logger.h"
#include "player/media_player.h"

namespace player {
namespace {

using media::TLogLevel;

// Blends one bitmap subtitle rectangle (8-bit indices into a palette of ARGB words) into the overlay.
void BlendSubrect(TOverlay& overlay, const AVSubtitleRect& rect) {
  if (rect.type != SUBTITLE_BITMAP || !rect.data[0] || !rect.data[1]) return;
  const uint32_t* palette = reinterpret_cast<const uint32_t*>(rect.data[1]);
  const int x0 = std::clamp(rect.x, 0, overlay.Width()), y0 = std::clamp(rect.y, 0, overlay.Height());
  const int x1 = std::min(rect.x + rect.w, overlay.Width()), y1 = std::min(rect.y + rect.h, overlay.Height());
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const uint32_t argb = palette[rect.data[0][(y - rect.y) * rect.linesize[0] + (x - rect.x)]];
      const int a = argb >> 24, r = (argb >> 16) & 0xff, g = (argb >> 8) & 0xff, b = argb & 0xff;
      if (!a) continue;
      const int yy = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
      const int u = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
      const int v = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
      uint8_t& py = overlay.Plane(0)[y * overlay.Pitch(0) + x];
      py = static_cast<uint8_t>((py * (255 - a) + yy * a) / 255);
      if ((x | y) & 1) continue;
      uint8_t& pv = overlay.Plane(1)[(y / 2) * overlay.Pitch(1) + x / 2];
      uint8_t& pu = overlay.Plane(2)[(y / 2) * overlay.Pitch(2) + x / 2];
      pv = static_cast<uint8_t>((pv * (255 - a) + v * a) / 255);
      pu = static_cast<uint8_t>((pu * (255 - a) + u * a) / 255);
    }
  }
}

}  // namespace

void TVideoState::AllocPicture() {
  std::unique_lock lock(pictq_mutex);
  TVideoPicture& vp = pictq[pictq_windex];
  const int w = vp.width, h = vp.height;
  lock.unlock();
  if (!display_open && !Owner.DisableDisplay) VideoOpen(false);
  auto overlay = std::make_unique<TOverlay>(w, h);
  lock.lock();
  vp.bmp = std::move(overlay);
  if (last_shown == pictq_windex) last_shown = -1;
  vp.allocated = true;
  pictq_cond.notify_all();
}

bool TVideoState::VideoOpen(bool force) {
  VideoSink* sink = Owner.ScreenHandle();
  int w, h;
  if (Owner.is_full_screen && sink && sink->DesktopWidth() > 0) {
    w = sink->DesktopWidth();
    h = sink->DesktopHeight();
  } else if (Owner.ScreenWidth > 0 && Owner.ScreenHeight > 0) {
    w = Owner.ScreenWidth;
    h = Owner.ScreenHeight;
  } else if (graph_w > 0 && graph_h > 0) {
    w = graph_w & ~1;
    h = graph_h & ~1;
  } else {
    w = 640;
    h = 480;
  }
  if (!force && display_open && width == w && height == h) return true;
  if (sink && !sink->SetVideoMode(w, h, Owner.is_full_screen)) {
    media::FFLogger().Log(&Owner, TLogLevel::llError, "SDL: could not set video mode.");
    return false;
  }
  width = w;
  height = h;
  display_open = true;
  return true;
}

void TVideoState::ClearDisplay() {
  if (VideoSink* sink = Owner.ScreenHandle(); sink && display_open) {
    sink->FillRect({0, 0, width, height}, 0);
    sink->Present();
  }
}

void TVideoState::VideoDisplay() {
  if (Owner.DisableDisplay) return;  // decoded (for CurrentFrame and the hook) but never shown
  if (!display_open) VideoOpen(false);
  VideoSink* sink = Owner.ScreenHandle();
  if (audio_st && show_audio) {
    VideoAudioDisplay();
    return;
  }
  if (!video_st) return;
  std::unique_lock lock(pictq_mutex);
  const int index = pictq_size > 0 && last_shown < 0 ? pictq_rindex : last_shown;
  if (index < 0 || !pictq[index].bmp) return;
  TVideoPicture& vp = pictq[index];
  TOverlay& overlay = *vp.bmp;
  lock.unlock();

  double aspect;
  const float wanted = Owner.AspectRatio();
  if (wanted < 0 && width > 0 && height > 0) {
    aspect = static_cast<double>(width) / height;
  } else if (wanted > 0) {
    aspect = wanted;
  } else {
    const AVRational sar = video_st->codecpar->sample_aspect_ratio;
    aspect = sar.num > 0 && sar.den > 0 ? av_q2d(sar) : 1.0;
    aspect *= static_cast<double>(overlay.Width()) / std::max(overlay.Height(), 1);
  }
  std::lock_guard overlayLock(overlay.Lock());
  {
    std::lock_guard sublock(subpq_mutex);
    if (subtitle_st && subpq_size > 0) {
      TSubPicture& sp = subpq[subpq_rindex];
      if (vp.pts >= sp.pts + static_cast<double>(sp.sub.start_display_time) / 1000)
        for (unsigned i = 0; i < sp.sub.num_rects; ++i) BlendSubrect(overlay, *sp.sub.rects[i]);
    }
  }
  if (!sink) return;
  int h = height;
  int w = static_cast<int>(std::lrint(h * aspect)) & ~1;
  if (w > width) {
    w = width;
    h = static_cast<int>(std::lrint(w / aspect)) & ~1;
  }
  const TRect rect{xleft + (width - w) / 2, ytop + (height - h) / 2, std::max(w, 1), std::max(h, 1)};
  sink->DisplayOverlay(overlay, rect);
  sink->Present();
}

void TVideoState::VideoRefresh(bool advance) {
  if (video_st) {
    if (!advance) {
      VideoDisplay();
      return;
    }
    bool dropped = false;
    for (;;) {
      std::unique_lock lock(pictq_mutex);
      if (pictq_size == 0) return;
      const double now = NowSeconds();
      TVideoPicture& vp = pictq[pictq_rindex];
      if (now < vp.target) return;
      video_current_pts = vp.pts;
      video_current_pts_drift = vp.pts - now;
      video_current_pos = vp.pos;
      double next_target;
      if (pictq_size > 1) {
        next_target = pictq[(pictq_rindex + 1) % VIDEO_PICTURE_QUEUE_SIZE].target;
      } else {
        next_target = vp.target + video_clock - vp.pts;
      }
      // Nothing is late while paused: the pictures queued then (opening paused, a step) are all shown.
      if ((Owner.framedrop && !paused && now > next_target && !IsDevice) || seek_done) {
        skip_frames = skip_frames * (1.0 + FRAME_SKIP_FACTOR);
        if (pictq_size > 1 || now > next_target + 0.5 || seek_done) {
          pictq_rindex = (pictq_rindex + 1) % VIDEO_PICTURE_QUEUE_SIZE;
          pictq_size--;
          pictq_cond.notify_all();
          PicturesDropped++;
          dropped = true;
          continue;
        }
      }
      lock.unlock();

      if (subtitle_st) {
        std::lock_guard sublock(subpq_mutex);
        if (subtitle_stream_changed) {
          while (subpq_size > 0) {
            av::avsubtitle_free(&subpq[subpq_rindex].sub);
            subpq_rindex = (subpq_rindex + 1) % SUBPICTURE_QUEUE_SIZE;
            subpq_size--;
          }
          subtitle_stream_changed = false;
        } else if (subpq_size > 0) {
          TSubPicture& sp = subpq[subpq_rindex];
          const TSubPicture* next =
              subpq_size > 1 ? &subpq[(subpq_rindex + 1) % SUBPICTURE_QUEUE_SIZE] : nullptr;
          const double cur = video_current_pts;
          if (cur > sp.pts + static_cast<double>(sp.sub.end_display_time) / 1000 ||
              (next && cur > next->pts + static_cast<double>(next->sub.start_display_time) / 1000)) {
            av::avsubtitle_free(&sp.sub);
            subpq_rindex = (subpq_rindex + 1) % SUBPICTURE_QUEUE_SIZE;
            subpq_size--;
          }
        }
        subpq_cond.notify_all();
      }

      lock.lock();
      last_shown = pictq_rindex;
      lock.unlock();
      VideoDisplay();
      if (!FirstPictureTime) FirstPictureTime = av::av_gettime_relative();
      PicturesShown++;
      if (audio_st) {
        AVDiffSum = AVDiffSum + std::fabs(vp.pts - get_audio_clock());
        AVDiffCount++;
      }
      lock.lock();
      pictq_rindex = (pictq_rindex + 1) % VIDEO_PICTURE_QUEUE_SIZE;
      pictq_size--;
      pictq_cond.notify_all();
      break;
    }
    if (!dropped) Owner.CheckPosition(*this);
  } else if (audio_st) {
    VideoDisplay();
    Owner.CheckPosition(*this);
  }
}

void TVideoState::RefreshThread() {
  while (!abort_request) {
    if (!refresh.exchange(true)) Owner.PushLoopEvent({TLoopEventKind::leRefresh});
    const int ms = audio_open && show_audio ? std::max<int>(Owner.rdftspeed, 1) : 5;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

}  // namespace player
