#include "media/unicode_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "base/text.h"
#include "media/av.h"

namespace media {
namespace {

constexpr int kBufferSize = 32768;

// Protocol addresses pass through as they are.
constexpr char kProtocols[] = ":unicode:stream:gopher:http:https:file:pipe:rtp:tcp:udp:";

bool isSchemeChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
         c == '.';
}

// The libraries read "abc:rest" as protocol abc whenever the name starts with scheme characters and a colon.
bool looksLikeProtocol(const std::string& name) {
  size_t n = 0;
  while (n < name.size() && isSchemeChar(name[n])) ++n;
  return n > 0 && n < name.size() && name[n] == ':';
}

// The open file behind one custom I/O context.
struct TUnicodeFile {
  int fd = -1;
};

int readPacket(void* opaque, uint8_t* buf, int size) {
  const int fd = static_cast<TUnicodeFile*>(opaque)->fd;
  ssize_t n;
  do n = ::read(fd, buf, static_cast<size_t>(size));
  while (n < 0 && errno == EINTR);
  if (n < 0) return AVERROR(errno);
  return n == 0 ? AVERROR_EOF : static_cast<int>(n);
}

int writePacket(void* opaque, uint8_t* buf, int size) {
  const int fd = static_cast<TUnicodeFile*>(opaque)->fd;
  int done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, buf + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return AVERROR(errno);
    done += static_cast<int>(n);
  }
  return done;
}

int64_t seekFile(void* opaque, int64_t offset, int whence) {
  const int fd = static_cast<TUnicodeFile*>(opaque)->fd;
  if (whence & AVSEEK_SIZE) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : AVERROR(errno);
  }
  const off_t pos = ::lseek(fd, offset, whence & ~AVSEEK_FORCE);
  return pos < 0 ? AVERROR(errno) : static_cast<int64_t>(pos);
}

// Opens the path behind a "unicode:utf8:" name into a new custom I/O context; returns 0 or an AVERROR.
int openCustomIO(AVIOContext** pb, const std::string& avFileName, int flags) {
  const std::string path = FromAVFileName(avFileName);
  const bool write = flags & AVIO_FLAG_WRITE;
  int mode = O_RDONLY;
  if (write) mode = ((flags & AVIO_FLAG_READ) ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
  const int fd = ::open(path.c_str(), mode | O_CLOEXEC, 0666);
  if (fd < 0) return AVERROR(errno);
  auto* buffer = static_cast<unsigned char*>(av::av_malloc(kBufferSize));
  auto* file = static_cast<TUnicodeFile*>(av::av_mallocz(sizeof(TUnicodeFile)));
  AVIOContext* io = buffer && file ? av::avio_alloc_context(buffer, kBufferSize, write ? 1 : 0, file,
                                                            &readPacket, &writePacket, &seekFile)
                                   : nullptr;
  if (!io) {
    av::av_free(buffer);
    av::av_free(file);
    ::close(fd);
    return AVERROR(ENOMEM);
  }
  file->fd = fd;
  *pb = io;
  return 0;
}

// Flushes, closes the file and frees the context; returns the first error seen.
int closeCustomIO(AVIOContext** pb) {
  AVIOContext* io = *pb;
  if (!io) return 0;
  int result = 0;
  if (io->write_flag) {
    av::avio_flush(io);
    result = io->error;
  }
  auto* file = static_cast<TUnicodeFile*>(io->opaque);
  if (::close(file->fd) != 0 && result == 0) result = AVERROR(errno);
  av::av_free(file);
  av::av_freep(&io->buffer);
  av::avio_context_free(pb);
  return result;
}

// The custom I/O contexts we made, so that the close calls know which to take apart themselves.
struct TRegistry {
  std::mutex lock;
  std::map<const AVFormatContext*, AVIOContext*> inputs;  // guarded by lock
  std::map<const AVIOContext*, bool> outputs;             // guarded by lock
};

TRegistry& registry() {
  static TRegistry single;
  return single;
}

}  // namespace

std::string ToAVFileName(const std::string& fileName) {
  if (const size_t colon = fileName.find(':'); colon != std::string::npos) {
    const std::string framed = ":" + fileName.substr(0, colon) + ":";
    if (std::strstr(kProtocols, framed.c_str())) return fileName;
  }
  if (!looksLikeProtocol(fileName)) return fileName;
  return kUnicodePrefix + fileName;
}

std::string FromAVFileName(const std::string& avFileName) {
  // "unicode:utf8:" alone is an ordinary name.
  if (avFileName.size() > std::strlen(kUnicodePrefix) && base::StartsWith(avFileName, kUnicodePrefix))
    return avFileName.substr(std::strlen(kUnicodePrefix));
  return avFileName;
}

int OpenInput(AVFormatContext** ctx, const std::string& fileName, const AVInputFormat* fmt,
              AVDictionary** options) {
  // Converting an already converted name changes nothing, so plain paths are safe here too.
  const std::string avFileName = ToAVFileName(fileName);
  if (FromAVFileName(avFileName) == avFileName)
    return av::avformat_open_input(ctx, avFileName.c_str(), fmt, options);
  AVIOContext* io = nullptr;
  if (const int opened = openCustomIO(&io, avFileName, AVIO_FLAG_READ); opened < 0) {
    // Like avformat_open_input: a context handed in is freed on failure.
    av::avformat_free_context(*ctx);
    *ctx = nullptr;
    return opened;
  }
  if (!*ctx) *ctx = av::avformat_alloc_context();
  if (!*ctx) {
    closeCustomIO(&io);
    return AVERROR(ENOMEM);
  }
  (*ctx)->pb = io;
  (*ctx)->flags |= AVFMT_FLAG_CUSTOM_IO;
  const int result = av::avformat_open_input(ctx, avFileName.c_str(), fmt, options);
  if (result < 0) {
    closeCustomIO(&io);
    return result;
  }
  std::lock_guard lock(registry().lock);
  registry().inputs[*ctx] = io;
  return result;
}

void CloseInput(AVFormatContext** ctx) {
  if (!ctx || !*ctx) return;
  AVIOContext* io = nullptr;
  {
    std::lock_guard lock(registry().lock);
    if (auto found = registry().inputs.find(*ctx); found != registry().inputs.end()) {
      io = found->second;
      registry().inputs.erase(found);
    }
  }
  av::avformat_close_input(ctx);
  if (io) closeCustomIO(&io);
}

int OpenOutputIO(AVIOContext** pb, const std::string& fileName, int flags, AVDictionary** options) {
  const std::string avFileName = ToAVFileName(fileName);
  if (FromAVFileName(avFileName) == avFileName)
    return av::avio_open2(pb, avFileName.c_str(), flags, nullptr, options);
  const int result = openCustomIO(pb, avFileName, flags);
  if (result >= 0) {
    std::lock_guard lock(registry().lock);
    registry().outputs[*pb] = true;
  }
  return result;
}

int CloseOutputIO(AVIOContext** pb) {
  if (!pb || !*pb) return 0;
  bool ours = false;
  {
    std::lock_guard lock(registry().lock);
    ours = registry().outputs.erase(*pb) > 0;
  }
  return ours ? closeCustomIO(pb) : av::avio_closep(pb);
}

}  // namespace media
