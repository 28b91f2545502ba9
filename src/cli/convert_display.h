#pragma once
// What "vornel-cli convert" shows while it runs: on a terminal one live line per job, rewritten in place
// (progress, fps, media time, size, like the job list's columns); otherwise plain lines, one per event.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/records/options_records.h"

namespace cli {

enum class TJobState { jsWaiting, jsConverting, jsFinished, jsStopped, jsFailed };

struct TJobView {
  std::string Input;
  std::string Output;   // full output path; empty when the job never got one
  std::string Percent;  // "45%", "N/A"
  std::string Fps;      // only set while the encoder reports a speed
  std::string Time;     // media time reached, "00:01:30"
  std::string Size;     // output size, "11.77MB"
  TJobState State = TJobState::jsWaiting;
  std::string Message;  // the error of a failed job
};

class TConvertDisplay {
 public:
  TConvertDisplay(std::FILE* AOut, bool ALive) : FOut(AOut), FLive(ALive) {}

  std::vector<TJobView>& Jobs() { return FJobs; }
  // The job list's progress rules: percentage of the expected duration (N/A when unknown), fps when
  // above 0, media time and size.
  void Progress(int AJob, const engine::TProgressInfo& AInfo);
  void Ended(int AJob, TJobState AState, const std::string& AMessage);
  // A line of its own (a log line), printed above the live lines.
  void Message(const std::string& AText);
  // Live mode: draws the lines again (the caller throttles). Plain mode: nothing.
  void Redraw();
  // Each job's result, one line each; returns the number of failed jobs.
  int Summary();

  static std::string StateText(TJobState AState);
  static std::string FormatLine(const TJobView& AJob);

 private:
  void Clear();  // live mode: removes the drawn lines
  void PlainLine(int AJob);

  std::FILE* FOut;
  const bool FLive;
  std::vector<TJobView> FJobs;
  int FDrawn = 0;  // live lines on screen
};

}  // namespace cli
