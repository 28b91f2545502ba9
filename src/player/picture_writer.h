#pragma once
// Saving a 24-bit picture as BMP, JPEG, GIF or PNG, through the media libraries' own image encoders,
// and the snapshot naming rule.
#include <string>

#include "player/player_types.h"

namespace player {

enum class TPictureType { ptBMP, ptJPG, ptGIF, ptPNG };

// ".bmp", ".jpg", ".gif", ".png"
const char* PictureExtension(TPictureType type);
// "bmp", "jpg"/"jpeg", "gif", "png" in any letter case; false for anything else.
bool ParsePictureType(const std::string& text, TPictureType& type);

// Writes the picture; false with the reason in errMsg. JPEG uses a high fixed quality, GIF a palette
// computed from the picture itself.
bool SavePicture(const TBitmap& bitmap, TPictureType type, const std::string& fileName, std::string& errMsg);

// folder + "/" + base + "_" + N + extension for the first N from 1 upward whose file does not exist.
std::string NextSnapshotName(const std::string& folder, const std::string& base, TPictureType type);
// The file name without folder and extension: "/a/b/clip.avi" gives "clip".
std::string SnapshotBaseName(const std::string& mediaFileName);

}  // namespace player
