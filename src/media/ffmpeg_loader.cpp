#include "media/ffmpeg_loader.h"

#include <dlfcn.h>
#include <fenv.h>
#include <sys/stat.h>

#include <cassert>
#include <set>
#include <stdexcept>
#include <vector>

#include "base/text.h"
#include "media/av.h"
#include "media/elf_needed.h"
#include "media/ff_logger.h"

namespace media {
namespace {

#define VORNEL_STR2(x) #x
#define VORNEL_STR(x) VORNEL_STR2(x)

// The sonames follow the major versions of the headers we compile against.
const TLibraryItem kLibraryItems[kLibraryCount] = {
    {TLibrary::avCodec, "avcodec", VORNEL_STR(LIBAVCODEC_VERSION_MAJOR), &AvCodecBindings},
    {TLibrary::avDevice, "avdevice", VORNEL_STR(LIBAVDEVICE_VERSION_MAJOR), &AvDeviceBindings},
    {TLibrary::avFilter, "avfilter", VORNEL_STR(LIBAVFILTER_VERSION_MAJOR), &AvFilterBindings},
    {TLibrary::avFormat, "avformat", VORNEL_STR(LIBAVFORMAT_VERSION_MAJOR), &AvFormatBindings},
    {TLibrary::avUtil, "avutil", VORNEL_STR(LIBAVUTIL_VERSION_MAJOR), &AvUtilBindings},
    {TLibrary::swScale, "swscale", VORNEL_STR(LIBSWSCALE_VERSION_MAJOR), &SwScaleBindings},
    {TLibrary::swResample, "swresample", VORNEL_STR(LIBSWRESAMPLE_VERSION_MAJOR), &SwResampleBindings},
    {TLibrary::myUtil, "c", "6", &LibcBindings},
    {TLibrary::lbSDL, "SDL2-2.0", "0", &SdlBindings},
};

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string dlErrorText() {
  const char* text = ::dlerror();
  return text ? text : "unknown error";
}

// Loads, from the folder, every library that the file needs and that the folder holds, dependencies first.
// The dynamic linker matches a needed name against the libraries already loaded, so this makes, for
// example, libavcodec in the folder use the folder's libavutil rather than the system's.
void preloadFromFolder(const std::string& folder, const std::string& file, std::set<std::string>& visited,
                       std::vector<void*>& handles) {
  for (const std::string& name : NeededLibraries(folder + file)) {
    if (!visited.insert(name).second || !fileExists(folder + name)) continue;
    preloadFromFolder(folder, name, visited, handles);
    // A dependency that fails here fails again, with its reason, when the library itself is opened.
    if (void* handle = ::dlopen((folder + name).c_str(), RTLD_NOW | RTLD_GLOBAL)) handles.push_back(handle);
  }
}

void closeAll(std::vector<void*>& handles) {
  for (auto it = handles.rbegin(); it != handles.rend(); ++it) ::dlclose(*it);
  handles.clear();
}

// Opens a module: from the folder when the file is there, else by bare name through the default search.
// Modules are opened global so that a library loaded later from the same folder resolves its
// dependencies against the ones already loaded.
// On failure, error receives the dynamic linker's reason.
void* openModule(const std::string& folder, const std::string& file, std::vector<void*>& dependencies,
                 std::string& error) {
  void* handle = nullptr;
  if (folder.empty() || !fileExists(folder + file)) {
    handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_GLOBAL);
  } else {
    std::set<std::string> visited{file};
    preloadFromFolder(folder, file, visited, dependencies);
    handle = ::dlopen((folder + file).c_str(), RTLD_NOW | RTLD_GLOBAL);
  }
  if (!handle) {
    error = dlErrorText();  // read before closing the dependencies, which may reset it
    closeAll(dependencies);
  }
  return handle;
}

}  // namespace

const TLibraryItem& LibraryItem(TLibrary lib) { return kLibraryItems[static_cast<int>(lib)]; }

std::string LibraryFileName(TLibrary lib) {
  const TLibraryItem& item = LibraryItem(lib);
  return std::string("lib") + item.Name + ".so." + item.Version;
}

void BindTable(void* handle, const std::string& fileName, std::span<const TBinding> table) {
  for (const TBinding& binding : table) {
    ::dlerror();
    void* address = ::dlsym(handle, binding.Name);
    if (!address) {
      const std::string reason = dlErrorText();
      UnbindTable(table);
      throw std::runtime_error(
          base::Format(binding.IsVariable ? "Load variable %s@%s error: %s" : "Load function %s@%s error: %s",
                       binding.Name, fileName.c_str(), reason.c_str()));
    }
    *binding.Slot = address;
  }
}

void UnbindTable(std::span<const TBinding> table) {
  for (const TBinding& binding : table) *binding.Slot = nullptr;
}

TFFmpegLoader::TFFmpegLoader() = default;
TFFmpegLoader::~TFFmpegLoader() = default;  // libraries stay loaded until the process ends

void TFFmpegLoader::SetLibraryFileName(TLibrary lib, const std::string& fileName) {
  status(lib).Name = fileName;
}

bool TFFmpegLoader::loadOne(TLibrary lib, bool& newlyLoaded) {
  TLibraryStatus& st = status(lib);
  const std::string fileName = st.Name.empty() ? LibraryFileName(lib) : st.Name;
  newlyLoaded = false;
  if (!st.Handle) {
    std::string folder, file = fileName;
    if (const auto slash = fileName.rfind('/'); slash != std::string::npos) {
      folder = fileName.substr(0, slash + 1);
      file = fileName.substr(slash + 1);
    } else if (!libraryPath_.empty()) {
      folder = libraryPath_;
      if (folder.back() != '/') folder += '/';
    }
    std::string reason;
    void* handle = openModule(folder, file, st.Dependencies, reason);
    if (!handle) {
      lastErrMsg_ = base::Format("Load library %s error: %s", (folder + file).c_str(), reason.c_str());
      return false;
    }
    st.Handle = handle;
    newlyLoaded = true;
  }
  if (!st.Fixuped) {
    try {
      BindTable(st.Handle, fileName, LibraryItem(lib).Bindings());
      st.Fixuped = true;
    } catch (const std::exception& e) {
      lastErrMsg_ = e.what();
    }
  }
  if (!st.Fixuped) {
    Unload(lib);
    newlyLoaded = false;
    return false;
  }
  afterBound(lib);
  return true;
}

void TFFmpegLoader::afterBound(TLibrary lib) {
  // Repeated on every Load: a reloaded avutil has lost the callback, and installing twice is harmless.
  if (lib == TLibrary::avUtil && installLogger_) FFLogger().InstallAVLogCallback();
}

bool TFFmpegLoader::Load(TLibrary lib) {
  bool newlyLoaded = false;
  return loadOne(lib, newlyLoaded);
}

bool TFFmpegLoader::Load(TLibraries libs) {
  assert(!libs.empty());
  // On failure only what this call loaded is unloaded again: a library that was already bound may be
  // in use by another component (a running conversion, the player).
  TLibraries loadedHere;
  for (int i = 0; i < kLibraryCount; ++i) {
    const auto lib = static_cast<TLibrary>(i);
    if (!libs.contains(lib)) continue;
    bool newlyLoaded = false;
    if (!loadOne(lib, newlyLoaded)) {
      for (int j = 0; j < i; ++j)
        if (loadedHere.contains(static_cast<TLibrary>(j))) Unload(static_cast<TLibrary>(j));
      return false;
    }
    if (newlyLoaded) loadedHere.insert(lib);
  }
  return true;
}

bool TFFmpegLoader::Loaded(TLibrary lib) const { return status(lib).Handle && status(lib).Fixuped; }

bool TFFmpegLoader::Loaded(TLibraries libs) const {
  assert(!libs.empty());
  for (int i = 0; i < kLibraryCount; ++i)
    if (libs.contains(static_cast<TLibrary>(i)) && !Loaded(static_cast<TLibrary>(i))) return false;
  return true;
}

void TFFmpegLoader::Unload(TLibrary lib) {
  TLibraryStatus& st = status(lib);
  if (st.Fixuped) {
    UnbindTable(LibraryItem(lib).Bindings());
    st.Fixuped = false;
  }
  if (st.Handle) {
    ::dlclose(st.Handle);
    st.Handle = nullptr;
  }
  closeAll(st.Dependencies);
}

void TFFmpegLoader::Unload(TLibraries libs) {
  assert(!libs.empty());
  for (int i = 0; i < kLibraryCount; ++i)
    if (libs.contains(static_cast<TLibrary>(i))) Unload(static_cast<TLibrary>(i));
}

TFFmpegLoader& Loader() {
  static TFFmpegLoader loader;
  return loader;
}

bool LoadAVLib(TLibraries ALibraries, const std::string& APath, std::string& ALastErrMsg) {
  TFFmpegLoader& loader = Loader();
  loader.SetLibraryPath(APath);
  if (loader.Load(ALibraries)) return true;
  ALastErrMsg = loader.LastErrMsg();
  return false;
}

namespace {
thread_local int codecLockDepth = 0;  // how often the calling thread holds CodecLock
}

void TCodecLock::lock() {
  mutex_.lock();
  ++codecLockDepth;
}

void TCodecLock::unlock() {
  --codecLockDepth;
  mutex_.unlock();
}

bool TCodecLock::try_lock() {
  if (!mutex_.try_lock()) return false;
  ++codecLockDepth;
  return true;
}

bool TCodecLock::HeldByThisThread() { return codecLockDepth > 0; }

TCodecLock& CodecLock() {
  static TCodecLock lock;
  return lock;
}

namespace {
int savedExceptions = 0;
}

void SetupFloatingPoint() { savedExceptions = fedisableexcept(FE_ALL_EXCEPT); }

void RestoreFloatingPoint() {
  if (savedExceptions > 0) feenableexcept(savedExceptions);
}

}  // namespace media
