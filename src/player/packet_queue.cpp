#include "player/packet_queue.h"

#include "media/av.h"

namespace player {
namespace {
const uint8_t kFlush[] = "FLUSH";
}

const uint8_t* FlushData() { return kFlush; }
bool IsFlushPacket(const AVPacket* pkt) { return pkt && pkt->data == kFlush; }

TPacketQueue::~TPacketQueue() { Flush(); }

void TPacketQueue::Init() {
  Flush();
  abort_request_ = false;
  PutFlush();
}

bool TPacketQueue::Put(const AVPacket* pkt) {
  AVPacket* copy = av::av_packet_alloc();
  if (!copy) return false;
  if (IsFlushPacket(pkt)) {
    copy->data = const_cast<uint8_t*>(kFlush);
    copy->size = 0;
  } else if (av::av_packet_ref(copy, pkt) < 0) {
    av::av_packet_free(&copy);
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    pkts_.push_back(copy);
    nb_packets_ += 1;
    size_ += copy->size + kEntryOverhead;
  }
  cond_.notify_all();
  return true;
}

void TPacketQueue::PutFlush() {
  AVPacket marker{};
  marker.data = const_cast<uint8_t*>(kFlush);
  Put(&marker);
}

int TPacketQueue::Get(AVPacket* pkt, bool block) {
  std::unique_lock lock(mutex_);
  if (block) cond_.wait(lock, [this] { return abort_request_.load() || !pkts_.empty(); });
  if (abort_request_) return -1;
  if (pkts_.empty()) return 0;
  AVPacket* first = pkts_.front();
  pkts_.pop_front();
  nb_packets_ -= 1;
  size_ -= first->size + kEntryOverhead;
  if (IsFlushPacket(first)) {
    av::av_packet_unref(pkt);
    pkt->data = first->data;
    pkt->size = 0;
    first->data = nullptr;
  } else {
    av::av_packet_move_ref(pkt, first);
  }
  av::av_packet_free(&first);
  return 1;
}

void TPacketQueue::Abort() {
  {
    std::lock_guard lock(mutex_);
    abort_request_ = true;
  }
  cond_.notify_all();
}

void TPacketQueue::Flush() {
  std::lock_guard lock(mutex_);
  for (AVPacket* p : pkts_) {
    if (IsFlushPacket(p)) p->data = nullptr;
    av::av_packet_free(&p);
  }
  pkts_.clear();
  nb_packets_ = 0;
  size_ = 0;
}

void TPacketQueue::End() { Flush(); }

}  // namespace player
