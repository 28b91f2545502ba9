// The dispatcher on a reset engine with the libraries loaded: what each option sets, and the exact message
// of every refusal.
#include <gtest/gtest.h>

#include <stdexcept>

#include "options_fixture.h"

namespace testoptions {
namespace {

using media::TLogLevel;

class Dispatcher : public OptionsTest {
 protected:
  std::string ErrorOf(const std::string& AName, const std::string& AValue) {
    try {
      O.ParseOption(AName, AValue);
    } catch (const std::exception& e) {
      return e.what();
    }
    return "(accepted)";
  }
};

TEST_F(Dispatcher, ResetGivesTheDefaults) {
  O.ParseOption("ar", "22050");
  O.ParseOption("vcodec", "copy");
  O.ParseOption("metadata", "title=x");
  O.ParseOption("streamid", "3:7");
  O.ResetOptions();
  const auto& s = O.S();
  EXPECT_EQ(s.Faudio_sample_rate, 44100);
  EXPECT_EQ(s.Faudio_channels, 2);
  EXPECT_EQ(s.Fvideo_stream_copy, 0);
  EXPECT_TRUE(s.Fmetadata.empty());
  EXPECT_EQ(s.Fstreamid_map[3], 0);
  EXPECT_EQ(s.Fmax_frames[0], INT_MAX);
  EXPECT_EQ(s.Frecording_time, INT64_MAX);
  EXPECT_FLOAT_EQ(s.Faudio_qscale, -99999.0f);
  EXPECT_EQ(s.Fintra_dc_precision, 8);
  EXPECT_EQ(s.Fsws_flags, SWS_BICUBIC);
  EXPECT_EQ(s.Finput_files_ts_scale.size(), static_cast<size_t>(O.MaxFiles()));
  EXPECT_TRUE(O.GenericOptions().Created());
  EXPECT_TRUE(O.GenericOptions().opt_names.empty());
}

TEST_F(Dispatcher, RefusalsCarryTheirMessages) {
  struct Case {
    const char* Name;
    const char* Value;
    const char* Message;
  } cases[] = {
      {"threads", "2", "TODO: option - threads"},
      {"metadata", "title", "Missing ="},
      {"pass", "3", "pass number can be only 1 or 2"},
      {"qscale", "0", "qscale must be > 0.0 and <= 255"},
      {"qscale", "255.5", "qscale must be > 0.0 and <= 255"},
      {"r", "fast", "Incorrect frame rate"},
      {"s", "huge", "Incorrect frame size"},
      {"aspect", "0", "Incorrect aspect ratio specification."},
      {"pix_fmt", "yuv999", "Unknown pixel format requested: yuv999"},
      {"padtop", "8", "Please use vfilters=pad"},
      {"padcolor", "000000", "Please use vfilters=pad"},
      {"croptop", "8",
       "Vertical crop dimensions are outside the range of the original image.\n"
       "Remember to crop first and scale second."},
      {"cropleft", "8",
       "Horizontal crop dimensions are outside the range of the original image.\n"
       "Remember to crop first and scale second."},
      {"t", "ten", "Invalid duration specification for t: ten"},
      {"ss", "1:xx", "Invalid duration specification for ss: 1:xx"},
      {"timestamp", "yesterday", "Invalid date specification for timestamp: yesterday"},
      {"itsscale", "20:2.0", "stream index over MAX_STREAMS(20)"},
      {"itsscale", "-1:2.0", "stream index over MAX_STREAMS(20)"},
      {"streamid", "7", "Invalid value \"7\" for option \"streamid\", required syntax is \"index:value\""},
      {"streamid", "20:1", "The value for streamid was 20 which is not within 0 - 19"},
      {"streamid", "-1:1", "The value for streamid was -1 which is not within 0 - 19"},
      {"vtag", "XVID1", "video tag parameter must be 4 chars"},
      {"stag", "", "subtitle tag parameter must be 4 chars"},
      {"vbsf", "no_such_filter", "Unknown bitstream filter no_such_filter"},
      {"newvideo", "", "At least one output file must be specified"},
      {"newaudio", "", "At least one output file must be specified"},
      {"newsubtitle", "", "At least one output file must be specified"},
      {"intra_matrix", "1,2,3,4,5,6,7,8,9,10", "Syntax error in matrix \"1,2,3,4,5,6,7,8,9,10\" at coeff 9"},
      {"vpre", "no-such-preset", "Preset \"no-such-preset\" not found"},
      {"target", "pal-cd", "Unknown target type"},
      {"target", "dvd", "frame_rate is invalid."},  // no frame rate yet to guess the norm from
      {"loglevel", "chatty", "chatty"},             // the log bridge's conversion error, whatever its wording
      {"vframes", "many", "'many' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    const std::string message = ErrorOf(c.Name, c.Value);
    if (std::string(c.Name) == "loglevel")
      EXPECT_NE(message, "(accepted)");
    else
      EXPECT_EQ(message, c.Message) << c.Name << "=" << c.Value;
  }
  EXPECT_EQ(O.S().Fstreamid_map, (std::array<int, engine::kMaxStreams>{}));  // nothing written anywhere
}

TEST_F(Dispatcher, ValuesReachTheirFields) {
  O.ParseOption("s", "640x480");
  O.ParseOption("r", "30000/1001");
  O.ParseOption("aspect", "16:9");
  O.ParseOption("pix_fmt", "yuv422p");
  O.ParseOption("sample_fmt", "s16");
  O.ParseOption("ar", "0");  // ignored
  O.ParseOption("ac", "1");
  O.ParseOption("t", "00:01:30.5");
  O.ParseOption("ss", "2.5");
  O.ParseOption("itsoffset", "-1");
  O.ParseOption("timestamp", "1970-01-02 00:00:00.6Z");
  O.ParseOption("fs", "5000000000");
  O.ParseOption("atag", "mp4a");
  O.ParseOption("map", "0:1");
  O.ParseOption("map_meta_data", "0:1");
  O.ParseOption("streamid", "19:300");
  O.ParseOption("metadata", "title=a=b");
  O.ParseOption("vbsf", "h264_mp4toannexb");
  O.ParseOption("absf", "aac_adtstoasc");
  O.ParseOption("sbsf", "null");
  O.ParseOption("vbsf", "=ignored");
  O.ParseOption("vn", "0");
  O.ParseOption("an", "no");     // anything but "0" is true
  O.ParseOption("copyts", "0");  // true whatever the value
  O.ParseOption("f", "pgmyuv");
  O.ParseOption("vf", "scale=320:240");
  O.ParseOption("vf", "");  // an empty value changes nothing
  O.ParseOption("vol", "512");
  O.ParseOption("qscale", "255");
  O.Inputs = 1;
  O.ParseOption("itsscale", "2:0.5");

  const auto& s = O.S();
  EXPECT_EQ(s.Fframe_width, 640);
  EXPECT_EQ(s.Fframe_height, 480);
  EXPECT_EQ(s.Fframe_rate.num, 30000);
  EXPECT_EQ(s.Fframe_rate.den, 1001);
  EXPECT_FLOAT_EQ(s.Fframe_aspect_ratio, 16.0f / 9.0f);
  EXPECT_EQ(s.Fframe_pix_fmt, AV_PIX_FMT_YUV422P);
  EXPECT_EQ(s.Faudio_sample_fmt, AV_SAMPLE_FMT_S16);
  EXPECT_EQ(s.Faudio_sample_rate, 44100);
  EXPECT_EQ(s.Faudio_channels, 1);
  EXPECT_EQ(s.Frecording_time, 90500000);
  EXPECT_EQ(O.TotalDuration, 90500000);
  EXPECT_EQ(s.Fstart_time, 2500000);
  EXPECT_EQ(s.Finput_ts_offset, -1000000);
  EXPECT_EQ(s.Frecording_timestamp, 86401);  // 86400.6 s rounded
  EXPECT_EQ(s.Flimit_filesize, 5000000000LL);
  EXPECT_EQ(s.Faudio_codec_tag, MKTAG('m', 'p', '4', 'a'));
  ASSERT_EQ(s.Fstream_maps.size(), 1u);
  EXPECT_EQ(s.Fstream_maps[0].sync_stream_index, 1);
  ASSERT_EQ(s.Fmeta_data_maps.size(), 1u);
  EXPECT_EQ(s.Fmeta_data_maps[0].in_file, 1);
  EXPECT_EQ(s.Fstreamid_map[19], 300);
  ASSERT_EQ(s.Fmetadata.size(), 1u);
  EXPECT_EQ(s.Fmetadata[0], (std::pair<std::string, std::string>{"title", "a=b"}));
  ASSERT_EQ(s.Fvideo_bitstream_filters.size(), 1u);
  EXPECT_EQ(s.Fvideo_bitstream_filters[0].Name, "h264_mp4toannexb");
  EXPECT_EQ(s.Faudio_bitstream_filters.size(), 1u);
  EXPECT_EQ(s.Fsubtitle_bitstream_filters.size(), 1u);
  EXPECT_FALSE(s.Fvideo_disable);
  EXPECT_TRUE(s.Faudio_disable);
  EXPECT_TRUE(s.Fcopy_ts);
  EXPECT_EQ(s.Flast_asked_format, "image2");
  EXPECT_TRUE(s.Fpgmyuv_compatibility_hack);
  EXPECT_TRUE(Logged(TLogLevel::llInfo, "pgmyuv format is deprecated, use image2"));
  EXPECT_EQ(s.Fvfilters, "scale=320:240");
  EXPECT_EQ(s.Faudio_volume, 512);
  EXPECT_FLOAT_EQ(s.Fvideo_qscale, 255.0f);
  EXPECT_DOUBLE_EQ(s.Finput_files_ts_scale[1][2], 0.5);
}

TEST_F(Dispatcher, CropsShrinkTheFrameAndWarn) {
  O.ParseOption("s", "320x240");
  O.ParseOption("croptop", "16");
  O.ParseOption("cropbottom", "0");  // 0 or less changes nothing
  O.ParseOption("cropleft", "10");
  O.ParseOption("cropright", "-4");
  EXPECT_EQ(O.S().Fframe_topBand, 16);
  EXPECT_EQ(O.S().Fframe_leftBand, 10);
  EXPECT_EQ(O.S().Fframe_height, 224);
  EXPECT_EQ(O.S().Fframe_width, 310);
  EXPECT_TRUE(Logged(TLogLevel::llWarning, "CropXXX is deprecated in favor of the crop avfilter"));
  EXPECT_THROW(O.ParseOption("cropbottom", "224"), std::runtime_error);
}

TEST_F(Dispatcher, CodecRuleAndStreamsAddedToTheLastOutput) {
  O.ParseOption("acodec", "copy");
  O.ParseOption("vcodec", "mpeg4");
  O.ParseOption("vcodec", "");  // empty changes nothing
  EXPECT_EQ(O.S().Faudio_stream_copy, 1);
  EXPECT_EQ(O.S().Faudio_codec_name, "");
  EXPECT_EQ(O.S().Fvideo_codec_name, "mpeg4");
  O.Outputs = 1;
  O.ParseOption("newvideo", "");
  O.ParseOption("newaudio", "");
  ASSERT_EQ(O.NewStreams.size(), 2u);
  EXPECT_EQ(O.NewStreams[0].Type, AVMEDIA_TYPE_VIDEO);
  EXPECT_EQ(O.NewStreams[0].CodecName, "mpeg4");
  EXPECT_TRUE(O.NewStreams[1].StreamCopy);
}

TEST_F(Dispatcher, NamesThatDoNothingOrOnlyWarn) {
  for (const char* name :
       {"L", "h", "version", "formats", "codecs", "bsfs", "protocols", "filters", "i", "y", "benchmark"}) {
    O.ParseOption(name, "x");
    EXPECT_TRUE(Logged(TLogLevel::llInfo, std::string("Do nothing: option - ") + name)) << name;
  }
  O.ParseOption("timelimit", "10");
  EXPECT_TRUE(Logged(TLogLevel::llWarning, "Warning: -timelimit not implemented on Windows"));
}

TEST_F(Dispatcher, FrameHooks) {
  O.ParseOption("vhook", "libfoo.so -x");
  EXPECT_EQ(O.Hooks, std::vector<std::string>{"libfoo.so -x"});
  EXPECT_TRUE(O.S().Fusing_vhook);
  O.HookResult = false;
  try {
    O.ParseOption("vhook", "missing.so");
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Failed to add video hook function: missing.so");
  }
}

TEST_F(Dispatcher, BitRatesGoToTheirCodecContextsAndLowOnesWarn) {
  O.ParseOption("b", "1150000");
  O.ParseOption("ab", "224000");
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "b"), 1150000);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_AUDIO, "b"), 224000);  // "b" did not touch the audio context
  EXPECT_FALSE(Logged(TLogLevel::llWarning, "The bitrate parameter is set too low"));
  O.ParseOption("vb", "800");
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "b"), 800);
  EXPECT_TRUE(
      Logged(TLogLevel::llWarning,
             "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s"));
}

TEST_F(Dispatcher, UnknownNamesChangeNothingAndRaiseNothing) {
  EXPECT_NO_THROW(O.ParseOption("no_such_option", "1"));
  EXPECT_TRUE(
      Logged(TLogLevel::llWarning, "Option \"no_such_option\" = \"1\" was not accepted and is ignored"));
  EXPECT_NO_THROW(O.ParseOption("g", "not-a-number"));  // a refused value of a generic option is ignored
  EXPECT_TRUE(Logged(TLogLevel::llError, "Invalid value \"not-a-number\" for option \"g\""));
  EXPECT_TRUE(O.GenericOptions().opt_names.empty());

  // An old setting without a present equivalent is dropped with one warning of the engine, not an error.
  Log.clear();
  EXPECT_TRUE(O.SetGenericOption("deblockbeta", "0"));
  int warnings = 0;
  for (const TLogLine& line : Log) warnings += line.Sender == &O && line.Level == TLogLevel::llWarning;
  EXPECT_EQ(warnings, 1);
}

TEST_F(Dispatcher, ListsLogTheLibrariesDescriptions) {
  O.ParseOption("pix_fmt", "list");
  O.ParseOption("sample_fmt", "list");
  EXPECT_EQ(O.S().Fframe_pix_fmt, AV_PIX_FMT_NONE);
  EXPECT_TRUE(Logged(TLogLevel::llInfo, "yuv420p"));
  EXPECT_TRUE(Logged(TLogLevel::llInfo, "fltp"));
}

TEST_F(Dispatcher, VstatsNamesAFileBesideTheExecutable) {
  O.ParseOption("vstats", "");
  const std::string& name = O.S().Fvstats_filename;
  EXPECT_NE(name.find("/vstats_"), std::string::npos);
  EXPECT_EQ(name.size() - name.rfind("vstats_"), std::string("vstats_hhnnss.log").size());
  O.ParseOption("vstats_file", "/tmp/v.log");
  EXPECT_EQ(O.S().Fvstats_filename, "/tmp/v.log");
}

}  // namespace
}  // namespace testoptions
