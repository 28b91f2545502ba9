#pragma once
// Output names of new jobs: the input's file name with the preset's extension, in the output folder,
// numbered "_1", "_2", ... before the extension while a file of that name exists (unless overwriting).
#include <string>

namespace app {

// The candidate path: folder + "/" + the input's file-name part with its extension replaced by AExt.
std::string OutputCandidate(const std::string& AFolder, const std::string& AInputFile,
                            const std::string& AExt);

// The unique-name step on the real file system. With AOverwrite the candidate is taken as it is.
// Only files count; a folder of the candidate's name does not.
std::string UniqueOutputName(const std::string& ACandidate, bool AOverwrite);

}  // namespace app
