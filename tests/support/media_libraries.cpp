#include "support/media_libraries.h"

#include <gtest/gtest.h>

namespace testsupport {

bool LoadLibraries(media::TLibraries libs) {
  auto& loader = media::Loader();
  if (loader.Loaded(libs)) return true;
  const bool ok = loader.Load(libs);
  if (!ok) ADD_FAILURE() << loader.LastErrMsg();
  return ok;
}

}  // namespace testsupport
