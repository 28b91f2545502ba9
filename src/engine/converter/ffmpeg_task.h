#pragma once
// One task of the conversion component: the transcoding engine plus its copies of the option records,
// one probe per input, and its life cycle as seen from outside (start, stop, pause, resume, terminate).
//
// Life cycle: created -> converting (StartConvert) -> terminated. A terminated task cannot start again.
// Stop before start takes a task straight to terminated through a terminate thread.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/manual_reset_event.h"
#include "engine/converter/convert_thread.h"
#include "engine/converter/pause_gate.h"
#include "engine/converter/thread_priority.h"
#include "engine/ffmpeg/custom_ffmpeg.h"
#include "engine/records/options_records.h"

namespace media {
class TAVProbe;
}

namespace engine {

class TFFmpeg : public TCustomFFmpeg {
 public:
  // AMaxFiles: capacity of inputs and of outputs, 1 to 512 (std::invalid_argument otherwise).
  explicit TFFmpeg(int AMaxFiles);
  // Stops the task with wait, then frees its probes and records and releases the engine.
  ~TFFmpeg() override;

  // A new task: engine state to defaults, the verbosity and the post hooks.
  void PrepareTask(int AVerbose, bool APreview, bool APreviewBitmap);

  // --- Adding files (caller's thread, before a run) ---
  // Stores a copy of the record (an empty FileName in the caller's record becomes AFileName), translates
  // it and opens the input; its probe then describes the opened input. False with LastErrMsg() on
  // failure, and no record is kept for that index. Without a record a stored one is reset.
  bool AddInput(const std::string& AFileName, TInputOptions* AOptions);
  // The same for an output (translation, open, extra streams).
  bool AddOutput(const std::string& AFileName, TOutputOptions* AOptions);
  int InputCount() const { return nb_input_files(); }
  int OutputCount() const { return nb_output_files(); }

  // The probe of an input index, created when missing; nullptr outside 0..MaxFiles-1.
  media::TAVProbe* AVProbes(int AFileIndex);
  // The stored record copies (nullptr when none).
  const TInputOptions* InputOptions(int AIndex) const;
  const TOutputOptions* OutputOptions(int AIndex) const;
  void StoreInputOptions(int AIndex, const TInputOptions& AOptions);
  void StoreOutputOptions(int AIndex, const TOutputOptions& AOptions);
  void ResetStoredInputOptions(int AIndex);
  void ResetStoredOutputOptions(int AIndex);

  // --- Life cycle ---
  // Nothing when converting or terminated already. Fails the task at once (reported through the
  // terminate callback on this thread) when it has no output or no input. Without a thread the whole
  // worker body runs here; with one, the returned thread is suspended: Resume() starts it.
  TConvertThread* StartConvert(bool AUseThread, TThreadPriority APriority);
  // Stop request; with AWaitFor, returns when the worker body has ended (serving the main thread's
  // hand-overs while waiting on it). A paused worker is let go first.
  void Stop(bool AWaitFor);
  // Halt / continue a worker thread at the top of its packet loop; a task without a thread ignores both.
  void Pause();
  void Resume();
  // The next worker thread of this task begins halted (a run paused before this task started).
  void HoldAtStart();
  bool Paused() const { return FPauseGate.IsClosed(); }
  // The worker sits halted at the top of its packet loop.
  bool Halted() const { return FPauseGate.Waiters() > 0; }
  // Stop when converting; when never started, terminate on a terminate thread (Finished and Exception
  // false); nothing when terminated already.
  void StopOrTerminate(bool AWaitFor);

  void SetPostHook(TPostHook AHook, bool AOn);
  void SetReportInterval(int64_t AMicroseconds) { ReportInterval = AMicroseconds; }

  bool Converting() const { return FConverting; }
  bool TaskTerminated() const { return FTerminated; }
  // The worker thread while the task runs in thread mode, else nullptr.
  TConvertThread* Thread() const { return FThread; }

 protected:
  void CheckPause() override;

 private:
  void WorkerBody();
  void TerminateStep();
  void FailAtStart(const std::string& AMessage);
  // Waits for an event; on the main thread it keeps serving the main thread's hand-overs.
  static void WaitServing(const base::ManualResetEvent& AEvent);

  // Owned per input index, created on first use; the caller's thread.
  std::vector<std::unique_ptr<media::TAVProbe>> FAVProbes;
  std::vector<std::unique_ptr<TInputOptions>> FInputOptions;
  std::vector<std::unique_ptr<TOutputOptions>> FOutputOptions;

  // -- Life-cycle transitions happen under FLifeLock; the flags are read without it.
  std::mutex FLifeLock;
  std::atomic<bool> FConverting{false};
  std::atomic<bool> FTerminated{false};
  bool FTerminating = false;                      // a terminate step is under way (FLifeLock)
  std::atomic<TConvertThread*> FThread{nullptr};  // cleared by the terminate step
  std::unique_ptr<TConvertThread> FWorker;        // the thread object, kept until destruction (FLifeLock)
  std::thread FTerminateThread;                   // stop before start (FLifeLock)

  base::ManualResetEvent FStopEvent{true};  // signalled whenever no worker body runs
  base::ManualResetEvent FTermEvent{true};  // signalled whenever no terminate thread runs
  TPauseGate FPauseGate;
};

}  // namespace engine
