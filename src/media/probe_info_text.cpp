#include "media/probe_info_text.h"

#include <cmath>
#include <memory>

#include "base/text.h"
#include "media/av.h"
#include "media/probe_text.h"
#include "media/tag_keys.h"

namespace media {
namespace {

constexpr int kCodecTextSize = 256;  // the libraries' one-line description is cut at 255 characters

struct TCodecContextDeleter {
  void operator()(AVCodecContext* ctx) const { av::avcodec_free_context(&ctx); }  // never opened: no lock
};

std::unique_ptr<AVCodecContext, TCodecContextDeleter> decoderContext(const AVStream* stream) {
  std::unique_ptr<AVCodecContext, TCodecContextDeleter> ctx(av::avcodec_alloc_context3(nullptr));
  if (ctx && av::avcodec_parameters_to_context(ctx.get(), stream->codecpar) < 0) ctx.reset();
  return ctx;
}

std::string codecText(const AVStream* stream) {
  auto ctx = decoderContext(stream);
  if (!ctx) return "";
  char text[kCodecTextSize] = {};
  av::avcodec_string(text, sizeof text, ctx.get(), 0);
  return text;
}

void appendRate(std::string& line, AVRational rate, const char* unit) {
  if (rate.num != 0 && rate.den != 0) line += RateText(av_q2d(rate), unit);
}

}  // namespace

std::string TagBlock(const AVDictionary* tags, const std::string& indent) {
  const int count = av::av_dict_count(tags);
  if (count == 0) return "";
  if (count == 1 && av::av_dict_get(tags, "language", nullptr, AV_DICT_MATCH_CASE)) return "";
  std::string text = indent + "Metadata:\n";
  const AVDictionaryEntry* tag = nullptr;
  while ((tag = av::av_dict_get(tags, "", tag, AV_DICT_IGNORE_SUFFIX))) {
    if (std::string(tag->key) == "language") continue;
    text += base::Format("%s  %-16s: %s\n", indent.c_str(), DisplayTagKey(tag->key).c_str(), tag->value);
  }
  return text;
}

std::string RateText(double value, const char* unit) {
  const long long r = std::llround(value * 100);
  if (r % 100 != 0) return base::Format(", %3.2f %s", value, unit);
  if (r % 100000 != 0) return base::Format(", %1.0f %s", value, unit);
  return base::Format(", %1.0fk %s", value / 1000, unit);
}

std::string StreamLine(const AVFormatContext* ctx, int index) {
  const AVStream* stream = ctx->streams[index];
  std::string line = base::Format("Stream #%d", index);
  if (ctx->iformat && (ctx->iformat->flags & AVFMT_SHOW_IDS)) line += base::Format("[0x%x]", stream->id);
  if (const AVDictionaryEntry* lang =
          av::av_dict_get(stream->metadata, "language", nullptr, AV_DICT_MATCH_CASE))
    line += base::Format("(%s)", lang->value);
  const AVRational tb = stream->time_base;
  long long divisor = av::av_gcd(tb.num, tb.den);
  if (divisor == 0) divisor = 1;
  line += base::Format(", %lld/%lld", tb.num / divisor, tb.den / divisor);
  line += ": " + codecText(stream);

  const AVCodecParameters* par = stream->codecpar;
  const AVRational sar = stream->sample_aspect_ratio;
  const AVRational codecSar = par->sample_aspect_ratio;
  if (sar.num != 0 &&
      static_cast<int64_t>(sar.num) * codecSar.den != static_cast<int64_t>(codecSar.num) * sar.den) {
    int darNum = 0, darDen = 0;
    av::av_reduce(&darNum, &darDen, static_cast<int64_t>(par->width) * sar.num,
                  static_cast<int64_t>(par->height) * sar.den, 1024 * 1024);
    line = base::Format("%s, PAR %d:%d DAR %d:%d", line.c_str(), sar.num, sar.den, darNum, darDen);
  }
  if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
    appendRate(line, stream->avg_frame_rate, "fps");
    appendRate(line, stream->r_frame_rate, "tbr");
    appendRate(line, av_inv_q(stream->time_base), "tbn");
    // This library generation keeps no decoder time base for a stream, so "tbc" has nothing to show.
  }
  if (stream->start_time != AV_NOPTS_VALUE)
    line += ", StartTime: " +
            SecondsText(av::av_rescale_q(stream->start_time, stream->time_base, AV_TIME_BASE_Q));
  if (stream->duration == AV_NOPTS_VALUE)
    line += ", Duration: N/A";
  else
    line += ", Duration: " +
            DurationToText(av::av_rescale_q(stream->duration, stream->time_base, AV_TIME_BASE_Q));
  return line;
}

}  // namespace media
