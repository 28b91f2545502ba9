#pragma once
// The binding tables: for each library, every name and the slot its address is stored in.
#include <span>

namespace media {

struct TBinding {
  const char* Name;
  void** Slot;
  bool IsVariable;  // a data symbol rather than a function ("Load variable ..." when missing)
};

std::span<const TBinding> AvCodecBindings();
std::span<const TBinding> AvDeviceBindings();
std::span<const TBinding> AvFilterBindings();
std::span<const TBinding> AvFormatBindings();
std::span<const TBinding> AvUtilBindings();
std::span<const TBinding> SwScaleBindings();
std::span<const TBinding> SwResampleBindings();
std::span<const TBinding> LibcBindings();
std::span<const TBinding> SdlBindings();

}  // namespace media
