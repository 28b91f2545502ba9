#include "engine/ffmpeg/file_entries.h"

#include <sys/stat.h>
#include <unistd.h>

#include "media/unicode_io.h"

namespace engine {

TInputFileEntry::~TInputFileEntry() {
  for (AVDictionary*& d : dec_opts) av::av_dict_free(&d);
  dec.clear();  // decoder contexts before the streams they were made from
  if (ctx) media::CloseInput(&ctx);
}

namespace {

// Only a regular file we created can be "left empty"; never unlink a device or a pipe.
void RemoveIfEmpty(const std::string& APath) {
  struct stat info {};
  if (::stat(APath.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0)
    ::unlink(APath.c_str());
}

}  // namespace

TOutputFileEntry::~TOutputFileEntry() {
  streams.clear();
  av::av_dict_free(&mux_opts);
  if (ctx) {
    if (ctx->pb && !(ctx->oformat->flags & AVFMT_NOFILE)) media::CloseOutputIO(&ctx->pb);
    av::avformat_free_context(ctx);
    ctx = nullptr;
  }
  if (created_file) RemoveIfEmpty(FileName);
}

}  // namespace engine
