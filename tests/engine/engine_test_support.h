#pragma once
// Shared helpers of the engine tests: one engine task made the way the component makes it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "engine/ffmpeg/custom_ffmpeg.h"
#include "engine/records/options_records.h"
#include "fixtures/engine_clips.h"
#include "fixtures/media_fixtures.h"
#include "media/ff_logger.h"
#include "support/media_libraries.h"

namespace enginetest {

// A fresh task: every option at its default, quiet so that test logs stay short.
inline std::unique_ptr<engine::TCustomFFmpeg> NewTask() {
  auto task = std::make_unique<engine::TCustomFFmpeg>(20);
  task->ResetEngine();
  task->ParseOption("v", "0");
  return task;
}

inline engine::TOutputOptions OutputOptions(const std::string& AVideoCodec, const std::string& AAudioCodec) {
  engine::TOutputOptions options;
  options.VideoCodec = AVideoCodec;
  options.AudioCodec = AAudioCodec;
  return options;
}

// Collects the log lines up to a level (warnings and worse by default) while it lives.
class LogCapture {
 public:
  explicit LogCapture(media::TLogLevel AUpTo = media::TLogLevel::llWarning) {
    media::FFLogger().SetOnLog(
        [this, AUpTo](const void*, uint32_t, media::TLogLevel ALevel, const std::string& AMsg) {
          if (ALevel <= AUpTo) text_ += AMsg + "\n";
        });
  }
  ~LogCapture() { media::FFLogger().SetOnLog(nullptr); }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

inline bool FileExists(const std::string& APath) { return std::filesystem::exists(APath); }

}  // namespace enginetest
