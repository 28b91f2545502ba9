// vornel-cli convert: converts each file as one job, built the way the main window builds it.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/job_records.h"
#include "app/output_naming.h"
#include "base/main_thread.h"
#include "base/paths.h"
#include "cli/command.h"
#include "cli/convert_args.h"
#include "cli/convert_display.h"
#include "engine/converter/media_converter.h"
#include "media/av_probe.h"
#include "media/ff_logger.h"

namespace cli {
namespace {

std::atomic<bool> gInterrupted{false};

extern "C" void OnInterrupt(int) {
  gInterrupted = true;
  std::signal(SIGINT, SIG_DFL);  // a second Ctrl-C ends the program at once
}

// One job: the file, its task (or -1 when it never got one) and what the display shows of it.
struct TJob {
  int Task = -1;
};

// Builds the run's tasks in file order; a file that cannot be used becomes a failed job.
void BuildTasks(engine::TMediaConverter& AConverter, const TConvertRequest& ARequest,
                const app::TWorkingFields& AFields, TConvertDisplay& ADisplay, std::vector<TJob>& AJobs) {
  for (size_t i = 0; i < ARequest.Files.size(); ++i) {
    const std::string& file = ARequest.Files[i];
    TJobView& view = ADisplay.Jobs()[i];
    auto fail = [&](const std::string& AMessage) {
      view.State = TJobState::jsFailed;
      view.Message = AMessage;
    };
    if (!AConverter.AVProbe().LoadFile(file)) {
      fail(AConverter.AVProbe().LastErrMsg());
      continue;
    }
    AConverter.AVProbe().CloseFile();
    engine::TInputOptions input;
    const int task = AConverter.AddTask(file, &input);
    if (task < 0) {
      fail(AConverter.LastErrMsg());
      continue;
    }
    // The unique-name step sees the outputs of the jobs before: opening an output creates it.
    const std::string output = app::UniqueOutputName(
        app::OutputCandidate(ARequest.OutputFolder, file, AFields.Video_FileExt), ARequest.Overwrite);
    engine::TOutputOptions record;
    app::FillOutputOptions(AFields, output, record);
    record.ExtOptions += ARequest.ExtOptions;
    if (!AConverter.SetOutputFile(task, output, &record)) {
      fail(AConverter.LastErrMsg());
      AConverter.RemoveTask(task);
      continue;
    }
    view.Output = output;
    AJobs[i].Task = task;
  }
}

int RunConvert(const CommandArgs& AArgs) {
  std::string error;
  const auto request = ParseConvertArgs(AArgs, error);
  if (!request) return UsageError(error);
  const auto fields = app::WorkingFieldsForPreset(request->PresetKey, request->Positions, &error);
  if (!fields) return UsageError(error);
  if (!base::ForceDirectories(request->OutputFolder))
    return UsageError("cannot create " + request->OutputFolder);

  engine::TMediaConverter converter;
  // Like the window: the LibAV folder beside the executable first.
  if (!converter.LoadAVLib(base::ExecutableFolder() + "/LibAV")) {
    std::fprintf(stderr, "vornel-cli: %s\n", converter.LastErrMsg().c_str());
    return 1;
  }

  TConvertDisplay display(stdout, ::isatty(STDOUT_FILENO) == 1);
  media::FFLogger().SetLogLevel(media::TLogLevel::llError);
  for (const std::string& file : request->Files) display.Jobs().push_back(TJobView{.Input = file});
  media::FFLogger().SetOnLog(
      [&display](const void*, uint32_t, media::TLogLevel ALevel, const std::string& AMsg) {
        if (ALevel <= media::TLogLevel::llError && !AMsg.empty()) display.Message(AMsg);
      });

  std::vector<TJob> jobs(request->Files.size());
  BuildTasks(converter, *request, *fields, display, jobs);
  std::vector<int> jobOfTask(static_cast<size_t>(converter.TasksCount()), -1);
  for (size_t i = 0; i < jobs.size(); ++i)
    if (jobs[i].Task >= 0) jobOfTask[static_cast<size_t>(jobs[i].Task)] = static_cast<int>(i);

  bool runEnded = false;  // main thread
  bool stopped = false;   // main thread
  converter.OnProgress = [&](void*, engine::TProgressInfo* AInfo) {
    if (request->Jobs == 0 && gInterrupted && !stopped) {
      // The run is inside Start on this thread; a waiting stop would wait for itself.
      stopped = true;
      converter.Stop(false);
    }
    if (AInfo->TaskIndex >= 0 && AInfo->TaskIndex < static_cast<int>(jobOfTask.size()))
      display.Progress(jobOfTask[static_cast<size_t>(AInfo->TaskIndex)], *AInfo);
  };
  // Terminations arrive on a delivery thread; the display belongs to the main thread.
  converter.OnTerminate = [&](void*, const engine::TTerminateInfo& AInfo) {
    const engine::TTerminateInfo info = AInfo;
    base::MainThread::post([&, info] {
      if (info.TaskIndex < 0) {
        runEnded = true;
        return;
      }
      const TJobState state = info.Exception  ? TJobState::jsFailed
                              : info.Finished ? TJobState::jsFinished
                                              : TJobState::jsStopped;
      if (info.TaskIndex < static_cast<int>(jobOfTask.size()))
        display.Ended(jobOfTask[static_cast<size_t>(info.TaskIndex)], state, info.ExceptionMsg);
    });
  };

  std::signal(SIGINT, OnInterrupt);
  display.Redraw();
  converter.Start(request->Jobs);
  while (!runEnded) {
    base::MainThread::waitUntil([&] { return runEnded || (gInterrupted && !stopped); },
                                std::chrono::milliseconds(250));
    if (gInterrupted && !stopped) {
      stopped = true;
      display.Message("Stopping...");
      converter.Stop(true);  // like the stop button: running outputs are finished off as valid files
    }
    display.Redraw();
  }
  std::signal(SIGINT, SIG_DFL);
  media::FFLogger().SetOnLog(nullptr);
  const int failed = display.Summary();
  if (failed > 0) return 1;
  return stopped ? 130 : 0;
}

const CommandRegistration kRegistration({
    "convert",
    "convert --preset KEY [--size N --vbitrate N --fps N --abitrate N --rate N --aspect N] [--out DIR] "
    "[--jobs N] [--overwrite|--rename] [--option NAME=VALUE ...] FILE...",
    "converts each file with a preset (chooser positions default to the preset's; output folder default .)",
    RunConvert,
});

}  // namespace
}  // namespace cli
