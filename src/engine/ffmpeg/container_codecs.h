#pragma once
// Which codecs a container can carry, for presets that ask for one it cannot (AAC in an MPEG program
// stream): such a stream gets the container's usual codec instead.
#include "media/av.h"

namespace engine {

// True when the muxer accepts the codec (or cannot tell).
bool ContainerAccepts(const AVOutputFormat* AFormat, AVCodecID ACodec);
// The container's usual codec of a media type.
AVCodecID UsualCodec(const AVOutputFormat* AFormat, AVMediaType AType);

}  // namespace engine
