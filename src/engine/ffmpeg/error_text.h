#pragma once
// Texts the engine puts into its open and mapping messages.
#include <string>

namespace engine {

// A library error code of an open as text: the classic texts for the common codes, the library's own
// description for any other (so "Permission denied" reads as such, not as a bare number).
std::string OpenErrorText(int AErrorCode);
// "<file name>: <error text>".
std::string OpenErrorMessage(const std::string& AFileName, int AErrorCode);
// "Video", "Audio", "Data", "Subtitle", "Attachment", else "Unknown".
const char* MediaTypeName(int AMediaType);
// The library's description of any error code ("No space left on device").
std::string AVErrorString(int AErrorCode);

}  // namespace engine
