#include "engine/converter/ffmpeg_list.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "engine/converter/ffmpeg_task.h"

namespace engine {

TFFmpegList::TFFmpegList() = default;

TFFmpegList::~TFFmpegList() { Clear(); }

int TFFmpegList::Add(std::unique_ptr<TFFmpeg> ATask) {
  FItems.push_back(std::move(ATask));
  return Count() - 1;
}

TFFmpeg* TFFmpegList::Items(int AIndex) const {
  if (AIndex < 0 || AIndex >= Count()) return nullptr;
  return FItems[static_cast<size_t>(AIndex)].get();
}

int TFFmpegList::IndexOf(const TFFmpeg* ATask) const {
  for (int i = 0; i < Count(); ++i)
    if (FItems[static_cast<size_t>(i)].get() == ATask) return i;
  return -1;
}

void TFFmpegList::Delete(int AIndex) {
  if (AIndex < 0 || AIndex >= Count())
    throw std::out_of_range("List index out of bounds (" + std::to_string(AIndex) + ")");
  // Out of the list first, so the list never shows a task that is being destroyed.
  std::unique_ptr<TFFmpeg> task = std::move(FItems[static_cast<size_t>(AIndex)]);
  FItems.erase(FItems.begin() + AIndex);
}

void TFFmpegList::Clear() {
  std::vector<std::unique_ptr<TFFmpeg>> items;
  items.swap(FItems);
  items.clear();  // in list order
}

void TFFmpegList::Exchange(int AIndex1, int AIndex2) {
  if (AIndex1 < 0 || AIndex1 >= Count() || AIndex2 < 0 || AIndex2 >= Count())
    throw std::out_of_range("List index out of bounds");
  std::swap(FItems[static_cast<size_t>(AIndex1)], FItems[static_cast<size_t>(AIndex2)]);
}

void TFFmpegList::Pause() {
  for (auto& task : FItems) task->Pause();
}

void TFFmpegList::Resume() {
  for (auto& task : FItems) task->Resume();
}

void TFFmpegList::StopOrTerminate(bool AWaitFor) {
  for (auto& task : FItems) task->StopOrTerminate(AWaitFor);
}

void TFFmpegList::SetPostHook(TPostHook AHook, bool AOn) {
  for (auto& task : FItems) task->SetPostHook(AHook, AOn);
}

}  // namespace engine
