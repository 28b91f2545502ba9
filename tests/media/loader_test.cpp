#include <dlfcn.h>
#include <fenv.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "fixtures/media_fixtures.h"
#include "media/av.h"
#include "media/elf_needed.h"
#include "media/ffmpeg_loader.h"
#include "support/media_libraries.h"

namespace {

namespace fs = std::filesystem;
using media::TLibrary;

TEST(LoaderTest, BindsEveryLibraryOfThePlayerSet) {
  ASSERT_TRUE(testsupport::LoadLibraries(media::kPlayerLibraries));
  EXPECT_TRUE(media::Loader().Loaded(media::kConverterLibraries));
  ASSERT_NE(av::avcodec_version, nullptr);
  EXPECT_EQ(AV_VERSION_MAJOR(av::avcodec_version()), LIBAVCODEC_VERSION_MAJOR);
  EXPECT_NE(av::avcodec_find_encoder_by_name("mpeg4"), nullptr);
  EXPECT_NE(sdl::SDL_GetTicks, nullptr);
  EXPECT_NE(crt::snprintf, nullptr);
  // A bound library loads once: asking again succeeds without a new message.
  const std::string before = media::Loader().LastErrMsg();
  EXPECT_TRUE(media::Loader().Load(TLibrary::avCodec));
  EXPECT_EQ(media::Loader().LastErrMsg(), before);
}

TEST(LoaderTest, FileNamesFollowTheHeadersMajorVersions) {
  const struct {
    TLibrary lib;
    const char* file;
  } cases[] = {
      {TLibrary::avCodec, "libavcodec.so.59"},      {TLibrary::avDevice, "libavdevice.so.59"},
      {TLibrary::avFilter, "libavfilter.so.8"},     {TLibrary::avFormat, "libavformat.so.59"},
      {TLibrary::avUtil, "libavutil.so.57"},        {TLibrary::swScale, "libswscale.so.6"},
      {TLibrary::swResample, "libswresample.so.4"}, {TLibrary::myUtil, "libc.so.6"},
      {TLibrary::lbSDL, "libSDL2-2.0.so.0"},
  };
  for (const auto& c : cases) EXPECT_EQ(media::LibraryFileName(c.lib), c.file);
}

TEST(LoaderTest, ComponentSets) {
  const media::TLibraries converter{TLibrary::avCodec, TLibrary::avFilter, TLibrary::avFormat,
                                    TLibrary::avUtil,  TLibrary::swScale,  TLibrary::swResample,
                                    TLibrary::myUtil};
  media::TLibraries player = converter;
  player.insert(TLibrary::lbSDL);
  EXPECT_EQ(media::kConverterLibraries, converter);
  EXPECT_EQ(media::kPlayerLibraries, player);
  for (const auto& set : {media::kConverterLibraries, media::kProbeLibraries, media::kPlayerLibraries})
    EXPECT_FALSE(set.contains(TLibrary::avDevice));
}

TEST(LoaderTest, NoExecutableOfOursLinksTheMediaLibraries) {
  const std::vector<std::string> needed = media::NeededLibraries("/proc/self/exe");
  ASSERT_FALSE(needed.empty());  // the reader works: the C library at least is there
  for (const std::string& name : needed)
    for (const char* media : {"libav", "libsw", "libSDL", "libpostproc"})
      EXPECT_NE(name.rfind(media, 0), 0u) << "linked: " << name;
}

TEST(LoaderTest, NeededLibrariesOfASharedObject) {
  const std::vector<std::string> needed =
      media::NeededLibraries(std::string(VORNEL_AVUTIL_LIBDIR) + "/libswresample.so.4");
  EXPECT_NE(std::find(needed.begin(), needed.end(), "libavutil.so.57"), needed.end());
  EXPECT_TRUE(media::NeededLibraries("/etc/hostname").empty());
  EXPECT_TRUE(media::NeededLibraries("/no/such/file").empty());
}

TEST(LoaderTest, FloatingPointExceptionsAreMaskedAndRestored) {
  feenableexcept(FE_DIVBYZERO | FE_INVALID);
  media::SetupFloatingPoint();
  EXPECT_EQ(fegetexcept(), 0);
  volatile double zero = 0.0;
  EXPECT_TRUE(std::isinf(1.0 / zero));  // no trap
  media::RestoreFloatingPoint();
  EXPECT_EQ(fegetexcept(), FE_DIVBYZERO | FE_INVALID);
  fedisableexcept(FE_ALL_EXCEPT);
}

// The failure cases use a loader of their own and only libavdevice's slots, which no component uses.
TEST(LoaderFailureTest, MissingLibraryNamesTheFolderAndTheFile) {
  const struct {
    const char* path;
    const char* folder;
  } cases[] = {{"/no/such/LibAV", "/no/such/LibAV/"}, {"/no/such/LibAV/", "/no/such/LibAV/"}, {"", ""}};
  for (const auto& c : cases) {
    media::TFFmpegLoader loader;
    loader.SetLibraryPath(c.path);
    loader.SetLibraryFileName(TLibrary::avDevice, "libvornel_missing.so.1");
    EXPECT_FALSE(loader.Load(TLibrary::avDevice));
    EXPECT_FALSE(loader.Loaded(TLibrary::avDevice));
    EXPECT_EQ(loader.LastErrMsg(),
              std::string("Load library ") + c.folder +
                  "libvornel_missing.so.1 error: libvornel_missing.so.1: cannot open shared "
                  "object file: No such file or directory");
  }
}

TEST(LoaderFailureTest, MissingEntryPointFreesTheModuleAndLeavesNothingBound) {
  const fs::path folder = fs::path(fixtures::FixtureDir()) / "loader_stub";
  fs::create_directories(folder);
  const fs::path stub = folder / "libvornelstub.so.1";
  fs::copy_file(VORNEL_STUB_LIBRARY, stub, fs::copy_options::overwrite_existing);

  media::TFFmpegLoader loader;
  loader.SetLibraryPath(folder.string());  // no trailing "/": the loader adds it
  loader.SetLibraryFileName(TLibrary::avDevice, "libvornelstub.so.1");
  EXPECT_FALSE(loader.Load(TLibrary::avDevice));
  EXPECT_EQ(loader.LastErrMsg(), "Load function avdevice_register_all@libvornelstub.so.1 error: " +
                                     stub.string() + ": undefined symbol: avdevice_register_all");
  EXPECT_FALSE(loader.Loaded(TLibrary::avDevice));
  EXPECT_EQ(av::avdevice_version, nullptr);  // bound before the missing name, unbound again
  EXPECT_EQ(::dlopen(stub.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "the module is still loaded";
}

TEST(LoaderFailureTest, MissingVariableHasItsOwnMessage) {
  void* handle = ::dlopen(VORNEL_STUB_LIBRARY, RTLD_NOW);
  ASSERT_NE(handle, nullptr);
  void* present = nullptr;
  void* absent = nullptr;
  const media::TBinding table[] = {{"vornel_stub_variable", &present, true},
                                   {"vornel_no_variable", &absent, true}};
  try {
    media::BindTable(handle, "libvornelstub.so.1", table);
    ADD_FAILURE() << "bound a missing variable";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Load variable vornel_no_variable@libvornelstub.so.1 error: ", 0),
              0u)
        << e.what();
  }
  EXPECT_EQ(present, nullptr);
  ::dlclose(handle);
}

TEST(LoaderSetTest, AFailedSetLoadKeepsLibrariesLoadedBeforeIt) {
  media::TFFmpegLoader& loader = media::Loader();
  ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries));
  loader.Unload(TLibrary::lbSDL);
  loader.SetLibraryFileName(TLibrary::lbSDL, "libvornel_no_sdl.so.0");
  EXPECT_FALSE(loader.Load(media::kPlayerLibraries));
  EXPECT_EQ(loader.LastErrMsg().rfind("Load library libvornel_no_sdl.so.0 error: ", 0), 0u)
      << loader.LastErrMsg();
  EXPECT_TRUE(loader.Loaded(media::kConverterLibraries));  // a running conversion keeps its libraries
  EXPECT_NE(av::avcodec_find_decoder, nullptr);
  loader.SetLibraryFileName(TLibrary::lbSDL, "");
  EXPECT_TRUE(loader.Load(media::kPlayerLibraries));
}

TEST(LoaderSetTest, AFailedSetLoadUnloadsWhatItLoaded) {
  media::TFFmpegLoader& loader = media::Loader();
  loader.Unload(media::kPlayerLibraries);
  loader.SetLibraryFileName(TLibrary::lbSDL, "libvornel_no_sdl.so.0");
  EXPECT_FALSE(loader.Load(media::kPlayerLibraries));
  for (TLibrary lib : {TLibrary::avCodec, TLibrary::avFormat, TLibrary::avUtil, TLibrary::myUtil})
    EXPECT_FALSE(loader.Loaded(lib)) << static_cast<int>(lib);
  EXPECT_EQ(av::avcodec_find_decoder, nullptr);
  loader.SetLibraryFileName(TLibrary::lbSDL, "");
  ASSERT_TRUE(loader.Load(media::kPlayerLibraries));
  EXPECT_NE(av::avcodec_find_decoder(AV_CODEC_ID_MPEG4), nullptr);
}

TEST(LoaderSetTest, ComponentLoadAVLibCopiesTheMessage) {
  media::TFFmpegLoader& loader = media::Loader();
  std::string message;
  // The folder is missing, so the system's libraries are found by the default search.
  EXPECT_TRUE(media::LoadAVLib(media::kConverterLibraries, "/no/such/LibAV", message));
  EXPECT_EQ(loader.LibraryPath(), "/no/such/LibAV");
  EXPECT_EQ(message, "");
  loader.Unload(TLibrary::avDevice);
  loader.SetLibraryFileName(TLibrary::avDevice, "libvornel_missing.so.1");
  EXPECT_FALSE(media::LoadAVLib({TLibrary::avDevice}, "/no/such/LibAV", message));
  EXPECT_EQ(message, loader.LastErrMsg());
  EXPECT_EQ(message.rfind("Load library /no/such/LibAV/libvornel_missing.so.1 error: ", 0), 0u) << message;
  loader.SetLibraryFileName(TLibrary::avDevice, "");
  loader.SetLibraryPath("");
}

}  // namespace
