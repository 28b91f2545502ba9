// Conversion speed, parallel throughput, memory and the engine's own share of the CPU time.
//
// Every call into the libraries' demux, decode, filter, scale, resample, encode and mux entry points is
// timed on its calling thread (the bound entry points are swapped for timing wrappers), and each worker
// thread's whole CPU time is taken when it ends. The engine's own share is the workers' CPU time outside
// those calls, over the CPU time of the whole run (the libraries' own threads included).
//
//   bench_convert_bench [--seconds N] [--preset KEY]...   defaults: 30 s clips, presets 101 302 110 200
// Each case runs in a child process of this program, so that the peak memory it shows is its own.
#include <sys/resource.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/job_records.h"
#include "base/main_thread.h"
#include "engine/converter/media_converter.h"
#include "fixtures/media_fixtures.h"
#include "media/av.h"
#include "media/ff_logger.h"
#include "media/ffmpeg_loader.h"

namespace {

int64_t ThreadCpuNs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t ProcessCpuNs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// -- Totals of finished worker threads.
std::atomic<int64_t> gLibraryNs{0};       // inside timed library calls
std::atomic<int64_t> gWorkerThreadNs{0};  // whole CPU time of threads that made timed calls

struct ThreadAccount {
  int64_t library = 0;
  int depth = 0;
  bool counted = false;
  ~ThreadAccount() {
    // At thread exit: the thread's whole CPU time and its time inside the libraries.
    gWorkerThreadNs += ThreadCpuNs();
    gLibraryNs += library;
  }
};
thread_local ThreadAccount tAccount;

template <typename T, T* Slot>
struct Timed;

template <typename R, typename... A, R (**Slot)(A...)>
struct Timed<R (*)(A...), Slot> {
  static inline R (*original)(A...) = nullptr;
  static R call(A... args) {
    ThreadAccount& account = tAccount;
    if (account.depth++ > 0) {
      struct Leave {
        int& d;
        ~Leave() { --d; }
      } leave{account.depth};
      return original(args...);
    }
    const int64_t start = ThreadCpuNs();
    struct Account {
      ThreadAccount& a;
      int64_t start;
      ~Account() {
        a.library += ThreadCpuNs() - start;
        --a.depth;
      }
    } guard{account, start};
    return original(args...);
  }
  static void install() {
    if (original) return;
    original = *Slot;
    *Slot = &call;
  }
};

#define VORNEL_TIME(name) Timed<decltype(av::name), &av::name>::install()

// Some prototypes carry attributes that a template argument cannot keep; the wrapper does not need them.
#pragma GCC diagnostic ignored "-Wignored-attributes"

void InstallTimers() {
  VORNEL_TIME(av_read_frame);
  VORNEL_TIME(av_parser_parse2);
  VORNEL_TIME(avcodec_send_packet);
  VORNEL_TIME(avcodec_receive_frame);
  VORNEL_TIME(avcodec_decode_subtitle2);
  VORNEL_TIME(avcodec_flush_buffers);
  VORNEL_TIME(avcodec_open2);
  VORNEL_TIME(avcodec_free_context);
  VORNEL_TIME(av_buffersrc_add_frame_flags);
  VORNEL_TIME(av_buffersink_get_frame);
  VORNEL_TIME(av_buffersink_get_frame_flags);
  VORNEL_TIME(av_buffersink_get_samples);
  VORNEL_TIME(avfilter_graph_config);
  VORNEL_TIME(sws_scale);
  VORNEL_TIME(sws_scale_frame);
  VORNEL_TIME(swr_convert);
  VORNEL_TIME(swr_convert_frame);
  VORNEL_TIME(swr_init);
  VORNEL_TIME(avcodec_send_frame);
  VORNEL_TIME(avcodec_receive_packet);
  VORNEL_TIME(avcodec_encode_subtitle);
  VORNEL_TIME(av_bsf_send_packet);
  VORNEL_TIME(av_bsf_receive_packet);
  VORNEL_TIME(avformat_write_header);
  VORNEL_TIME(av_interleaved_write_frame);
  VORNEL_TIME(av_write_frame);
  VORNEL_TIME(av_write_trailer);
  VORNEL_TIME(avio_write);
  VORNEL_TIME(avio_flush);
}

// Peak resident memory since the last reset, in bytes.
int64_t PeakRss() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
  return 0;
}
int64_t CurrentRss() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
  return 0;
}
void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

struct Figures {
  double wall = 0;   // seconds
  double speed = 0;  // content seconds per wall second, all files together
  double fps = 0;    // video frames per wall second, all files together
  double peakPerJobMB = 0;
  double ownShare = 0;  // engine's own share of the CPU time
  double cores = 0;     // CPU time of the run over its wall time
  int failed = 0;
};

Figures RunCase(int APresetKey, const std::vector<std::string>& AFiles, int AJobs, double AClipSeconds,
                double AFrameRate, const std::string& AOutDir) {
  Figures figures;
  const auto fields = app::WorkingFieldsForPreset(APresetKey);
  if (!fields) {
    figures.failed = static_cast<int>(AFiles.size());
    return figures;
  }
  std::filesystem::remove_all(AOutDir);
  std::filesystem::create_directories(AOutDir);
  const int64_t rssBefore = CurrentRss();  // libraries loaded; the jobs' own memory comes on top
  engine::TMediaConverter converter;
  converter.SetProgressInterval(500);
  std::atomic<bool> ended{false};
  std::atomic<int> failed{0};
  converter.OnTerminate = [&](void*, const engine::TTerminateInfo& AInfo) {
    if (AInfo.TaskIndex < 0)
      ended = true;
    else if (!AInfo.Finished)
      ++failed;
    if (AInfo.Exception) std::fprintf(stderr, "  task %d: %s\n", AInfo.TaskIndex, AInfo.ExceptionMsg.c_str());
  };
  for (size_t i = 0; i < AFiles.size(); ++i) {
    engine::TInputOptions input;
    const int task = converter.AddTask(AFiles[i], &input);
    engine::TOutputOptions output;
    const std::string name = AOutDir + "/out" + std::to_string(i) + fields->Video_FileExt;
    app::FillOutputOptions(*fields, name, output);
    if (task < 0 || !converter.SetOutputFile(task, name, &output)) {
      std::fprintf(stderr, "  setup: %s\n", converter.LastErrMsg().c_str());
      ++failed;
    }
  }
  ResetPeakRss();
  gLibraryNs = 0;
  gWorkerThreadNs = 0;
  const int64_t processCpu0 = ProcessCpuNs();
  const int64_t mainCpu0 = ThreadCpuNs();
  const auto wall0 = std::chrono::steady_clock::now();
  converter.Start(AJobs);
  while (!base::MainThread::waitUntil([&] { return ended.load(); }, std::chrono::hours(1))) {
  }
  const auto wall1 = std::chrono::steady_clock::now();
  const int64_t peak = PeakRss();
  converter.ClearTasks();  // joins the workers, whose accounts close at their exit
  const int64_t mainCpu = ThreadCpuNs() - mainCpu0;
  const int64_t runCpu = ProcessCpuNs() - processCpu0 - mainCpu;
  figures.wall = std::chrono::duration<double>(wall1 - wall0).count();
  const double content = AClipSeconds * static_cast<double>(AFiles.size());
  figures.speed = content / figures.wall;
  figures.fps = fields->Video_DisableVideo ? 0 : content * AFrameRate / figures.wall;
  figures.peakPerJobMB = static_cast<double>(peak - rssBefore) / (1024.0 * 1024.0) /
                         std::min<int>(AJobs, static_cast<int>(AFiles.size()));
  const int64_t own = gWorkerThreadNs - gLibraryNs;
  figures.ownShare = runCpu > 0 ? static_cast<double>(own) / static_cast<double>(runCpu) : 0;
  figures.cores = static_cast<double>(runCpu) / 1e9 / figures.wall;
  figures.failed = failed;
  std::filesystem::remove_all(AOutDir);
  return figures;
}

// One case in a process of its own, so that its peak memory is its own. Prints the figures as one line.
int RunChild(int APresetKey, const std::string& AFile, int AFiles, int AJobs, double ASeconds, double ARate,
             const std::string& AOutDir) {
  if (!media::Loader().Load(media::kConverterLibraries)) {
    std::fprintf(stderr, "%s\n", media::Loader().LastErrMsg().c_str());
    return 1;
  }
  media::FFLogger().SetLogLevel(media::TLogLevel::llError);
  InstallTimers();
  const std::vector<std::string> files(static_cast<size_t>(AFiles), AFile);
  const Figures f = RunCase(APresetKey, files, AJobs, ASeconds, ARate, AOutDir);
  std::printf("%f %f %f %f %f %d %f\n", f.wall, f.speed, f.fps, f.peakPerJobMB, f.ownShare, f.failed,
              f.cores);
  return 0;
}

Figures RunInChild(const char* ASelf, int APresetKey, const std::string& AFile, int AFiles, int AJobs,
                   double ASeconds, double ARate, const std::string& AOutDir) {
  Figures f;
  const std::string command = std::string("'") + ASelf + "' --child " + std::to_string(APresetKey) + " '" +
                              AFile + "' " + std::to_string(AFiles) + " " + std::to_string(AJobs) + " " +
                              std::to_string(ASeconds) + " " + std::to_string(ARate) + " '" + AOutDir + "'";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe || std::fscanf(pipe, "%lf %lf %lf %lf %lf %d %lf", &f.wall, &f.speed, &f.fps, &f.peakPerJobMB,
                           &f.ownShare, &f.failed, &f.cores) != 7)
    f.failed = AFiles;
  if (pipe) ::pclose(pipe);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  media::SetupFloatingPoint();
  base::MainThread::bindCurrentThread();
  if (argc == 9 && !std::strcmp(argv[1], "--child"))
    return RunChild(std::atoi(argv[2]), argv[3], std::atoi(argv[4]), std::atoi(argv[5]), std::atof(argv[6]),
                    std::atof(argv[7]), argv[8]);
  double seconds = 30;
  std::vector<int> presets;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
      seconds = std::atof(argv[++i]);
    else if (!std::strcmp(argv[i], "--preset") && i + 1 < argc)
      presets.push_back(std::atoi(argv[++i]));
  }
  if (presets.empty()) presets = {101, 302, 110, 200};
  if (!media::Loader().Load(media::kConverterLibraries)) {
    std::fprintf(stderr, "%s\n", media::Loader().LastErrMsg().c_str());
    return 1;
  }

  struct Clip {
    const char* label;
    int width, height;
  } clips[] = {{"720p", 1280, 720}, {"1080p", 1920, 1080}};
  const AVRational rate{25, 1};
  std::printf("%-6s %-6s %-10s %8s %8s %9s %11s %10s %6s\n", "preset", "clip", "run", "speed", "fps",
              "wall s", "peak MB/job", "own CPU", "cores");
  for (const Clip& clip : clips) {
    const std::string name =
        std::string("bench_") + clip.label + "_" + std::to_string(static_cast<int>(seconds)) + "s.mkv";
    const std::string file = fixtures::MakeClip({.name = name,
                                                 .width = clip.width,
                                                 .height = clip.height,
                                                 .frame_rate = rate,
                                                 .seconds = seconds,
                                                 .video_bitrate = clip.width * clip.height * 4});
    for (int preset : presets) {
      double singleSpeed = 0;
      for (int mode = 0; mode < 2; ++mode) {
        const int files = mode == 0 ? 1 : 4;
        const int jobs = mode == 0 ? 1 : 2;
        const Figures f = RunInChild(argv[0], preset, file, files, jobs, seconds, av_q2d(rate),
                                     fixtures::FixtureDir() + "/bench_out");
        if (mode == 0) singleSpeed = f.speed;
        std::printf("%-6d %-6s %-10s %7.2fx %8.1f %9.2f %11.1f %9.2f%% %6.2f", preset, clip.label,
                    mode == 0 ? "1 job" : "4 files/2", f.speed, f.fps, f.wall, f.peakPerJobMB,
                    f.ownShare * 100, f.cores);
        if (mode == 1 && singleSpeed > 0) std::printf("  throughput %.2fx of 1 job", f.speed / singleSpeed);
        if (f.failed) std::printf("  (%d failed)", f.failed);
        std::printf("\n");
        std::fflush(stdout);
      }
    }
  }
  return 0;
}
