#pragma once
// Display names of tag keys: ID3v2 frame identifiers shown as the generic keys they stand for.
#include <string>

namespace media {

// "TIT2" gives "title"; a key not in the table is returned as it is.
std::string DisplayTagKey(const std::string& key);

}  // namespace media
