#include "media/tag_keys.h"

namespace media {
namespace {

struct TTagKey {
  const char* Frame;
  const char* Key;
};

// ID3v2.2 (three letters) and v2.3/2.4 (four letters) frame identifiers.
constexpr TTagKey kTagKeys[] = {
    {"TALB", "album"},     {"TAL", "album"},      {"TCOM", "composer"},  {"TCON", "genre"},
    {"TCO", "genre"},      {"TCOP", "copyright"}, {"TDRL", "date"},      {"TENC", "encoder"},
    {"TEN", "encoder"},    {"TIT2", "title"},     {"TT2", "title"},      {"TLAN", "language"},
    {"TPE1", "artist"},    {"TP1", "artist"},     {"TPOS", "disc"},      {"TPUB", "publisher"},
    {"TRCK", "track"},     {"TRK", "track"},      {"TSOA", "albumsort"}, {"TSOP", "authorsort"},
    {"TSOT", "titlesort"}, {"TYER", "year"},
};

}  // namespace

std::string DisplayTagKey(const std::string& key) {
  for (const TTagKey& entry : kTagKeys)
    if (key == entry.Frame) return entry.Key;
  return key;
}

}  // namespace media
