#pragma once
// The transcoding engine of one task: opens its inputs and outputs from the option state, then converts
// them on the calling thread (the component runs that on a worker thread). Decoding, filtering, scaling,
// resampling, encoding and muxing are the libraries' work; the engine maps streams, keeps audio and
// video in step with the output clock, enforces the limits, reports progress and cleans up.
//
// Threads: inputs and outputs are opened on the caller's thread before the conversion starts; the
// conversion tables and codecs then belong to the thread running Transcode(). Fields another thread may
// touch while a conversion runs are atomics (FBroken, FFinished, FPostHooks, FTotalOutputDuration).
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/ffmpeg/av_handles.h"
#include "engine/ffmpeg/options/ffmpeg_options.h"
#include "engine/records/options_records.h"
#include "media/av.h"

namespace engine {

// Every error of the engine's preparation and conversion.
class FFmpegException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How a conversion ended: by itself, by a stop request, or by an error.
enum class TConversionOutcome { coFinished, coStopped, coFailed };

// Post hooks of a task, one bit each (a TPostHooks set).
enum TPostHook : uint8_t { phPreview = 1, phBitmap = 2, phHBITMAP = 4 };
using TPostHooks = uint8_t;

class TCustomFFmpeg;

// The engine's own callbacks. They run on the thread that runs the conversion.
using TFFProgressEvent = std::function<void(TCustomFFmpeg* Sender, int AFileIndex, int AFrameNumber, int AFPS,
                                            float AQuality, float ABitRate, int64_t ACurrentSize,
                                            int64_t ACurrentDuration, int64_t ATotalDuration)>;
using TFFTerminateEvent = std::function<void(TCustomFFmpeg* Sender)>;
using TFFCustomHookEvent = std::function<void(TCustomFFmpeg* Sender, TBitmap24& ABitmap, int AFrameNumber,
                                              int64_t APTS, bool& AUpdate, bool& AStopHook)>;
using TFFPreviewBitmapEvent =
    std::function<void(TCustomFFmpeg* Sender, const TBitmap24& ABitmap, int AFrameNumber, int64_t APTS)>;

struct TAVInputFile;
struct TAVInputStream;
struct TAVOutputStream;
struct TOutputFileEntry;
struct TInputFileEntry;
struct TOutputStreamSetup;

class TCustomFFmpeg : public TFFmpegOptions {
 public:
  // AMaxFiles: capacity of input and of output files, 1 to 512 (std::invalid_argument otherwise).
  explicit TCustomFFmpeg(int AMaxFiles = 20);
  ~TCustomFFmpeg() override;

  // Releases everything the engine holds, then every option to its default, the join, stop and finish
  // flags cleared, the post hooks cleared and the expected duration unknown. A new task starts here.
  void ResetEngine();

  // --- Opening (caller's thread, before the conversion) ---
  // Translates the record (when given) and opens the input. False with LastErrMsg() on failure; the
  // input counter is then unchanged. Never throws.
  bool AddInputFile(const std::string& AFileName, const TInputOptions* AOptions);
  // Translates the record (when given; its Join flag), opens the output (which creates the file empty)
  // and adds the record's extra streams. False with LastErrMsg() on failure. Never throws.
  bool SetOutputFile(const std::string& AFileName, const TOutputOptions* AOptions);
  // The opens alone, from the option state as it stands.
  bool OpenInputFile(const std::string& AFileName);
  // Number of output entries after the open (join mode repeats the entry per input), or -1.
  int OpenOutputFile(const std::string& AFileName, bool AJoin);

  // --- Conversion (one thread) ---
  // Preparation, loop, flush, trailers, last report, codecs closed, FFinished. Throws FFmpegException
  // (or std::exception) on errors. A stop request ends the loop; the outputs still get their trailers.
  void Transcode();
  // The whole worker body on the calling thread: Transcode, close the codecs, release everything. Each
  // step runs even when an earlier one failed; errors are logged at llQuiet and land in FFatalException
  // and FFatalMessage. The terminate callback is not called (the component does that).
  TConversionOutcome RunConversion();
  void CloseEncoders();
  void CloseDecoders();
  // Releases inputs, outputs (deleting an output file left at 0 bytes), codecs and tables.
  void CleanUp();

  // Stop request: the loop ends at its next turn, and a blocked read returns at once.
  void RequestStop() { FBroken = true; }

  // Post hooks, changed under the process-wide post-hook lock.
  void SetPostHooks(TPostHooks AHooks);
  TPostHooks PostHooks() const { return FPostHooks.load(); }

  // The opened input, for a probe that describes it without opening the file again.
  AVFormatContext* InputContext(int AIndex) const;

  const std::string& LastErrMsg() const { return FLastErrMsg; }
  bool Finished() const { return FFinished.load(); }
  bool FatalException() const { return FFatalException; }
  const std::string& FatalMessage() const { return FFatalMessage; }
  int nb_input_files() const { return static_cast<int>(Finput_files.size()); }
  int nb_output_files() const { return static_cast<int>(Foutput_files.size()); }
  int64_t TotalOutputDuration() const { return FTotalOutputDuration.load(); }
  bool JoinMode() const { return FJoinMode; }

  // --- Life cycle, read and written across threads where atomic ---
  std::atomic<bool> FBroken{false};    // stop requested
  std::atomic<bool> FFinished{false};  // the loop ended by itself
  // Written by the thread running the worker body, read after it ended.
  bool FFatalException = false;
  std::string FFatalMessage;
  std::atomic<int64_t> FTotalOutputDuration{-1};  // microseconds, -1 unknown
  std::string FLastErrMsg;                        // caller's thread: the last failed open
  int64_t ReportInterval = 500000;                // microseconds between progress reports
  int64_t PreviewInterval = 100000;               // microseconds between preview frames
  bool FJoinMode = false;

  // Callbacks; set before the conversion starts.
  TFFProgressEvent FOnProgress;
  TFFTerminateEvent FOnTerminate;
  TFFCustomHookEvent FOnCustomHook;
  TFFPreviewBitmapEvent FOnPreviewBitmap;

 protected:
  // Called at the top of every loop turn, holding no lock: a paused worker halts here.
  virtual void CheckPause() {}
  // Pre-processing of every decoded video picture (frame hooks, custom hook, deinterlacing). AFrame may be
  // changed in place; AHookFrameNumber counts the task's decoded pictures from 1.
  virtual void PreProcessPicture(TAVInputStream& AIst, AVFrame* AFrame, int AHookFrameNumber) {
    (void)AIst, (void)AFrame, (void)AHookFrameNumber;
  }
  // Post hooks of every encoded video picture (or written raw picture): the picture given to the
  // encoder and its output time in microseconds.
  virtual void RunPostHooks(const AVFrame* APicture, const AVCodecContext* AEncoder, int64_t APTS) {
    (void)APicture, (void)AEncoder, (void)APTS;
  }
  // Whether a custom hook or frame hooks are active (video stream copy refuses them).
  virtual bool HasCustomHook() const { return static_cast<bool>(FOnCustomHook); }
  virtual bool HasFrameHooks() const { return Fusing_vhook; }
  // Releases the hooks' own resources during CleanUp.
  virtual void ReleaseHooks() {}

  // Hooks of the option state.
  int InputFileCount() const override { return nb_input_files(); }
  int OutputFileCount() const override { return nb_output_files(); }
  std::vector<AVRational> InputVideoTimeBases() const override;
  void DoNewStream(AVMediaType AType) override;
  bool DoAddFrameHook(const std::string& AArgs) override;
  void DoSetTotalOutputDuration(int64_t AMicroseconds) override { FTotalOutputDuration = AMicroseconds; }

  std::atomic<TPostHooks> FPostHooks{0};  // guarded for changes by the process-wide post-hook lock
  int FHookFrameNumber = 0;               // decoded video pictures of the conversion

 private:
  // Opening (open_input.cpp, open_output.cpp, new_streams.cpp, codec_lookup.cpp).
  AVCodecID LookupCodec(const std::string& AName, AVMediaType AType, bool AEncoder, int AStrict);
  void NewVideoStream(AVFormatContext* AOc, int AFileIndex);
  void NewAudioStream(AVFormatContext* AOc, int AFileIndex);
  void NewSubtitleStream(AVFormatContext* AOc, int AFileIndex);
  TOutputStreamSetup& NewStreamCommon(AVFormatContext* AOc, int AFileIndex, AVMediaType AType);
  void ReadInputParameters(TInputFileEntry& AEntry, int AStreamIndex);
  void ClearPendingInputSettings();
  bool HasInputStreamOfType(AVMediaType AType, bool AFirstInputOnly) const;
  bool OutputIsInput(const std::string& AFileName) const;
  // Preparation (prepare.cpp, prepare_codecs.cpp).
  void Prepare();
  void BuildInputTables();
  void BuildOutputTables();
  void MapStreams();
  void SetupStreamCopy(TAVOutputStream& AOst, TAVInputStream& AIst);
  void SetupEncoder(TAVOutputStream& AOst, TAVInputStream& AIst);
  void KeepBitRateWithinLimits(AVCodecContext* AEnc);
  void SetupTwoPass(TAVOutputStream& AOst, int AOutputIndex);
  void OpenEncoders();
  void InitBitstreamFilters(TAVOutputStream& AOst);
  void OpenDecoders();
  void CopyMetadataAndChapters();
  void WriteHeaders();
  void LogStreamMapping();
  void BuildVideoFilters(TAVOutputStream& AOst, TAVInputStream& AIst);
  // The loop (transcode_loop.cpp, process_packet.cpp).
  void Loop();
  int ChooseInput();
  void JoinSwitch(int AFileIndex, bool& AStopLoop);
  bool ProcessPacket(TAVInputStream& AIst, AVPacket* APkt);
  void DrainDecoder(TAVInputStream& AIst);
  void OpenDecoder(TAVInputStream& AIst);
  void RemapJoinedStreams(int AFileIndex);
  void FilterAndMux(TAVOutputStream& AOst, size_t AFilter, AVPacket* APkt);
  bool DecodeFrames(TAVInputStream& AIst, AVPacket* APkt);
  bool DecodeSubtitle(TAVInputStream& AIst, AVPacket* APkt);
  void CopyPacket(TAVInputStream& AIst, const AVPacket* APkt);
  void OutputVideoFrame(TAVInputStream& AIst, AVFrame* AFrame);
  void OutputAudioFrame(TAVInputStream& AIst, AVFrame* AFrame);
  void OutputSubtitle(TAVInputStream& AIst, AVSubtitle* ASub);
  void FlushEncoder(TAVOutputStream& AOst);
  void FlushDecoders();
  void WriteTrailers();
  // Video and audio out (video_out.cpp, audio_out.cpp).
  void DoVideoOut(TAVOutputStream& AOst, TAVInputStream& AIst, AVFrame* APicture, int64_t APts);
  AVFrame* ScaleVideo(TAVOutputStream& AOst, TAVInputStream& AIst, AVFrame* APicture);
  void EncodeVideo(TAVOutputStream& AOst, AVFrame* APicture);
  void DoAudioOut(TAVOutputStream& AOst, TAVInputStream& AIst, AVFrame* AFrame);
  void EnsureResampler(TAVOutputStream& AOst, const AVFrame* AFrame);
  void EncodeAudioFifo(TAVOutputStream& AOst, bool ADraining);
  void SendAndReceive(TAVOutputStream& AOst, const AVFrame* AFrame);
  void WriteSilence(TAVOutputStream& AOst, int ASamples);
  void WritePacket(TAVOutputStream& AOst, AVPacket* APkt);
  void MuxPacket(TAVOutputStream& AOst, AVPacket* APkt);
  // Reports (report.cpp).
  void PrintReport(bool AIsLastReport, int AFileIndex);
  void WriteVideoStats(TAVOutputStream& AOst, int AFrameSize);
  int64_t OutputSize() const;
  std::string PsnrText(const TAVOutputStream& AOst, bool AWholeStream) const;

  // --- Opened files (caller's thread, then the conversion's thread) ---
  std::vector<std::unique_ptr<TInputFileEntry>> Finput_files;
  // One entry per output; join mode repeats the same context once per input.
  std::vector<std::shared_ptr<TOutputFileEntry>> Foutput_files;

  // --- Conversion tables (the conversion's thread; freed when it ends) ---
  std::vector<TAVInputFile> Ffile_table;
  std::vector<std::unique_ptr<TAVInputStream>> Fist_table;
  std::vector<std::unique_ptr<TAVOutputStream>> Fost_table;
  int Fnb_ostreams_per_entry = 0;  // join mode's block size
  int Fcurrent_input = 0;          // join mode
  std::vector<bool> Fno_packet;    // per input: no packet was available this turn
  int64_t Ftimer_start = 0;
  int64_t Flast_report_time = 0;
  int64_t Fvideo_size = 0;
  int64_t Faudio_size = 0;
  int64_t Fextra_size = 0;
  int Fnb_frames_dup = 0;
  int Fnb_frames_drop = 0;
  bool FShowDupOrDrop = false;
  std::array<int, 32> Fqp_histogram{};  // encoded video frames per quantizer
  FilePtr Fvstats_file;                 // video statistics, opened on first use
  PacketPtr Fpkt;                       // reused read and encode packets
  PacketPtr Fenc_pkt;
};

}  // namespace engine
