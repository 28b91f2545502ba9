#include "media/ff_logger.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>

#include "base/main_thread.h"
#include "base/text.h"
#include "media/av.h"
#include "media/ffmpeg_loader.h"

namespace media {
namespace {

constexpr size_t kLineBufferSize = 2048;  // one call's formatted text is cut at 2047 bytes

// The libraries' threshold: read by every thread that logs, written by whoever sets LogLevel.
std::atomic<int> threshold{AV_LOG_INFO};

// The text each thread has logged since its last complete line.
struct TLogItem {
  uint32_t ThreadID = 0;
  std::string LogMsg;  // touched only by the thread ThreadID
};

class TLogList {
 public:
  // The calling thread's item, created on its first call. Items live until the process ends, so the
  // returned reference stays valid.
  TLogItem& itemOf(uint32_t threadID) {
    std::lock_guard lock(FLock);
    std::unique_ptr<TLogItem>& item = items_[threadID];
    if (!item) {
      item = std::make_unique<TLogItem>();
      item->ThreadID = threadID;
    }
    return *item;
  }

 private:
  std::mutex FLock;
  std::map<uint32_t, std::unique_ptr<TLogItem>> items_;  // guarded by FLock
};

TLogList& logList() {
  static TLogList list;
  return list;
}

// The single logger instance and the one FFLogger() creates when nobody else did.
struct TInstance {
  std::recursive_mutex lock;
  TFFLogger* current = nullptr;          // guarded by lock
  std::unique_ptr<TFFLogger> ownerless;  // guarded by lock
};

TInstance& instance() {
  static TInstance single;
  return single;
}

const char* const kLevelNames[] = {"quiet", "panic", "fatal", "error", "warning", "info", "verbose", "debug"};

}  // namespace

int LogLevelToNumeric(TLogLevel level) { return (static_cast<int>(level) - 1) * 8; }

TLogLevel NumericToLogLevel(int level) {
  const int ordinal =
      std::clamp(level / 8 + 1, static_cast<int>(TLogLevel::llQuiet), static_cast<int>(TLogLevel::llDebug));
  return static_cast<TLogLevel>(ordinal);
}

uint32_t CurrentThreadID() {
  // Asked for every message; a system call each time costs more than the rest of the bridge.
  thread_local const uint32_t id = static_cast<uint32_t>(::syscall(SYS_gettid));
  return id;
}

int LibraryLogThreshold() { return threshold.load(); }

TFFLogger::TFFLogger() : logLevel_(NumericToLogLevel(threshold.load())) {
  TInstance& single = instance();
  std::lock_guard lock(single.lock);
  if (single.current) throw std::logic_error("Allow creating only one instance of TFFLogger.");
  single.current = this;
}

TFFLogger::~TFFLogger() {
  TInstance& single = instance();
  std::lock_guard lock(single.lock);
  if (single.current == this) single.current = nullptr;
}

TFFLogger& FFLogger() {
  TInstance& single = instance();
  std::lock_guard lock(single.lock);
  if (!single.current) single.ownerless = std::make_unique<TFFLogger>();
  return *single.current;
}

void TFFLogger::SetLogLevel(TLogLevel level) {
  if (logLevel_.exchange(level) == level) return;
  if (av::av_log_set_level) {
    threshold = LogLevelToNumeric(level);
    av::av_log_set_level(threshold);
  }
}

void TFFLogger::SetOnLog(TLogEvent handler) {
  std::lock_guard lock(handlerLock_);
  onLog_ = std::move(handler);
}

bool TFFLogger::HasOnLog() const {
  std::lock_guard lock(handlerLock_);
  return static_cast<bool>(onLog_);
}

void TFFLogger::InstallAVLogCallback() {
  if (!av::av_log_set_callback || !av::av_log_set_level)
    throw std::logic_error("InstallAVLogCallback: libavutil is not bound.");
  av::av_log_set_callback(&LibraryLogCallback);
  threshold = LogLevelToNumeric(logLevel_);
  av::av_log_set_level(threshold);
}

void TFFLogger::OptLogLevel(const std::string& arg) {
  const std::string word = base::AsciiLower(arg);
  for (size_t i = 0; i < std::size(kLevelNames); ++i) {
    if (word == kLevelNames[i]) {
      SetLogLevel(static_cast<TLogLevel>(i));
      return;
    }
  }
  int number = 0;
  const char* first = arg.data();
  const char* last = arg.data() + arg.size();
  if (first != last && *first == '+') ++first;  // from_chars takes no plus sign; the option text may
  const auto [end, error] = std::from_chars(first, last, number);
  if (arg.empty() || error != std::errc() || end != last)
    throw std::invalid_argument(base::Format("'%s' is not a valid integer value", arg.c_str()));
  SetLogLevel(NumericToLogLevel(number));
}

bool TFFLogger::wanted(TLogLevel level) const {
  const TLogLevel limit = logLevel_;
  if (level <= limit) return true;
  return level == TLogLevel::llVerbose && limit != TLogLevel::llQuiet;
}

void TFFLogger::Log(const void* Sender, TLogLevel ALogLevel, const std::string& ALogMsg) {
  if (!HasOnLog() || !wanted(ALogLevel)) return;
  fire(Sender, CurrentThreadID(), ALogLevel, ALogMsg);
}

void TFFLogger::Log(const void* Sender, TLogLevel ALogLevel, const char* format, ...) {
  if (!HasOnLog() || !wanted(ALogLevel)) return;  // no formatting for a message nobody takes
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  fire(Sender, CurrentThreadID(), ALogLevel, text);
}

void TFFLogger::DeliverLibraryLine(uint32_t threadID, int numericLevel, const std::string& line) {
  if (!HasOnLog()) return;
  fire(this, threadID, NumericToLogLevel(numericLevel), line);
}

void TFFLogger::fire(const void* sender, uint32_t threadID, TLogLevel level, const std::string& msg) {
  TLogEvent handler;
  {
    std::lock_guard lock(handlerLock_);
    handler = onLog_;
  }
  if (!handler) return;
  // Each call carries its own payload, so no other thread can overwrite it while the handler runs.
  if (triggerEventInMainThread_ && !base::MainThread::isMainThread()) {
    if (TCodecLock::HeldByThisThread()) {
      // The main thread may be waiting for CodecLock right now: hand the line over without waiting.
      base::MainThread::post([=] { handler(sender, threadID, level, msg); });
    } else {
      base::MainThread::invokeAndWait([&] { handler(sender, threadID, level, msg); });
    }
  } else {
    handler(sender, threadID, level, msg);
  }
}

void LibraryLogCallback(void* avcl, int level, const char* format, va_list args) {
  // The level test comes first: the libraries' chatter above the threshold costs nothing more.
  if (level >= 0) level &= 0xff;  // drop the colour bits some callers add
  if (level > threshold.load(std::memory_order_relaxed)) return;

  const uint32_t threadID = CurrentThreadID();
  thread_local TLogItem* const cached = &logList().itemOf(threadID);  // items live as long as the process
  TLogItem& item = *cached;

  char buffer[kLineBufferSize] = {};
  size_t used = 0;
  // The prefix only at the start of a line: a continuation belongs to the line already begun.
  if (avcl && item.LogMsg.empty()) {
    const AVClass* cls = *static_cast<AVClass* const*>(avcl);
    if (cls && cls->item_name) {
      const int n = std::snprintf(buffer, sizeof buffer, "[%s @ %p]", cls->item_name(avcl), avcl);
      used = n > 0 ? std::min(static_cast<size_t>(n), sizeof buffer - 1) : 0;
    }
  }
  if (format) {
    const int wanted = std::vsnprintf(buffer + used, sizeof buffer - used, format, args);
    // A cut message keeps its line end; otherwise it would run on into the thread's next message.
    const size_t length = std::strlen(format);
    if (wanted > 0 && used + static_cast<size_t>(wanted) >= sizeof buffer && length > 0 &&
        format[length - 1] == '\n')
      buffer[sizeof buffer - 2] = '\n';
  }
  item.LogMsg += buffer;

  for (size_t feed = item.LogMsg.find('\n'); feed != std::string::npos; feed = item.LogMsg.find('\n')) {
    const std::string line = item.LogMsg.substr(0, feed);
    item.LogMsg.erase(0, feed + 1);
    // The C library above us cannot take an exception; a failing handler loses only its own line.
    try {
      FFLogger().DeliverLibraryLine(threadID, level, line);
    } catch (...) {
    }
  }
}

}  // namespace media
