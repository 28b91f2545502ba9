#include "app/output_naming.h"

#include "base/paths.h"

namespace app {

std::string OutputCandidate(const std::string& AFolder, const std::string& AInputFile,
                            const std::string& AExt) {
  // The separator is always added, even after a folder that ends with one: the file system accepts "//".
  return AFolder + "/" + base::ChangeFileExt(base::ExtractFileName(AInputFile), AExt);
}

std::string UniqueOutputName(const std::string& ACandidate, bool AOverwrite) {
  if (AOverwrite || !base::FileExists(ACandidate)) return ACandidate;
  const std::string ext = base::ExtractFileExt(ACandidate);
  const std::string stem = ACandidate.substr(0, ACandidate.size() - ext.size());
  for (unsigned long n = 1;; ++n) {
    std::string numbered = stem + "_" + std::to_string(n) + ext;
    if (!base::FileExists(numbered)) return numbered;
  }
}

}  // namespace app
