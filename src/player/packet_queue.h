#pragma once
// A demuxed packet queue between the read thread and one decoder. The marker packet (data pointing at
// FlushData()) tells the decoder to flush after a seek.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

struct AVPacket;

namespace player {

// The marker packet's data: queues recognise the marker by this pointer.
const uint8_t* FlushData();
bool IsFlushPacket(const AVPacket* pkt);

class TPacketQueue {
 public:
  static constexpr int kEntryOverhead = 72;  // bytes counted per list entry besides the packet data

  TPacketQueue() = default;
  ~TPacketQueue();
  TPacketQueue(const TPacketQueue&) = delete;
  TPacketQueue& operator=(const TPacketQueue&) = delete;

  // Resets the queue (abort cleared) and puts the marker packet, as a fresh queue starts.
  void Init();
  // Copies the packet in (referencing its data; the marker is copied as a marker). False when out of memory.
  bool Put(const AVPacket* pkt);
  void PutFlush();
  // -1 when aborted, 1 with the oldest packet moved into pkt, 0 when empty and not blocking.
  int Get(AVPacket* pkt, bool block);
  void Abort();
  void Flush();
  // Flushes; the queue stays usable for the next Init.
  void End();

  int nb_packets() const { return nb_packets_.load(); }
  int size() const { return size_.load(); }
  bool aborted() const { return abort_request_.load(); }

 private:
  mutable std::mutex mutex_;
  std::condition_variable cond_;
  std::deque<AVPacket*> pkts_;  // guarded by mutex_; owned
  // Written under mutex_, read without it by the read thread's fullness checks.
  std::atomic<int> nb_packets_{0};
  std::atomic<int> size_{0};
  std::atomic<bool> abort_request_{false};
};

}  // namespace player
