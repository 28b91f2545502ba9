#include "engine/ffmpeg/custom_ffmpeg.h"

#include <stdexcept>

#include "base/text.h"
#include "engine/ffmpeg/file_entries.h"
#include "engine/ffmpeg/post_hook_lock.h"
#include "engine/ffmpeg/transcode_tables.h"
#include "media/ff_logger.h"

namespace engine {

namespace {

int CheckedCapacity(int AMaxFiles) {
  if (AMaxFiles < 1 || AMaxFiles > 512)
    throw std::invalid_argument(base::Format("max files %d out of range 1..512", AMaxFiles));
  return AMaxFiles;
}

}  // namespace

std::recursive_mutex& PostHookLock() {
  static std::recursive_mutex lock;
  return lock;
}

TCustomFFmpeg::TCustomFFmpeg(int AMaxFiles) : TFFmpegOptions(CheckedCapacity(AMaxFiles)) {}

TCustomFFmpeg::~TCustomFFmpeg() {
  try {
    CleanUp();
  } catch (...) {
    // A destructor must not throw; CleanUp logs what it can.
  }
}

void TCustomFFmpeg::ResetEngine() {
  CleanUp();
  ResetOptions();
  FJoinMode = false;
  FBroken = false;
  FFinished = false;
  FFatalException = false;
  FFatalMessage.clear();
  FTotalOutputDuration = -1;
  SetPostHooks(0);
  FHookFrameNumber = 0;
}

bool TCustomFFmpeg::AddInputFile(const std::string& AFileName, const TInputOptions* AOptions) {
  try {
    if (AOptions) TranslateInputOptions(*AOptions);
    return OpenInputFile(AFileName);
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    return false;
  }
}

bool TCustomFFmpeg::SetOutputFile(const std::string& AFileName, const TOutputOptions* AOptions) {
  const size_t entriesBefore = Foutput_files.size();
  const bool joinBefore = FJoinMode;
  try {
    TOutputDefaults defaults;
    if (AOptions) defaults = TranslateOutputOptions(*AOptions);
    if (OpenOutputFile(AFileName, AOptions && AOptions->Join) < 0) return false;
    if (AOptions) AddExtraStreams(*AOptions, defaults);
    return true;
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    // An output whose extra streams failed is dropped again, so the task's outputs stay as they were.
    Foutput_files.resize(entriesBefore);
    FJoinMode = joinBefore;
    return false;
  }
}

AVFormatContext* TCustomFFmpeg::InputContext(int AIndex) const {
  if (AIndex < 0 || AIndex >= nb_input_files()) return nullptr;
  return Finput_files[AIndex]->ctx;
}

void TCustomFFmpeg::SetPostHooks(TPostHooks AHooks) {
  std::lock_guard lock(PostHookLock());
  FPostHooks = AHooks;
}

std::vector<AVRational> TCustomFFmpeg::InputVideoTimeBases() const {
  std::vector<AVRational> result;
  for (const auto& entry : Finput_files)
    for (unsigned i = 0; i < entry->ctx->nb_streams; ++i) {
      const AVStream* st = entry->ctx->streams[i];
      if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
      AVRational rate = st->r_frame_rate.num ? st->r_frame_rate : st->avg_frame_rate;
      if (rate.num && rate.den) result.push_back(av_inv_q(rate));
    }
  return result;
}

void TCustomFFmpeg::DoNewStream(AVMediaType AType) {
  if (Foutput_files.empty()) throw FFmpegException("At least one output file must be specified");
  TOutputFileEntry& entry = *Foutput_files.back();
  const int fileIndex = nb_output_files() - 1;
  switch (AType) {
    case AVMEDIA_TYPE_VIDEO:
      NewVideoStream(entry.ctx, fileIndex);
      break;
    case AVMEDIA_TYPE_AUDIO:
      NewAudioStream(entry.ctx, fileIndex);
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      NewSubtitleStream(entry.ctx, fileIndex);
      break;
    default:
      throw FFmpegException("invalid codec_type");
  }
}

bool TCustomFFmpeg::DoAddFrameHook(const std::string& AArgs) {
  // Frame-hook libraries are not loaded by this engine; the option fails with its message.
  LogMsg(media::TLogLevel::llError, "Frame hooks are not available: " + AArgs);
  return false;
}

TConversionOutcome TCustomFFmpeg::RunConversion() {
  auto record = [this](const std::string& AMsg) {
    media::FFLogger().Log(this, media::TLogLevel::llQuiet, AMsg);
    FFatalException = true;
    FFatalMessage = AMsg;
  };
  auto guarded = [&](auto&& AStep) {
    try {
      AStep();
    } catch (const std::exception& e) {
      record(e.what());
    } catch (...) {
      record("Unknown error");
    }
  };
  FFinished = false;
  guarded([this] { Transcode(); });
  guarded([this] { CloseEncoders(); });
  guarded([this] { CloseDecoders(); });
  guarded([this] { CleanUp(); });
  if (FFatalException) return TConversionOutcome::coFailed;
  return FFinished ? TConversionOutcome::coFinished : TConversionOutcome::coStopped;
}

void TCustomFFmpeg::CloseEncoders() {
  for (auto& ost : Fost_table) {
    if (!ost->encoder_opened) continue;
    ost->encoder_opened = false;
    ost->enc.reset();  // frees under CodecLock
  }
}

void TCustomFFmpeg::CloseDecoders() {
  for (auto& ist : Fist_table) ist->dec.reset();
}

void TCustomFFmpeg::CleanUp() {
  if (!av::avformat_free_context) return;  // libraries never loaded: nothing can be held
  // Outputs that got a header but no trailer (an error ended the loop) still get one, so that what was
  // written stays readable.
  for (auto& entry : Foutput_files)
    if (entry->header_written && !entry->trailer_written) {
      entry->trailer_written = true;
      av::av_write_trailer(entry->ctx);
    }
  Fost_table.clear();
  Fist_table.clear();
  Ffile_table.clear();
  Fno_packet.clear();
  Foutput_files.clear();  // closes each file once, deleting any left at 0 bytes
  Finput_files.clear();
  Fvstats_file.reset();
  Fpkt.reset();
  Fenc_pkt.reset();
  ReleaseHooks();
}

}  // namespace engine
