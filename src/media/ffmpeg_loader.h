#pragma once
// Run-time loading of the media libraries and binding of their entry points (see av.h).
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "media/bindings.h"

namespace media {

// In load order.
enum class TLibrary { avCodec, avDevice, avFilter, avFormat, avUtil, swScale, swResample, myUtil, lbSDL };
constexpr int kLibraryCount = 9;

// A set of libraries, one bit per TLibrary (avCodec = bit 0).
class TLibraries {
 public:
  constexpr TLibraries() = default;
  constexpr TLibraries(std::initializer_list<TLibrary> libs) {
    for (TLibrary lib : libs) bits_ |= bit(lib);
  }
  constexpr void insert(TLibrary lib) { bits_ |= bit(lib); }
  constexpr bool contains(TLibrary lib) const { return (bits_ & bit(lib)) != 0; }
  constexpr bool empty() const { return bits_ == 0; }
  constexpr uint32_t bits() const { return bits_; }
  constexpr bool operator==(const TLibraries&) const = default;

 private:
  static constexpr uint32_t bit(TLibrary lib) { return 1u << static_cast<int>(lib); }
  uint32_t bits_ = 0;
};

// The libraries each component needs.
inline constexpr TLibraries kConverterLibraries{TLibrary::avCodec, TLibrary::avFilter, TLibrary::avFormat,
                                                TLibrary::avUtil,  TLibrary::swScale,  TLibrary::swResample,
                                                TLibrary::myUtil};
inline constexpr TLibraries kProbeLibraries{TLibrary::avCodec, TLibrary::avFormat,   TLibrary::avUtil,
                                            TLibrary::swScale, TLibrary::swResample, TLibrary::myUtil};
inline constexpr TLibraries kPlayerLibraries{TLibrary::avCodec, TLibrary::avFilter, TLibrary::avFormat,
                                             TLibrary::avUtil,  TLibrary::swScale,  TLibrary::swResample,
                                             TLibrary::myUtil,  TLibrary::lbSDL};

// One constant row per library.
struct TLibraryItem {
  TLibrary Lib;
  const char* Name;     // base name: "avcodec", "c", "SDL2-2.0"
  const char* Version;  // the soname's version suffix: "59" gives libavcodec.so.59
  std::span<const TBinding> (*Bindings)();
};

const TLibraryItem& LibraryItem(TLibrary lib);
// The shared object's file name, for example "libavcodec.so.59".
std::string LibraryFileName(TLibrary lib);

// Binds every name of a table from an opened module; on a missing name throws std::runtime_error with
// "Load function %s@%s error: %s" (or "Load variable ..."), leaving the table's slots null.
void BindTable(void* handle, const std::string& fileName, std::span<const TBinding> table);
void UnbindTable(std::span<const TBinding> table);

class TFFmpegLoader {
 public:
  TFFmpegLoader();
  ~TFFmpegLoader();
  TFFmpegLoader(const TFFmpegLoader&) = delete;
  TFFmpegLoader& operator=(const TFFmpegLoader&) = delete;

  bool Load(TLibrary lib);
  bool Load(TLibraries libs);
  bool Loaded(TLibrary lib) const;
  bool Loaded(TLibraries libs) const;
  void Unload(TLibrary lib);
  void Unload(TLibraries libs);

  const std::string& LastErrMsg() const { return lastErrMsg_; }
  const std::string& LibraryPath() const { return libraryPath_; }
  void SetLibraryPath(const std::string& path) { libraryPath_ = path; }
  bool InstallLogger() const { return installLogger_; }
  void SetInstallLogger(bool on) { installLogger_ = on; }

  // Overrides the built file name of one library (empty: the built one). Tests use it.
  void SetLibraryFileName(TLibrary lib, const std::string& fileName);

 private:
  struct TLibraryStatus {
    std::string Name;  // full file name used instead of the built one, when not empty
    void* Handle = nullptr;
    bool Fixuped = false;
    std::vector<void*> Dependencies;  // libraries preloaded from LibraryPath for this one
  };
  bool loadOne(TLibrary lib, bool& newlyLoaded);
  void afterBound(TLibrary lib);
  TLibraryStatus& status(TLibrary lib) { return status_[static_cast<int>(lib)]; }
  const TLibraryStatus& status(TLibrary lib) const { return status_[static_cast<int>(lib)]; }

  // Main thread only, like the component operations that call it.
  TLibraryStatus status_[kLibraryCount];
  std::string lastErrMsg_;
  std::string libraryPath_;
  bool installLogger_ = true;
};

// The process-wide loader, created on first use.
TFFmpegLoader& Loader();

// A component's LoadAVLib: sets the loader's LibraryPath to APath and loads the component's set; on
// failure copies the loader's LastErrMsg into ALastErrMsg and returns false.
bool LoadAVLib(TLibraries ALibraries, const std::string& APath, std::string& ALastErrMsg);

// Serialises every codec open and close in the process. It also knows whether the calling thread holds
// it: a line the libraries log inside a codec open must not wait for the main thread, which may itself be
// waiting for this lock (the log bridge queues such lines instead).
class TCodecLock {
 public:
  void lock();
  void unlock();
  bool try_lock();
  static bool HeldByThisThread();

 private:
  std::mutex mutex_;
};
TCodecLock& CodecLock();

// Start-up and shutdown of the floating-point environment: all floating-point exceptions masked.
void SetupFloatingPoint();
void RestoreFloatingPoint();

}  // namespace media
