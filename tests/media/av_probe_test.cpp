#include "media/av_probe.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <sstream>
#include <vector>

#include "fixtures/media_fixtures.h"
#include "fixtures/probe_fixtures.h"
#include "media/av.h"
#include "media/ff_logger.h"
#include "media/probe_text.h"
#include "media/unicode_io.h"
#include "support/media_libraries.h"

namespace {

namespace fs = std::filesystem;
using media::TLogLevel;

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

bool hasLine(const std::string& text, const std::string& wanted) {
  for (const std::string& line : lines(text))
    if (line == wanted) return true;
  return false;
}

std::string lineStartingWith(const std::string& text, const std::string& prefix) {
  for (const std::string& line : lines(text))
    if (line.rfind(prefix, 0) == 0) return line;
  return "";
}

struct Logged {
  const void* sender;
  TLogLevel level;
  std::string text;
};

class ProbeTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries));
    media::FFLogger().SetOnLog(
        [this](const void* sender, uint32_t, TLogLevel level, const std::string& text) {
          if (sender == &probe_) logged_.push_back({sender, level, text});
        });
  }
  void TearDown() override { media::FFLogger().SetOnLog(nullptr); }

  media::TAVProbe probe_;
  std::vector<Logged> logged_;
};

TEST_F(ProbeTest, FileFactsOfAnAvi) {
  const std::string path = fixtures::AviMpeg4Mp3();
  ASSERT_TRUE(probe_.LoadFile(path)) << probe_.LastErrMsg();
  EXPECT_EQ(probe_.FileName(), path);
  EXPECT_EQ(probe_.FormatName(), "avi");
  EXPECT_EQ(probe_.FileSize(), static_cast<int64_t>(fs::file_size(path)));
  EXPECT_EQ(probe_.StreamCount(), 2);
  EXPECT_EQ(probe_.ProgramCount(), 0);
  EXPECT_EQ(probe_.VideoStreamCount(), 1);
  EXPECT_EQ(probe_.AudioStreamCount(), 1);
  EXPECT_EQ(probe_.SubtitleStreamCount(), 0);
  EXPECT_EQ(probe_.FirstVideoStreamIndex(), 0);
  EXPECT_EQ(probe_.FirstAudioStreamIndex(), 1);
  EXPECT_EQ(probe_.FirstSubtitleStreamIndex(), -1);
  EXPECT_TRUE(probe_.IsVideoStream(0));
  EXPECT_TRUE(probe_.IsAudioStream(1));
  EXPECT_FALSE(probe_.IsSubtitleStream(1));

  const media::TFileStreamInfo file = probe_.FileStreamInfo();
  EXPECT_NEAR(file.Duration / 1e6, 2.0, 0.1);
  EXPECT_EQ(file.StartTime, 0);
  EXPECT_GT(file.BitRate, 0);

  const media::TVideoStreamInfo video = probe_.FirstVideoStreamInfo();
  EXPECT_EQ(video.Width, 160);
  EXPECT_EQ(video.Height, 120);
  EXPECT_FLOAT_EQ(video.AspectRatio, 4.0f / 3.0f);
  EXPECT_EQ(video.PixFmt, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(av_cmp_q(video.FrameRate, AVRational{25, 1}), 0);
  EXPECT_EQ(video.CodecName, "mpeg4(MPEG-4 part 2)");
  EXPECT_EQ(video.StartTimeScaled, 0);
  EXPECT_NEAR(video.DurationScaled / 1e6, 2.0, 0.1);
  EXPECT_EQ(video.Duration, video.DurationScaled / 40000);  // raw, in the stream's 1/25 time base

  const media::TAudioStreamInfo audio = probe_.AudioStreamInfo(1);
  EXPECT_EQ(audio.Channels, 2);
  EXPECT_EQ(audio.SampleRate, 44100);
  EXPECT_EQ(audio.CodecName.rfind("mp3", 0), 0u) << audio.CodecName;
  EXPECT_EQ(audio.Language, "");
  EXPECT_TRUE(logged_.empty());
}

TEST_F(ProbeTest, FileInfoTextOfAnAvi) {
  const std::string path = fixtures::AviMpeg4Mp3();
  ASSERT_TRUE(probe_.LoadFile(path));
  const std::string text = probe_.FileInfoText();
  const std::vector<std::string> got = lines(text);
  ASSERT_GE(got.size(), 9u) << text;
  EXPECT_EQ(got[0], "File Name: " + path);
  EXPECT_EQ(got[1], "Format Name: avi");
  EXPECT_EQ(got[2], "Format Long Name: AVI (Audio Video Interleaved)");
  EXPECT_EQ(got[3], "File Size: " + media::SizeToText(static_cast<int64_t>(fs::file_size(path))));
  EXPECT_EQ(got[4], "Duration: " + media::DurationToText(probe_.FileStreamInfo().Duration));
  EXPECT_EQ(got[5], "StartTime: 0.000000");
  EXPECT_EQ(got[6].rfind("Bit Rate: ", 0), 0u);
  EXPECT_EQ(got[6].substr(got[6].size() - 5), " kb/s");
  EXPECT_EQ(text.back(), '\n');
  const std::string video = lineStartingWith(text, "Stream #0");
  EXPECT_EQ(video.rfind("Stream #0, 1/25: Video: mpeg4", 0), 0u) << video;
  EXPECT_NE(video.find(", 25 fps, 25 tbr, 25 tbn, StartTime: 0.000000, Duration: 00:00:02."),
            std::string::npos)
      << video;
  EXPECT_EQ(video.find("PAR"), std::string::npos);  // the stream's ratio is the codec's
  const std::string audio = lineStartingWith(text, "Stream #1");
  EXPECT_EQ(audio.rfind("Stream #1, 32/1225: Audio: mp3", 0), 0u) << audio;
  EXPECT_EQ(audio.find("fps"), std::string::npos);
}

TEST_F(ProbeTest, Id3TagsAreShownWithTheirGenericKeys) {
  ASSERT_TRUE(probe_.LoadFile(fixtures::Mp3WithTags()));
  const std::string text = probe_.FileInfoText();
  EXPECT_TRUE(hasLine(text, "Metadata:")) << text;
  EXPECT_TRUE(hasLine(text, "  title           : Probe Title")) << text;
  EXPECT_TRUE(hasLine(text, "  artist          : Probe Artist")) << text;
  const media::TFileStreamInfo info = probe_.FileStreamInfo();
  EXPECT_EQ(info.Title, "Probe Title");
  EXPECT_EQ(info.Author, "Probe Artist");
  EXPECT_EQ(probe_.VideoStreamCount(), 0);
}

TEST_F(ProbeTest, ALanguageOnlyTagShowsInTheStreamLineWithoutATagBlock) {
  ASSERT_TRUE(probe_.LoadFile(fixtures::MkvLanguageOnly()));
  const std::vector<std::string> got = lines(probe_.FileInfoText());
  size_t audio = 0;
  while (audio < got.size() && got[audio].rfind("Stream #1", 0) != 0) ++audio;
  ASSERT_LT(audio, got.size());
  EXPECT_EQ(got[audio].rfind("Stream #1(chi), 1/1000: Audio: mp3", 0), 0u) << got[audio];
  if (audio + 1 < got.size()) {
    EXPECT_NE(got[audio + 1], "  Metadata:");
  }
  EXPECT_EQ(probe_.FirstAudioStreamInfo().Language, "chi");
}

TEST_F(ProbeTest, ProgramsStreamIdsAndFractionalRates) {
  ASSERT_TRUE(probe_.LoadFile(fixtures::TsWithPrograms()));
  const std::string text = probe_.FileInfoText();
  EXPECT_EQ(probe_.ProgramCount(), 1);
  const std::vector<std::string> got = lines(text);
  size_t program = 0;
  while (program < got.size() && got[program].rfind("Program ", 0) != 0) ++program;
  ASSERT_LT(program, got.size()) << text;
  EXPECT_EQ(got[program], "Program 1 FFmpeg@Service01");
  // The program's streams follow its tags, each once.
  const std::string video = lineStartingWith(text, "Stream #0");
  EXPECT_EQ(video.rfind("Stream #0[0x100], 1/90000: Video: mpeg2video", 0), 0u) << video;
  EXPECT_NE(video.find(", 29.97 fps, 29.97 tbr, 90k tbn"), std::string::npos) << video;
  size_t streamLines = 0;
  for (const std::string& line : got) streamLines += line.rfind("Stream #", 0) == 0;
  EXPECT_EQ(streamLines, 2u) << text;
}

TEST_F(ProbeTest, ARawStreamHasNoDuration) {
  ASSERT_TRUE(probe_.LoadFile(fixtures::RawVideoStream()));
  const std::string text = probe_.FileInfoText();
  EXPECT_TRUE(hasLine(text, "Duration: N/A")) << text;
  EXPECT_TRUE(hasLine(text, "Bit Rate: N/A")) << text;
  EXPECT_NE(lineStartingWith(text, "Stream #0").find(", Duration: N/A"), std::string::npos) << text;
  EXPECT_EQ(probe_.FileStreamInfo().Duration, -1);
  EXPECT_EQ(probe_.FirstVideoStreamInfo().DurationScaled, -1);
}

TEST_F(ProbeTest, ChineseNameWithBlanks) {
  const std::string path = fixtures::ChineseNamedClip();
  ASSERT_TRUE(probe_.LoadFile(path)) << probe_.LastErrMsg();
  EXPECT_EQ(lines(probe_.FileInfoText())[0], "File Name: " + path);
}

TEST_F(ProbeTest, TruncatedFileOpensWithWhatItHas) {
  ASSERT_TRUE(probe_.LoadFile(fixtures::TruncatedVideo())) << probe_.LastErrMsg();
  EXPECT_EQ(probe_.StreamCount(), 2);
  EXPECT_LT(probe_.FileStreamInfo().Duration, 1500000);
}

TEST_F(ProbeTest, FailuresLeaveNoFileAndSayWhy) {
  const std::string missing = fixtures::FixtureDir() + "/probe_missing 文件.avi";
  const struct {
    std::string file;
    std::string format;
    std::string message;
    bool logged;
  } cases[] = {
      {fixtures::TextNamedLikeVideo(), "",
       fixtures::TextNamedLikeVideo() + ": Invalid data found when processing input", true},
      {missing, "", missing + ": No such file or directory", true},
      {fixtures::AviMpeg4Mp3(), "no_such_format", "Unknown input format: no_such_format", false},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(probe_.LoadFile(fixtures::AviMpeg4Mp3()));
    logged_.clear();
    EXPECT_FALSE(probe_.LoadFile(c.file, c.format));
    EXPECT_EQ(probe_.LastErrMsg(), c.message);
    EXPECT_EQ(probe_.FileHandle(), nullptr);
    EXPECT_EQ(probe_.StreamCount(), -1);
    EXPECT_EQ(probe_.FileSize(), -1);
    ASSERT_EQ(logged_.size(), c.logged ? 1u : 0u) << c.message;
    if (c.logged) {
      EXPECT_EQ(logged_[0].level, TLogLevel::llError);
      EXPECT_EQ(logged_[0].text, c.message);
    }
  }
}

TEST_F(ProbeTest, ForcedFormat) {
  ASSERT_TRUE(probe_.LoadFile(fixtures::AviMpeg4Mp3(), "avi"));
  EXPECT_EQ(probe_.ForceFormat(), "avi");
  probe_.CloseFile();
  EXPECT_EQ(probe_.ForceFormat(), "");
  // A format that does not fit the file.
  EXPECT_FALSE(probe_.LoadFile(fixtures::AviMpeg4Mp3(), "mpegts"));
}

TEST_F(ProbeTest, QueriesWithoutAFileOrWithBadIndexes) {
  const struct {
    const char* what;
    std::function<void(media::TAVProbe&)> call;
    const char* message;
    TLogLevel level;
    bool needsFile;
  } cases[] = {
      {"info text", [](auto& p) { EXPECT_EQ(p.FileInfoText(), ""); }, "file not loaded.",
       TLogLevel::llWarning, false},
      {"file info", [](auto& p) { EXPECT_EQ(p.FileStreamInfo().Duration, -1); }, "file not loaded.",
       TLogLevel::llWarning, false},
      {"is audio", [](auto& p) { EXPECT_FALSE(p.IsAudioStream(0)); }, "file not loaded.",
       TLogLevel::llWarning, false},
      {"index", [](auto& p) { EXPECT_FALSE(p.IsVideoStream(2)); }, "stream index #2 is invalid.",
       TLogLevel::llError, true},
      {"negative", [](auto& p) { EXPECT_FALSE(p.IsSubtitleStream(-1)); }, "stream index #-1 is invalid.",
       TLogLevel::llError, true},
      {"kind", [](auto& p) { EXPECT_EQ(p.VideoStreamInfo(1).Width, -1); }, "stream #1 is not video stream.",
       TLogLevel::llError, true},
      {"audio kind", [](auto& p) { EXPECT_EQ(p.AudioStreamInfo(0).Channels, -1); },
       "stream #0 is not audio stream.", TLogLevel::llError, true},
      {"first", [](auto& p) { EXPECT_EQ(p.FirstSubtitleStreamInfo().CodecName, ""); }, "no subtitle stream.",
       TLogLevel::llError, true},
      {"info index", [](auto& p) { EXPECT_EQ(p.AudioStreamInfo(7).SampleRate, -1); },
       "stream index #7 is invalid.", TLogLevel::llError, true},
  };
  for (const auto& c : cases) {
    if (c.needsFile)
      ASSERT_TRUE(probe_.LoadFile(fixtures::AviMpeg4Mp3()));
    else
      probe_.CloseFile();
    logged_.clear();
    c.call(probe_);
    EXPECT_EQ(probe_.LastErrMsg(), c.message) << c.what;
    ASSERT_EQ(logged_.size(), 1u) << c.what;
    EXPECT_EQ(logged_[0].level, c.level) << c.what;
    EXPECT_EQ(logged_[0].text, c.message) << c.what;
  }
}

struct InputCloser {
  void operator()(AVFormatContext* ctx) const { media::CloseInput(&ctx); }
};

std::unique_ptr<AVFormatContext, InputCloser> openClip(const std::string& path) {
  AVFormatContext* ctx = nullptr;
  if (media::OpenInput(&ctx, path, nullptr, nullptr) < 0) return nullptr;
  std::unique_ptr<AVFormatContext, InputCloser> owned(ctx);
  if (av::avformat_find_stream_info(ctx, nullptr) < 0) return nullptr;
  return owned;
}

TEST_F(ProbeTest, AHandedInContextIsReadButNotClosed) {
  auto ctx = openClip(fixtures::AviMpeg4Mp3());
  ASSERT_TRUE(ctx);
  // Facts the libraries may leave unset, and a time base that is not in lowest terms.
  ctx->duration = AV_NOPTS_VALUE;
  ctx->start_time = AV_NOPTS_VALUE;
  ctx->streams[0]->time_base = {2, 50};
  ctx->streams[0]->start_time = AV_NOPTS_VALUE;
  ctx->streams[0]->sample_aspect_ratio = {2, 1};  // differs from the codec's 1:1
  probe_.SetFileHandle(ctx.get());
  EXPECT_EQ(probe_.FileHandle(), ctx.get());
  EXPECT_EQ(probe_.StreamCount(), 2);
  const std::string text = probe_.FileInfoText();
  EXPECT_TRUE(hasLine(text, "Duration: N/A")) << text;
  EXPECT_EQ(lineStartingWith(text, "StartTime:"), "") << text;
  const std::string video = lineStartingWith(text, "Stream #0");
  EXPECT_EQ(video.rfind("Stream #0, 1/25: Video: mpeg4", 0), 0u) << video;
  EXPECT_NE(video.find(", PAR 2:1 DAR 8:3, "), std::string::npos) << video;
  EXPECT_EQ(video.find("StartTime"), std::string::npos) << video;
  probe_.CloseFile();
  EXPECT_EQ(probe_.FileHandle(), nullptr);
  EXPECT_EQ(ctx->nb_streams, 2u);  // still open: the probe did not own it
  AVPacket* packet = av::av_packet_alloc();
  EXPECT_GE(av::av_read_frame(ctx.get(), packet), 0);
  av::av_packet_free(&packet);
}

TEST_F(ProbeTest, TimeStampFromTheCreationTimeInLocalTime) {
  auto ctx = openClip(fixtures::AviMpeg4Mp3());
  ASSERT_TRUE(ctx);
  av::av_dict_set(&ctx->metadata, "creation_time", "2020-01-02T03:04:05.000000Z", 0);
  const char* oldTz = std::getenv("TZ");
  const std::string saved = oldTz ? oldTz : "";
  ::setenv("TZ", "UTC-8", 1);  // eight hours east of UTC
  ::tzset();
  probe_.SetFileHandle(ctx.get());
  const std::string text = probe_.FileInfoText();
  EXPECT_EQ(probe_.FileStreamInfo().TimeStamp, 1577934245);
  EXPECT_TRUE(hasLine(text, "Time Stamp: 2020-01-02 11:04:05")) << text;
  if (oldTz)
    ::setenv("TZ", saved.c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
  probe_.CloseFile();
}

TEST_F(ProbeTest, WithoutTheLibrariesOperationsThrow) {
  media::TFFmpegLoader& loader = media::Loader();
  loader.Unload(media::TLibrary::swScale);
  EXPECT_FALSE(probe_.AVLibLoaded());
  try {
    probe_.LoadFile(fixtures::AviMpeg4Mp3());
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "LibSwScale not loaded.");
  }
  EXPECT_THROW(probe_.SetFileHandle(nullptr), std::runtime_error);
  EXPECT_TRUE(probe_.LoadAVLib(""));
  EXPECT_TRUE(probe_.AVLibLoaded());
  EXPECT_TRUE(probe_.LoadFile(fixtures::AviMpeg4Mp3()));
}

}  // namespace
