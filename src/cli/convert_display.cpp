#include "cli/convert_display.h"

#include "app/job_row.h"
#include "base/paths.h"
#include "base/text.h"

namespace cli {

std::string TConvertDisplay::StateText(TJobState AState) {
  switch (AState) {
    case TJobState::jsWaiting:
      return "waiting";
    case TJobState::jsConverting:
      return "converting";
    case TJobState::jsFinished:
      return "done";
    case TJobState::jsStopped:
      return "stopped";
    case TJobState::jsFailed:
      return "failed";
  }
  return "";
}

std::string TConvertDisplay::FormatLine(const TJobView& AJob) {
  std::string name = base::ExtractFileName(AJob.Input);
  if (base::Utf8Length(name) > 32) name = name.substr(0, 29) + "...";  // byte cut is fine for display
  const std::string fps = AJob.Fps.empty() ? std::string() : AJob.Fps + "fps";
  std::string line =
      base::Format("%-32s %6s %7s %9s %10s  %s", name.c_str(), AJob.Percent.c_str(), fps.c_str(),
                   AJob.Time.c_str(), AJob.Size.c_str(), StateText(AJob.State).c_str());
  if (AJob.State == TJobState::jsFailed && !AJob.Message.empty()) line += ": " + AJob.Message;
  return line;
}

void TConvertDisplay::Progress(int AJob, const engine::TProgressInfo& AInfo) {
  if (AJob < 0 || AJob >= static_cast<int>(FJobs.size())) return;
  TJobView& job = FJobs[static_cast<size_t>(AJob)];
  job.State = TJobState::jsConverting;
  job.Percent = AInfo.TotalDuration > 0
                    ? std::to_string(AInfo.CurrentDuration * 100 / AInfo.TotalDuration) + "%"
                    : std::string("N/A");
  if (AInfo.FPS > 0) job.Fps = std::to_string(AInfo.FPS);
  job.Time = app::SecToDate(static_cast<int32_t>(AInfo.CurrentDuration / 1000000));
  job.Size = app::MegabyteText(AInfo.CurrentSize);
  if (!FLive) PlainLine(AJob);
}

void TConvertDisplay::Ended(int AJob, TJobState AState, const std::string& AMessage) {
  if (AJob < 0 || AJob >= static_cast<int>(FJobs.size())) return;
  TJobView& job = FJobs[static_cast<size_t>(AJob)];
  job.State = AState;
  job.Message = AMessage;
  if (AState == TJobState::jsFinished) job.Percent = "100%";
  if (!FLive) PlainLine(AJob);
}

void TConvertDisplay::PlainLine(int AJob) {
  std::fprintf(FOut, "[%d] %s\n", AJob + 1, FormatLine(FJobs[static_cast<size_t>(AJob)]).c_str());
  std::fflush(FOut);
}

void TConvertDisplay::Clear() {
  if (!FLive || FDrawn == 0) return;
  std::fprintf(FOut, "\x1b[%dA", FDrawn);  // back to the first live line
  for (int i = 0; i < FDrawn; ++i) std::fprintf(FOut, "\r\x1b[2K\n");
  std::fprintf(FOut, "\x1b[%dA", FDrawn);
  FDrawn = 0;
}

void TConvertDisplay::Message(const std::string& AText) {
  Clear();
  std::fprintf(FOut, "%s\n", AText.c_str());
  Redraw();
}

void TConvertDisplay::Redraw() {
  if (!FLive) return;
  if (FDrawn > 0) std::fprintf(FOut, "\x1b[%dA", FDrawn);
  for (size_t i = 0; i < FJobs.size(); ++i)
    std::fprintf(FOut, "\r\x1b[2K[%zu] %s\n", i + 1, FormatLine(FJobs[i]).c_str());
  FDrawn = static_cast<int>(FJobs.size());
  std::fflush(FOut);
}

int TConvertDisplay::Summary() {
  Clear();
  int failed = 0;
  for (size_t i = 0; i < FJobs.size(); ++i) {
    const TJobView& job = FJobs[i];
    std::string line = base::Format("[%zu] %s: %s", i + 1, job.Input.c_str(), StateText(job.State).c_str());
    if (!job.Output.empty() && base::FileExists(job.Output)) line += " -> " + job.Output;
    if (job.State == TJobState::jsFailed) {
      ++failed;
      if (!job.Message.empty()) line += " (" + job.Message + ")";
    }
    std::fprintf(FOut, "%s\n", line.c_str());
  }
  std::fflush(FOut);
  return failed;
}

}  // namespace cli
