// The player driven end to end on generated clips, with SDL's dummy audio driver and an in-memory sink.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "base/main_thread.h"
#include "fixtures/player_clips.h"
#include "player/media_player.h"
#include "player/memory_video_sink.h"
#include "support/media_libraries.h"

namespace player {
namespace {

using std::chrono::milliseconds;
using S = TPlayState;

// Serves the main thread (where events arrive) until pred holds; false after the timeout.
bool WaitFor(const std::function<bool()>& pred, int ms = 15000) {
  return base::MainThread::waitUntil(pred, milliseconds(ms));
}
// Lets the player run for a while (serving events); used only where the test checks that nothing happens.
void Idle(int ms) {
  base::MainThread::waitUntil([] { return false; }, milliseconds(ms));
}

int Count(const std::vector<S>& states, S s) {
  return static_cast<int>(std::count(states.begin(), states.end(), s));
}

size_t Distinct(const std::vector<double>& pts) { return std::set<double>(pts.begin(), pts.end()).size(); }

// Waits until the sink has shown no new picture for 200 ms; returns how many it has shown.
size_t Settle(const TMemoryVideoSink& sink) {
  size_t shown = sink.ShownPTS().size();
  for (int i = 0; i < 50; ++i) {
    Idle(200);
    const size_t now = sink.ShownPTS().size();
    if (now == shown) break;
    shown = now;
  }
  return shown;
}

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::LoadLibraries(media::kPlayerLibraries));
    player.OnState = [this](TCustomPlayer*, S s) { states.push_back(s); };
    player.OnPosition = [this](TCustomPlayer*, int64_t pts) { positions.push_back(pts); };
  }
  void TearDown() override { player.Stop(true); }

  bool Has(S s) const { return Count(states, s) > 0; }
  int64_t LastPosition() const { return positions.empty() ? -1 : positions.back(); }

  TMediaPlayer player;
  TMemoryVideoSink sink{320, 240};
  std::vector<S> states;           // main thread only
  std::vector<int64_t> positions;  // main thread only
};

double MeanDiff(const TBitmap& bmp, const std::string& bgr) {
  if (bmp.Pixels.size() != bgr.size()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < bgr.size(); ++i) sum += std::abs(int(bmp.Pixels[i]) - int(uint8_t(bgr[i])));
  return sum / static_cast<double>(bgr.size());
}

// The frame shown must be the pattern frame of its stamp, and clearly not its neighbours.
void ExpectPatternFrame(const TBitmap& bmp, int64_t pts, bool flip) {
  ASSERT_EQ(bmp.Width, 160);
  ASSERT_EQ(bmp.Height, 120);
  const int n = static_cast<int>(std::llround(pts * 25.0 / 1e6));
  const double same = MeanDiff(bmp, fixtures::TestPatternFrameBGR(160, 120, n, flip));
  EXPECT_LT(same, 2.0) << "frame " << n;
  for (int other : {n - 1, n + 1}) {
    if (other < 0) continue;
    EXPECT_GT(MeanDiff(bmp, fixtures::TestPatternFrameBGR(160, 120, other, flip)), same + 1.0)
        << "frame " << other;
  }
}

TEST_F(PlayerTest, OpenPausedShowsTwoPicturesThenPauses) {
  ASSERT_TRUE(player.Open(fixtures::PlayerExactClip(), &sink, true)) << player.LastErrMsg();
  ASSERT_TRUE(WaitFor([&] { return Has(S::psPause) && Distinct(sink.ShownPTS()) >= 2; }))
      << states.size() << " states, " << sink.ShownPTS().size() << " shown";
  Idle(400);
  EXPECT_EQ(states, (std::vector<S>{S::psPlay, S::psPause}));
  EXPECT_EQ(Distinct(sink.ShownPTS()), 2u) << "paused after the second picture";
  EXPECT_TRUE(player.Paused());
  int64_t pts = -2;
  const TBitmap& frame = player.CurrentFrame(pts);
  EXPECT_EQ(pts, 40000) << "the picture on screen is the second one";
  ExpectPatternFrame(frame, pts, false);
}

TEST_F(PlayerTest, SeekWhilePausedShowsExactlyOneNewPicture) {
  ASSERT_TRUE(player.Open(fixtures::PlayerExactClip(), &sink, true)) << player.LastErrMsg();
  ASSERT_TRUE(WaitFor([&] { return Has(S::psPause) && Distinct(sink.ShownPTS()) >= 2; }));
  // Relative: one second on from the master clock (the audio clock, still at the start while paused). A
  // forward seek's window starts after the current position and lands on the first key frame at or after
  // the target.
  player.Seek(1.0, sfNone, true);
  int64_t relative = -2;
  player.CurrentFrame(relative);
  EXPECT_EQ(relative, 1'440'000);
  struct Case {
    int64_t target;
    int64_t minPts, maxPts;  // the key frame at or before the target (every 12th frame)
  } cases[] = {
      {1'520'000, 1'440'000, 1'440'000},
      {100'000'000, 2'400'000, 2'960'000},  // beyond the end: goes to the end
      {-5'000'000, 0, 0},                   // before the start: goes to the start
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    const size_t before = sink.ShownPTS().size();
    player.Seek(c.target, sfNone, true);
    int64_t whenSought = -2;
    player.CurrentFrame(whenSought);  // a waiting seek returns with the new picture at hand
    ASSERT_TRUE(WaitFor([&] { return sink.ShownPTS().size() > before; }));
    Idle(300);
    const auto shown = sink.ShownPTS();
    const std::vector<double> added(shown.begin() + before, shown.end());
    EXPECT_EQ(Distinct(added), 1u) << ::testing::PrintToString(added);
    EXPECT_TRUE(player.Paused());
    EXPECT_FALSE(player.Seeking());
    int64_t pts = -2;
    const TBitmap& frame = player.CurrentFrame(pts);
    EXPECT_EQ(whenSought, pts);
    EXPECT_GE(pts, c.minPts);
    EXPECT_LE(pts, c.maxPts);
    ExpectPatternFrame(frame, pts, false);
  }
  EXPECT_EQ(Count(states, S::psPause), 1) << "seeking while paused posts no state";
}

TEST_F(PlayerTest, PlaysToTheEndOnceAndAgainAfterSeekingBack) {
  ASSERT_TRUE(player.Open(fixtures::PlayerAvClip(), &sink, false)) << player.LastErrMsg();
  ASSERT_TRUE(WaitFor([&] { return Has(S::psEnd); }));
  Idle(300);
  EXPECT_EQ(Count(states, S::psEnd), 1);
  EXPECT_GE(LastPosition(), 2'900'000) << "the last picture's position is reported";
  player.Seek(int64_t{2'400'000}, sfNone, true);
  ASSERT_TRUE(WaitFor([&] { return Count(states, S::psEnd) == 2; }));
  player.Stop(true);
  EXPECT_EQ(states.front(), S::psPlay);
  EXPECT_EQ(states.back(), S::psStop);
  EXPECT_EQ(Count(states, S::psStop), 1);
  EXPECT_EQ(player.CurrentPTS(), -1);
  EXPECT_TRUE(player.Paused()) << "nothing open";
}

TEST_F(PlayerTest, PauseResumeAndStep) {
  ASSERT_TRUE(player.Open(fixtures::PlayerExactClip(), &sink, false)) << player.LastErrMsg();
  ASSERT_TRUE(WaitFor([&] { return LastPosition() >= 300'000; }));
  player.Pause();
  ASSERT_TRUE(player.Paused());
  // Pictures already queued at the pause may still come up (at most the queue and one being written).
  const size_t atPause = sink.ShownPTS().size();
  const size_t settled = Settle(sink);
  EXPECT_LE(settled, atPause + 3);
  Idle(400);
  EXPECT_EQ(sink.ShownPTS().size(), settled) << "no pictures while paused";

  player.Resume();
  EXPECT_FALSE(player.Paused());
  ASSERT_TRUE(WaitFor([&] { return sink.ShownPTS().size() > settled + 3; }));

  player.Pause();
  Settle(sink);
  const size_t beforeStep = Distinct(sink.ShownPTS());
  player.StepToNextFrame();
  ASSERT_TRUE(WaitFor([&] { return player.Paused() && Distinct(sink.ShownPTS()) > beforeStep; }));
  Settle(sink);
  EXPECT_EQ(Distinct(sink.ShownPTS()), beforeStep + 1) << "a step shows the next picture, then pauses again";
  EXPECT_TRUE(player.Paused());
  ASSERT_TRUE(WaitFor([&] { return Has(S::psStep); }));
  EXPECT_EQ(states, (std::vector<S>{S::psPlay, S::psPause, S::psResume, S::psPause, S::psStep}));
}

TEST_F(PlayerTest, PlayTimeWithEachRepeatType) {
  const struct {
    TRepeatType repeat;
    bool stops, loops;
  } cases[] = {{TRepeatType::rtStop, true, false},
               {TRepeatType::rtLoop, false, true},
               {TRepeatType::rtNone, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.repeat));
    states.clear();
    positions.clear();
    player.PlayTime = 1'000'000;
    player.RepeatType = c.repeat;
    ASSERT_TRUE(player.Open(fixtures::PlayerAvClip(), &sink, false)) << player.LastErrMsg();
    const auto wentBack = [&] {
      for (size_t i = 1; i < positions.size(); ++i)
        if (positions[i] + 200'000 < positions[i - 1]) return true;
      return false;
    };
    ASSERT_TRUE(WaitFor([&] { return Has(S::psStop) || wentBack() || LastPosition() >= 1'800'000; }));
    EXPECT_EQ(Has(S::psStop), c.stops);
    EXPECT_EQ(wentBack(), c.loops);
    if (c.loops) {
      EXPECT_LT(*std::max_element(positions.begin(), positions.end()), 1'300'000);
    }
    player.Stop(true);
    EXPECT_EQ(player.PlayTime, kNoPTS) << "per play";
    EXPECT_EQ(player.RepeatType, TRepeatType::rtStop) << "per play";
  }
}

TEST_F(PlayerTest, OpeningAnotherFileStopsTheFirstOnce) {
  ASSERT_TRUE(player.Open(fixtures::PlayerAvClip(), &sink, false)) << player.LastErrMsg();
  ASSERT_TRUE(WaitFor([&] { return Has(S::psPlay); }));
  ASSERT_TRUE(player.Open(fixtures::PlayerExactClip(), &sink, false)) << player.LastErrMsg();
  ASSERT_TRUE(WaitFor([&] { return Count(states, S::psPlay) == 2; }));
  EXPECT_EQ(states, (std::vector<S>{S::psPlay, S::psStop, S::psPlay}));
  EXPECT_EQ(player.FileName(), fixtures::PlayerExactClip());
}

TEST_F(PlayerTest, StreamSwitchingRefusals) {
  ASSERT_TRUE(player.Open(fixtures::PlayerAvClip(), &sink, true)) << player.LastErrMsg();
  ASSERT_EQ(player.VideoStreamIndex(), 0);
  ASSERT_EQ(player.AudioStreamIndex(), 1);
  const struct {
    const char* name;
    bool (TCustomPlayer::*set)(int);
    int index;
    const char* message;
  } cases[] = {
      {"video to the audio stream", &TCustomPlayer::SetVideoStreamIndex, 1,
       "the stream type is not matched."},
      {"subtitles to the video stream", &TCustomPlayer::SetSubtitleStreamIndex, 0,
       "the stream type is not matched."},
      {"audio beyond the streams", &TCustomPlayer::SetAudioStreamIndex, 2, "the stream index is not valid."},
      {"audio to none", &TCustomPlayer::SetAudioStreamIndex, -1, "the stream index is not valid."},
      {"subtitles below none", &TCustomPlayer::SetSubtitleStreamIndex, -2, "the stream index is not valid."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE((player.*c.set)(c.index));
    EXPECT_EQ(player.LastErrMsg(), c.message);
  }
  EXPECT_EQ(player.VideoStreamIndex(), 0) << "refusals leave the streams playing";
  EXPECT_EQ(player.AudioStreamIndex(), 1);
  EXPECT_TRUE(player.SetSubtitleStreamIndex(-1)) << "no subtitles stays no subtitles";

  ASSERT_TRUE(player.Open(fixtures::PlayerToneClip(), &sink, true)) << player.LastErrMsg();
  EXPECT_FALSE(player.SetVideoStreamIndex(0));
  EXPECT_EQ(player.LastErrMsg(), "the current stream is not valid.");
}

TEST_F(PlayerTest, AudioOnlyPositionsFollowTheAudioClock) {
  ASSERT_TRUE(player.Open(fixtures::PlayerToneClip(), &sink, false)) << player.LastErrMsg();
  int64_t pts = 0;
  EXPECT_EQ(player.CurrentFrame(pts).Width, 0);
  EXPECT_EQ(pts, -1);
  ASSERT_TRUE(WaitFor([&] { return LastPosition() >= 1'000'000; }));
  // The audio clock stands still while paused (no sound is consumed) and runs on after resuming.
  player.Pause();
  Idle(100);
  const int64_t atPause = player.CurrentPTS();
  Idle(400);
  EXPECT_NEAR(static_cast<double>(player.CurrentPTS()), static_cast<double>(atPause), 30'000.0);
  player.Resume();
  ASSERT_TRUE(WaitFor([&] { return player.CurrentPTS() > atPause + 200'000; }));
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_GT(sink.LitPixels(), 0) << "the waveform is drawn";
  ASSERT_TRUE(WaitFor([&] { return Has(S::psEnd); }));
  EXPECT_EQ(LastPosition(), 3'000'000);
}

TEST_F(PlayerTest, AudioAndVideoStayInStep) {
  ASSERT_TRUE(player.Open(fixtures::PlayerAvClip(), &sink, false)) << player.LastErrMsg();
  ASSERT_TRUE(WaitFor([&] { return LastPosition() >= 2'500'000; }));
  const auto stats = player.Stats();
  EXPECT_GT(stats.PicturesShown, 40);
  EXPECT_LT(stats.AverageAVDiff, 0.04) << "within one frame's duration";
  EXPECT_GE(stats.FirstPictureDelay, 0);
}

TEST_F(PlayerTest, VerticalFlipTurnsThePictureUpsideDownForOnePlay) {
  player.VerticalFlip = true;
  ASSERT_TRUE(player.Open(fixtures::PlayerExactClip(), &sink, true)) << player.LastErrMsg();
  ASSERT_TRUE(WaitFor([&] { return Has(S::psPause) && Distinct(sink.ShownPTS()) >= 2; }));
  int64_t pts = -2;
  const TBitmap& frame = player.CurrentFrame(pts);
  ExpectPatternFrame(frame, pts, true);
  player.Stop(true);
  EXPECT_FALSE(player.VerticalFlip);
}

TEST_F(PlayerTest, HookDrawsOnEveryPicture) {
  std::atomic<int> calls{0};
  player.Hook = true;
  player.OnHook = [&](TCustomPlayer*, TBitmap& bmp, int64_t) {
    ++calls;
    for (int y = 0; y < 10; ++y) std::fill(bmp.Row(y), bmp.Row(y) + bmp.Stride(), 255);  // a white band
  };
  ASSERT_TRUE(player.Open(fixtures::PlayerExactClip(), &sink, true)) << player.LastErrMsg();
  ASSERT_TRUE(WaitFor([&] { return Has(S::psPause) && Distinct(sink.ShownPTS()) >= 2; }));
  EXPECT_EQ(calls, 2);
  const TBitmap& frame = player.CurrentFrame();
  ASSERT_EQ(frame.Width, 160);
  EXPECT_GT(frame.Row(5)[80 * 3], 240) << "the hook's drawing is in the picture";
  player.Stop(true);  // before the handler's counter goes out of scope
}

TEST_F(PlayerTest, OpenFailuresLeaveThePlayerIdle) {
  const std::string missing = fixtures::FixtureDir() + "/player_missing.avi";
  EXPECT_FALSE(player.Open(missing, &sink, false));
  EXPECT_EQ(player.LastErrMsg().rfind(missing + ": ", 0), 0u) << player.LastErrMsg();
  const std::string text = fixtures::FixtureDir() + "/player_not_media.txt";
  std::ofstream(text) << "plain text, not a media file\n";
  EXPECT_FALSE(player.Open(text, &sink, false));
  EXPECT_FALSE(player.LastErrMsg().empty());
  EXPECT_TRUE(player.Paused());
  EXPECT_EQ(player.VideoStreamIndex(), -1);
  Idle(100);
  EXPECT_TRUE(states.empty());
}

TEST_F(PlayerTest, FileOpenEventSizesTheDisplayAndAspectPlacesThePicture) {
  const struct {
    float aspect;
    TRect rect;  // in a 400 x 200 display chosen by the handler
  } cases[] = {
      {0, {67, 0, 266, 200}},  // the picture's own 4:3, centred
      {-1, {0, 0, 400, 200}},  // fill the display
      {2.0f, {0, 0, 400, 200}},
      {1.0f, {100, 0, 200, 200}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.aspect);
    int64_t duration = 0;
    int fw = 0, fh = 0;
    player.OnFileOpen = [&](TCustomPlayer*, int64_t d, int w, int h, int& sw, int& sh) {
      duration = d;
      fw = w;
      fh = h;
      sw = 400;
      sh = 200;
    };
    player.SetAspectRatio(c.aspect);
    TMemoryVideoSink display(640, 480);
    ASSERT_TRUE(player.Open(fixtures::PlayerExactClip(), &display, true)) << player.LastErrMsg();
    EXPECT_EQ(duration, player.FormatContext()->duration);
    EXPECT_EQ(fw, 160);
    EXPECT_EQ(fh, 120);
    ASSERT_TRUE(WaitFor([&] { return !display.ShownPTS().empty(); }));
    EXPECT_EQ(display.SurfaceWidth(), 400);
    EXPECT_EQ(display.SurfaceHeight(), 200);
    const TRect r = display.LastOverlayRect();
    EXPECT_EQ(r.x, c.rect.x);
    EXPECT_EQ(r.y, c.rect.y);
    EXPECT_EQ(r.w, c.rect.w);
    EXPECT_EQ(r.h, c.rect.h);
    player.Stop(true);
    player.ScreenWidth = 0;
    player.ScreenHeight = 0;
  }
  player.OnFileOpen = [&](TCustomPlayer*, int64_t, int w, int h, int&, int&) {
    EXPECT_EQ(w, -1) << "no video";
    EXPECT_EQ(h, -1);
  };
  ASSERT_TRUE(player.Open(fixtures::PlayerToneClip(), &sink, true)) << player.LastErrMsg();
  EXPECT_EQ(player.ScreenWidth, 320) << "unset sizes become the host's client size";
  EXPECT_EQ(player.ScreenHeight, 240);
}

TEST_F(PlayerTest, AudioDrawingFollowsShowAudio) {
  const struct {
    TShowAudio mode;
    bool drawn;
  } cases[] = {{TShowAudio::saWave, true}, {TShowAudio::saRDFT, true}, {TShowAudio::saNone, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    player.SetShowAudio(c.mode);
    TMemoryVideoSink display(200, 100);
    ASSERT_TRUE(player.Open(fixtures::PlayerToneClip(), &display, false)) << player.LastErrMsg();
    positions.clear();
    ASSERT_TRUE(WaitFor([&] { return LastPosition() >= 700'000; }));
    EXPECT_EQ(display.LitPixels() > 0, c.drawn);
    player.Stop(true);
  }
}

TEST_F(PlayerTest, ForcedInputFormat) {
  EXPECT_THROW(player.SetFormat("no-such-format"), std::runtime_error);
  try {
    player.SetFormat("no-such-format");
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Unknown input format: no-such-format");
  }
  EXPECT_EQ(player.Format(), "");
  player.SetFormat("wav");
  EXPECT_FALSE(player.Open(fixtures::PlayerExactClip(), &sink, true)) << "an AVI read as WAV";
  EXPECT_FALSE(player.LastErrMsg().empty());
  player.SetFormat("avi");
  EXPECT_TRUE(player.Open(fixtures::PlayerExactClip(), &sink, true)) << player.LastErrMsg();
}

TEST_F(PlayerTest, DisabledStreamsAreNotOpened) {
  const struct {
    const char* name;
    bool audio, video, display;
    int videoIndex, audioIndex;  // -2: the open fails
  } cases[] = {
      {"all", false, false, false, 0, 1},      {"no audio", true, false, false, 0, -1},
      {"no video", false, true, false, -1, 1}, {"no display", false, false, true, -1, 1},
      {"nothing", true, true, false, -2, -2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    player.DisableAudio = c.audio;
    player.DisableVideo = c.video;
    player.DisableDisplay = c.display;
    const bool opened = player.Open(fixtures::PlayerAvClip(), &sink, true);
    if (c.videoIndex == -2) {
      EXPECT_FALSE(opened);
      EXPECT_EQ(player.LastErrMsg(),
                fixtures::PlayerAvClip() + ": could not open codecs, no stream to play.");
      continue;
    }
    ASSERT_TRUE(opened) << player.LastErrMsg();
    EXPECT_EQ(player.VideoStreamIndex(), c.videoIndex);
    EXPECT_EQ(player.AudioStreamIndex(), c.audioIndex);
    player.Stop(true);
  }
}

TEST(PlayerStop, EndsTheEventThreadWithoutStateHandler) {
  ASSERT_TRUE(testsupport::LoadLibraries(media::kPlayerLibraries));
  TMemoryVideoSink sink;
  TMediaPlayer player;
  std::vector<int64_t> positions;
  player.OnPosition = [&](TCustomPlayer*, int64_t pts) { positions.push_back(pts); };
  ASSERT_TRUE(player.Open(fixtures::PlayerAvClip(), &sink, false)) << player.LastErrMsg();
  ASSERT_TRUE(WaitFor([&] { return !positions.empty(); }));
  player.Stop(true);  // returns only when the play and event threads have ended
  EXPECT_EQ(player.PlayState(), S::psStop);
  EXPECT_EQ(player.PendingEvents(), 0);
}

// Serves a WAV file over TCP, then holds the connection open without sending more or closing it.
class StallingServer {
 public:
  explicit StallingServer(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    data_.assign(std::istreambuf_iterator<char>(in), {});
    listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listen_, 1);
    socklen_t len = sizeof addr;
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] {
      const int conn = ::accept(listen_, nullptr, nullptr);
      if (conn < 0) return;
      const size_t part = data_.size();
      for (size_t sent = 0; sent < part;) {
        const ssize_t n = ::send(conn, data_.data() + sent, part - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
      char c;
      ::recv(conn, &c, 1, 0);  // until the player hangs up or the test shuts the socket
      ::close(conn);
    });
  }
  ~StallingServer() {
    ::shutdown(listen_, SHUT_RDWR);
    ::close(listen_);
    thread_.join();
  }
  std::string Url() const { return "tcp://127.0.0.1:" + std::to_string(port_); }

 private:
  std::vector<char> data_;
  int listen_ = -1;
  int port_ = 0;
  std::thread thread_;
};

TEST_F(PlayerTest, StopReturnsWhileTheReadThreadIsBlocked) {
  StallingServer server(fixtures::PlayerToneClip());
  ASSERT_TRUE(player.Open(server.Url(), &sink, false)) << player.LastErrMsg();
  // Past 1.6 s the whole file has been read (the queue holds less than two seconds of it).
  ASSERT_TRUE(WaitFor([&] { return LastPosition() >= 1'600'000; }));
  // The read thread has read everything and waits for data that never comes: no end of file either.
  player.Stop(true);
  EXPECT_EQ(states.back(), S::psStop);
  EXPECT_TRUE(player.Paused());
}

}  // namespace
}  // namespace player
