#pragma once
// Opening an input file the way every media file is opened (plain UTF-8 names and "unicode:utf8:" names).
#include <string>

#include "media/av.h"

namespace player {

int OpenInputFile(AVFormatContext** ctx, const std::string& fileName, const AVInputFormat* fmt,
                  AVDictionary** options);

}  // namespace player
