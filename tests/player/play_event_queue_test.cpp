// The event queue between the engine and the event thread: folding, dropping and the signal.
#include <gtest/gtest.h>

#include <vector>

#include "player/play_event_queue.h"

namespace player {
namespace {

using K = TPlayEventKind;

struct Posted {
  K kind;
  int64_t value;
};

std::vector<Posted> Drain(TPlayEvent& q) {
  std::vector<Posted> out;
  TPlayEventEntry e;
  while (q.Take(e)) out.push_back({e.kind, e.value});
  return out;
}

struct QueueCase {
  const char* name;
  std::vector<Posted> posts;
  std::vector<Posted> expected;
};

TEST(PlayEventQueue, FoldsAndDrops) {
  std::vector<Posted> alternating, alternatingKept;
  for (int i = 0; i < 12; ++i) alternating.push_back({i % 2 ? K::peState : K::pePosition, i});
  for (int i = 3; i < 12; ++i) alternatingKept.push_back({i % 2 ? K::peState : K::pePosition, i});
  std::vector<Posted> fifty;
  for (int i = 0; i < 50; ++i) fifty.push_back({K::pePosition, i * 1000});
  const QueueCase cases[] = {
      {"empty", {}, {}},
      {"one", {{K::pePosition, 5}}, {{K::pePosition, 5}}},
      {"same kind folds to the newest", fifty, {{K::pePosition, 49000}}},
      {"kinds interleave",
       {{K::pePosition, 1}, {K::peState, 0}, {K::pePosition, 2}, {K::pePosition, 3}},
       {{K::pePosition, 1}, {K::peState, 0}, {K::pePosition, 3}}},
      {"nine entries at most, the oldest dropped", alternating, alternatingKept},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPlayEvent q;
    for (const auto& p : c.posts) q.Post(p.kind, p.value);
    EXPECT_EQ(q.Event.isSet(), !c.expected.empty());
    const auto got = Drain(q);
    ASSERT_EQ(got.size(), c.expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].kind, c.expected[i].kind) << i;
      EXPECT_EQ(got[i].value, c.expected[i].value) << i;
    }
    EXPECT_FALSE(q.Event.isSet()) << "an empty queue clears its signal";
  }
}

TEST(PlayEventQueue, TakingInterleavedWithPostingKeepsOrder) {
  TPlayEvent q;
  TPlayEventEntry e;
  q.Post(K::pePosition, 1);
  ASSERT_TRUE(q.Take(e));
  // The newest entry was taken: a new event of the same kind must be queued, not folded into a taken slot.
  q.Post(K::pePosition, 2);
  q.Post(K::peState, 4);
  ASSERT_EQ(q.Count(), 2);
  ASSERT_TRUE(q.Take(e));
  EXPECT_EQ(e.value, 2);
  ASSERT_TRUE(q.Take(e));
  EXPECT_EQ(e.kind, K::peState);
  EXPECT_FALSE(q.Take(e));
}

}  // namespace
}  // namespace player
