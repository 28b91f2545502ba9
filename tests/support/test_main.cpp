// The test executables' entry point: the test thread is the main thread, as the UI thread is in the app.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/main_thread.h"
#include "media/ffmpeg_loader.h"

int main(int argc, char** argv) {
  // No test plays sound on a real device or opens a window on the desktop, whatever the environment says.
  ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  media::SetupFloatingPoint();
  base::MainThread::bindCurrentThread();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
