// Packet queues: sizes with the per-entry overhead, the marker, blocking and abort.
#include <gtest/gtest.h>

#include <thread>

#include "media/av.h"
#include "player/packet_queue.h"
#include "support/media_libraries.h"

namespace player {
namespace {

struct PacketFree {
  void operator()(AVPacket* p) const { av::av_packet_free(&p); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

PacketPtr MakePacket(int size) {
  PacketPtr p(av::av_packet_alloc());
  av::av_new_packet(p.get(), size);
  return p;
}

TEST(PacketQueue, CountsSizesAndKeepsTheMarkerFirst) {
  ASSERT_TRUE(testsupport::LoadLibraries(media::kPlayerLibraries));
  TPacketQueue q;
  q.Init();
  EXPECT_EQ(q.nb_packets(), 1);
  EXPECT_EQ(q.size(), TPacketQueue::kEntryOverhead);
  auto a = MakePacket(100);
  a->data[0] = 42;
  ASSERT_TRUE(q.Put(a.get()));
  EXPECT_EQ(q.size(), 2 * TPacketQueue::kEntryOverhead + 100);
  a.reset();  // the queue keeps the data alive on its own

  PacketPtr got(av::av_packet_alloc());
  ASSERT_EQ(q.Get(got.get(), false), 1);
  EXPECT_TRUE(IsFlushPacket(got.get()));
  got->data = nullptr;
  ASSERT_EQ(q.Get(got.get(), false), 1);
  EXPECT_FALSE(IsFlushPacket(got.get()));
  ASSERT_EQ(got->size, 100);
  EXPECT_EQ(got->data[0], 42);
  av::av_packet_unref(got.get());
  EXPECT_EQ(q.Get(got.get(), false), 0);
  EXPECT_EQ(q.size(), 0);
}

TEST(PacketQueue, AbortReleasesABlockedReader) {
  ASSERT_TRUE(testsupport::LoadLibraries(media::kPlayerLibraries));
  TPacketQueue q;
  q.Init();
  PacketPtr got(av::av_packet_alloc());
  ASSERT_EQ(q.Get(got.get(), true), 1);  // the marker
  got->data = nullptr;
  int result = 99;
  std::thread reader([&] { result = q.Get(got.get(), true); });
  q.Abort();
  reader.join();
  EXPECT_EQ(result, -1);
  auto p = MakePacket(10);
  q.Put(p.get());
  EXPECT_EQ(q.Get(got.get(), false), -1) << "an aborted queue gives nothing until it is initialised again";
}

}  // namespace
}  // namespace player
