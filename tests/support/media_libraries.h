#pragma once
#include "media/ffmpeg_loader.h"

namespace testsupport {

// Loads the libraries of a set through the process loader; fails the calling test with the loader's
// message when that is not possible. Use as ASSERT_TRUE(testsupport::LoadLibraries(...)).
bool LoadLibraries(media::TLibraries libs = media::kPlayerLibraries);

}  // namespace testsupport
