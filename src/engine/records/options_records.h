#pragma once
// The records that cross the conversion component's boundary: what a job asks for (TInputOptions,
// TOutputOptions, TStreamInfo) and what the component reports back (TProgressInfo, TTerminateInfo,
// THookInfo, TPreviewInfo). Plain values with fixed defaults; each has a reset routine.
// Unset markers: kNoTime (AV_NOPTS_VALUE) for 64-bit times, -1 for integers, -1.0 for the Single
// fields, the empty string for strings. Times are in microseconds, bit rates in bits per second.
// Strings are UTF-8 (the design's wide strings included).
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace engine {

// AV_NOPTS_VALUE without pulling in the media headers.
inline constexpr int64_t kNoTime = std::numeric_limits<int64_t>::min();

enum class TOptionTargetType { ttIgnore = 0, ttVCD = 1, ttSVCD = 2, ttDVD = 3 };
enum class TOptionNormType { ntAuto = 0, ntPAL = 1, ntNTSC = 2 };
// The subrange ntPAL..ntNTSC of TOptionNormType; ntAuto is never stored here.
using TOptionNormDefault = TOptionNormType;

struct TInputOptions {
  std::string FileName;         // set from the file argument when empty on AddTask/AddInputFile
  std::string FileFormat;       // forced input format short name ("image2"); empty: detect
  int64_t TimeStart = kNoTime;  // position to seek to before converting
  int32_t ProgramID = -1;       // program of a multi-program input; negative: ignored
  std::string ExtOptions;       // "name=value" lines
  int32_t Tag = 0;              // caller's own, never read by the component
  void* Data = nullptr;         // caller's own, never read by the component
};

struct TStreamInfo {
  // Days since 1899-12-30, local time. Negative: no recording timestamp; 0: now; positive: that time.
  double TimeStamp = -1.0;
  int32_t Year = -1;   // written as "year" when > 0
  int32_t Track = -1;  // written as "track" when > 0
  std::string Title;
  std::string Author;
  std::string Copyright;
  std::string Comment;
  std::string Album;
  std::string Genre;
};

struct TOutputOptions {
  std::string FileName;                // set from the file argument when empty on SetOutputFile
  std::string FileExt;                 // caller's own, never read by the component
  std::string FileFormat;              // "f"; empty: guess from the file name
  int32_t PacketSize = -1;             // "packetsize" when > 0
  int32_t MuxRate = -1;                // "muxrate" when > 0
  float MuxDelay = -1.0f;              // seconds, "muxdelay" when > 0
  float MuxPreload = -1.0f;            // seconds, "muxpreload" when > 0
  std::string AudioCodec;              // "acodec"; "copy" for stream copy
  std::string AudioPreset;             // "apre"
  bool DisableAudio = false;           // "an"
  int32_t AudioVolume = -1;            // "vol" when >= 0; 256 = unchanged
  int32_t AudioChannels = -1;          // "ac" when > 0
  int32_t AudioSampleRate = -1;        // "ar" when > 0, Hz
  int32_t AudioBitrate = -1;           // "ab" when > 0
  int32_t AudioBitRateTolerance = -1;  // "abt" when > 0
  std::string AudioLanguage;           // "alang", always assigned
  int32_t AudioSyncMethod = 0;         // "async", always assigned
  std::string AudioTag;                // "atag", four characters
  std::string VideoCodec;              // "vcodec"; "copy" for stream copy
  std::string VideoPreset;             // "vpre"
  bool DisableVideo = false;           // "vn"
  std::string FrameRate;               // "r": "25", "30000/1001"
  std::string FrameSize;               // "s": "320x240"
  std::string FrameAspectRatio;        // "aspect": "4:3" or a number
  int32_t CropTop = -1;                // "croptop" when > 0
  int32_t CropBottom = -1;             // "cropbottom" when > 0
  int32_t CropLeft = -1;               // "cropleft" when > 0
  int32_t CropRight = -1;              // "cropright" when > 0
  int32_t GroupPictureSize = -1;       // GOP size "g" when > 0
  int32_t VideoBitrate = -1;           // "vb" when > 0
  int32_t VideoMaxRate = -1;           // "maxrate" when > 0
  int32_t VideoMinRate = -1;           // "minrate" when > 0
  int32_t VideoBitRateTolerance = -1;  // "bt" when > 0
  int32_t VideoBufSize = -1;           // "bufsize" when > 0
  int32_t VideoSyncMethod = -1;        // "vsync", -1 = automatic; always assigned
  std::string VideoTag;                // "vtag", four characters
  std::string VideoFilters;            // "vf" filter graph
  std::string VideoLanguage;           // "vlang", always assigned
  std::string SubtitleCodec;           // "scodec"; "copy" for stream copy
  std::string SubtitlePreset;          // "spre"
  bool DisableSubtitle = false;        // "sn"
  std::string SubtitleLanguage;        // "slang", always assigned
  bool InputSync = false;              // "isync", always assigned
  bool CopyTimestamp = false;          // "copyts"
  int64_t TimeStart = kNoTime;         // "ss": input before it is decoded and dropped
  int64_t TimeLength = kNoTime;        // "t": duration limit, also the progress total
  TStreamInfo Info;
  TOptionTargetType TargetType = TOptionTargetType::ttIgnore;  // vcd/svcd/dvd target preset first
  TOptionNormType NormType = TOptionNormType::ntAuto;
  TOptionNormDefault NormDefault = TOptionNormType::ntPAL;  // used when ntAuto cannot decide
  bool CustomHook = false;                                  // route decoded video frames to OnCustomHook
  bool Join = false;                                        // join all inputs of the task into this output
  std::string ExtOptions;                                   // "name=value" lines
  int32_t Tag = 0;                                          // caller's own, never read
  void* Data = nullptr;                                     // caller's own, never read
};

void ResetInputOptions(TInputOptions& AOptions);
void ResetStreamInfo(TStreamInfo& AInfo);
void ResetOutputOptions(TOutputOptions& AOptions);

// Local time as days since 1899-12-30 (the TimeStamp scale).
double NowAsDateTime();
// The time-zone bias in minutes (UTC minus local time) in force now.
int LocalTimeZoneBiasMinutes();
// A positive local date-time to whole seconds since 1970-01-01 UTC, ties to even.
int64_t DateTimeToUnixSeconds(double ALocalDateTime, int ABiasMinutes);
// The recording time a TStreamInfo asks for: false when TimeStamp is negative (no timestamp);
// 0 means the current local time.
bool StreamInfoRecordingTime(const TStreamInfo& AInfo, int64_t& AUnixSeconds);

// A 24-bit picture handed to hooks and preview handlers: rows top-down, B,G,R bytes per pixel,
// each row padded to a multiple of four bytes like a device-independent bitmap.
struct TBitmap24 {
  int Width = 0;
  int Height = 0;
  int Stride = 0;  // bytes per row
  std::vector<uint8_t> Pixels;

  void SetSize(int AWidth, int AHeight) {
    Width = AWidth;
    Height = AHeight;
    Stride = ((AWidth * 3) + 3) & ~3;
    Pixels.assign(static_cast<size_t>(Stride) * static_cast<size_t>(AHeight), 0);
  }
  uint8_t* ScanLine(int y) { return Pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(Stride); }
  const uint8_t* ScanLine(int y) const {
    return Pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(Stride);
  }
};

// Event payloads. One of each lives in the component and is overwritten for every event;
// a handler copies what it keeps.
struct TProgressInfo {
  int32_t TaskIndex = -1;
  int32_t FileIndex = -1;       // input being read; -1 in a task's final report
  int32_t FrameNumber = -1;     // frames of the first displayed video output; -1: no video
  int32_t FPS = -1;             // -1: no video
  float Quality = -1.0f;        // last video quantizer; -1.0: no video or stream copy
  float BitRate = 0.0f;         // average kbit/s so far
  int64_t CurrentSize = 0;      // bytes written to the first output
  int64_t CurrentDuration = 0;  // output time reached, microseconds
  int64_t TotalDuration = -1;   // expected output duration, -1: unknown
};

struct TTerminateInfo {
  int32_t TaskIndex = -1;  // -1 for the final event after all tasks
  bool Finished = false;   // the loop ended by itself; always true in the final event
  bool Exception = false;  // ended because of an error
  std::string ExceptionMsg;
};

struct THookInfo {
  int32_t TaskIndex = -1;
  TBitmap24* Bitmap = nullptr;  // the decoded frame, modified in place by the handler
  int32_t FrameNumber = 0;      // 1 for the task's first decoded video frame
  int64_t PTS = kNoTime;        // input time of the frame, microseconds
  bool Update = true;           // in/out: the handler sets false to leave the frame as it was
  bool StopHook = false;        // in/out: the handler sets true to end hooking for the task
};

struct TPreviewInfo {
  int32_t TaskIndex = -1;
  const TBitmap24* Bitmap = nullptr;  // the output frame
  int32_t FrameNumber = 0;            // decoded input video frames so far
  int64_t PTS = kNoTime;              // output time of the frame, microseconds
};

// Event handler types; Sender is always the component.
using TProgressEvent = std::function<void(void* Sender, TProgressInfo* AProgressInfo)>;
using TTerminateEvent = std::function<void(void* Sender, const TTerminateInfo& ATerminateInfo)>;
using TCustomHookEvent = std::function<void(void* Sender, THookInfo* AHookInfo)>;
using TPreviewBitmapEvent = std::function<void(void* Sender, const TPreviewInfo& APreviewInfo)>;

}  // namespace engine
