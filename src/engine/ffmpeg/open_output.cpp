#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include "base/text.h"
#include "engine/ffmpeg/custom_ffmpeg.h"
#include "engine/ffmpeg/error_text.h"
#include "engine/ffmpeg/file_entries.h"
#include "media/ff_logger.h"
#include "media/unicode_io.h"

namespace engine {

namespace {

bool HasPrivateOption(const AVOutputFormat* AFormat, const char* AName) {
  if (!AFormat->priv_class) return false;
  const AVClass* cls = AFormat->priv_class;
  return av::av_opt_find(&cls, AName, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
}

std::string IsoTime(int64_t AUnixSeconds) {
  const time_t t = static_cast<time_t>(AUnixSeconds);
  struct tm utc {};
  gmtime_r(&t, &utc);
  char text[32];
  strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
  return text;
}

}  // namespace

bool TCustomFFmpeg::HasInputStreamOfType(AVMediaType AType, bool AFirstInputOnly) const {
  // In join mode every input feeds the same streams, so the first input decides.
  const size_t count = AFirstInputOnly ? std::min<size_t>(1, Finput_files.size()) : Finput_files.size();
  for (size_t f = 0; f < count; ++f) {
    const AVFormatContext* ic = Finput_files[f]->ctx;
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
      const AVMediaType type = ic->streams[i]->codecpar->codec_type;
      if (type < AVMEDIA_TYPE_UNKNOWN || type > AVMEDIA_TYPE_ATTACHMENT)
        throw FFmpegException("check_audio_video_sub_inputs fail: invalid codec_type of input file");
      if (type == AType) return true;
    }
  }
  return false;
}

// Writing the output must never truncate one of the task's inputs.
bool TCustomFFmpeg::OutputIsInput(const std::string& AFileName) const {
  struct stat out {};
  if (::stat(AFileName.c_str(), &out) != 0) return false;
  for (const auto& input : Finput_files) {
    struct stat in {};
    const std::string path = media::FromAVFileName(input->FileName);
    if (::stat(path.c_str(), &in) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino) return true;
  }
  return false;
}

int TCustomFFmpeg::OpenOutputFile(const std::string& AFileName, bool AJoin) {
  if (FJoinMode) {
    FLastErrMsg = "Cannot join more than one output file.";
    return -1;
  }
  const std::string avFileName = media::ToAVFileName(AFileName);
  const AVOutputFormat* fmt = nullptr;
  if (!Flast_asked_format.empty()) {
    fmt = av::av_guess_format(Flast_asked_format.c_str(), nullptr, nullptr);
    if (!fmt) {
      FLastErrMsg = base::Format("Requested output format '%s' is not a suitable output format",
                                 Flast_asked_format.c_str());
      Flast_asked_format.clear();
      return -1;
    }
    Flast_asked_format.clear();
  } else {
    fmt = av::av_guess_format(nullptr, AFileName.c_str(), nullptr);
    if (!fmt) {
      FLastErrMsg = base::Format("Unable to find a suitable output format for '%s'", AFileName.c_str());
      return -1;
    }
  }

  auto entry = std::make_shared<TOutputFileEntry>();
  entry->FileName = media::FromAVFileName(avFileName);
  entry->AVFileName = avFileName;
  if (av::avformat_alloc_output_context2(&entry->ctx, fmt, nullptr, avFileName.c_str()) < 0 || !entry->ctx)
    throw FFmpegException("avformat_alloc_context failed");
  AVFormatContext* oc = entry->ctx;

  bool useVideo = fmt->video_codec != AV_CODEC_ID_NONE || Fvideo_stream_copy || !Fvideo_codec_name.empty();
  bool useAudio = fmt->audio_codec != AV_CODEC_ID_NONE || Faudio_stream_copy || !Faudio_codec_name.empty();
  // Subtitles only when asked for: the container's default subtitle codec can rarely be made from the
  // input's subtitles, and a task should not fail over a stream nobody asked for.
  bool useSubtitle = Fsubtitle_stream_copy || !Fsubtitle_codec_name.empty();
  try {
    if (!Finput_files.empty()) {
      const bool join = AJoin && nb_input_files() > 1;
      useVideo = useVideo && HasInputStreamOfType(AVMEDIA_TYPE_VIDEO, join);
      useAudio = useAudio && HasInputStreamOfType(AVMEDIA_TYPE_AUDIO, join);
      useSubtitle = useSubtitle && HasInputStreamOfType(AVMEDIA_TYPE_SUBTITLE, join);
    }
  } catch (const std::exception& e) {
    FLastErrMsg = e.what();
    return -1;
  }
  if (Faudio_disable) useAudio = false;
  if (Fvideo_disable) useVideo = false;
  if (Fsubtitle_disable) useSubtitle = false;

  // The entry goes in first: stream creation reads its setup list.
  Foutput_files.push_back(entry);
  auto fail = [&](const std::string& AMsg) {
    FLastErrMsg = AMsg;
    Foutput_files.pop_back();
    return -1;
  };
  const int fileIndex = nb_output_files() - 1;
  try {
    if (useVideo) NewVideoStream(oc, fileIndex);
  } catch (const std::exception& e) {
    return fail(std::string("new_video_stream fail: ") + e.what());
  }
  try {
    if (useAudio) NewAudioStream(oc, fileIndex);
  } catch (const std::exception& e) {
    return fail(std::string("new_audio_stream fail: ") + e.what());
  }
  try {
    if (useSubtitle) NewSubtitleStream(oc, fileIndex);
  } catch (const std::exception& e) {
    return fail(std::string("new_subtitle_stream fail: ") + e.what());
  }

  if (Frecording_timestamp)
    av::av_dict_set(&oc->metadata, "creation_time", IsoTime(Frecording_timestamp).c_str(), 0);
  // Last to first, so that of a key given twice the first value stays.
  for (auto it = Fmetadata.rbegin(); it != Fmetadata.rend(); ++it)
    av::av_dict_set(&oc->metadata, it->first.c_str(), it->second.c_str(), 0);
  Fmetadata.clear();

  if ((fmt->flags & AVFMT_NEEDNUMBER) && !av::av_filename_number_test(avFileName.c_str()))
    return fail(AFileName + ": Number syntax expected in filename");

  if (!(fmt->flags & AVFMT_NOFILE)) {
    if (OutputIsInput(entry->FileName))
      return fail(AFileName + ": output file is one of the input files; it would be overwritten");
    const int opened = media::OpenOutputIO(&oc->pb, avFileName, AVIO_FLAG_WRITE, nullptr);
    if (opened < 0) return fail(OpenErrorMessage(AFileName, opened));
    entry->created_file = true;
  }

  oc->max_delay = static_cast<int>(Fmux_max_delay * 1000000);
  if (HasPrivateOption(fmt, "preload"))
    av::av_dict_set_int(&entry->mux_opts, "preload", static_cast<int64_t>(Fmux_preload * 1000000), 0);
  if (Floop_output >= 0 && HasPrivateOption(fmt, "loop"))
    av::av_dict_set_int(&entry->mux_opts, "loop", Floop_output, 0);
  ApplyFormatOptions(oc, AV_OPT_FLAG_ENCODING_PARAM, &entry->mux_opts);
  Fstreamid_map.fill(0);

  if (AJoin && nb_input_files() > 1) {
    FJoinMode = true;
    int64_t total = 0;
    for (const auto& input : Finput_files)
      if (input->ctx->duration != AV_NOPTS_VALUE && input->ctx->duration > 0) total += input->ctx->duration;
    FTotalOutputDuration = total == 0 ? -1 : total;
    while (nb_output_files() < nb_input_files()) Foutput_files.push_back(entry);
  }
  return nb_output_files();
}

}  // namespace engine
