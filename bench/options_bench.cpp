// Cost of translating option records per task: reset, record translation with a target or a built-in
// preset, and the worst case of option names no table knows (every encoder and format is searched).
#include <chrono>
#include <cstdio>
#include <functional>

#include "engine/ffmpeg/options/ffmpeg_options.h"
#include "media/ffmpeg_loader.h"

namespace {

class TBenchOptions : public engine::TFFmpegOptions {
 protected:
  int InputFileCount() const override { return 1; }
  int OutputFileCount() const override { return 1; }
  std::vector<AVRational> InputVideoTimeBases() const override { return {{1, 25}}; }
  void DoNewStream(AVMediaType) override {}
  bool DoAddFrameHook(const std::string&) override { return true; }
  void DoSetTotalOutputDuration(int64_t) override {}
};

void Measure(const char* ATitle, int ARounds, const std::function<void()>& AWork) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < ARounds; ++i) AWork();
  const double us =
      std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / ARounds;
  std::printf("%-48s %10.1f us per task\n", ATitle, us);
}

}  // namespace

int main() {
  media::SetupFloatingPoint();
  if (!media::Loader().Load(media::kConverterLibraries)) {
    std::fprintf(stderr, "%s\n", media::Loader().LastErrMsg().c_str());
    return 1;
  }
  media::FFLogger().SetLogLevel(media::TLogLevel::llQuiet);
  TBenchOptions options;

  engine::TOutputOptions plain;
  plain.VideoCodec = "mpeg4";
  plain.AudioCodec = "aac";
  plain.VideoBitrate = 800000;
  plain.AudioBitrate = 128000;
  plain.FrameSize = "320x240";
  Measure("reset + plain MP4 record", 200, [&] {
    options.ResetOptions();
    options.TranslateOutputOptions(plain);
  });

  engine::TOutputOptions x264 = plain;
  x264.VideoCodec = "libx264";
  x264.VideoPreset = "default";
  Measure("reset + libx264 record with preset \"default\"", 200, [&] {
    options.ResetOptions();
    options.TranslateOutputOptions(x264);
  });

  engine::TOutputOptions dvd;
  dvd.TargetType = engine::TOptionTargetType::ttDVD;
  dvd.NormType = engine::TOptionNormType::ntPAL;
  Measure("reset + DVD target record", 200, [&] {
    options.ResetOptions();
    options.TranslateOutputOptions(dvd);
  });

  engine::TOutputOptions unknown = plain;
  unknown.ExtOptions = "no_such_a=1\nno_such_b=2\nno_such_c=3\nno_such_d=4\nno_such_e=5";
  Measure("reset + plain record with 5 unknown ExtOptions", 200, [&] {
    options.ResetOptions();
    options.TranslateOutputOptions(unknown);
  });
  return 0;
}
