#include "player/picture_writer.h"

#include <filesystem>
#include <fstream>
#include <memory>

#include "base/text.h"
#include "media/av.h"
#include "media/ffmpeg_loader.h"

namespace player {
namespace {

namespace fs = std::filesystem;

// libjpeg's quality 90 is about qscale 2 for the mjpeg encoder.
constexpr int kJpegQScale = 2;

struct CodecCloser {
  void operator()(AVCodecContext* c) const {
    std::lock_guard lock(media::CodecLock());
    av::avcodec_free_context(&c);
  }
};
struct FrameCloser {
  void operator()(AVFrame* f) const { av::av_frame_free(&f); }
};
struct PacketCloser {
  void operator()(AVPacket* p) const { av::av_packet_free(&p); }
};
struct GraphCloser {
  void operator()(AVFilterGraph* g) const { av::avfilter_graph_free(&g); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameCloser>;

std::string ErrText(int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av::av_strerror(err, text, sizeof text);
  return text;
}

// The bitmap (BGR24) converted to the encoder's pixel format.
FramePtr Convert(const TBitmap& bitmap, AVPixelFormat format) {
  FramePtr frame(av::av_frame_alloc());
  frame->width = bitmap.Width;
  frame->height = bitmap.Height;
  frame->format = format;
  if (av::av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
  SwsContext* sws =
      av::sws_getContext(bitmap.Width, bitmap.Height, AV_PIX_FMT_BGR24, bitmap.Width, bitmap.Height, format,
                         SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
  if (!sws) return nullptr;
  const uint8_t* src[4] = {bitmap.Pixels.data(), nullptr, nullptr, nullptr};
  const int srcStride[4] = {bitmap.Stride(), 0, 0, 0};
  av::sws_scale(sws, src, srcStride, 0, bitmap.Height, frame->data, frame->linesize);
  av::sws_freeContext(sws);
  return frame;
}

// Reduces the picture to 256 colours chosen from its own content (palettegen + paletteuse).
FramePtr Palettize(const TBitmap& bitmap, std::string& errMsg) {
  FramePtr rgb = Convert(bitmap, AV_PIX_FMT_RGB24);
  if (!rgb) return nullptr;
  std::unique_ptr<AVFilterGraph, GraphCloser> graph(av::avfilter_graph_alloc());
  AVFilterContext* src = nullptr;
  AVFilterContext* sink = nullptr;
  const std::string args = base::Format("video_size=%dx%d:pix_fmt=%d:time_base=1/1:pixel_aspect=1/1",
                                        bitmap.Width, bitmap.Height, static_cast<int>(AV_PIX_FMT_RGB24));
  int err = av::avfilter_graph_create_filter(&src, av::avfilter_get_by_name("buffer"), "in", args.c_str(),
                                             nullptr, graph.get());
  if (err >= 0)
    err = av::avfilter_graph_create_filter(&sink, av::avfilter_get_by_name("buffersink"), "out", nullptr,
                                           nullptr, graph.get());
  if (err >= 0) {
    AVFilterInOut* outputs = av::avfilter_inout_alloc();
    AVFilterInOut* inputs = av::avfilter_inout_alloc();
    outputs->name = av::av_strdup("in");
    outputs->filter_ctx = src;
    inputs->name = av::av_strdup("out");
    inputs->filter_ctx = sink;
    err = av::avfilter_graph_parse_ptr(graph.get(),
                                       "split[a][b];[a]palettegen=stats_mode=single:reserve_transparent=0[p];"
                                       "[b][p]paletteuse=dither=sierra2_4a",
                                       &inputs, &outputs, nullptr);
    av::avfilter_inout_free(&inputs);
    av::avfilter_inout_free(&outputs);
  }
  if (err >= 0) err = av::avfilter_graph_config(graph.get(), nullptr);
  if (err >= 0) err = av::av_buffersrc_add_frame_flags(src, rgb.get(), 0);
  if (err >= 0) err = av::av_buffersrc_add_frame_flags(src, nullptr, 0);
  FramePtr out(av::av_frame_alloc());
  if (err >= 0) err = av::av_buffersink_get_frame(sink, out.get());
  if (err < 0) {
    errMsg = "palette reduction failed: " + ErrText(err);
    return nullptr;
  }
  return out;
}

// Encodes one picture; the packet holds the whole image file for bmp, mjpeg and png.
bool Encode(const char* encoder, AVFrame* frame, std::unique_ptr<AVPacket, PacketCloser>& pkt,
            std::string& errMsg, bool jpeg) {
  const AVCodec* codec = av::avcodec_find_encoder_by_name(encoder);
  if (!codec) {
    errMsg = std::string("no ") + encoder + " encoder";
    return false;
  }
  std::unique_ptr<AVCodecContext, CodecCloser> enc(av::avcodec_alloc_context3(codec));
  enc->width = frame->width;
  enc->height = frame->height;
  enc->pix_fmt = static_cast<AVPixelFormat>(frame->format);
  enc->time_base = {1, 25};
  if (jpeg) {
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = FF_QP2LAMBDA * kJpegQScale;
    frame->quality = enc->global_quality;
    enc->color_range = AVCOL_RANGE_JPEG;
  }
  int err;
  {
    std::lock_guard lock(media::CodecLock());
    err = av::avcodec_open2(enc.get(), codec, nullptr);
  }
  if (err >= 0) err = av::avcodec_send_frame(enc.get(), frame);
  if (err >= 0) err = av::avcodec_send_frame(enc.get(), nullptr);
  pkt.reset(av::av_packet_alloc());
  if (err >= 0) err = av::avcodec_receive_packet(enc.get(), pkt.get());
  if (err < 0) {
    errMsg = std::string(encoder) + " encoding failed: " + ErrText(err);
    return false;
  }
  return true;
}

// A GIF file needs the container's header and trailer around the encoded image.
bool WrapGif(AVPacket* pkt, const AVFrame* frame, std::string& bytes, std::string& errMsg) {
  AVFormatContext* raw = nullptr;
  if (av::avformat_alloc_output_context2(&raw, nullptr, "gif", nullptr) < 0 || !raw) {
    errMsg = "no gif muxer";
    return false;
  }
  std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> out(raw, [](AVFormatContext* f) {
    if (f->pb) {
      uint8_t* buf = nullptr;
      av::avio_close_dyn_buf(f->pb, &buf);
      av::av_free(buf);
      f->pb = nullptr;
    }
    av::avformat_free_context(f);
  });
  AVStream* st = av::avformat_new_stream(raw, nullptr);
  st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  st->codecpar->codec_id = AV_CODEC_ID_GIF;
  st->codecpar->width = frame->width;
  st->codecpar->height = frame->height;
  st->codecpar->format = AV_PIX_FMT_PAL8;
  st->time_base = {1, 100};
  int err = av::avio_open_dyn_buf(&raw->pb);
  AVDictionary* opts = nullptr;
  av::av_dict_set(&opts, "loop", "-1", 0);  // a still picture: no animation loop block
  if (err >= 0) err = av::avformat_write_header(raw, &opts);
  av::av_dict_free(&opts);
  pkt->stream_index = 0;
  pkt->pts = pkt->dts = 0;
  if (err >= 0) err = av::av_write_frame(raw, pkt);
  if (err >= 0) err = av::av_write_trailer(raw);
  if (err < 0) {
    errMsg = "gif writing failed: " + ErrText(err);
    return false;
  }
  uint8_t* buf = nullptr;
  const int size = av::avio_close_dyn_buf(raw->pb, &buf);
  raw->pb = nullptr;
  bytes.assign(reinterpret_cast<const char*>(buf), size);
  av::av_free(buf);
  return true;
}

}  // namespace

const char* PictureExtension(TPictureType type) {
  static const char* const ext[] = {".bmp", ".jpg", ".gif", ".png"};
  return ext[static_cast<int>(type)];
}

bool ParsePictureType(const std::string& text, TPictureType& type) {
  const std::string t = base::AsciiLower(text);
  if (t == "bmp")
    type = TPictureType::ptBMP;
  else if (t == "jpg" || t == "jpeg")
    type = TPictureType::ptJPG;
  else if (t == "gif")
    type = TPictureType::ptGIF;
  else if (t == "png")
    type = TPictureType::ptPNG;
  else
    return false;
  return true;
}

bool SavePicture(const TBitmap& bitmap, TPictureType type, const std::string& fileName, std::string& errMsg) {
  if (bitmap.Width <= 0 || bitmap.Height <= 0) {
    errMsg = "no picture";
    return false;
  }
  std::unique_ptr<AVPacket, PacketCloser> pkt;
  std::string bytes;
  FramePtr frame;
  bool ok = false;
  switch (type) {
    case TPictureType::ptBMP:
      frame = Convert(bitmap, AV_PIX_FMT_BGR24);
      ok = frame && Encode("bmp", frame.get(), pkt, errMsg, false);
      break;
    case TPictureType::ptJPG:
      frame = Convert(bitmap, AV_PIX_FMT_YUVJ420P);
      ok = frame && Encode("mjpeg", frame.get(), pkt, errMsg, true);
      break;
    case TPictureType::ptPNG:
      frame = Convert(bitmap, AV_PIX_FMT_RGB24);
      ok = frame && Encode("png", frame.get(), pkt, errMsg, false);
      break;
    case TPictureType::ptGIF:
      frame = Palettize(bitmap, errMsg);
      ok = frame && Encode("gif", frame.get(), pkt, errMsg, false) &&
           WrapGif(pkt.get(), frame.get(), bytes, errMsg);
      break;
  }
  if (!ok) {
    if (errMsg.empty()) errMsg = "cannot convert the picture";
    return false;
  }
  if (bytes.empty()) bytes.assign(reinterpret_cast<const char*>(pkt->data), pkt->size);
  std::ofstream out(fs::path(fileName), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    errMsg = "cannot write " + fileName;
    return false;
  }
  return true;
}

std::string NextSnapshotName(const std::string& folder, const std::string& base, TPictureType type) {
  for (int n = 1;; ++n) {
    const std::string name = folder + "/" + base + "_" + std::to_string(n) + PictureExtension(type);
    std::error_code ec;
    if (!fs::exists(fs::path(name), ec)) return name;
  }
}

std::string SnapshotBaseName(const std::string& mediaFileName) {
  return fs::path(mediaFileName).stem().string();
}

}  // namespace player
