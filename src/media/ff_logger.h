#pragma once
// The log bridge: takes over the media libraries' log hook, joins each thread's pieces into whole lines and
// hands every line, with the system's own messages, to one handler (by default on the main thread).
#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace media {

enum class TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// The libraries' numeric levels: llQuiet -8, llPanic 0, llFatal 8 ... llDebug 48.
int LogLevelToNumeric(TLogLevel level);
// (n / 8, truncating) + 1, clamped to llQuiet..llDebug: 20 gives llError, -1 llPanic.
TLogLevel NumericToLogLevel(int level);

// The operating-system id of the calling thread.
uint32_t CurrentThreadID();

// OnLog handler: (Sender, AThreadID, ALogLevel, ALogMsg). Library lines carry the logger as Sender.
using TLogEvent = std::function<void(const void* Sender, uint32_t AThreadID, TLogLevel ALogLevel,
                                     const std::string& ALogMsg)>;

class TFFLogger {
 public:
  // Only one logger may exist; a second one throws std::logic_error
  // ("Allow creating only one instance of TFFLogger.").
  TFFLogger();
  ~TFFLogger();
  TFFLogger(const TFFLogger&) = delete;
  TFFLogger& operator=(const TFFLogger&) = delete;

  bool TriggerEventInMainThread() const { return triggerEventInMainThread_; }
  void SetTriggerEventInMainThread(bool on) { triggerEventInMainThread_ = on; }

  TLogLevel LogLevel() const { return logLevel_; }
  // Also sets the libraries' threshold when avutil is bound; otherwise that follows at the next
  // InstallAVLogCallback.
  void SetLogLevel(TLogLevel level);

  void SetOnLog(TLogEvent handler);
  bool HasOnLog() const;

  // Installs the bridge's callback into avutil and applies LogLevel. avutil must be bound.
  void InstallAVLogCallback();

  // The "loglevel" option's text: quiet, panic, fatal, error, warning, info, verbose, debug (any case) or a
  // decimal number. Other text throws std::invalid_argument.
  void OptLogLevel(const std::string& arg);

  // A message of the system's own code. Dropped when ALogLevel is above LogLevel, except that llVerbose
  // passes whenever LogLevel is not llQuiet.
  void Log(const void* Sender, TLogLevel ALogLevel, const std::string& ALogMsg);
  void Log(const void* Sender, TLogLevel ALogLevel, const char* format, ...)
      __attribute__((format(printf, 4, 5)));

  // Delivers a line from the libraries (used by the library callback).
  void DeliverLibraryLine(uint32_t threadID, int numericLevel, const std::string& line);

 private:
  bool wanted(TLogLevel level) const;
  void fire(const void* sender, uint32_t threadID, TLogLevel level, const std::string& msg);

  std::atomic<bool> triggerEventInMainThread_{true};
  std::atomic<TLogLevel> logLevel_;
  mutable std::mutex handlerLock_;
  TLogEvent onLog_;  // guarded by handlerLock_; copied out before each call so the handler runs unlocked
};

// The single logger; one without owner is created when none exists.
TFFLogger& FFLogger();

// The libraries' threshold in effect (32 at start).
int LibraryLogThreshold();

// The callback installed into avutil (exposed so tests can feed it directly).
void LibraryLogCallback(void* avcl, int level, const char* format, va_list args);

}  // namespace media
