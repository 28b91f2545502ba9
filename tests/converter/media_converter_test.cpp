// The conversion component with the real engine on small generated clips.
#include "engine/converter/media_converter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <thread>

#include "converter_clips.h"
#include "converter_run_log.h"
#include "engine/converter/ffmpeg_task.h"
#include "media/av_probe.h"
#include "support/media_libraries.h"

namespace {

using convtest::TRunLog;
using convtest::WaitFor;
using engine::TMediaConverter;

class MediaConverterTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries)); }

  // A task converting AInput into AFolder/name.mp4; the task's index.
  int AddJob(TMediaConverter& AConverter, const std::string& AInput, const std::string& AOutput) {
    engine::TInputOptions input;
    const int task = AConverter.AddTask(AInput, &input);
    EXPECT_GE(task, 0) << AConverter.LastErrMsg();
    if (task < 0) return task;
    engine::TOutputOptions output = convtest::Mp4Record();
    EXPECT_TRUE(AConverter.SetOutputFile(task, AOutput, &output)) << AConverter.LastErrMsg();
    return task;
  }
  std::string Out(const std::string& AFolder, int AIndex) {
    return AFolder + "/out" + std::to_string(AIndex) + ".mp4";
  }
};

TEST_F(MediaConverterTest, ProgressIntervalNeverGoesBelowATenthOfASecond) {
  struct Case {
    int set, stored;
  } cases[] = {{50, 100}, {100, 100}, {101, 101}, {-5, 100}, {500, 500}};
  TMediaConverter converter;
  EXPECT_EQ(converter.ProgressInterval(), 500);
  for (const Case& c : cases) {
    converter.SetProgressInterval(c.set);
    EXPECT_EQ(converter.ProgressInterval(), c.stored) << c.set;
  }
}

TEST_F(MediaConverterTest, AddTaskKeepsTheNameAndAttachesTheProbe) {
  const std::string clip = convtest::ShortClip();
  TMediaConverter converter;
  engine::TInputOptions input;
  ASSERT_TRUE(input.FileName.empty());
  EXPECT_EQ(converter.AddTask(clip, &input), 0) << converter.LastErrMsg();
  EXPECT_EQ(input.FileName, clip);  // written back into the caller's record
  EXPECT_EQ(converter.TasksCount(), 1);
  media::TAVProbe* probe = converter.AVProbes(0, 0);
  ASSERT_NE(probe, nullptr);
  EXPECT_NE(probe->FileHandle(), nullptr);  // the engine's open input, not a second open
  EXPECT_EQ(probe->VideoStreamCount(), 1);
  EXPECT_EQ(probe->AudioStreamCount(), 1);
  ASSERT_NE(converter.Tasks(0)->InputOptions(0), nullptr);
  EXPECT_EQ(converter.Tasks(0)->InputOptions(0)->FileName, clip);
}

TEST_F(MediaConverterTest, AFileThatCannotBeOpenedAddsNoTask) {
  const std::string missing = fixtures::FixtureDir() + "/converter_no_such_file.avi";
  struct Case {
    std::string file;
    const char* reason;  // part of the message
  } cases[] = {{convtest::NotMediaFile(), "Invalid data"}, {missing, "No such file"}};
  for (const Case& c : cases) {
    TMediaConverter converter;
    engine::TInputOptions input;
    EXPECT_EQ(converter.AddTask(c.file, &input), -1) << c.file;
    EXPECT_EQ(converter.TasksCount(), 0);
    EXPECT_NE(converter.LastErrMsg().find(c.reason), std::string::npos) << converter.LastErrMsg();
  }
}

TEST_F(MediaConverterTest, CapacityLimitsInputsAndOutputs) {
  const std::string clip = convtest::ShortClip();
  const std::string dir = convtest::OutputFolder("capacity");
  TMediaConverter converter;
  converter.SetCustomMaxFiles(1);
  ASSERT_EQ(converter.AddTask(clip, std::string()), 0) << converter.LastErrMsg();
  EXPECT_FALSE(converter.AddInputFile(0, clip, std::string()));
  EXPECT_EQ(converter.LastErrMsg(), "max input files 1 reached");
  ASSERT_TRUE(converter.SetOutputFile(0, dir + "/a.mp4", std::string())) << converter.LastErrMsg();
  EXPECT_FALSE(converter.SetOutputFile(0, dir + "/b.mp4", std::string()));
  EXPECT_EQ(converter.LastErrMsg(), "max output files 1 reached");

  for (int capacity : {0, 513}) {
    TMediaConverter bad;
    bad.SetCustomMaxFiles(capacity);
    EXPECT_ANY_THROW(bad.AddTask(clip, std::string())) << capacity;
    EXPECT_EQ(bad.TasksCount(), 0);
  }
}

TEST_F(MediaConverterTest, ListChangesAreRefusedUntilTheListIsCleared) {
  const std::string clip = convtest::ShortClip();
  const std::string dir = convtest::OutputFolder("guards");
  TMediaConverter converter;
  AddJob(converter, clip, Out(dir, 0));
  AddJob(converter, clip, Out(dir, 1));
  converter.Start(0);
  ASSERT_TRUE(converter.Terminated());
  ASSERT_TRUE(converter.Working());

  struct Case {
    const char* message;
    std::function<void()> call;
  } cases[] = {
      {"Cannot AddTask while working.", [&] { converter.AddTask(clip, std::string()); }},
      {"Cannot AddInputFile while working.", [&] { converter.AddInputFile(0, clip, std::string()); }},
      {"Cannot SetOutputFile while working.",
       [&] { converter.SetOutputFile(0, Out(dir, 2), std::string()); }},
      {"Cannot Exchange while working.", [&] { converter.Exchange(0, 1); }},
      {"Cannot RemoveTask while working.", [&] { converter.RemoveTask(0); }},
      {"Cannot StartTask while working.", [&] { converter.Start(1); }},
  };
  for (const Case& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << "no exception for " << c.message;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  EXPECT_EQ(converter.TasksCount(), 2);
  converter.ClearTasks();
  EXPECT_FALSE(converter.Working());
  EXPECT_EQ(converter.TasksCount(), 0);
  EXPECT_EQ(converter.AddTask(clip, std::string()), 0) << converter.LastErrMsg();
}

TEST_F(MediaConverterTest, ClearTasksWaitsForTheEndOfTheRun) {
  const std::string dir = convtest::OutputFolder("clear_during_run");
  TMediaConverter converter;
  TRunLog log;
  log.Attach(converter);
  AddJob(converter, convtest::LongClip(), Out(dir, 0));
  converter.Start(1);
  try {
    converter.ClearTasks();
    ADD_FAILURE() << "ClearTasks during a run";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Cannot ClearTasks while working.");
  }
  converter.Stop(true);
  ASSERT_TRUE(WaitFor([&] { return log.RunEnded(); }));
  ASSERT_TRUE(WaitFor([&] { return converter.Terminated(); }));
  EXPECT_NO_THROW(converter.ClearTasks());
}

TEST_F(MediaConverterTest, TwoWorkersRunFiveTasksInTurn) {
  const std::string clip = convtest::ShortClip();
  const std::string dir = convtest::OutputFolder("two_workers");
  TMediaConverter converter;
  converter.SetProgressInterval(100);
  TRunLog log;
  log.Attach(converter);
  for (int i = 0; i < 5; ++i) AddJob(converter, clip, Out(dir, i));
  converter.Start(2);
  ASSERT_TRUE(WaitFor([&] { return log.RunEnded(); }));
  log.ExpectEachTaskOnceThenTheEnd(5);
  for (const auto& info : log.Terminations()) {
    EXPECT_TRUE(info.Finished) << info.TaskIndex;
    EXPECT_FALSE(info.Exception) << info.ExceptionMsg;
  }
  EXPECT_LE(log.MaxConverting(), 2);
  EXPECT_TRUE(log.SenderWasComponent());
  ASSERT_GT(log.ProgressCount(), 0u);
  for (std::thread::id id : log.ProgressThreads()) EXPECT_EQ(id, std::this_thread::get_id());
  for (std::thread::id id : log.TerminateThreads()) EXPECT_NE(id, std::this_thread::get_id());
  for (int i = 0; i < 5; ++i) {
    const auto facts = convtest::ProbeOutput(Out(dir, i));
    EXPECT_TRUE(facts.Readable) << i;
    EXPECT_EQ(facts.Streams, 2) << i;
    EXPECT_NEAR(facts.Seconds, 1.0, 0.3) << i;
  }
}

TEST_F(MediaConverterTest, WithoutThreadsEveryTaskRunsInsideStart) {
  const std::string clip = convtest::ShortClip();
  const std::string dir = convtest::OutputFolder("no_threads");
  TMediaConverter converter;
  TRunLog log;
  log.Attach(converter);
  for (int i = 0; i < 3; ++i) AddJob(converter, clip, Out(dir, i));
  converter.Start(0);
  // Everything happened before Start returned, on this thread, in task order.
  EXPECT_TRUE(converter.Terminated());
  log.ExpectEachTaskOnceThenTheEnd(3);
  const auto all = log.Terminations();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(all[static_cast<size_t>(i)].TaskIndex, i);
  for (std::thread::id id : log.TerminateThreads()) EXPECT_EQ(id, std::this_thread::get_id());
  for (std::thread::id id : log.ProgressThreads()) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(MediaConverterTest, ATaskWithoutOutputFailsAndTheNextStillRuns) {
  const std::string clip = convtest::ShortClip();
  const std::string dir = convtest::OutputFolder("no_output");
  for (int threads : {0, 1}) {
    TMediaConverter converter;
    TRunLog log;
    log.Attach(converter);
    AddJob(converter, clip, Out(dir, 0));
    ASSERT_EQ(converter.AddTask(clip, std::string()), 1);  // never given an output
    AddJob(converter, clip, Out(dir, 2));
    converter.Start(threads);
    ASSERT_TRUE(WaitFor([&] { return log.RunEnded(); }));
    log.ExpectEachTaskOnceThenTheEnd(3);
    const auto all = log.Terminations();
    const auto* failed = log.Of(1, all);
    ASSERT_NE(failed, nullptr);
    EXPECT_TRUE(failed->Exception);
    EXPECT_FALSE(failed->Finished);
    EXPECT_EQ(failed->ExceptionMsg, "At least one output file must be specified");
    EXPECT_TRUE(log.Of(0, all)->Finished) << threads;
    EXPECT_TRUE(log.Of(2, all)->Finished) << threads;
  }
}

TEST_F(MediaConverterTest, ARunWithoutTasksEndsAtOnce) {
  for (int threads : {0, 2}) {
    TMediaConverter converter;
    TRunLog log;
    log.Attach(converter);
    converter.Start(threads);
    ASSERT_TRUE(WaitFor([&] { return log.RunEnded(); })) << threads;
    log.ExpectEachTaskOnceThenTheEnd(0);
    EXPECT_TRUE(WaitFor([&] { return converter.Terminated(); }));
    EXPECT_NO_THROW(converter.ClearTasks());
  }
}

TEST_F(MediaConverterTest, StopOutsideARunLeavesTheTasksReadyToRun) {
  const std::string dir = convtest::OutputFolder("stop_idle");
  TMediaConverter converter;
  TRunLog log;
  log.Attach(converter);
  AddJob(converter, convtest::ShortClip(), Out(dir, 0));
  converter.Stop(true);
  converter.Pause();
  converter.Start(1);
  ASSERT_TRUE(WaitFor([&] { return log.RunEnded(); }));
  log.ExpectEachTaskOnceThenTheEnd(1);
  EXPECT_TRUE(log.Terminations().front().Finished);
}

TEST_F(MediaConverterTest, StopEndsTheRunningTaskAsAValidFileAndTheWaitingOnesAtOnce) {
  const std::string dir = convtest::OutputFolder("stop");
  TMediaConverter converter;
  converter.SetProgressInterval(100);
  TRunLog log;
  bool paused = false;
  // Pausing inside the first report holds the task mid-run, so the stop surely comes before its end.
  log.Attach(converter, [&](const engine::TProgressInfo& AInfo) {
    if (!paused && AInfo.FileIndex >= 0) {
      paused = true;
      converter.Pause();
    }
  });
  for (int i = 0; i < 3; ++i) AddJob(converter, convtest::LongClip(), Out(dir, i));
  converter.Start(1);
  ASSERT_TRUE(WaitFor([&] { return converter.Tasks(0)->Halted(); }));
  converter.Stop(true);
  // The running task has ended when Stop returns; the others report on their own threads.
  EXPECT_FALSE(converter.Tasks(0)->Converting());
  ASSERT_TRUE(WaitFor([&] { return log.RunEnded(); }));
  log.ExpectEachTaskOnceThenTheEnd(3);
  const auto all = log.Terminations();
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(log.Of(i, all)->Finished) << i;
    EXPECT_FALSE(log.Of(i, all)->Exception) << log.Of(i, all)->ExceptionMsg;
  }
  const auto facts = convtest::ProbeOutput(Out(dir, 0));
  EXPECT_TRUE(facts.Readable);
  EXPECT_EQ(facts.Streams, 2);
  EXPECT_GT(facts.Seconds, 0.0);
  EXPECT_LT(facts.Seconds, 11.0);
  // Outputs of tasks that never started stay empty, and go when their tasks go.
  converter.ClearTasks();
  EXPECT_FALSE(std::filesystem::exists(Out(dir, 1)));
  EXPECT_FALSE(std::filesystem::exists(Out(dir, 2)));
}

TEST_F(MediaConverterTest, PauseHoldsEveryWorkerAndResumeLetsThemFinish) {
  const std::string dir = convtest::OutputFolder("pause_resume");
  TMediaConverter converter;
  converter.SetProgressInterval(100);
  TRunLog log;
  bool paused = false;
  log.Attach(converter, [&](const engine::TProgressInfo& AInfo) {
    if (!paused && AInfo.FileIndex >= 0) {
      paused = true;
      converter.Pause();
    }
  });
  for (int i = 0; i < 2; ++i) AddJob(converter, convtest::LongClip(), Out(dir, i));
  converter.Start(2);
  ASSERT_TRUE(WaitFor([&] {
    for (int i = 0; i < 2; ++i)
      if (converter.Tasks(i)->Converting() && !converter.Tasks(i)->Halted()) return false;
    return paused;
  }));
  const size_t reports = log.ProgressCount();
  EXPECT_FALSE(log.RunEnded());
  EXPECT_EQ(log.ProgressCount(), reports);  // halted workers report nothing
  converter.Resume();
  ASSERT_TRUE(WaitFor([&] { return log.RunEnded(); }));
  log.ExpectEachTaskOnceThenTheEnd(2);
  for (const auto& info : log.Terminations()) EXPECT_TRUE(info.Finished) << info.TaskIndex;
}

TEST_F(MediaConverterTest, ATaskStartingInAPausedRunBeginsHalted) {
  const std::string dir = convtest::OutputFolder("paused_start");
  TMediaConverter converter;
  TRunLog log;
  // The first task's last report comes after its loop: pausing there lets it end while the run is paused.
  log.Attach(converter, [&](const engine::TProgressInfo& AInfo) {
    if (AInfo.TaskIndex == 0 && AInfo.FileIndex == -1) converter.Pause();
  });
  AddJob(converter, convtest::ShortClip(), Out(dir, 0));
  AddJob(converter, convtest::LongClip(), Out(dir, 1));
  converter.Start(1);
  ASSERT_TRUE(WaitFor([&] { return converter.Tasks(1)->Halted(); }));
  EXPECT_FALSE(log.RunEnded());
  converter.Resume();
  ASSERT_TRUE(WaitFor([&] { return log.RunEnded(); }));
  log.ExpectEachTaskOnceThenTheEnd(2);
  for (const auto& info : log.Terminations()) EXPECT_TRUE(info.Finished) << info.TaskIndex;
}

TEST_F(MediaConverterTest, ExpectedDurationFollowsTheLengthLimit) {
  const std::string clip = convtest::ShortClip();
  const std::string dir = convtest::OutputFolder("duration");
  TMediaConverter converter;
  converter.SetProgressInterval(100);
  TRunLog log;
  log.Attach(converter);
  ASSERT_EQ(converter.AddTask(clip, std::string()), 0);
  ASSERT_TRUE(converter.SetOutputFile(0, Out(dir, 0), "vcodec=mpeg4\nacodec=aac\nTimeLength=500000"))
      << converter.LastErrMsg();
  ASSERT_EQ(converter.AddTask(clip, std::string()), 1);
  ASSERT_TRUE(converter.SetOutputFile(1, Out(dir, 1), "vcodec=mpeg4\nacodec=aac")) << converter.LastErrMsg();
  const double inputSeconds = convtest::ProbeOutput(clip).Seconds;
  converter.Start(0);
  log.ExpectEachTaskOnceThenTheEnd(2);
  int reports[2] = {0, 0};
  for (const auto& info : log.Progress()) {
    ASSERT_TRUE(info.TaskIndex == 0 || info.TaskIndex == 1);
    ++reports[info.TaskIndex];
    if (info.TaskIndex == 0) {
      EXPECT_EQ(info.TotalDuration, 500000);
    } else {
      EXPECT_NEAR(info.TotalDuration / 1e6, inputSeconds, 0.05);
    }
  }
  EXPECT_GT(reports[0], 0);
  EXPECT_GT(reports[1], 0);
  EXPECT_NEAR(convtest::ProbeOutput(Out(dir, 0)).Seconds, 0.5, 0.15);
}

TEST_F(MediaConverterTest, DestroyingTheComponentDuringARunStopsIt) {
  const std::string dir = convtest::OutputFolder("destroy");
  auto converter = std::make_unique<TMediaConverter>();
  converter->SetProgressInterval(100);
  TRunLog log;
  bool paused = false;
  log.Attach(*converter, [&](const engine::TProgressInfo& AInfo) {
    if (!paused && AInfo.FileIndex >= 0) {
      paused = true;
      converter->Pause();  // neither task can end before the component goes
    }
  });
  for (int i = 0; i < 3; ++i) AddJob(*converter, convtest::LongClip(), Out(dir, i));
  converter->Start(2);
  ASSERT_TRUE(WaitFor([&] { return converter->Tasks(0)->Halted() && converter->Tasks(1)->Halted(); }));
  converter.reset();  // stops with wait, serving the workers' hand-overs
  for (int i = 0; i < 2; ++i) {
    const auto facts = convtest::ProbeOutput(Out(dir, i));
    EXPECT_TRUE(facts.Readable) << i;
    EXPECT_EQ(facts.Streams, 2) << i;
  }
  EXPECT_FALSE(std::filesystem::exists(Out(dir, 2)));  // never started: its empty file is gone
}

}  // namespace
