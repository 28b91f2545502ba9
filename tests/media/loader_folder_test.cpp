// In a process of its own: the libraries must not have been loaded from the system before.
#include <link.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/media_fixtures.h"
#include "media/av.h"
#include "media/ffmpeg_loader.h"

namespace {

namespace fs = std::filesystem;
using media::TLibrary;

// The paths of the loaded shared objects whose name contains part.
std::vector<std::string> loadedObjects(const std::string& part) {
  struct Search {
    std::string part;
    std::vector<std::string> found;
  } search{part, {}};
  ::dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* s = static_cast<Search*>(data);
        if (info->dlpi_name && std::string(info->dlpi_name).find(s->part) != std::string::npos)
          s->found.push_back(info->dlpi_name);
        return 0;
      },
      &search);
  return search.found;
}

TEST(LoaderFolderTest, DependenciesComeFromTheLibraryFolder) {
  ASSERT_TRUE(loadedObjects("libavutil").empty()) << "run this test in a fresh process";
  const fs::path folder = fs::path(fixtures::FixtureDir()) / "loader_LibAV";
  fs::create_directories(folder);
  for (const char* name : {"libavutil.so.57", "libswresample.so.4"})
    fs::copy_file(fs::path(VORNEL_AVUTIL_LIBDIR) / name, folder / name, fs::copy_options::overwrite_existing);

  media::TFFmpegLoader& loader = media::Loader();
  loader.SetLibraryPath(folder.string());
  ASSERT_TRUE(loader.Load(TLibrary::swResample)) << loader.LastErrMsg();
  EXPECT_EQ(loadedObjects("libavutil"), std::vector<std::string>{(folder / "libavutil.so.57").string()});
  EXPECT_EQ(loadedObjects("libswresample"),
            std::vector<std::string>{(folder / "libswresample.so.4").string()});

  loader.Unload(TLibrary::swResample);  // the dependency it brought in goes with it
  EXPECT_TRUE(loadedObjects("libswresample").empty());
  EXPECT_TRUE(loadedObjects("libavutil").empty());
  loader.SetLibraryPath("");
}

}  // namespace
