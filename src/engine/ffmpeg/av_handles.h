#pragma once
// Owning handles for the library objects the engine holds. Codec contexts are freed under CodecLock
// because an opened context may only be closed while no other thread opens or closes one.
#include <memory>
#include <mutex>

#include "media/av.h"
#include "media/ffmpeg_loader.h"

namespace engine {

struct CodecContextDeleter {
  void operator()(AVCodecContext* c) const {
    std::lock_guard lock(media::CodecLock());
    av::avcodec_free_context(&c);
  }
};
struct FrameDeleter {
  void operator()(AVFrame* f) const { av::av_frame_free(&f); }
};
struct PacketDeleter {
  void operator()(AVPacket* p) const { av::av_packet_free(&p); }
};
struct SwsDeleter {
  void operator()(SwsContext* s) const { av::sws_freeContext(s); }
};
struct SwrDeleter {
  void operator()(SwrContext* s) const { av::swr_free(&s); }
};
struct AudioFifoDeleter {
  void operator()(AVAudioFifo* f) const { av::av_audio_fifo_free(f); }
};
struct FilterGraphDeleter {
  void operator()(AVFilterGraph* g) const { av::avfilter_graph_free(&g); }
};
struct BsfDeleter {
  void operator()(AVBSFContext* b) const { av::av_bsf_free(&b); }
};
struct DictDeleter {
  void operator()(AVDictionary* d) const { av::av_dict_free(&d); }
};
struct AvFreeDeleter {
  void operator()(void* p) const { av::av_free(p); }
};
struct FileDeleter {
  void operator()(FILE* f) const { crt::fclose(f); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwsPtr = std::unique_ptr<SwsContext, SwsDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;
using BsfPtr = std::unique_ptr<AVBSFContext, BsfDeleter>;
using FilePtr = std::unique_ptr<FILE, FileDeleter>;

}  // namespace engine
