#pragma once
// A TFFmpegOptions with fake files: it counts inputs and outputs as a test sets them and records what the
// dispatcher asked of the engine, with the option state at that moment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ffmpeg/options/ffmpeg_options.h"
#include "media/ff_logger.h"
#include "support/media_libraries.h"

namespace testoptions {

class TTestOptions : public engine::TFFmpegOptions {
 public:
  using engine::TFFmpegOptions::TFFmpegOptions;

  struct TNewStream {
    AVMediaType Type;
    std::string CodecName;  // the pending encoder name of that type when the stream was added
    bool StreamCopy;
    std::string Filters;
    int Width, Height;
  };

  int Inputs = 0;
  int Outputs = 0;
  std::vector<AVRational> TimeBases;
  std::vector<TNewStream> NewStreams;
  std::vector<std::string> Hooks;
  bool HookResult = true;
  int64_t TotalDuration = -1;

  const engine::TOptionState& S() const { return OptionState(); }

 protected:
  int InputFileCount() const override { return Inputs; }
  int OutputFileCount() const override { return Outputs; }
  std::vector<AVRational> InputVideoTimeBases() const override { return TimeBases; }
  void DoNewStream(AVMediaType AType) override {
    const bool video = AType == AVMEDIA_TYPE_VIDEO, audio = AType == AVMEDIA_TYPE_AUDIO;
    NewStreams.push_back({AType,
                          video   ? Fvideo_codec_name
                          : audio ? Faudio_codec_name
                                  : Fsubtitle_codec_name,
                          (video   ? Fvideo_stream_copy
                           : audio ? Faudio_stream_copy
                                   : Fsubtitle_stream_copy) != 0,
                          Fvfilters, Fframe_width, Fframe_height});
  }
  bool DoAddFrameHook(const std::string& AArgs) override {
    Hooks.push_back(AArgs);
    return HookResult;
  }
  void DoSetTotalOutputDuration(int64_t AMicroseconds) override { TotalDuration = AMicroseconds; }
};

struct TLogLine {
  const void* Sender;  // the engine for its own lines, the logger for the libraries' lines
  media::TLogLevel Level;
  std::string Text;
};

// Libraries loaded, a freshly reset engine, and every log line of the test collected.
class OptionsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries));
    media::FFLogger().SetTriggerEventInMainThread(false);
    media::FFLogger().SetLogLevel(media::TLogLevel::llDebug);
    media::FFLogger().SetOnLog(
        [this](const void* ASender, uint32_t, media::TLogLevel ALevel, const std::string& AMsg) {
          Log.push_back({ASender, ALevel, AMsg});
        });
    O.ResetOptions();
  }
  void TearDown() override { media::FFLogger().SetOnLog(nullptr); }

  bool Logged(media::TLogLevel ALevel, const std::string& AText) const {
    for (const TLogLine& line : Log)
      if (line.Level == ALevel && line.Text.find(AText) != std::string::npos) return true;
    return false;
  }
  int64_t CodecInt(AVMediaType AType, const char* AName) const {
    int64_t value = 0;
    EXPECT_GE(av::av_opt_get_int(O.GenericOptions().CodecContext(AType), AName, 0, &value), 0) << AName;
    return value;
  }

  TTestOptions O;
  std::vector<TLogLine> Log;
};

}  // namespace testoptions
