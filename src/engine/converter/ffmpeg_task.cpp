#include "engine/converter/ffmpeg_task.h"

#include <chrono>
#include <exception>

#include "base/main_thread.h"
#include "engine/ffmpeg/post_hook_lock.h"
#include "media/av_probe.h"
#include "media/ff_logger.h"

namespace engine {
namespace {

template <typename T>
T* Slot(std::vector<std::unique_ptr<T>>& AItems, int AIndex) {
  if (AIndex < 0 || AIndex >= static_cast<int>(AItems.size())) return nullptr;
  return AItems[static_cast<size_t>(AIndex)].get();
}

}  // namespace

TFFmpeg::TFFmpeg(int AMaxFiles)
    : TCustomFFmpeg(AMaxFiles),
      FAVProbes(static_cast<size_t>(AMaxFiles)),
      FInputOptions(static_cast<size_t>(AMaxFiles)),
      FOutputOptions(static_cast<size_t>(AMaxFiles)) {}

TFFmpeg::~TFFmpeg() {
  Stop(true);
  WaitServing(FTermEvent);
  {
    std::lock_guard lock(FLifeLock);
    if (FTerminateThread.joinable()) FTerminateThread.join();
  }
  FWorker.reset();  // joins the finished worker
  // The probes describe the engine's open inputs: they go before the engine closes those.
  FAVProbes.clear();
  for (int i = 0; i < MaxFiles(); ++i) {
    ResetStoredInputOptions(i);
    ResetStoredOutputOptions(i);
  }
  FInputOptions.clear();
  FOutputOptions.clear();
}

void TFFmpeg::PrepareTask(int AVerbose, bool APreview, bool APreviewBitmap) {
  ResetEngine();
  Fverbose = AVerbose;
  TPostHooks hooks = 0;
  if (APreview) hooks |= phPreview;
  if (APreviewBitmap) hooks |= phBitmap;
  SetPostHooks(hooks);
}

// ---- Records and probes -----------------------------------------------------------------------------

media::TAVProbe* TFFmpeg::AVProbes(int AFileIndex) {
  if (AFileIndex < 0 || AFileIndex >= MaxFiles()) return nullptr;
  auto& probe = FAVProbes[static_cast<size_t>(AFileIndex)];
  if (!probe) probe = std::make_unique<media::TAVProbe>();
  return probe.get();
}

const TInputOptions* TFFmpeg::InputOptions(int AIndex) const {
  return AIndex < 0 || AIndex >= MaxFiles() ? nullptr : FInputOptions[static_cast<size_t>(AIndex)].get();
}

const TOutputOptions* TFFmpeg::OutputOptions(int AIndex) const {
  return AIndex < 0 || AIndex >= MaxFiles() ? nullptr : FOutputOptions[static_cast<size_t>(AIndex)].get();
}

void TFFmpeg::StoreInputOptions(int AIndex, const TInputOptions& AOptions) {
  if (AIndex < 0 || AIndex >= MaxFiles()) return;
  auto& slot = FInputOptions[static_cast<size_t>(AIndex)];
  if (!slot) slot = std::make_unique<TInputOptions>();
  *slot = AOptions;
}

void TFFmpeg::StoreOutputOptions(int AIndex, const TOutputOptions& AOptions) {
  if (AIndex < 0 || AIndex >= MaxFiles()) return;
  auto& slot = FOutputOptions[static_cast<size_t>(AIndex)];
  if (!slot) slot = std::make_unique<TOutputOptions>();
  *slot = AOptions;
}

void TFFmpeg::ResetStoredInputOptions(int AIndex) {
  if (TInputOptions* options = Slot(FInputOptions, AIndex)) ResetInputOptions(*options);
}

void TFFmpeg::ResetStoredOutputOptions(int AIndex) {
  if (TOutputOptions* options = Slot(FOutputOptions, AIndex)) ResetOutputOptions(*options);
}

bool TFFmpeg::AddInput(const std::string& AFileName, TInputOptions* AOptions) {
  const int index = nb_input_files();
  if (AOptions) {
    if (AOptions->FileName.empty()) AOptions->FileName = AFileName;
    StoreInputOptions(index, *AOptions);
  } else {
    ResetStoredInputOptions(index);
  }
  if (!AddInputFile(AFileName, AOptions)) {
    ResetStoredInputOptions(index);
    return false;
  }
  // The probe describes the opened input without opening the file again.
  AVProbes(index)->SetFileHandle(InputContext(index));
  return true;
}

bool TFFmpeg::AddOutput(const std::string& AFileName, TOutputOptions* AOptions) {
  const int index = nb_output_files();
  if (AOptions) {
    if (AOptions->FileName.empty()) AOptions->FileName = AFileName;
    StoreOutputOptions(index, *AOptions);
  } else {
    ResetStoredOutputOptions(index);
  }
  if (!SetOutputFile(AFileName, AOptions)) {
    ResetStoredOutputOptions(index);
    return false;
  }
  return true;
}

void TFFmpeg::SetPostHook(TPostHook AHook, bool AOn) {
  std::lock_guard lock(PostHookLock());  // one read-modify-write
  const TPostHooks hooks = PostHooks();
  SetPostHooks(AOn ? (hooks | AHook) : (hooks & ~AHook));
}

// ---- Life cycle -------------------------------------------------------------------------------------

void TFFmpeg::FailAtStart(const std::string& AMessage) {
  try {
    CleanUp();
  } catch (const std::exception& e) {
    media::FFLogger().Log(this, media::TLogLevel::llQuiet, std::string(e.what()));
  }
  media::FFLogger().Log(this, media::TLogLevel::llQuiet, AMessage);
  FFatalException = true;
  FFatalMessage = AMessage;
  TerminateStep();
}

TConvertThread* TFFmpeg::StartConvert(bool AUseThread, TThreadPriority APriority) {
  const char* failure = nullptr;
  {
    std::lock_guard lock(FLifeLock);
    if (FConverting || FTerminated || FTerminating) return nullptr;
    if (nb_output_files() == 0)
      failure = "At least one output file must be specified";
    else if (nb_input_files() == 0)
      failure = "At least one input file must be specified";
    if (failure) {
      FTerminating = true;
    } else {
      FConverting = true;
      FBroken = false;
      FFinished = false;
      if (AUseThread) {
        // Non-signalled from the thread's creation, so that a wait never returns early.
        FStopEvent.reset();
        FWorker = std::make_unique<TConvertThread>([this] { WorkerBody(); }, APriority);
        FThread = FWorker.get();
      }
    }
  }
  if (failure) {
    FailAtStart(failure);
    return nullptr;
  }
  if (!AUseThread) {
    FStopEvent.reset();
    WorkerBody();
    return nullptr;
  }
  return FThread;
}

void TFFmpeg::WorkerBody() {
  // Each step runs even when the one before failed; RunConversion records its own errors.
  try {
    RunConversion();
  } catch (const std::exception& e) {
    media::FFLogger().Log(this, media::TLogLevel::llQuiet, std::string(e.what()));
    FFatalException = true;
    FFatalMessage = e.what();
  } catch (...) {
    FFatalException = true;
    FFatalMessage = "Unknown error";
  }
  TerminateStep();
  FStopEvent.set();
}

void TFFmpeg::TerminateStep() {
  {
    std::lock_guard lock(FLifeLock);
    FConverting = false;
    FTerminated = true;
    FTerminating = false;
    FThread = nullptr;
  }
  try {
    if (FOnTerminate) FOnTerminate(this);
  } catch (const std::exception& e) {
    // Nobody is left to tell but the log.
    media::FFLogger().Log(this, media::TLogLevel::llQuiet, std::string(e.what()));
  } catch (...) {
    media::FFLogger().Log(this, media::TLogLevel::llQuiet, std::string("Unknown error in terminate"));
  }
}

void TFFmpeg::WaitServing(const base::ManualResetEvent& AEvent) {
  if (!base::MainThread::isMainThread()) {
    AEvent.wait();
    return;
  }
  // Slices of 20 ms; between slices the main thread serves the hand-overs workers are waiting for.
  while (!base::MainThread::waitUntil([&] { return AEvent.isSet(); }, std::chrono::milliseconds(20))) {
  }
}

void TFFmpeg::Stop(bool AWaitFor) {
  RequestStop();
  TConvertThread* worker;
  {
    std::lock_guard lock(FLifeLock);
    worker = FWorker.get();
  }
  // A conversion on the caller's thread sees the request at its next loop turn.
  if (!worker) return;
  FPauseGate.Open();
  worker->Resume();  // a worker never started would otherwise never signal its end
  if (!AWaitFor || worker->IsCurrentThread()) return;
  WaitServing(FStopEvent);
}

void TFFmpeg::Pause() {
  if (FThread && !FBroken) FPauseGate.Close();
}

void TFFmpeg::Resume() { FPauseGate.Open(); }

void TFFmpeg::HoldAtStart() {
  std::lock_guard lock(FLifeLock);
  if (!FConverting && !FTerminated && !FTerminating) FPauseGate.Close();
}

void TFFmpeg::CheckPause() {
  // Only a worker thread halts: a conversion on the caller's thread would never be resumed.
  if (!FPauseGate.MaybeClosed()) return;  // the usual case, once per packet
  TConvertThread* thread = FThread;
  if (thread && thread->IsCurrentThread()) FPauseGate.Pass(FBroken);
}

void TFFmpeg::StopOrTerminate(bool AWaitFor) {
  {
    std::unique_lock lock(FLifeLock);
    if (FConverting) {
      lock.unlock();
      Stop(AWaitFor);
      return;
    }
    if (FTerminated) return;
    if (!FTerminating) {
      FTerminating = true;
      FTermEvent.reset();
      FTerminateThread = std::thread([this] {
        TerminateStep();
        FTermEvent.set();
      });
    }
  }
  if (AWaitFor) WaitServing(FTermEvent);
}

}  // namespace engine
