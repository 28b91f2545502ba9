// Progress reports, the final report and the video statistics file.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/text.h"
#include "engine/ffmpeg/custom_ffmpeg.h"
#include "engine/ffmpeg/file_entries.h"
#include "engine/ffmpeg/transcode_tables.h"
#include "media/ff_logger.h"

namespace engine {

namespace {

double Psnr(double AError) { return -10.0 * std::log10(std::max(AError, 1e-10)); }

}  // namespace

// "PSNR=Y:.. U:.. V:.. *:.. " of the last frame, or of the whole stream in the last report.
std::string TCustomFFmpeg::PsnrText(const TAVOutputStream& AOst, bool AWholeStream) const {
  const double pixels = static_cast<double>(AOst.enc->width) * AOst.enc->height;
  const double frames = AWholeStream ? std::max(AOst.frame_number, 1) : 1;
  std::string text = "PSNR=";
  double sumError = 0, sumScale = 0;
  for (int i = 0; i < 3; ++i) {
    const double scale = pixels * 255.0 * 255.0 * frames / (i ? 4.0 : 1.0);
    const double error = static_cast<double>(AWholeStream ? AOst.total_error[i] : AOst.last_error[i]);
    sumError += error;
    sumScale += scale;
    text += base::Format("%c:%2.2f ", "YUV"[i], Psnr(error / scale));
  }
  return text + base::Format("*:%2.2f ", Psnr(sumError / sumScale));
}

int64_t TCustomFFmpeg::OutputSize() const {
  if (Foutput_files.empty()) return 0;
  AVIOContext* pb = Foutput_files[0]->ctx->pb;
  if (!pb) return 0;
  // The file's size, or the write position when that is further (data still in the buffer).
  return std::max<int64_t>(av::avio_size(pb), av::avio_seek(pb, 0, SEEK_CUR));
}

void TCustomFFmpeg::PrintReport(bool AIsLastReport, int AFileIndex) {
  const int64_t totalSize = OutputSize();
  const double elapsed = static_cast<double>(av::av_gettime_relative() - Ftimer_start) / 1e6;
  std::string line;
  bool video = false;
  int frameNumber = -1;
  int fps = -1;
  float quality = -1.0f;
  double outputTime = 1e10;
  for (const auto& ostPtr : Fost_table) {
    const TAVOutputStream& ost = *ostPtr;
    if (ost.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
      const float q = ost.stream_copy || ost.last_quality < 0
                          ? -1.0f
                          : static_cast<float>(ost.last_quality / FF_QP2LAMBDA);
      if (!video && ost.show_fps) {
        frameNumber = ost.frame_number;
        // A video output that has not encoded a picture yet says nothing at all.
        if (frameNumber < 1) return;
        fps = elapsed > 1 ? static_cast<int>(frameNumber / elapsed + 0.5) : 0;
        quality = q;
        line += base::Format("frame=%5d fps=%3d q=%3.1f ", frameNumber, fps, q);
        if (AIsLastReport) line += "L";
        if (Fqp_hist)
          for (int count : Fqp_histogram) line += base::Format("%X", static_cast<int>(std::log2(count + 1)));
        if (Fdo_psnr && ost.enc) line += PsnrText(ost, AIsLastReport);
        video = true;
      } else if (video) {
        line += base::Format("q=%2.1f ", q);
      }
    }
    if (ost.out_time > 0 && ost.out_time < outputTime) outputTime = ost.out_time;
  }
  // Nothing written yet reads as the start, not as 10^10 seconds.
  if (outputTime >= 1e10 || outputTime < 0.01) outputTime = 0.01;

  if (FOnProgress || Fverbose > 0 || AIsLastReport) {
    const double bitrate = static_cast<double>(totalSize) * 8 / outputTime / 1000.0;
    line +=
        base::Format("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", totalSize / 1024.0, outputTime, bitrate);
    if (Fnb_frames_dup || Fnb_frames_drop) {
      line += base::Format(" dup=%d drop=%d", Fnb_frames_dup, Fnb_frames_drop);
      if (FShowDupOrDrop && Fverbose >= 0 && FOnProgress) {
        LogMsg(media::TLogLevel::llVerbose, line);
        FShowDupOrDrop = false;
      }
    }
    if (FOnProgress)
      FOnProgress(this, AFileIndex, video ? frameNumber : -1, video ? fps : -1, video ? quality : -1.0f,
                  static_cast<float>(bitrate), totalSize, static_cast<int64_t>(outputTime * 1e6),
                  FTotalOutputDuration.load());
    else if (Fverbose >= 0)
      LogMsg(media::TLogLevel::llVerbose, line);
  }
  if (AIsLastReport && Fverbose >= 0) {
    const double payload = static_cast<double>(Fvideo_size + Faudio_size + Fextra_size);
    const double overhead = payload > 0 ? 100.0 * (static_cast<double>(totalSize) - payload) / payload : 0.0;
    LogMsg(media::TLogLevel::llVerbose,
           base::Format("video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%",
                        Fvideo_size / 1024.0, Faudio_size / 1024.0, Fextra_size / 1024.0, overhead));
  }
}

void TCustomFFmpeg::WriteVideoStats(TAVOutputStream& AOst, int AFrameSize) {
  if (!Fvstats_file) {
    Fvstats_file.reset(crt::fopen(Fvstats_filename.c_str(), "w"));
    if (!Fvstats_file) throw FFmpegException("fopen fail: " + Fvstats_filename);
  }
  const AVCodecContext* enc = AOst.enc.get();
  std::string line = base::Format("frame= %5d q= %2.1f ", AOst.frame_number + 1,
                                  AOst.last_quality < 0 ? 0.0 : AOst.last_quality / FF_QP2LAMBDA);
  const double outputTime = std::max(AOst.sync_opts * av_q2d(enc->time_base), 0.01);
  const double frameBitrate = AFrameSize * 8 / av_q2d(enc->time_base) / 1000.0;
  const double averageBitrate = static_cast<double>(Fvideo_size) * 8 / outputTime / 1000.0;
  line += base::Format("f_size= %6d ", AFrameSize);
  line += base::Format("s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
                       Fvideo_size / 1024.0, outputTime, frameBitrate, averageBitrate);
  line += base::Format("type= %c\n",
                       av::av_get_picture_type_char(static_cast<AVPictureType>(AOst.last_pict_type)));
  crt::fwrite(line.data(), 1, line.size(), Fvstats_file.get());
}

}  // namespace engine
