#include "engine/ffmpeg/container_codecs.h"

#include <cstring>
#include <initializer_list>

namespace engine {

namespace {

struct TContainerRow {
  const char* Muxer;
  std::initializer_list<AVCodecID> Audio;  // what its muxer takes; the first is the usual one
};

// Muxers that cannot say which codecs they take (no tag table), with the audio codecs they accept.
const TContainerRow kContainers[] = {
    {"mpeg",
     {AV_CODEC_ID_MP2, AV_CODEC_ID_MP1, AV_CODEC_ID_MP3, AV_CODEC_ID_AC3, AV_CODEC_ID_DTS,
      AV_CODEC_ID_PCM_S16BE, AV_CODEC_ID_PCM_DVD}},
    {"vcd", {AV_CODEC_ID_MP2, AV_CODEC_ID_MP1, AV_CODEC_ID_MP3}},
    {"vob",
     {AV_CODEC_ID_AC3, AV_CODEC_ID_MP2, AV_CODEC_ID_MP1, AV_CODEC_ID_MP3, AV_CODEC_ID_DTS,
      AV_CODEC_ID_PCM_DVD}},
    {"svcd", {AV_CODEC_ID_MP2, AV_CODEC_ID_MP1, AV_CODEC_ID_MP3}},
    {"dvd",
     {AV_CODEC_ID_AC3, AV_CODEC_ID_MP2, AV_CODEC_ID_MP1, AV_CODEC_ID_MP3, AV_CODEC_ID_DTS,
      AV_CODEC_ID_PCM_DVD}},
};

const TContainerRow* FindRow(const AVOutputFormat* AFormat) {
  for (const TContainerRow& row : kContainers)
    if (std::strcmp(row.Muxer, AFormat->name) == 0) return &row;
  return nullptr;
}

}  // namespace

bool ContainerAccepts(const AVOutputFormat* AFormat, AVCodecID ACodec) {
  const AVCodecDescriptor* desc = av::avcodec_descriptor_get(ACodec);
  if (desc && desc->type == AVMEDIA_TYPE_AUDIO)
    if (const TContainerRow* row = FindRow(AFormat)) {
      for (AVCodecID id : row->Audio)
        if (id == ACodec) return true;
      return false;
    }
  return av::avformat_query_codec(AFormat, ACodec, FF_COMPLIANCE_NORMAL) != 0;
}

AVCodecID UsualCodec(const AVOutputFormat* AFormat, AVMediaType AType) {
  if (AType == AVMEDIA_TYPE_AUDIO) {
    if (const TContainerRow* row = FindRow(AFormat)) return *row->Audio.begin();
    return AFormat->audio_codec;
  }
  if (AType == AVMEDIA_TYPE_VIDEO) return AFormat->video_codec;
  return AFormat->subtitle_codec;
}

}  // namespace engine
