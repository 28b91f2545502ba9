#include "engine/converter/media_converter.h"

#include <stdexcept>
#include <utility>

#include "base/main_thread.h"
#include "base/text.h"
#include "engine/converter/ext_option_lines.h"
#include "engine/converter/ffmpeg_task.h"
#include "media/av_probe.h"

namespace engine {
namespace {

// The converter's library set.
constexpr media::TLibraries kConverterLibs = media::kConverterLibraries;

}  // namespace

TCustomMediaConverter::TCustomMediaConverter() = default;

TCustomMediaConverter::~TCustomMediaConverter() {
  // Stop first, serving the main thread while waiting: a worker may be holding a payload lock while it
  // waits for the main thread, so taking the locks before the workers end could never return.
  try {
    Stop(true);
  } catch (...) {
  }
  FTerminateDelivery.WaitIdle();
  FFFmpegList.Clear();
  // Nobody else can hold the locks now; entering each one makes sure of it.
  { std::lock_guard lock(FHookLock); }
  { std::lock_guard lock(FPreviewLock); }
  { std::lock_guard lock(FProgressLock); }
  { std::lock_guard lock(FTerminateLock); }
}

void TCustomMediaConverter::CheckWorking(const char* AOperation) const {
  if (FWorking) throw std::runtime_error(base::Format("Cannot %s while working.", AOperation));
}

TFFmpeg& TCustomMediaConverter::TaskAt(int ATaskIndex) {
  TFFmpeg* task = FFFmpegList.Items(ATaskIndex);
  if (!task) throw std::out_of_range(base::Format("List index out of bounds (%d)", ATaskIndex));
  return *task;
}

TFFmpeg* TCustomMediaConverter::Tasks(int ATaskIndex) { return FFFmpegList.Items(ATaskIndex); }

// ---- Task list --------------------------------------------------------------------------------------

void TCustomMediaConverter::BindTaskEvents(TFFmpeg& ATask) {
  ATask.FOnProgress = [this](TCustomFFmpeg* ASender, int AFileIndex, int AFrameNumber, int AFPS,
                             float AQuality, float ABitRate, int64_t ACurrentSize, int64_t ACurrentDuration,
                             int64_t ATotalDuration) {
    DoProgress(static_cast<TFFmpeg*>(ASender), AFileIndex, AFrameNumber, AFPS, AQuality, ABitRate,
               ACurrentSize, ACurrentDuration, ATotalDuration);
  };
  ATask.FOnTerminate = [this](TCustomFFmpeg* ASender) { DoTaskTerminate(static_cast<TFFmpeg*>(ASender)); };
}

int TCustomMediaConverter::AddTask(const std::string& AFileName, TInputOptions* AOptions) {
  CheckWorking("AddTask");
  // A capacity outside 1..512 is the caller's mistake and reaches the caller.
  auto task = std::make_unique<TFFmpeg>(FCustomMaxFiles);
  try {
    task->PrepareTask(FVerbose, FPreview, FPreviewBitmap);
    task->FOnPreviewBitmap = [this](TCustomFFmpeg* ASender, const TBitmap24& ABitmap, int AFrameNumber,
                                    int64_t APTS) {
      DoPreviewBitmap(static_cast<TFFmpeg*>(ASender), &ABitmap, AFrameNumber, APTS);
    };
    if (!task->AddInput(AFileName, AOptions)) {
      FLastErrMsg = task->LastErrMsg();
      return -1;
    }
    BindTaskEvents(*task);
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    return -1;
  }
  return FFFmpegList.Add(std::move(task));
}

int TCustomMediaConverter::AddTask(const std::string& AFileName, const std::string& AExtOptions) {
  TInputOptions options;
  InputOptionsFromLines(AExtOptions, options);
  return AddTask(AFileName, &options);
}

bool TCustomMediaConverter::AddInputFile(int ATaskIndex, const std::string& AFileName,
                                         TInputOptions* AOptions) {
  CheckWorking("AddInputFile");
  TFFmpeg& task = TaskAt(ATaskIndex);
  if (task.InputCount() >= task.MaxFiles()) {
    FLastErrMsg = base::Format("max input files %d reached", task.MaxFiles());
    return false;
  }
  try {
    if (!task.AddInput(AFileName, AOptions)) {
      FLastErrMsg = task.LastErrMsg();
      return false;
    }
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    return false;
  }
  return true;
}

bool TCustomMediaConverter::AddInputFile(int ATaskIndex, const std::string& AFileName,
                                         const std::string& AExtOptions) {
  TInputOptions options;
  InputOptionsFromLines(AExtOptions, options);
  return AddInputFile(ATaskIndex, AFileName, &options);
}

bool TCustomMediaConverter::SetOutputFile(int ATaskIndex, const std::string& AFileName,
                                          TOutputOptions* AOptions) {
  CheckWorking("SetOutputFile");
  TFFmpeg& task = TaskAt(ATaskIndex);
  if (task.OutputCount() >= task.MaxFiles()) {
    FLastErrMsg = base::Format("max output files %d reached", task.MaxFiles());
    return false;
  }
  try {
    if (AOptions && AOptions->CustomHook) {
      task.FOnCustomHook = [this](TCustomFFmpeg* ASender, TBitmap24& ABitmap, int AFrameNumber, int64_t APTS,
                                  bool& AUpdate, bool& AStopHook) {
        DoCustomHook(static_cast<TFFmpeg*>(ASender), &ABitmap, AFrameNumber, APTS, AUpdate, AStopHook);
      };
    }
    if (!task.AddOutput(AFileName, AOptions)) {
      FLastErrMsg = task.LastErrMsg();
      return false;
    }
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    return false;
  }
  return true;
}

bool TCustomMediaConverter::SetOutputFile(int ATaskIndex, const std::string& AFileName,
                                          const std::string& AExtOptions) {
  TOutputOptions options;
  OutputOptionsFromLines(AExtOptions, options);
  return SetOutputFile(ATaskIndex, AFileName, &options);
}

void TCustomMediaConverter::Exchange(int ATaskIndex1, int ATaskIndex2) {
  CheckWorking("Exchange");
  FFFmpegList.Exchange(ATaskIndex1, ATaskIndex2);
}

void TCustomMediaConverter::RemoveTask(int ATaskIndex) {
  CheckWorking("RemoveTask");
  FFFmpegList.Delete(ATaskIndex);
}

void TCustomMediaConverter::ClearTasks() {
  if (FWorking && !FTerminated) throw std::runtime_error("Cannot ClearTasks while working.");
  // The final notification may still be on its way to the handler.
  FTerminateDelivery.WaitIdle();
  std::lock_guard lock(FTerminateLock);
  FFFmpegList.Clear();
  FLastErrMsg.clear();
  FCompleteTasks = 0;
  FCurrentTask = -1;
  FPendingTasks = 0;
  FPaused = false;
  FTerminated = false;
  FThreadMode = false;
  FWorking = false;
}

// ---- Run control ------------------------------------------------------------------------------------

void TCustomMediaConverter::Start(int AThreadCount) {
  CheckWorking("StartTask");
  std::unique_lock lock(FTerminateLock);
  FCompleteTasks = 0;
  FCurrentTask = 0;
  FPendingTasks = TasksCount();
  FPaused = false;
  FTerminated = false;
  FThreadMode = AThreadCount > 0;
  FWorking = true;
  if (FPendingTasks == 0) {
    // Nothing to run: the run is over at once, and says so, or the caller would wait forever.
    DoTaskTerminate(nullptr);
    return;
  }
  if (FThreadMode) {
    int threads = AThreadCount;
    while (FPendingTasks > 0) {
      StartNextTask();
      if (--threads <= 0) break;
    }
    return;
  }
  // Without threads every task runs here in turn. The lock is not held while a task converts, so that
  // Stop from another thread is not shut out for the length of the run.
  for (;;) {
    TFFmpeg* task = TakeNextTask();
    if (!task) break;
    lock.unlock();
    task->StartConvert(false, FThreadPriority);
    lock.lock();
  }
}

TFFmpeg* TCustomMediaConverter::TakeNextTask() {
  std::lock_guard lock(FTerminateLock);
  if (FPendingTasks <= 0) return nullptr;
  --FPendingTasks;
  // Advance first: a task that ends during its own start hands on to the following task.
  TFFmpeg* task = FFFmpegList.Items(FCurrentTask++);
  if (!task) return nullptr;
  task->SetReportInterval(static_cast<int64_t>(FProgressInterval) * 1000);
  if (FPaused && FThreadMode) task->HoldAtStart();
  return task;
}

void TCustomMediaConverter::StartNextTask() {
  std::lock_guard lock(FTerminateLock);
  TFFmpeg* task = TakeNextTask();
  if (!task) return;
  if (TConvertThread* thread = task->StartConvert(FThreadMode, FThreadPriority)) thread->Resume();
}

void TCustomMediaConverter::Pause() {
  {
    std::lock_guard lock(FTerminateLock);
    FPaused = FWorking && !FTerminated;
  }
  FFFmpegList.Pause();
}

void TCustomMediaConverter::Resume() {
  {
    std::lock_guard lock(FTerminateLock);
    FPaused = false;
  }
  FFFmpegList.Resume();
}

void TCustomMediaConverter::Stop(bool AWaitFor) {
  {
    std::lock_guard lock(FTerminateLock);
    // Outside a run there is nothing to stop; terminating idle tasks would leave them unable to start.
    if (!FWorking || FTerminated) return;
    FPendingTasks = 0;
    FPaused = false;
  }
  FFFmpegList.StopOrTerminate(AWaitFor);
}

// ---- Events -----------------------------------------------------------------------------------------

void TCustomMediaConverter::DoProgress(TFFmpeg* Sender, int AFileIndex, int AFrameNumber, int AFPS,
                                       float AQuality, float ABitRate, int64_t ACurrentSize,
                                       int64_t ACurrentDuration, int64_t ATotalDuration) {
  if (!OnProgress) return;
  std::lock_guard lock(FProgressLock);
  FProgressInfo.TaskIndex = FFFmpegList.IndexOf(Sender);
  FProgressInfo.FileIndex = AFileIndex;
  FProgressInfo.FrameNumber = AFrameNumber;
  FProgressInfo.FPS = AFPS;
  FProgressInfo.Quality = AQuality;
  FProgressInfo.BitRate = ABitRate;
  FProgressInfo.CurrentSize = ACurrentSize;
  FProgressInfo.CurrentDuration = ACurrentDuration;
  FProgressInfo.TotalDuration = ATotalDuration;
  if (FTriggerEventInMainThread && !base::MainThread::isMainThread())
    base::MainThread::invokeAndWait([this] { OnProgress(this, &FProgressInfo); });
  else
    OnProgress(this, &FProgressInfo);
}

void TCustomMediaConverter::DoPreviewBitmap(TFFmpeg* Sender, const TBitmap24* ABitmap, int AFrameNumber,
                                            int64_t APTS) {
  if (!OnPreviewBitmap) return;
  std::lock_guard lock(FPreviewLock);
  FPreviewInfo.TaskIndex = FFFmpegList.IndexOf(Sender);
  FPreviewInfo.Bitmap = ABitmap;
  FPreviewInfo.FrameNumber = AFrameNumber;
  FPreviewInfo.PTS = APTS;
  if (FTriggerEventInMainThread && !base::MainThread::isMainThread())
    base::MainThread::invokeAndWait([this] { OnPreviewBitmap(this, FPreviewInfo); });
  else
    OnPreviewBitmap(this, FPreviewInfo);
}

void TCustomMediaConverter::DoCustomHook(TFFmpeg* Sender, TBitmap24* ABitmap, int AFrameNumber, int64_t APTS,
                                         bool& AUpdate, bool& AStopHook) {
  if (!OnCustomHook) return;
  // Always on the worker's thread; hooks of parallel tasks are serialized by the lock.
  std::lock_guard lock(FHookLock);
  FHookInfo.TaskIndex = FFFmpegList.IndexOf(Sender);
  FHookInfo.Bitmap = ABitmap;
  FHookInfo.FrameNumber = AFrameNumber;
  FHookInfo.PTS = APTS;
  FHookInfo.Update = AUpdate;
  FHookInfo.StopHook = AStopHook;
  OnCustomHook(this, &FHookInfo);
  AUpdate = FHookInfo.Update;
  AStopHook = FHookInfo.StopHook;
}

void TCustomMediaConverter::DeliverTerminate() {
  if (!OnTerminate) return;
  if (FThreadMode)
    FTerminateDelivery.Deliver(OnTerminate, this, FTerminateInfo);
  else
    OnTerminate(this, FTerminateInfo);
}

void TCustomMediaConverter::DeliverFinalEvent() {
  FTerminateInfo.TaskIndex = -1;
  FTerminateInfo.Finished = true;
  FTerminateInfo.Exception = false;
  FTerminateInfo.ExceptionMsg.clear();
  DeliverTerminate();
  FTerminated = true;
}

void TCustomMediaConverter::DoTaskTerminate(TFFmpeg* Sender) {
  std::lock_guard lock(FTerminateLock);
  if (!Sender) {
    DeliverFinalEvent();
    return;
  }
  FTerminateInfo.TaskIndex = FFFmpegList.IndexOf(Sender);
  FTerminateInfo.Finished = Sender->Finished();
  FTerminateInfo.Exception = Sender->FatalException();
  FTerminateInfo.ExceptionMsg = Sender->FatalMessage();
  DeliverTerminate();
  ++FCompleteTasks;
  if (FPendingTasks > 0) {
    if (FThreadMode) StartNextTask();  // without threads the start loop goes on by itself
  } else if (FCompleteTasks >= TasksCount()) {
    DeliverFinalEvent();
  }
}

// ---- Properties -------------------------------------------------------------------------------------

void TCustomMediaConverter::SetProgressInterval(int AValue) {
  FProgressInterval = AValue <= 100 ? 100 : AValue;
}

void TCustomMediaConverter::SetPreview(bool AValue) {
  FFFmpegList.SetPostHook(phPreview, AValue);
  FPreview = AValue;
}

void TCustomMediaConverter::SetPreviewBitmap(bool AValue) {
  FFFmpegList.SetPostHook(phBitmap, AValue);
  FPreviewBitmap = AValue;
}

bool TCustomMediaConverter::LoadAVLib(const std::string& APath) {
  return media::LoadAVLib(kConverterLibs, APath, FLastErrMsg);
}

bool TCustomMediaConverter::AVLibLoaded() const { return media::Loader().Loaded(kConverterLibs); }

void TCustomMediaConverter::UnloadAVLib() { media::Loader().Unload(kConverterLibs); }

media::TAVProbe& TCustomMediaConverter::AVProbe() {
  if (!FAVProbe) FAVProbe = std::make_unique<media::TAVProbe>();
  return *FAVProbe;
}

media::TAVProbe* TCustomMediaConverter::AVProbes(int ATaskIndex, int AFileIndex) {
  TFFmpeg* task = FFFmpegList.Items(ATaskIndex);
  return task ? task->AVProbes(AFileIndex) : nullptr;
}

}  // namespace engine
