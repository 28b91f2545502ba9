#pragma once
// Inputs and outputs opened for a task, with what their streams were set up with when opened.
#include <array>
#include <string>
#include <vector>

#include "engine/ffmpeg/av_handles.h"
#include "engine/ffmpeg/options/ffmpeg_options.h"

namespace engine {

struct TInputFileEntry {
  AVFormatContext* ctx = nullptr;  // closed with media::CloseInput
  std::string FileName;
  int64_t ts_offset = 0;                       // microseconds added to every timestamp
  std::array<double, kMaxStreams> ts_scale{};  // 0 = none
  // Per stream: the decoder context filled from the stream's parameters and the decoding options, the
  // decoder forced by name (or none) and the options for opening it.
  std::vector<CodecContextPtr> dec;
  std::vector<const AVCodec*> forced_decoder;
  std::vector<AVDictionary*> dec_opts;

  TInputFileEntry() = default;
  TInputFileEntry(const TInputFileEntry&) = delete;
  TInputFileEntry& operator=(const TInputFileEntry&) = delete;
  ~TInputFileEntry();
};

// One output stream as made when the output was opened.
struct TOutputStreamSetup {
  AVStream* st = nullptr;
  bool stream_copy = false;
  CodecContextPtr enc;  // carries the settings; opened at the start of the conversion
  const AVCodec* encoder = nullptr;
  AVDictionary* enc_opts = nullptr;  // private options for avcodec_open2
  std::vector<TBitstreamFilterSpec> bsfs;
  // Video: the filter text and crop bands in force when the stream was made.
  std::string vfilters;
  int topBand = 0, bottomBand = 0, leftBand = 0, rightBand = 0;

  TOutputStreamSetup() = default;
  TOutputStreamSetup(const TOutputStreamSetup&) = delete;
  TOutputStreamSetup& operator=(const TOutputStreamSetup&) = delete;
  ~TOutputStreamSetup() { av::av_dict_free(&enc_opts); }
};

struct TOutputFileEntry {
  AVFormatContext* ctx = nullptr;
  std::string FileName;              // as the caller gave it (a path)
  std::string AVFileName;            // as handed to the libraries
  AVDictionary* mux_opts = nullptr;  // for avformat_write_header
  std::vector<std::unique_ptr<TOutputStreamSetup>> streams;
  bool created_file = false;  // we opened (and so created or truncated) the file
  bool header_written = false;
  bool trailer_written = false;

  TOutputFileEntry() = default;
  TOutputFileEntry(const TOutputFileEntry&) = delete;
  TOutputFileEntry& operator=(const TOutputFileEntry&) = delete;
  // Closes the file, deletes it when it was left at 0 bytes, frees the context.
  ~TOutputFileEntry();
};

}  // namespace engine
