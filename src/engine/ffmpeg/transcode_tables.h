#pragma once
// The conversion tables: built when a conversion starts, owned by the worker thread that runs it and
// freed when it ends. Nothing here is shared between threads.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/ffmpeg/av_handles.h"
#include "engine/ffmpeg/options/option_state.h"

namespace engine {

struct TAVInputFile {
  bool eof_reached = false;
  int ist_index = 0;  // index of its first stream in the input stream table
  int nb_streams = 0;
};

struct TAVInputStream {
  int file_index = 0;
  int index = 0;  // stream index inside its file
  AVStream* st = nullptr;
  bool discard = true;  // not yet used by any output
  bool decoding_needed = false;
  CodecContextPtr dec;                // opened decoder when decoding_needed
  const AVCodec* decoder = nullptr;   // forced by name, else found by id
  int64_t start = 0;                  // real-time start for "re", microseconds
  int64_t next_pts = AV_NOPTS_VALUE;  // microseconds
  int64_t pts = 0;                    // time of the current packet or frame, microseconds
  bool is_start = true;
  bool showed_multi_packet_warning = false;
  bool is_past_recording_time = false;
  bool decoder_flushed = false;
  FramePtr frame;                          // reused decode target
  AVCodecParserContext* parser = nullptr;  // not owned
};

struct TAVOutputStream {
  int file_index = 0;     // output entry
  int index = 0;          // stream index inside its file
  int source_index = -1;  // into the input stream table
  AVStream* st = nullptr;
  bool encoding_needed = false;
  bool stream_copy = false;
  CodecContextPtr enc;  // for copy: carries the stream parameters only
  const AVCodec* encoder = nullptr;
  bool encoder_opened = false;
  int frame_number = 0;
  int sync_ist = -1;      // input stream the output keeps in step with
  int64_t sync_opts = 0;  // output position in encoder time-base units (frames or samples)
  bool show_fps = true;
  double out_time = 0;                    // end of the last muxed packet, seconds
  int64_t last_mux_dts = AV_NOPTS_VALUE;  // in the stream's time base
  AVCodecID codec_id = AV_CODEC_ID_NONE;
  AVDictionary* enc_opts = nullptr;    // options for avcodec_open2; freed with the table
  AVRational pkt_tb{1, AV_TIME_BASE};  // time base of the packets handed to the muxing path
  std::vector<BsfPtr> bsfs;            // bitstream filter chain, applied in order
  std::vector<TBitstreamFilterSpec> bsf_specs;

  // video
  bool video_crop = false;
  int topBand = 0, bottomBand = 0, leftBand = 0, rightBand = 0;
  int original_topBand = 0, original_bottomBand = 0, original_leftBand = 0, original_rightBand = 0;
  int original_width = 0, original_height = 0;
  bool video_resample = false;
  SwsPtr img_resample_ctx;
  FramePtr pict_tmp;  // picture of the encoder's size and format
  int resample_width = 0, resample_height = 0;
  AVPixelFormat resample_pix_fmt = AV_PIX_FMT_NONE;
  FilterGraphPtr graph;
  AVFilterContext* buffersrc = nullptr;   // owned by graph
  AVFilterContext* buffersink = nullptr;  // owned by graph
  FramePtr filtered;
  double last_quality = -1;  // lambda of the last coded frame (quantizer x 118)
  int last_pict_type = AV_PICTURE_TYPE_NONE;
  uint64_t last_error[3] = {};   // squared error of Y, U, V of the last frame (with PSNR on)
  uint64_t total_error[3] = {};  // the same summed over the stream

  // audio
  bool audio_resample = false;
  SwrPtr resample;  // also does sample-format and channel conversion
  int resample_in_rate = 0;
  AVSampleFormat resample_in_fmt = AV_SAMPLE_FMT_NONE;
  AVChannelLayout resample_in_layout{};
  AudioFifoPtr fifo;
  FramePtr audio_frame;               // encoder-sized frame
  std::vector<uint8_t*> conv_planes;  // converted samples (one allocation), grown only when needed
  int conv_buf_samples = 0;

  // two-pass
  FilePtr logfile;
  std::string stats_in;  // pass-2 statistics; outlives the encoder that points at it

  ~TAVOutputStream() {
    av::av_dict_free(&enc_opts);
    if (!conv_planes.empty()) av::av_freep(&conv_planes[0]);
    av::av_channel_layout_uninit(&resample_in_layout);
    enc.reset();  // before stats_in, which the encoder may still point at
  }
};

}  // namespace engine
