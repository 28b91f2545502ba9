#pragma once
// The media probe: opens a media file and answers questions about its container and streams, including a
// multi-line description (FileInfoText). One thread uses a probe at a time.
#include <cstdint>
#include <string>

#include "media/ff_logger.h"
#include "media/ffmpeg_loader.h"

extern "C" {
#include <libavutil/rational.h>
struct AVFormatContext;
}

namespace media {

// File-wide facts. Every number is -1 while no file is open.
struct TFileStreamInfo {
  int64_t StartTime = -1;  // microseconds, -1 when absent
  int64_t Duration = -1;   // microseconds, -1 when absent
  int64_t BitRate = -1;    // bits per second
  int64_t TimeStamp = -1;  // creation time, seconds since 1970-01-01 UTC; 0 when the file has none
  int Year = -1;           // from the "date"/"year" tag; 0 when absent
  int Track = -1;          // from the "track" tag; 0 when absent
  std::string Title, Author, Copyright, Comment, Album, Genre;
};

struct TAudioStreamInfo {
  std::string Language;          // the stream's "language" tag
  std::string CodecName;         // CodecDisplayName of the decoder
  int64_t StartTime = -1;        // stream time base, unset (AV_NOPTS_VALUE) copied as is
  int64_t StartTimeScaled = -1;  // microseconds, -1 when StartTime is unset
  int64_t Duration = -1;
  int64_t DurationScaled = -1;
  int64_t BitRate = -1;
  int Channels = -1;
  int SampleRate = -1;
  int SampleFormat = -1;  // AVSampleFormat
};

struct TVideoStreamInfo {
  std::string Language;
  std::string CodecName;
  int64_t StartTime = -1;
  int64_t StartTimeScaled = -1;
  int64_t Duration = -1;
  int64_t DurationScaled = -1;
  int64_t BitRate = -1;
  int Height = -1;
  int Width = -1;
  float AspectRatio = -1.0f;     // display aspect: Width x SAR / Height; 0 when the SAR is 0/1
  int PixFmt = -1;               // AVPixelFormat
  AVRational FrameRate{-1, -1};  // the stream's real frame rate
};

struct TSubtitleStreamInfo {
  std::string Language;
  std::string CodecName;
};

class TCustomAVProbe {
 public:
  static constexpr TLibraries kLibraries = kProbeLibraries;

  TCustomAVProbe();
  virtual ~TCustomAVProbe();
  TCustomAVProbe(const TCustomAVProbe&) = delete;
  TCustomAVProbe& operator=(const TCustomAVProbe&) = delete;

  // Opens a file (a UTF-8 path); AFormatName forces an input format, empty lets the libraries detect it.
  // Throws std::runtime_error ("LibAVCodec not loaded." ...) when the libraries are not bound; returns
  // false with LastErrMsg set when the file cannot be opened. A failed call leaves no file open.
  bool LoadFile(const std::string& AFileName, const std::string& AFormatName = "");
  virtual void CloseFile();

  bool IsAudioStream(int AStreamIndex);
  bool IsVideoStream(int AStreamIndex);
  bool IsSubtitleStream(int AStreamIndex);

  bool AVLibLoaded() const;
  bool LoadAVLib(const std::string& APath);
  void UnloadAVLib();

  // The open context (null when none). Setting hands in a context opened elsewhere: the probe reads it but
  // never closes it. Throws like LoadFile when the libraries are not bound.
  AVFormatContext* FileHandle() const { return FFileHandle; }
  void SetFileHandle(AVFormatContext* AHandle);

  std::string FileName() const;  // the path the context was opened with
  int64_t FileSize() const { return FFileSize; }
  const std::string& ForceFormat() const { return FForceFormat; }
  std::string FormatName() const;
  std::string FormatLongName() const;
  int StreamCount() const { return FStreamCount; }
  int ProgramCount() const { return FProgramCount; }
  int AudioStreamCount() const { return FAudioStreamCount; }
  int VideoStreamCount() const { return FVideoStreamCount; }
  int SubtitleStreamCount() const { return FSubtitleStreamCount; }
  int FirstAudioStreamIndex() const { return FFirstAudioStreamIndex; }
  int FirstVideoStreamIndex() const { return FFirstVideoStreamIndex; }
  int FirstSubtitleStreamIndex() const { return FFirstSubtitleStreamIndex; }

  TFileStreamInfo FileStreamInfo();
  // Lines ending in "\n": file facts, file tags, programs, then one line per stream with its tags.
  std::string FileInfoText();

  // Index -1 picks the first stream of the kind. Failures log, set LastErrMsg and return a cleared record.
  TAudioStreamInfo AudioStreamInfo(int AStreamIndex);
  TVideoStreamInfo VideoStreamInfo(int AStreamIndex);
  TSubtitleStreamInfo SubtitleStreamInfo(int AStreamIndex);
  TAudioStreamInfo FirstAudioStreamInfo() { return AudioStreamInfo(-1); }
  TVideoStreamInfo FirstVideoStreamInfo() { return VideoStreamInfo(-1); }
  TSubtitleStreamInfo FirstSubtitleStreamInfo() { return SubtitleStreamInfo(-1); }

  const std::string& LastErrMsg() const { return FLastErrMsg; }

 private:
  void checkLibraries() const;
  void refreshFacts();
  void report(TLogLevel level, const std::string& message);  // logs through the single logger and stores
  bool fileLoaded();
  // The stream of the given kind for an index (-1: first of the kind), or -1 after reporting why not.
  int streamIndexOfKind(int AStreamIndex, int mediaType);

  AVFormatContext* FFileHandle = nullptr;
  bool FOwnHandle = false;
  std::string FLastErrMsg;
  std::string FForceFormat;
  int64_t FFileSize = -1;
  int FStreamCount = -1;
  int FProgramCount = -1;
  int FAudioStreamCount = -1;
  int FVideoStreamCount = -1;
  int FSubtitleStreamCount = -1;
  int FFirstAudioStreamIndex = -1;
  int FFirstVideoStreamIndex = -1;
  int FFirstSubtitleStreamIndex = -1;
};

// The probe the system creates; it adds nothing.
class TAVProbe : public TCustomAVProbe {};

}  // namespace media
