// The video thread: decodes pictures, runs them through the filter graph and queues them for display.
#include <algorithm>
#include <cmath>
#include <thread>

#include "base/text.h"
#include "media/ff_logger.h"
#include "player/media_player.h"

namespace player {
namespace {

using media::TLogLevel;

bool CreateFilter(AVFilterContext** ctx, const char* filter, const char* name, const char* args,
                  AVFilterGraph* g) {
  return av::avfilter_graph_create_filter(ctx, av::avfilter_get_by_name(filter), name, args, nullptr, g) >= 0;
}

}  // namespace

bool TVideoState::ConfigureFilters(const AVFrame* frame) {
  graph.reset(av::avfilter_graph_alloc());
  in_video_filter = out_video_filter = nullptr;
  if (!graph) return false;
  graph->scale_sws_opts = av::av_strdup(base::Format("flags=%d", Owner.sws_flags.load()).c_str());
  AVRational sar = frame->sample_aspect_ratio;
  if (sar.num <= 0 || sar.den <= 0) sar = {0, 1};
  const std::string args = base::Format("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                                        frame->width, frame->height, frame->format, video_st->time_base.num,
                                        video_st->time_base.den, sar.num, sar.den);
  if (!CreateFilter(&in_video_filter, "buffer", "ffplay_input", args.c_str(), graph.get()) ||
      !CreateFilter(&out_video_filter, "buffersink", "ffplay_output", nullptr, graph.get()))
    return false;
  const AVPixelFormat formats[] = {AV_PIX_FMT_YUV420P};
  if (av::av_opt_set_bin(out_video_filter, "pix_fmts", reinterpret_cast<const uint8_t*>(formats),
                         sizeof formats, AV_OPT_SEARCH_CHILDREN) < 0)
    return false;
  const std::string filters = Owner.VideoFilters();
  if (!filters.empty()) {
    AVFilterInOut* outputs = av::avfilter_inout_alloc();
    AVFilterInOut* inputs = av::avfilter_inout_alloc();
    outputs->name = av::av_strdup("in");
    outputs->filter_ctx = in_video_filter;
    outputs->pad_idx = 0;
    outputs->next = nullptr;
    inputs->name = av::av_strdup("out");
    inputs->filter_ctx = out_video_filter;
    inputs->pad_idx = 0;
    inputs->next = nullptr;
    const int parsed = av::avfilter_graph_parse_ptr(graph.get(), filters.c_str(), &inputs, &outputs, nullptr);
    av::avfilter_inout_free(&inputs);
    av::avfilter_inout_free(&outputs);
    if (parsed < 0) return false;
  } else if (av::avfilter_link(in_video_filter, 0, out_video_filter, 0) < 0) {
    return false;
  }
  if (av::avfilter_graph_config(graph.get(), nullptr) < 0) return false;
  graph_w = frame->width;
  graph_h = frame->height;
  graph_fmt = static_cast<AVPixelFormat>(frame->format);
  return true;
}

// 1 with a picture to show (its chosen stamp in frame->pts), 0 for none yet, -1 when aborted.
int TVideoState::GetVideoFrame(AVFrame* frame) {
  for (;;) {
    const int got = av::avcodec_receive_frame(video_dec.get(), frame);
    if (got >= 0) {
      if (frame->pkt_dts != AV_NOPTS_VALUE) {
        faulty_dts += frame->pkt_dts <= last_dts_for_fault_detection;
        last_dts_for_fault_detection = frame->pkt_dts;
      }
      if (frame->pts != AV_NOPTS_VALUE) {
        faulty_pts += frame->pts <= last_pts_for_fault_detection;
        last_pts_for_fault_detection = frame->pts;
      }
      const int reorder = Owner.decoder_reorder_pts;
      int64_t pts = AV_NOPTS_VALUE;
      if (frame->pts != AV_NOPTS_VALUE &&
          (reorder == 1 || (reorder && faulty_pts < faulty_dts) || frame->pkt_dts == AV_NOPTS_VALUE))
        pts = frame->pts;
      else if (frame->pkt_dts != AV_NOPTS_VALUE)
        pts = frame->pkt_dts;
      frame->pts = pts;
      skip_frames_index += 1;
      if (skip_frames_index >= skip_frames) {
        skip_frames_index -= std::max(skip_frames.load(), 1.0);
        return 1;
      }
      av::av_frame_unref(frame);
      return 0;
    }
    if (got != AVERROR(EAGAIN) && got != AVERROR_EOF) return 0;  // a broken picture: go on with the next

    std::unique_ptr<AVPacket, PacketCloser> pkt(av::av_packet_alloc());
    if (videoq.Get(pkt.get(), true) < 0) return -1;
    if (IsFlushPacket(pkt.get())) {
      pkt->data = nullptr;
      av::avcodec_flush_buffers(video_dec.get());
      decoder_drained = false;
      {
        std::unique_lock lock(pictq_mutex);
        for (auto& vp : pictq) vp.target = 0;
        pictq_cond.wait(lock, [this] { return pictq_size == 0 || videoq.aborted(); });
      }
      video_current_pos = -1;
      faulty_dts = faulty_pts = 0;
      last_dts_for_fault_detection = last_pts_for_fault_detection = INT64_MIN;
      frame_last_pts = static_cast<double>(AV_NOPTS_VALUE);
      frame_last_delay = 0;
      frame_timer = NowSeconds();
      skip_frames = 1;
      skip_frames_index = 0;
      seek_flushed = true;
      return 0;
    }
    if (pkt->size == 0) {  // the end of the file (an empty packet): drain the decoder
      if (!decoder_drained) {
        av::avcodec_send_packet(video_dec.get(), nullptr);
        decoder_drained = true;
        continue;
      }
      Owner.FPictEvent.set();  // no picture will come before the next seek
      if (!EventEOF) Owner.CheckPosition(*this);
      return 0;
    }
    if (decoder_drained) continue;  // only a seek (with its marker) restarts a drained decoder
    if (av::avcodec_send_packet(video_dec.get(), pkt.get()) < 0) return 0;
  }
}

int TVideoState::OutputPicture(AVFrame* frame, bool stamped, double pts, int64_t pos) {
  // A picture stamped 0 is the first of the file, not an unstamped one.
  if (stamped)
    video_clock = pts;
  else
    pts = video_clock;
  video_clock = video_clock + frame_delay * (1 + 0.5 * frame->repeat_pict);

  std::unique_lock lock(pictq_mutex);
  if (pictq_size >= VIDEO_PICTURE_QUEUE_SIZE && !refresh)
    skip_frames = std::max(1.0 - FRAME_SKIP_FACTOR, skip_frames * (1.0 - FRAME_SKIP_FACTOR));
  pictq_cond.wait(lock, [this] { return pictq_size < VIDEO_PICTURE_QUEUE_SIZE || videoq.aborted(); });
  if (videoq.aborted()) return -1;
  TVideoPicture& vp = pictq[pictq_windex];
  if (!vp.bmp || vp.width != frame->width || vp.height != frame->height) {
    vp.allocated = false;
    vp.width = frame->width;
    vp.height = frame->height;
    vp.pix_fmt = static_cast<AVPixelFormat>(frame->format);
    lock.unlock();
    Owner.PushLoopEvent({TLoopEventKind::leAlloc});
    lock.lock();
    pictq_cond.wait(lock, [&] { return vp.allocated || videoq.aborted(); });
    if (videoq.aborted()) return -1;
  }
  TOverlay* overlay = vp.bmp.get();
  lock.unlock();

  {
    std::lock_guard overlayLock(overlay->Lock());
    // The overlay keeps planes as Y, V, U.
    uint8_t* dst[4] = {overlay->Plane(0), overlay->Plane(2), overlay->Plane(1), nullptr};
    int dstPitch[4] = {overlay->Pitch(0), overlay->Pitch(2), overlay->Pitch(1), 0};
    const uint8_t* src[4] = {frame->data[0], frame->data[1], frame->data[2], nullptr};
    int srcPitch[4] = {frame->linesize[0], frame->linesize[1], frame->linesize[2], 0};
    if (Owner.VerticalFlip) {
      const int ch = (frame->height + 1) / 2;
      src[0] += static_cast<ptrdiff_t>(frame->linesize[0]) * (frame->height - 1);
      src[1] += static_cast<ptrdiff_t>(frame->linesize[1]) * (ch - 1);
      src[2] += static_cast<ptrdiff_t>(frame->linesize[2]) * (ch - 1);
      for (int i = 0; i < 3; ++i) srcPitch[i] = -srcPitch[i];
    }
    av::av_image_copy(dst, dstPitch, src, srcPitch, AV_PIX_FMT_YUV420P, frame->width, frame->height);
    overlay->pts = pts;
    if (Owner.Hook && Owner.OnHook) RunHook(frame, *overlay, pts);
  }

  lock.lock();
  vp.pts = pts;
  vp.pos = pos;
  pictq_windex = (pictq_windex + 1) % VIDEO_PICTURE_QUEUE_SIZE;
  vp.target = ComputeTargetTime(vp.pts);
  pictq_size++;
  return 0;
}

double TVideoState::ComputeTargetTime(double frame_current_pts) {
  double delay = frame_current_pts - frame_last_pts;
  if (delay <= 0 || delay >= 10.0)
    delay = frame_last_delay;
  else
    frame_last_delay = delay;
  frame_last_pts = frame_current_pts;
  if ((av_sync_type == Tav_sync_type::AV_SYNC_AUDIO_MASTER && audio_open) ||
      av_sync_type == Tav_sync_type::AV_SYNC_EXTERNAL_CLOCK) {
    const double diff = get_video_clock() - get_master_clock();
    const double sync_threshold = std::max(AV_SYNC_THRESHOLD, delay);
    if (std::fabs(diff) < AV_NOSYNC_THRESHOLD) {
      if (diff <= -sync_threshold)
        delay = 0;
      else if (diff >= sync_threshold)
        delay = 2 * delay;
    }
  }
  frame_timer = frame_timer + delay;
  return frame_timer;
}

void TVideoState::RunHook(AVFrame*, TOverlay& overlay, double pts) {
  TRGBConvertContext& ctx = Owner.HookContext();
  const uint8_t* planes[4] = {overlay.Plane(0), overlay.Plane(2), overlay.Plane(1), nullptr};
  const int pitches[4] = {overlay.Pitch(0), overlay.Pitch(2), overlay.Pitch(1), 0};
  if (!ctx.ToBitmap(planes, pitches, overlay.Width(), overlay.Height(), AV_PIX_FMT_YUV420P)) {
    media::FFLogger().Log(&Owner, TLogLevel::llError, "Cannot initialize the toRGB conversion context");
    return;
  }
  try {
    Owner.OnHook(&Owner, ctx.Bitmap, std::llround(pts * 1000000.0) - StartTime);
  } catch (const std::exception& e) {
    media::FFLogger().Log(&Owner, TLogLevel::llError, std::string("Error occurs OnHook: ") + e.what());
    return;
  }
  uint8_t* out[4] = {overlay.Plane(0), overlay.Plane(2), overlay.Plane(1), nullptr};
  if (!ctx.FromBitmap(out, pitches))
    media::FFLogger().Log(&Owner, TLogLevel::llError, "Cannot initialize the fromRGB conversion context");
}

void TVideoState::VideoThread() {
  std::unique_ptr<AVFrame, FrameCloser> frame(av::av_frame_alloc());
  std::unique_ptr<AVFrame, FrameCloser> filtered(av::av_frame_alloc());
  TCustomPlayer& p = Owner;
  for (;;) {
    // A seek while paused lets one picture through, once the read thread has carried the seek out (before
    // that, the queue still holds packets of the old position).
    while (paused && !videoq.aborted() && !(seek_paused && seek_done) && !open_paused)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (videoq.aborted()) break;
    const int got = GetVideoFrame(frame.get());
    if (got < 0) break;
    if (got == 0) continue;
    if (!graph || frame->width != graph_w || frame->height != graph_h || frame->format != graph_fmt) {
      if (!ConfigureFilters(frame.get())) {
        media::FFLogger().Log(&p, TLogLevel::llError, "%s: cannot set up the video filters",
                              filename.c_str());
        break;
      }
    }
    const int64_t pos = frame->pkt_pos;
    if (av::av_buffersrc_add_frame_flags(in_video_filter, frame.get(), 0) < 0) {
      av::av_frame_unref(frame.get());
      continue;
    }
    const AVRational tb = av::av_buffersink_get_time_base(out_video_filter);
    bool failed = false;
    while (av::av_buffersink_get_frame(out_video_filter, filtered.get()) >= 0) {
      if (seek_done && seek_flushed) {
        seek_done = false;
        seek_paused = false;
      }
      const bool stamped = filtered->pts != AV_NOPTS_VALUE;
      const double pts = stamped ? static_cast<double>(filtered->pts) * av_q2d(tb) : 0;
      const int out = OutputPicture(filtered.get(), stamped, pts, pos);
      av::av_frame_unref(filtered.get());
      if (out < 0) {
        failed = true;
        break;
      }
      // A picture of the old position (still on its way when a seek was carried out) releases no waiter.
      if (!seek_done) p.FPictEvent.set();
      EventEOF = 0;
      if (p.FSeeking && !seek_req) p.FSeeking = false;
      if (open_paused) {
        if (open_paused < 2) {
          open_paused++;
        } else {
          open_paused = 0;
          p.PostState(TPlayState::psPause);
        }
      }
      if (p.FStepping && !paused) TogglePauseEngine();
    }
    if (failed) break;
  }
}

}  // namespace player
