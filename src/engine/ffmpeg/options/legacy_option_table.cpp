// The old-to-present option tables.
#include <cstring>

#include "engine/ffmpeg/options/legacy_options.h"

namespace engine {

namespace {
constexpr TLegacyRename kRenames[] = {
    {"cqp", "qp"},                       // libx264 constant quantizer
    {"directpred", "direct-pred"},       // same numbering: 0 none, 1 spatial, 2 temporal, 3 auto
    {"rc_lookahead", "rc-lookahead"},    // libx264
    {"aq_mode", "aq-mode"},              // libx264
    {"aq_strength", "aq-strength"},      // libx264
    {"complexityblur", "cplxblur"},      // libx264
    {"nr", "noise_reduction"},           // libx264 and the MPEG encoders' private option
    {"chroma_offset", "chromaoffset"},   // libx264
    {"intra_refresh", "intra-refresh"},  // libx264
};

constexpr TLegacyValue kValues[] = {
    // me_method lives in libx264's private table now, which knows dia, hex, umh, esa and tesa. The
    // old wrapper mapped epzs (alias dia) to dia, full (alias esa) to esa and anything else to hex.
    {"me_method", "epzs", "dia"}, {"me_method", "full", "esa"},  {"me_method", "zero", "hex"},
    {"me_method", "log", "hex"},  {"me_method", "phods", "hex"}, {"me_method", "x1", "hex"},
    {"me_method", "iter", "hex"},
};

constexpr TLegacyFlag kFlags[] = {
    // libx264 switches that used to be bits of flags2.
    {"flags2", "mixed_refs", "mixed-refs", "1", "0"},
    {"flags2", "wpred", "weightb", "1", "0"},
    {"flags2", "dct8x8", "8x8dct", "1", "0"},
    {"flags2", "fastpskip", "fast-pskip", "1", "0"},
    {"flags2", "bpyramid", "b-pyramid", "normal", "none"},
    {"flags2", "mbtree", "mbtree", "1", "0"},
    {"flags2", "aud", "aud", "1", "0"},
    {"flags2", "psy", "psy", "1", "0"},
    {"flags2", "ssim", "ssim", "1", "0"},
    // x264 dropped these analyses long ago.
    {"flags2", "brdo", nullptr, nullptr, nullptr},
    {"flags2", "skiprd", nullptr, nullptr, nullptr},
    // MPEG-1/2 and LAME switches that moved into the encoders' private tables.
    {"flags2", "non_linear_q", "non_linear_quant", "1", "0"},
    {"flags2", "ivlc", "intra_vlc", "1", "0"},
    {"flags2", "drop_frame_timecode", "drop_frame_timecode", "1", "0"},
    {"flags2", "reservoir", "reservoir", "1", "0"},
    {"flags2", "sgop", "mpv_flags", "+strict_gop", "-strict_gop"},
    // Bits of flags that became private options of the MPEG-family encoders.
    {"flags", "scan_offset", "scan_offset", "1", "0"},
    {"flags", "alt", "alternate_scan", "1", "0"},
    {"flags", "mv0", "mpv_flags", "+mv0", "-mv0"},
    {"flags", "cbp", "mpv_flags", "+cbp_rd", "-cbp_rd"},
    {"flags", "qprd", "mpv_flags", "+qp_rd", "-qp_rd"},
    {"flags", "naq", "mpv_flags", "+naq", "-naq"},
    {"flags", "part", "data_partitioning", "1", "0"},
    {"flags", "obmc", "obmc", "1", "0"},
    {"flags", "umv", "umv", "1", "0"},
    {"flags", "aiv", "aiv", "1", "0"},
    {"flags", "slice", "structured_slices", "1", "0"},
    {"flags", "trell", "trellis", "1", "0"},
    {"flags", "gmc", nullptr, nullptr, nullptr},
    {"flags", "emu_edge", nullptr, nullptr, nullptr},
    {"flags", "input_preserved", nullptr, nullptr, nullptr},
};

constexpr TLegacyPartition kPartitions[] = {
    {"parti4x4", "i4x4"}, {"parti8x8", "i8x8"}, {"partp4x4", "p4x4"},
    {"partp8x8", "p8x8"}, {"partb8x8", "b8x8"},
};

// Old x264 settings without a single present option.
constexpr const char* kDropped[] = {"deblockalpha", "deblockbeta", "mb_qmin", "mb_qmax"};

// Video-only in the older generation; audio encoders read them too now.
constexpr const char* kVideoOnly[] = {"b", "maxrate", "minrate", "bufsize"};
}  // namespace

std::span<const TLegacyRename> LegacyRenames() { return kRenames; }
std::span<const TLegacyValue> LegacyValues() { return kValues; }
std::span<const TLegacyFlag> LegacyFlags() { return kFlags; }
std::span<const TLegacyPartition> LegacyPartitions() { return kPartitions; }
std::span<const char* const> LegacyDropped() { return kDropped; }

bool IsVideoOnlyLegacyName(const std::string& AName) {
  for (const char* name : kVideoOnly)
    if (AName == name) return true;
  return false;
}

}  // namespace engine
