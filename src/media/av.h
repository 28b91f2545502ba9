#pragma once
// The media libraries' declarations and the run-time bound entry points.
//
// Nothing in Vornel links FFmpeg or SDL. Every entry point the system calls is listed in
// bindings/<library>.def, bound by the loader with dlsym, and called through these namespaces:
//   av::avcodec_open2(...)   FFmpeg (avcodec, avformat, avfilter, avutil, swscale, swresample, avdevice)
//   sdl::SDL_OpenAudioDevice(...)
//   crt::fopen(...)          the C library
// A direct call to a library function fails to link, by design. To call a new function, add its
// VORNEL_FUNC line to its library's .def file.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/avfft.h>
#include <libavcodec/bsf.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/avstring.h>
#include <libavutil/channel_layout.h>
#include <libavutil/cpu.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
#include <libavutil/time.h>
#include <libavutil/tx.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
#include <SDL.h>
}
#include <cstdio>
#include <cstdlib>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#define VORNEL_FUNC(name) extern decltype(&::name) name;
#define VORNEL_VAR(name) extern decltype(&::name) name;
namespace av {
#include "media/bindings/avcodec.def"
#include "media/bindings/avdevice.def"
#include "media/bindings/avfilter.def"
#include "media/bindings/avformat.def"
#include "media/bindings/avutil.def"
#include "media/bindings/swscale.def"
#include "media/bindings/swresample.def"
}  // namespace av
namespace crt {
#include "media/bindings/libc.def"
}  // namespace crt
namespace sdl {
#include "media/bindings/sdl.def"
}  // namespace sdl
#undef VORNEL_FUNC
#undef VORNEL_VAR
#pragma GCC diagnostic pop
