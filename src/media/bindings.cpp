#include "media/bindings.h"

#include "media/av.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

// The pointer slots themselves, null until the loader binds them.
#define VORNEL_FUNC(name) decltype(&::name) name = nullptr;
#define VORNEL_VAR(name) decltype(&::name) name = nullptr;
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

namespace media {

// NS names the namespace the slots of the table being built live in.
#define VORNEL_FUNC(name) {#name, reinterpret_cast<void**>(&NS::name), false},
#define VORNEL_VAR(name) {#name, reinterpret_cast<void**>(&NS::name), true},

#define NS av
std::span<const TBinding> AvCodecBindings() {
  static const TBinding table[] = {
#include "media/bindings/avcodec.def"
  };
  return table;
}
std::span<const TBinding> AvDeviceBindings() {
  static const TBinding table[] = {
#include "media/bindings/avdevice.def"
  };
  return table;
}
std::span<const TBinding> AvFilterBindings() {
  static const TBinding table[] = {
#include "media/bindings/avfilter.def"
  };
  return table;
}
std::span<const TBinding> AvFormatBindings() {
  static const TBinding table[] = {
#include "media/bindings/avformat.def"
  };
  return table;
}
std::span<const TBinding> AvUtilBindings() {
  static const TBinding table[] = {
#include "media/bindings/avutil.def"
  };
  return table;
}
std::span<const TBinding> SwScaleBindings() {
  static const TBinding table[] = {
#include "media/bindings/swscale.def"
  };
  return table;
}
std::span<const TBinding> SwResampleBindings() {
  static const TBinding table[] = {
#include "media/bindings/swresample.def"
  };
  return table;
}
#undef NS
#define NS crt
std::span<const TBinding> LibcBindings() {
  static const TBinding table[] = {
#include "media/bindings/libc.def"
  };
  return table;
}
#undef NS
#define NS sdl
std::span<const TBinding> SdlBindings() {
  static const TBinding table[] = {
#include "media/bindings/sdl.def"
  };
  return table;
}
#undef NS
#undef VORNEL_FUNC
#undef VORNEL_VAR

}  // namespace media

#pragma GCC diagnostic pop
