// Many tasks on few workers, and pause, resume and stop in any order: nothing hangs, and every task
// reports its end exactly once before the end of the run.
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>

#include "converter_clips.h"
#include "converter_run_log.h"
#include "engine/converter/ffmpeg_task.h"
#include "engine/converter/media_converter.h"
#include "support/media_libraries.h"

namespace {

using convtest::TRunLog;
using convtest::WaitFor;
using engine::TMediaConverter;

class ThreadingTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries)); }

  void AddJobs(TMediaConverter& AConverter, const std::string& AClip, const std::string& ADir, int ACount) {
    for (int i = 0; i < ACount; ++i) {
      engine::TInputOptions input;
      const int task = AConverter.AddTask(AClip, &input);
      ASSERT_EQ(task, i) << AConverter.LastErrMsg();
      engine::TOutputOptions output = convtest::Mp4Record();
      ASSERT_TRUE(AConverter.SetOutputFile(task, ADir + "/out" + std::to_string(i) + ".mp4", &output))
          << AConverter.LastErrMsg();
    }
  }
};

TEST_F(ThreadingTest, NineteenTasksAtOnceAllFinish) {
  const std::string dir = convtest::OutputFolder("nineteen");
  for (int threads : {19, 2}) {
    TMediaConverter converter;
    converter.SetProgressInterval(100);
    TRunLog log;
    log.Attach(converter);
    AddJobs(converter, convtest::ShortClip(), dir, 19);
    converter.Start(threads);
    ASSERT_TRUE(WaitFor([&] { return log.RunEnded(); })) << threads;
    log.ExpectEachTaskOnceThenTheEnd(19);
    for (const auto& info : log.Terminations()) EXPECT_TRUE(info.Finished) << info.TaskIndex;
    EXPECT_LE(log.MaxConverting(), threads);
  }
}

// An action sequence: P pause, R resume, S stop (with wait), s stop without wait.
struct Scenario {
  const char* actions;
  int tasks;
  int threads;
};

void PrintTo(const Scenario& AScenario, std::ostream* AOut) {
  *AOut << AScenario.actions << " with " << AScenario.tasks << " tasks on " << AScenario.threads
        << " threads";
}

class RunControlTest : public ThreadingTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(RunControlTest, AnyOrderOfRunControlEndsTheRunOnce) {
  const Scenario scenario = GetParam();
  const std::string dir = convtest::OutputFolder(std::string("control_") + scenario.actions);
  TMediaConverter converter;
  converter.SetProgressInterval(100);
  TRunLog log;
  log.Attach(converter);
  AddJobs(converter, convtest::LongClip(), dir, scenario.tasks);
  converter.Start(scenario.threads);
  bool stopped = false;
  bool paused = false;
  std::mt19937 random(static_cast<unsigned>(scenario.tasks * 131 + scenario.threads));
  for (const char* a = scenario.actions; *a; ++a) {
    // Act at some moment of the run: after a few more reports, once the workers are held, or at the end.
    const size_t target = log.ProgressCount() + 1 + random() % 3;
    ASSERT_TRUE(WaitFor([&] {
      if (log.RunEnded() || log.ProgressCount() >= target) return true;
      if (!paused) return false;
      for (int i = 0; i < converter.TasksCount(); ++i)
        if (converter.Tasks(i)->Converting() && !converter.Tasks(i)->Halted()) return false;
      return true;
    })) << "before action "
        << *a;
    switch (*a) {
      case 'P':
        converter.Pause();
        paused = true;
        break;
      case 'R':
        converter.Resume();
        paused = false;
        break;
      case 'S':
      case 's':
        converter.Stop(*a == 'S');
        stopped = true;
        paused = false;
        break;
    }
  }
  if (!stopped) converter.Resume();
  ASSERT_TRUE(WaitFor([&] { return log.RunEnded(); }));
  log.ExpectEachTaskOnceThenTheEnd(scenario.tasks);
  for (const auto& info : log.Terminations()) EXPECT_FALSE(info.Exception) << info.ExceptionMsg;
  if (!stopped) {
    for (const auto& info : log.Terminations()) EXPECT_TRUE(info.Finished) << info.TaskIndex;
  }
  // Every output that received data is a file the libraries can read.
  converter.ClearTasks();
  for (int i = 0; i < scenario.tasks; ++i) {
    const std::string out = dir + "/out" + std::to_string(i) + ".mp4";
    if (std::filesystem::exists(out)) {
      EXPECT_TRUE(convtest::ProbeOutput(out).Readable) << out;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Orders, RunControlTest,
                         ::testing::Values(Scenario{"S", 4, 2}, Scenario{"s", 4, 2}, Scenario{"PS", 4, 2},
                                           Scenario{"PRPRS", 3, 2}, Scenario{"PPRR", 3, 3},
                                           Scenario{"RPsS", 4, 3}, Scenario{"SPR", 3, 2},
                                           Scenario{"PsR", 5, 2}, Scenario{"SS", 2, 1}),
                         [](const auto& AInfo) {
                           std::string name;
                           for (const char* a = AInfo.param.actions; *a; ++a)
                             name += *a == 's' ? "n" : std::string(1, *a);
                           return name + "_" + std::to_string(AInfo.param.tasks) + "on" +
                                  std::to_string(AInfo.param.threads);
                         });

}  // namespace
