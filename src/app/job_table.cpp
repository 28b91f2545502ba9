#include "app/job_table.h"

#include <algorithm>
#include <utility>

namespace app {

void TJobTable::Reset() {
  for (int i = 0; i < kJobCapacity; ++i) ResetEntry(i);
}

void TJobTable::ResetEntry(int AIndex) {
  if (!ValidIndex(AIndex)) return;
  engine::ResetInputOptions(IO1[static_cast<size_t>(AIndex)]);
  engine::ResetOutputOptions(OO1[static_cast<size_t>(AIndex)]);
}

void TJobTable::Remove(int AIndex) {
  if (!ValidIndex(AIndex)) return;
  std::rotate(IO1.begin() + AIndex, IO1.begin() + AIndex + 1, IO1.end());
  std::rotate(OO1.begin() + AIndex, OO1.begin() + AIndex + 1, OO1.end());
  ResetEntry(kJobCapacity - 1);
}

void TJobTable::Exchange(int AIndexA, int AIndexB) {
  if (!ValidIndex(AIndexA) || !ValidIndex(AIndexB)) return;
  std::swap(IO1[static_cast<size_t>(AIndexA)], IO1[static_cast<size_t>(AIndexB)]);
  std::swap(OO1[static_cast<size_t>(AIndexA)], OO1[static_cast<size_t>(AIndexB)]);
}

}  // namespace app
