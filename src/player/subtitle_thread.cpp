// The subtitle thread: decodes subtitles into the four-slot subtitle queue.
#include "player/media_player.h"

namespace player {

void TVideoState::SubtitleThread() {
  std::unique_ptr<AVPacket, PacketCloser> pkt(av::av_packet_alloc());
  for (;;) {
    while (paused && !subtitleq.aborted()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (subtitleq.Get(pkt.get(), true) < 0) break;
    if (IsFlushPacket(pkt.get())) {
      pkt->data = nullptr;
      av::avcodec_flush_buffers(subtitle_dec.get());
      continue;
    }
    {
      std::unique_lock lock(subpq_mutex);
      subpq_cond.wait(lock, [this] { return subpq_size < SUBPICTURE_QUEUE_SIZE || subtitleq.aborted(); });
    }
    if (subtitleq.aborted()) break;
    TSubPicture& sp = subpq[subpq_windex];
    const double pts = pkt->pts != AV_NOPTS_VALUE ? av_q2d(subtitle_st->time_base) * pkt->pts : 0;
    int got = 0;
    av::avcodec_decode_subtitle2(subtitle_dec.get(), &sp.sub, &got, pkt.get());
    av::av_packet_unref(pkt.get());
    if (!got) continue;
    if (sp.sub.format != 0) {  // only bitmap subtitles are drawn
      av::avsubtitle_free(&sp.sub);
      continue;
    }
    sp.pts = pts;
    std::lock_guard lock(subpq_mutex);
    subpq_windex = (subpq_windex + 1) % SUBPICTURE_QUEUE_SIZE;
    subpq_size++;
  }
}

}  // namespace player
