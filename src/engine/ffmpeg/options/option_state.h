#pragma once
// The engine's option state: every setting the options can make, with its default. A new task starts from
// a default-constructed TOptionState; opening inputs and outputs consumes parts of it.
#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "media/av.h"

namespace engine {

// Streams per file, as everywhere in the engine (MAX_STREAMS).
inline constexpr int kMaxStreams = 20;

// One "map" option: input stream -> next output stream, with the stream it syncs to.
struct TAVStreamMap {
  int file_index = 0;
  int stream_index = 0;
  int sync_file_index = 0;
  int sync_stream_index = 0;
};

// One "map_meta_data" option.
struct TAVMetaDataMap {
  int out_file = 0;
  int in_file = 0;
};

// One bitstream filter of a pending chain: "name" or "name=args" as the option gave it.
struct TBitstreamFilterSpec {
  std::string Name;
  std::string Args;  // empty when none
};

struct TOptionState {
  std::string Flast_asked_format;           // forced format short name for the next input or output
  bool Fpgmyuv_compatibility_hack = false;  // "f pgmyuv" given: image2 with the PGMYUV decoder
  int Fframe_width = 0;
  int Fframe_height = 0;
  float Fframe_aspect_ratio = 0.0f;  // display aspect ratio
  AVPixelFormat Fframe_pix_fmt = AV_PIX_FMT_NONE;
  AVSampleFormat Faudio_sample_fmt = AV_SAMPLE_FMT_NONE;
  int Fframe_topBand = 0;  // crop bands in pixels
  int Fframe_bottomBand = 0;
  int Fframe_leftBand = 0;
  int Fframe_rightBand = 0;
  // Frame limits: video, audio, data, subtitle.
  std::array<int, 4> Fmax_frames{INT_MAX, INT_MAX, INT_MAX, INT_MAX};
  AVRational Fframe_rate{0, 0};
  float Fvideo_qscale = 0.0f;             // fixed video quantizer, 0 = not fixed
  std::vector<uint16_t> Fintra_matrix;    // 64 coefficients, empty = none
  std::vector<uint16_t> Finter_matrix;    // 64 coefficients, empty = none
  std::string Fvideo_rc_override_string;  // rate-control override text
  bool Fvideo_disable = false;
  int Fvideo_discard = 0;         // discard level for video decoding
  std::string Fvideo_codec_name;  // encoder, or decoder before an input; empty = none
  uint32_t Fvideo_codec_tag = 0;  // four-character tag, 0 = none
  std::string Fvideo_language;
  bool Fsame_quality = false;
  bool Fdo_deinterlace = false;
  int Ftop_field_first = -1;  // -1 automatic
  int Fme_threshold = 0;
  int Fintra_dc_precision = 8;
  bool Floop_input = false;
  int Floop_output = -1;  // -1 = no loop
  bool Fqp_hist = false;
  std::string Fvfilters;  // filter graph text
  bool Fintra_only = false;
  int Faudio_sample_rate = 44100;
  uint64_t Fchannel_layout = 0;
  float Faudio_qscale = -99999.0f;  // -99999 = none
  bool Faudio_disable = false;
  int Faudio_channels = 2;
  std::string Faudio_codec_name;
  uint32_t Faudio_codec_tag = 0;
  std::string Faudio_language;
  bool Fsubtitle_disable = false;
  std::string Fsubtitle_codec_name;
  std::string Fsubtitle_language;
  uint32_t Fsubtitle_codec_tag = 0;
  float Fmux_preload = 0.5f;            // seconds
  float Fmux_max_delay = 0.7f;          // seconds
  int64_t Frecording_time = INT64_MAX;  // duration limit, INT64_MAX = none
  int64_t Fstart_time = 0;
  int64_t Frecording_timestamp = 0;  // seconds since 1970 UTC
  int64_t Finput_ts_offset = 0;      // for the next input
  // Pending metadata for the next output (Fmetadata_count is its size), written in reverse order.
  std::vector<std::pair<std::string, std::string>> Fmetadata;
  int Fdo_benchmark = 0;
  bool Fdo_hex_dump = false;
  bool Fdo_pkt_dump = false;
  bool Fdo_psnr = false;
  int Fdo_pass = 0;  // 0, 1 or 2
  std::string Fpass_logfilename_prefix;
  int Faudio_stream_copy = 0;
  int Fvideo_stream_copy = 0;
  int Fsubtitle_stream_copy = 0;
  int Fvideo_sync_method = -1;
  int Faudio_sync_method = 0;
  float Faudio_drift_threshold = 0.1f;  // seconds
  bool Fcopy_ts = false;
  bool Fopt_shortest = false;
  int Fvideo_global_header = 0;
  std::string Fvstats_filename;  // empty = none
  int Fopt_programid = 0;
  int Fcopy_initial_nonkeyframes = 0;
  bool Frate_emu = false;
  int Fvideo_channel = 0;       // capture channel of the input
  std::string Fvideo_standard;  // TV standard of the input, empty = none
  int Faudio_volume = 256;      // 256 = unchanged
  bool Fexit_on_error = false;
  bool Fusing_vhook = false;
  int Fverbose = 1;
  int Fthread_count = 1;
  std::array<int, kMaxStreams> Fstreamid_map{};  // stream ids for the next output
  // Per input file (sized to the task's capacity by the reset).
  std::vector<int64_t> Finput_files_ts_offset;                         // per input file
  std::vector<std::array<double, kMaxStreams>> Finput_files_ts_scale;  // per input file and stream, 0 = none
  int64_t Flimit_filesize = 0;                                         // bytes, 0 = none
  bool Fforce_fps = false;
  bool Finput_sync = false;
  float Fdts_delta_threshold = 10.0f;  // seconds
  int Fsws_flags = SWS_BICUBIC;
  int Fbit_buffer_size = 256 * 1024;  // encoder output buffer, bytes
  // Bitstream filter names for the streams of the next output, applied in order.
  std::vector<TBitstreamFilterSpec> Fvideo_bitstream_filters;
  std::vector<TBitstreamFilterSpec> Faudio_bitstream_filters;
  std::vector<TBitstreamFilterSpec> Fsubtitle_bitstream_filters;
  // Stream and metadata maps of the task (up to MaxFiles * kMaxStreams and MaxFiles entries).
  std::vector<TAVStreamMap> Fstream_maps;
  std::vector<TAVMetaDataMap> Fmeta_data_maps;
};

}  // namespace engine
