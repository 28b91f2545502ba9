#pragma once
// The job table: one input and one output record per job row; entry i belongs to row i. An empty
// entry holds the records' defaults.
#include <vector>

#include "engine/records/options_records.h"

namespace app {

inline constexpr int kJobCapacity = 501;  // the job list holds at most this many rows

class TJobTable {
 public:
  TJobTable() : IO1(kJobCapacity), OO1(kJobCapacity) {}

  // Every entry back to the defaults.
  void Reset();
  // One entry back to the defaults (ignored outside the table).
  void ResetEntry(int AIndex);
  // Entries move with their rows: removing row i moves the later entries up one place and the last
  // entry becomes empty.
  void Remove(int AIndex);
  void Exchange(int AIndexA, int AIndexB);
  static bool ValidIndex(int AIndex) { return AIndex >= 0 && AIndex < kJobCapacity; }

  std::vector<engine::TInputOptions> IO1;   // input side, 501 entries
  std::vector<engine::TOutputOptions> OO1;  // output side, 501 entries
};

}  // namespace app
