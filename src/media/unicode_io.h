#pragma once
// File names handed to the media libraries, and every open of a media file.
//
// Linux names are UTF-8 bytes and mostly pass through unchanged. A name the libraries would take for a
// protocol address ("abc:..." with no such protocol meant) becomes "unicode:utf8:" + name; such names are
// opened by us through a custom AVIOContext over the plain path, so the libraries never parse them.
#include <string>

extern "C" {
struct AVFormatContext;
struct AVInputFormat;
struct AVIOContext;
struct AVDictionary;
}

namespace media {

inline constexpr char kUnicodePrefix[] = "unicode:utf8:";

// The name to hand to the libraries for a file (or a protocol address such as "http://...").
std::string ToAVFileName(const std::string& fileName);
// The path behind a name held by the libraries ("unicode:utf8:" removed).
std::string FromAVFileName(const std::string& avFileName);

// Like avformat_open_input; takes plain paths and names from ToAVFileName alike. A context opened from a
// "unicode:utf8:" name owns a custom I/O context: close it with CloseInput, which works for every context
// (avformat_close_input alone would leak that context's file).
int OpenInput(AVFormatContext** ctx, const std::string& avFileName, const AVInputFormat* fmt,
              AVDictionary** options);
void CloseInput(AVFormatContext** ctx);

// Like avio_open2 / avio_closep; CloseOutputIO returns the close's error (a failed final flush).
int OpenOutputIO(AVIOContext** pb, const std::string& avFileName, int flags, AVDictionary** options);
int CloseOutputIO(AVIOContext** pb);

}  // namespace media
