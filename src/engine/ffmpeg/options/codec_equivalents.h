#pragma once
// Encoders named by presets that this library generation no longer has, with the encoder used instead.
#include <span>

namespace engine {

struct TCodecEquivalent {
  const char* OldName;      // the encoder name a preset or option asks for
  const char* PresentName;  // the encoder of this generation that produces the same kind of stream
};

std::span<const TCodecEquivalent> CodecEquivalents();
// The row for an encoder name (exact match), or null.
const TCodecEquivalent* FindCodecEquivalent(const char* AOldName);

}  // namespace engine
