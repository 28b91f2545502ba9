#pragma once
// The conversion component: the only door through which the rest of the system converts media. A caller
// builds a list of tasks, starts it with n parallel workers (or 0: every task in turn on the caller's
// thread), may pause, resume or stop it, and learns about the work through four events.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "engine/converter/ffmpeg_list.h"
#include "engine/converter/terminate_delivery.h"
#include "engine/converter/thread_priority.h"
#include "engine/records/options_records.h"
#include "media/ffmpeg_loader.h"

namespace media {
class TAVProbe;
}

namespace engine {

class TFFmpeg;

class TCustomMediaConverter {
 public:
  TCustomMediaConverter();
  virtual ~TCustomMediaConverter();
  TCustomMediaConverter(const TCustomMediaConverter&) = delete;
  TCustomMediaConverter& operator=(const TCustomMediaConverter&) = delete;

  // -- Task list. Each of these raises "Cannot %s while working." during a run.
  // A task with its first input; the task's index, or -1 with the reason in LastErrMsg.
  int AddTask(const std::string& AFileName, TInputOptions* AOptions);
  // "TimeStart=<µs>" lines set the start time; every other line becomes an ExtOptions line.
  int AddTask(const std::string& AFileName, const std::string& AExtOptions);
  bool AddInputFile(int ATaskIndex, const std::string& AFileName, TInputOptions* AOptions);
  bool AddInputFile(int ATaskIndex, const std::string& AFileName, const std::string& AExtOptions);
  bool SetOutputFile(int ATaskIndex, const std::string& AFileName, TOutputOptions* AOptions);
  // "Hook"/"CustomHook"/"Join" switch those on; "TimeStart"/"TimeLength" set them; the rest is ExtOptions.
  bool SetOutputFile(int ATaskIndex, const std::string& AFileName, const std::string& AExtOptions);
  void Exchange(int ATaskIndex1, int ATaskIndex2);
  void RemoveTask(int ATaskIndex);
  // Frees every task and makes the component idle again; refused while a run goes on.
  void ClearTasks();

  // -- Run control.
  void Start(int AThreadCount);
  void Pause();
  void Resume();
  // No further task starts; running tasks stop, never-started ones report termination at once.
  void Stop(bool AWaitFor);

  // -- Libraries (the converter's set).
  bool LoadAVLib(const std::string& APath);
  bool AVLibLoaded() const;
  void UnloadAVLib();

  // -- Properties.
  const std::string& About() const { return FAbout; }
  const std::string& LastErrMsg() const { return FLastErrMsg; }
  void* UserData() const { return FData; }
  void SetUserData(void* AData) { FData = AData; }
  int CustomMaxFiles() const { return FCustomMaxFiles; }
  void SetCustomMaxFiles(int AValue) { FCustomMaxFiles = AValue; }
  bool Preview() const { return FPreview; }
  void SetPreview(bool AValue);
  bool PreviewBitmap() const { return FPreviewBitmap; }
  void SetPreviewBitmap(bool AValue);
  int ProgressInterval() const { return FProgressInterval; }
  // Milliseconds between progress reports; 100 or less stores 100.
  void SetProgressInterval(int AValue);
  TThreadPriority ThreadPriority() const { return FThreadPriority; }
  void SetThreadPriority(TThreadPriority AValue) { FThreadPriority = AValue; }
  bool TriggerEventInMainThread() const { return FTriggerEventInMainThread; }
  void SetTriggerEventInMainThread(bool AValue) { FTriggerEventInMainThread = AValue; }
  int Verbose() const { return FVerbose; }
  void SetVerbose(int AValue) { FVerbose = AValue; }
  bool Terminated() const { return FTerminated; }
  bool Working() const { return FWorking; }
  int TasksCount() const { return FFFmpegList.Count(); }
  static const char* Version() { return "3.3"; }

  // The component's own probe, free for the caller's probing.
  media::TAVProbe& AVProbe();
  // The probe of an input of a task, attached to the opened input.
  media::TAVProbe* AVProbes(int ATaskIndex, int AFileIndex);
  // The task itself (for reading its state); nullptr for a bad index.
  TFFmpeg* Tasks(int ATaskIndex);

  // -- Events. Assign before Start; Sender is always the component.
  TCustomHookEvent OnCustomHook;
  TPreviewBitmapEvent OnPreviewBitmap;
  TProgressEvent OnProgress;
  TTerminateEvent OnTerminate;

 protected:
  // The engine's callbacks are bound to these.
  virtual void DoCustomHook(TFFmpeg* Sender, TBitmap24* ABitmap, int AFrameNumber, int64_t APTS,
                            bool& AUpdate, bool& AStopHook);
  virtual void DoPreviewBitmap(TFFmpeg* Sender, const TBitmap24* ABitmap, int AFrameNumber, int64_t APTS);
  virtual void DoProgress(TFFmpeg* Sender, int AFileIndex, int AFrameNumber, int AFPS, float AQuality,
                          float ABitRate, int64_t ACurrentSize, int64_t ACurrentDuration,
                          int64_t ATotalDuration);
  // A task ended (Sender nullptr: the run ended).
  virtual void DoTaskTerminate(TFFmpeg* Sender);

 private:
  void CheckWorking(const char* AOperation) const;
  void StartNextTask();
  TFFmpeg* TakeNextTask();  // under FTerminateLock: the next pending task, or nullptr
  void DeliverTerminate();  // under FTerminateLock: FTerminateInfo to OnTerminate
  void DeliverFinalEvent();
  void BindTaskEvents(TFFmpeg& ATask);
  TFFmpeg& TaskAt(int ATaskIndex);  // throws for a bad index

  std::string FAbout;
  // -- Main thread: the operations that report by result.
  std::string FLastErrMsg;
  void* FData = nullptr;
  // -- Settings: written by the caller, read by workers.
  std::atomic<int> FCustomMaxFiles{20};
  std::atomic<bool> FPreview{false};
  std::atomic<bool> FPreviewBitmap{false};
  std::atomic<int> FProgressInterval{500};
  std::atomic<TThreadPriority> FThreadPriority{TThreadPriority::tpNormal};
  std::atomic<bool> FTriggerEventInMainThread{true};
  std::atomic<int> FVerbose{1};

  // Payloads, each guarded by its lock, held until the handler has returned.
  THookInfo FHookInfo;            // FHookLock
  TProgressInfo FProgressInfo;    // FProgressLock
  TTerminateInfo FTerminateInfo;  // FTerminateLock
  TPreviewInfo FPreviewInfo;      // FPreviewLock

  std::recursive_mutex FHookLock;
  std::recursive_mutex FPreviewLock;
  std::recursive_mutex FProgressLock;
  std::recursive_mutex FTerminateLock;

  std::unique_ptr<media::TAVProbe> FAVProbe;  // created on first use
  // Changed only while no run goes on; workers read it during a run.
  TFFmpegList FFFmpegList;

  // -- The run counters, guarded by FTerminateLock.
  int FCompleteTasks = 0;  // tasks that reported termination in this run
  int FCurrentTask = -1;   // index of the next task to start; -1: no run since the list was cleared
  int FPendingTasks = 0;   // tasks of this run not yet started
  bool FPaused = false;    // the run is paused: tasks started now begin halted
  // -- Read without the lock by the caller; written under FTerminateLock.
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FThreadMode{false};
  std::atomic<bool> FWorking{false};

  // Declared last: destroyed first, so no handler runs while the rest goes away.
  TDoTerminateThread FTerminateDelivery;
};

class TMediaConverter : public TCustomMediaConverter {
 public:
  using TCustomMediaConverter::TCustomMediaConverter;
};

}  // namespace engine
