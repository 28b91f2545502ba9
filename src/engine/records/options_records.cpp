#include "engine/records/options_records.h"

#include <cmath>
#include <ctime>

namespace engine {

namespace {
constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 on the 1899-12-30 day scale
constexpr double kSecondsPerDay = 86400.0;
constexpr double kMinutesPerDay = 1440.0;
}  // namespace

void ResetInputOptions(TInputOptions& AOptions) { AOptions = TInputOptions{}; }
void ResetStreamInfo(TStreamInfo& AInfo) { AInfo = TStreamInfo{}; }
void ResetOutputOptions(TOutputOptions& AOptions) { AOptions = TOutputOptions{}; }

int LocalTimeZoneBiasMinutes() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<int>(-local.tm_gmtoff / 60);
}

double NowAsDateTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);
  const double localSeconds =
      static_cast<double>(now.tv_sec + local.tm_gmtoff) + static_cast<double>(now.tv_nsec) / 1e9;
  return localSeconds / kSecondsPerDay + kUnixEpochDays;
}

int64_t DateTimeToUnixSeconds(double ALocalDateTime, int ABiasMinutes) {
  const double days = ALocalDateTime - kUnixEpochDays + ABiasMinutes / kMinutesPerDay;
  // nearbyint rounds half to even in the default rounding mode.
  return static_cast<int64_t>(std::nearbyint(days * kSecondsPerDay));
}

bool StreamInfoRecordingTime(const TStreamInfo& AInfo, int64_t& AUnixSeconds) {
  if (AInfo.TimeStamp < 0.0) return false;
  const double when = AInfo.TimeStamp == 0.0 ? NowAsDateTime() : AInfo.TimeStamp;
  AUnixSeconds = DateTimeToUnixSeconds(when, LocalTimeZoneBiasMinutes());
  return true;
}

}  // namespace engine
