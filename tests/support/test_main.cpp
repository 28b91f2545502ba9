// The test executables' entry point: the test thread is the main thread, as the UI thread is in the app.
#include <gtest/gtest.h>

#include "base/main_thread.h"
#include "media/ffmpeg_loader.h"

int main(int argc, char** argv) {
  media::SetupFloatingPoint();
  base::MainThread::bindCurrentThread();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
