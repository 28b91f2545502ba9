#pragma once
// Clips, output records and small waits shared by the converter tests.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "base/main_thread.h"
#include "engine/records/options_records.h"
#include "fixtures/media_fixtures.h"
#include "media/av.h"
#include "media/unicode_io.h"

namespace convtest {

// Short: converts in a fraction of a second.
inline std::string ShortClip() {
  return fixtures::MakeClip({.name = "converter_short.avi", .width = 160, .height = 120, .seconds = 1.0});
}

// Long enough that a run is still going when the test acts on its first progress report.
inline std::string LongClip() {
  return fixtures::MakeClip({.name = "converter_long.avi", .width = 320, .height = 240, .seconds = 12.0});
}

// A file that is not media, named like a video.
inline std::string NotMediaFile() {
  const std::string path = fixtures::FixtureDir() + "/converter_not_media.avi";
  if (!std::filesystem::exists(path)) {
    FILE* f = std::fopen(path.c_str(), "w");
    std::fputs("This is a text file, not a video.\n", f);
    std::fclose(f);
  }
  return path;
}

// A fresh folder for one test's outputs.
inline std::string OutputFolder(const std::string& ATestName) {
  const std::string dir = fixtures::FixtureDir() + "/converter_out/" + ATestName;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// MPEG-4 video and AAC sound in MP4: the container is only readable once its trailer was written.
inline engine::TOutputOptions Mp4Record() {
  engine::TOutputOptions record;
  record.VideoCodec = "mpeg4";
  record.AudioCodec = "aac";
  return record;
}

// Serves the main thread's hand-overs until APred holds; false after a generous limit (a hang).
inline bool WaitFor(const std::function<bool()>& APred,
                    std::chrono::seconds ALimit = std::chrono::seconds(120)) {
  return base::MainThread::waitUntil(APred, ALimit);
}

struct TMediaFacts {
  bool Readable = false;
  int Streams = 0;
  double Seconds = 0;
};

// Opens a file as the libraries would and reads its streams and duration.
inline TMediaFacts ProbeOutput(const std::string& APath) {
  TMediaFacts facts;
  AVFormatContext* ctx = nullptr;
  if (media::OpenInput(&ctx, APath, nullptr, nullptr) < 0) return facts;
  if (av::avformat_find_stream_info(ctx, nullptr) >= 0) {
    facts.Readable = true;
    facts.Streams = static_cast<int>(ctx->nb_streams);
    facts.Seconds = ctx->duration > 0 ? ctx->duration / 1e6 : 0;
  }
  media::CloseInput(&ctx);
  return facts;
}

}  // namespace convtest
