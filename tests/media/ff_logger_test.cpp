#include "media/ff_logger.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/main_thread.h"
#include "base/manual_reset_event.h"
#include "base/text.h"
#include "media/av.h"
#include "support/media_libraries.h"

namespace {

using media::TLogLevel;
using namespace std::chrono_literals;

struct Line {
  const void* sender;
  uint32_t thread;
  TLogLevel level;
  std::string text;
  bool onMainThread;
};

// Records every line the single logger delivers; leaves the logger as it found it.
class LoggerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries));
    logger().SetOnLog([this](const void* sender, uint32_t thread, TLogLevel level, const std::string& text) {
      std::lock_guard lock(mutex_);
      lines_.push_back({sender, thread, level, text, base::MainThread::isMainThread()});
    });
  }
  void TearDown() override {
    logger().SetOnLog(nullptr);
    logger().SetTriggerEventInMainThread(true);
    logger().SetLogLevel(TLogLevel::llInfo);
  }
  static media::TFFLogger& logger() { return media::FFLogger(); }
  std::vector<Line> lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  std::vector<std::string> texts() {
    std::vector<std::string> result;
    for (const Line& line : lines()) result.push_back(line.text);
    return result;
  }

  std::mutex mutex_;
  std::vector<Line> lines_;  // guarded by mutex_
};

// A context object as the libraries pass one: its first member points to its class description.
struct FakeContext {
  const AVClass* cls;
};

const AVClass* fakeClass() {
  static AVClass cls{};
  cls.class_name = "fake";
  cls.item_name = av::av_default_item_name;
  cls.version = LIBAVUTIL_VERSION_INT;
  return &cls;
}

TEST(LogLevelTest, MapsBothWays) {
  const struct {
    TLogLevel level;
    int numeric;
  } levels[] = {{TLogLevel::llQuiet, -8},   {TLogLevel::llPanic, 0},    {TLogLevel::llFatal, 8},
                {TLogLevel::llError, 16},   {TLogLevel::llWarning, 24}, {TLogLevel::llInfo, 32},
                {TLogLevel::llVerbose, 40}, {TLogLevel::llDebug, 48}};
  for (const auto& c : levels) {
    EXPECT_EQ(media::LogLevelToNumeric(c.level), c.numeric);
    EXPECT_EQ(media::NumericToLogLevel(c.numeric), c.level) << c.numeric;
  }
  const struct {
    int numeric;
    TLogLevel level;
  } between[] = {{20, TLogLevel::llError},   {-1, TLogLevel::llPanic}, {-9, TLogLevel::llQuiet},
                 {-100, TLogLevel::llQuiet}, {56, TLogLevel::llDebug}, {7, TLogLevel::llPanic}};
  for (const auto& c : between) EXPECT_EQ(media::NumericToLogLevel(c.numeric), c.level) << c.numeric;
}

TEST_F(LoggerTest, OnlyOneInstance) {
  logger();
  try {
    media::TFFLogger second;
    FAIL() << "a second logger was created";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "Allow creating only one instance of TFFLogger.");
  }
}

TEST_F(LoggerTest, JoinsPiecesIntoLinesWithOnePrefix) {
  FakeContext ctx{fakeClass()};
  av::av_log(&ctx, AV_LOG_INFO, "abc");
  av::av_log(&ctx, AV_LOG_INFO, "def%d\n", 1);
  av::av_log(nullptr, AV_LOG_WARNING, "a\nb\nc");  // c stays pending ...
  EXPECT_EQ(texts(), (std::vector<std::string>{base::Format("[fake @ %p]abcdef1", static_cast<void*>(&ctx)),
                                               "a", "b"}));
  av::av_log(&ctx, AV_LOG_ERROR, "d\n");  // ... and this call continues its line: no prefix
  av::av_log(nullptr, AV_LOG_ERROR, "\n");
  const std::vector<Line> all = lines();
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[3].text, "cd");
  EXPECT_EQ(all[4].text, "");
  for (const Line& line : all) {
    EXPECT_EQ(line.sender, &logger());
    EXPECT_EQ(line.thread, media::CurrentThreadID());
  }
  EXPECT_EQ(all[0].level, TLogLevel::llInfo);
  EXPECT_EQ(all[1].level, TLogLevel::llWarning);
  EXPECT_EQ(all[3].level, TLogLevel::llError);
}

TEST_F(LoggerTest, MessagesAboveTheThresholdLeaveNoTrace) {
  logger().SetLogLevel(TLogLevel::llWarning);
  EXPECT_EQ(media::LibraryLogThreshold(), AV_LOG_WARNING);
  av::av_log(nullptr, AV_LOG_INFO, "dropped ");
  av::av_log(nullptr, AV_LOG_VERBOSE, "dropped too\n");
  av::av_log(nullptr, AV_LOG_WARNING, "kept\n");
  EXPECT_EQ(texts(), std::vector<std::string>{"kept"});
}

TEST_F(LoggerTest, LongMessagesAreCutButKeepTheirLineEnd) {
  const std::string longText(3000, 'x');
  av::av_log(nullptr, AV_LOG_INFO, "%s\n", longText.c_str());
  av::av_log(nullptr, AV_LOG_INFO, "next\n");
  const std::vector<std::string> got = texts();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], std::string(2046, 'x'));  // 2047 bytes with the line feed
  EXPECT_EQ(got[1], "next");
}

TEST_F(LoggerTest, LinesFromOtherThreadsRunOnTheMainThreadWhileTheProducerWaits) {
  std::atomic<bool> handlerDone{false};
  logger().SetOnLog([&](const void*, uint32_t, TLogLevel, const std::string&) {
    EXPECT_TRUE(base::MainThread::isMainThread());
    std::this_thread::sleep_for(20ms);  // a slow handler: the producer must still be waiting afterwards
    handlerDone = true;
  });
  std::atomic<bool> sawHandlerDone{false};
  std::atomic<bool> finished{false};
  std::thread worker([&] {
    av::av_log(nullptr, AV_LOG_ERROR, "from a worker\n");
    sawHandlerDone = handlerDone.load();
    finished = true;
  });
  EXPECT_TRUE(base::MainThread::waitUntil([&] { return finished.load(); }, 10s));
  worker.join();
  EXPECT_TRUE(sawHandlerDone);
}

TEST_F(LoggerTest, ALineLoggedUnderCodecLockDoesNotWaitForAMainThreadWaitingForThatLock) {
  // A worker logs while opening a codec; the main thread meanwhile wants CodecLock (say, to probe a
  // file). Waiting for the main thread here would deadlock both.
  base::ManualResetEvent logged;
  std::thread worker([&] {
    std::lock_guard lock(media::CodecLock());
    av::av_log(nullptr, AV_LOG_ERROR, "inside a codec open\n");
    logged.set();
  });
  ASSERT_TRUE(logged.waitFor(10s));
  { std::lock_guard lock(media::CodecLock()); }
  worker.join();
  EXPECT_TRUE(base::MainThread::waitUntil([&] { return lines().size() == 1; }, 10s));
  EXPECT_EQ(texts().at(0), "inside a codec open");
  EXPECT_TRUE(lines().at(0).onMainThread);
}

TEST_F(LoggerTest, WithoutMainThreadDeliveryTheProducerRunsTheHandler) {
  logger().SetTriggerEventInMainThread(false);
  uint32_t workerId = 0;
  std::thread worker([&] {
    workerId = media::CurrentThreadID();
    logger().Log(this, TLogLevel::llError, "direct");
  });
  worker.join();  // no pumping: the call must not have needed the main thread
  const std::vector<Line> got = lines();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_FALSE(got[0].onMainThread);
  EXPECT_EQ(got[0].thread, workerId);
  EXPECT_EQ(got[0].sender, this);
}

TEST_F(LoggerTest, InterleavedThreadsKeepTheirOwnLinesAndNoneIsLost) {
  constexpr int kThreads = 4;
  constexpr int kLines = 100;
  std::vector<uint32_t> ids(kThreads);
  std::atomic<int> finished{0};
  base::ManualResetEvent go;
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&, t] {
      ids[t] = media::CurrentThreadID();
      go.wait();
      for (int i = 0; i < kLines; ++i) {
        // Every line in three pieces, so the threads' pieces interleave.
        av::av_log(nullptr, AV_LOG_INFO, "t%d-", t);
        av::av_log(nullptr, AV_LOG_INFO, "%d", i);
        av::av_log(nullptr, AV_LOG_INFO, "\n");
      }
      ++finished;
    });
  }
  go.set();
  EXPECT_TRUE(base::MainThread::waitUntil([&] { return finished == kThreads; }, 60s));
  for (std::thread& w : workers) w.join();
  std::vector<int> next(kThreads, 0);
  const std::vector<Line> got = lines();
  EXPECT_EQ(got.size(), static_cast<size_t>(kThreads * kLines));
  for (const Line& line : got) {
    int t = -1, i = -1;
    ASSERT_EQ(std::sscanf(line.text.c_str(), "t%d-%d", &t, &i), 2) << line.text;
    ASSERT_TRUE(t >= 0 && t < kThreads);
    EXPECT_EQ(line.text, base::Format("t%d-%d", t, next[t]));  // in order, nothing of another thread inside
    EXPECT_EQ(line.thread, ids[t]);
    EXPECT_TRUE(line.onMainThread);
    next[t] = i + 1;
  }
}

TEST_F(LoggerTest, LogFiltersByLevelWithTheVerboseException) {
  const struct {
    TLogLevel limit;
    TLogLevel message;
    bool delivered;
  } cases[] = {
      {TLogLevel::llWarning, TLogLevel::llError, true},  {TLogLevel::llWarning, TLogLevel::llWarning, true},
      {TLogLevel::llWarning, TLogLevel::llInfo, false},  {TLogLevel::llWarning, TLogLevel::llVerbose, true},
      {TLogLevel::llWarning, TLogLevel::llDebug, false}, {TLogLevel::llQuiet, TLogLevel::llQuiet, true},
      {TLogLevel::llQuiet, TLogLevel::llPanic, false},   {TLogLevel::llQuiet, TLogLevel::llVerbose, false},
      {TLogLevel::llDebug, TLogLevel::llDebug, true},
  };
  for (const auto& c : cases) {
    lines_.clear();
    logger().SetLogLevel(c.limit);
    logger().Log(this, c.message, "%s %d", "message", 7);
    logger().Log(this, c.message, std::string("100% plain"));
    const std::vector<Line> got = lines();
    ASSERT_EQ(got.size(), c.delivered ? 2u : 0u)
        << "limit " << static_cast<int>(c.limit) << " message " << static_cast<int>(c.message);
    if (c.delivered) {
      EXPECT_EQ(got[0].text, "message 7");
      EXPECT_EQ(got[1].text, "100% plain");
      EXPECT_EQ(got[0].level, c.message);
      EXPECT_EQ(got[0].sender, this);
    }
  }
}

TEST_F(LoggerTest, OptLogLevel) {
  const struct {
    const char* arg;
    TLogLevel level;
  } cases[] = {{"WARNING", TLogLevel::llWarning}, {"quiet", TLogLevel::llQuiet},
               {"Debug", TLogLevel::llDebug},     {"20", TLogLevel::llError},
               {"-100", TLogLevel::llQuiet},      {"99", TLogLevel::llDebug},
               {"+32", TLogLevel::llInfo}};
  for (const auto& c : cases) {
    logger().SetLogLevel(TLogLevel::llPanic);
    logger().OptLogLevel(c.arg);
    EXPECT_EQ(logger().LogLevel(), c.level) << c.arg;
    EXPECT_EQ(media::LibraryLogThreshold(), media::LogLevelToNumeric(c.level)) << c.arg;
  }
  for (const char* bad : {"", "loud", "12abc", "99999999999999999999"})
    EXPECT_THROW(logger().OptLogLevel(bad), std::invalid_argument) << bad;
}

TEST_F(LoggerTest, LevelSetBeforeAvutilIsBoundTakesEffectWhenTheCallbackIsInstalled) {
  // As if avutil were not bound yet.
  auto* const setLevel = av::av_log_set_level;
  av::av_log_set_level = nullptr;
  logger().SetLogLevel(TLogLevel::llError);
  av::av_log_set_level = setLevel;
  EXPECT_EQ(logger().LogLevel(), TLogLevel::llError);
  EXPECT_EQ(media::LibraryLogThreshold(), AV_LOG_INFO);
  EXPECT_EQ(av::av_log_get_level(), AV_LOG_INFO);
  logger().InstallAVLogCallback();
  EXPECT_EQ(media::LibraryLogThreshold(), AV_LOG_ERROR);
  EXPECT_EQ(av::av_log_get_level(), AV_LOG_ERROR);
}

}  // namespace
