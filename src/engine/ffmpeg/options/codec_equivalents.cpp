#include "engine/ffmpeg/options/codec_equivalents.h"

#include <cstring>

namespace engine {

namespace {
constexpr TCodecEquivalent kEquivalents[] = {
    // FAAC was dropped from the libraries; the native encoder writes the same AAC-LC streams.
    {"libfaac", "aac"},
    // AAC+ through aacplus is gone too; plain AAC is what the native encoder offers.
    {"libaacplus", "aac"},
    // The MS-MPEG-4 version 1 encoder was removed (only its decoder remains); version 2 is the nearest
    // encoder of the same family and plays wherever the old AVI presets were meant to play.
    {"msmpeg4v1", "msmpeg4v2"},
    // The old name of MS-MPEG-4 version 3 in some presets.
    {"msmpeg4v3", "msmpeg4"},
    // The AMR-NB wrapper of the older generation; opencore-amr took its place.
    {"libamr_nb", "libopencore_amrnb"},
};
}  // namespace

std::span<const TCodecEquivalent> CodecEquivalents() { return kEquivalents; }

const TCodecEquivalent* FindCodecEquivalent(const char* AOldName) {
  for (const TCodecEquivalent& row : kEquivalents)
    if (std::strcmp(row.OldName, AOldName) == 0) return &row;
  return nullptr;
}

}  // namespace engine
