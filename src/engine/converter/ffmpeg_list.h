#pragma once
// The ordered task list of the conversion component; it owns its tasks.
#include <memory>
#include <vector>

#include "engine/ffmpeg/custom_ffmpeg.h"

namespace engine {

class TFFmpeg;

class TFFmpegList {
 public:
  TFFmpegList();
  ~TFFmpegList();
  TFFmpegList(const TFFmpegList&) = delete;
  TFFmpegList& operator=(const TFFmpegList&) = delete;

  int Add(std::unique_ptr<TFFmpeg> ATask);  // the new index
  TFFmpeg* Items(int AIndex) const;         // nullptr for a bad index
  int IndexOf(const TFFmpeg* ATask) const;  // -1 when absent
  int Count() const { return static_cast<int>(FItems.size()); }
  void Delete(int AIndex);  // frees the task
  void Clear();             // frees every task
  void Exchange(int AIndex1, int AIndex2);

  // Broadcasts over every task in list order.
  void Pause();
  void Resume();
  void StopOrTerminate(bool AWaitFor);
  void SetPostHook(TPostHook AHook, bool AOn);  // phPreview or phBitmap

 private:
  std::vector<std::unique_ptr<TFFmpeg>> FItems;
};

}  // namespace engine
