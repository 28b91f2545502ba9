#include "player/input_open.h"

#if __has_include("media/unicode_io.h")
#include "media/unicode_io.h"
#define VORNEL_HAVE_OPEN_INPUT 1
#endif

namespace player {

int OpenInputFile(AVFormatContext** ctx, const std::string& fileName, const AVInputFormat* fmt,
                  AVDictionary** options) {
#ifdef VORNEL_HAVE_OPEN_INPUT
  return media::OpenInput(ctx, fileName, fmt, options);
#else
  return av::avformat_open_input(ctx, fileName.c_str(), fmt, options);
#endif
}

}  // namespace player
