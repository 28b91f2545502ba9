#include "app/working_fields.h"

#include <utility>

namespace app {

void ResetWorkingFields(TWorkingFields& AFields) {
  std::string addFileName = std::move(AFields.Video_AddFileName);
  AFields = TWorkingFields{};
  AFields.Video_AddFileName = std::move(addFileName);
}

}  // namespace app
