// Input and output records into options: which source wins, and the extra streams after the open.
#include <gtest/gtest.h>

#include <stdexcept>

#include "options_fixture.h"

namespace testoptions {
namespace {

using engine::TInputOptions;
using engine::TOutputOptions;

class Records : public OptionsTest {
 protected:
  // Translate, "open" the output, add the extra streams: as SetOutputFile does.
  void SetOutput(const TOutputOptions& ARecord) {
    engine::TOutputDefaults defaults = O.TranslateOutputOptions(ARecord);
    O.Outputs = 1;
    O.AddExtraStreams(ARecord, defaults);
  }
};

TEST_F(Records, ExtOptionsLinesLikeSeparateOptions) {
  TOutputOptions record;
  record.ExtOptions = "ab=128000<CRLF>ar=22050\r\nAB=96000\nAC=1";
  SetOutput(record);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_AUDIO, "b"), 96000);  // the upper-case name reached "ab"
  EXPECT_EQ(O.S().Faudio_sample_rate, 22050);
  EXPECT_EQ(O.S().Faudio_channels, 1);
}

TEST_F(Records, RecordFieldsWinOverExtOptionsAndBothOverTheTarget) {
  TOutputOptions record;
  record.AudioBitrate = 128000;
  record.VideoBitrate = 700000;
  record.AudioSampleRate = 32000;
  record.TargetType = engine::TOptionTargetType::ttDVD;
  record.NormType = engine::TOptionNormType::ntPAL;
  record.ExtOptions = "ab=64000\nvb=900000\ng=99";
  SetOutput(record);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_AUDIO, "b"), 128000);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "b"), 700000);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "g"), 99);             // ExtOptions over the target's 15
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "maxrate"), 9000000);  // the target's, untouched
  EXPECT_EQ(O.S().Faudio_sample_rate, 32000);
  EXPECT_EQ(O.S().Fframe_width, 720);
  EXPECT_EQ(O.S().Faudio_codec_name, "ac3");
}

TEST_F(Records, DvdPalTarget) {
  TOutputOptions record;
  record.TargetType = engine::TOptionTargetType::ttDVD;
  record.NormType = engine::TOptionNormType::ntPAL;
  SetOutput(record);
  EXPECT_EQ(O.S().Fframe_width, 720);
  EXPECT_EQ(O.S().Fframe_height, 576);
  EXPECT_EQ(av_cmp_q(O.S().Fframe_rate, AVRational{25, 1}), 0);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "g"), 15);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "b"), 6000000);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_AUDIO, "b"), 448000);
  EXPECT_EQ(O.S().Faudio_sample_rate, 48000);
  EXPECT_EQ(O.S().Faudio_codec_name, "ac3");
}

TEST_F(Records, AutomaticNormNeedsAFrameRate) {
  TOutputOptions record;
  record.TargetType = engine::TOptionTargetType::ttSVCD;  // an audio-only input leaves the rate unset
  try {
    O.TranslateOutputOptions(record);
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "frame_rate is invalid.");
  }
  O.ParseOption("r", "30000/1001");  // as an opened input with that rate leaves it
  record.TargetType = engine::TOptionTargetType::ttVCD;
  O.TranslateOutputOptions(record);
  EXPECT_EQ(O.S().Fframe_width, 352);
  EXPECT_EQ(O.S().Fframe_height, 240);
}

TEST_F(Records, CodecsFromRecordOrFirstExtOptionsLineAndExtraStreams) {
  struct Case {
    const char* VideoCodec;
    const char* Ext;
    std::vector<std::string> StreamCodecs;  // the first output's stream, then each added one
  } cases[] = {
      {"", "vcodec=mpeg4\nnewvideo=", {"mpeg4", "mpeg4"}},
      {"libx264", "vcodec=mpeg4\nnewvideo=", {"libx264", "mpeg4"}},
      {"libx264", "newvideo=\nvcodec=mpeg4\nvcodec=h263\nnewvideo=", {"libx264", "mpeg4", "h263"}},
      {"mpeg4", "newvideo=", {"mpeg4", "mpeg4"}},  // nothing queued: the record's codec again
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Ext);
    O.ResetOptions();
    O.NewStreams.clear();
    TOutputOptions record;
    record.VideoCodec = c.VideoCodec;
    record.ExtOptions = c.Ext;
    engine::TOutputDefaults defaults = O.TranslateOutputOptions(record);
    std::vector<std::string> codecs{O.S().Fvideo_codec_name};
    O.Outputs = 1;
    O.AddExtraStreams(record, defaults);
    for (const auto& stream : O.NewStreams) codecs.push_back(stream.CodecName);
    EXPECT_EQ(codecs, c.StreamCodecs);
  }
}

TEST_F(Records, ExtraStreamsTakeTheirOwnSizeAndFilters) {
  TOutputOptions record;
  record.FrameSize = "320x240";
  record.ExtOptions = "s=640x480\nvfilters=hflip\nnewvideo=\nnewaudio=\nacodec=mp2";
  engine::TOutputDefaults defaults = O.TranslateOutputOptions(record);
  EXPECT_EQ(O.S().Fframe_width, 320);   // the record's size for the first stream
  EXPECT_EQ(O.S().Fvfilters, "hflip");  // no record filter: the first ExtOptions line fills it
  O.Outputs = 1;
  O.AddExtraStreams(record, defaults);
  ASSERT_EQ(O.NewStreams.size(), 2u);
  EXPECT_EQ(O.NewStreams[0].Width, 640);
  EXPECT_EQ(O.NewStreams[0].Filters, "hflip");
  EXPECT_EQ(O.NewStreams[1].Type, AVMEDIA_TYPE_AUDIO);
  EXPECT_EQ(O.NewStreams[1].CodecName, "mp2");
}

TEST_F(Records, NewSubtitleWithStreamCopy) {
  TOutputOptions record;
  record.SubtitleCodec = "copy";
  record.ExtOptions = "newsubtitle=";
  SetOutput(record);
  ASSERT_EQ(O.NewStreams.size(), 1u);
  EXPECT_EQ(O.NewStreams[0].Type, AVMEDIA_TYPE_SUBTITLE);
  EXPECT_TRUE(O.NewStreams[0].StreamCopy);
}

TEST_F(Records, VideoPresetOfTheRecordFindsTheBuiltinOne) {
  TOutputOptions record;
  record.VideoCodec = "libx264";
  record.VideoPreset = "default";
  SetOutput(record);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "refs"), 3);
  record.VideoPreset = "nowhere";
  EXPECT_THROW(O.TranslateOutputOptions(record), std::runtime_error);
}

TEST_F(Records, FieldsTimesAndMetadata) {
  TOutputOptions record;
  record.FileFormat = "matroska";
  record.PacketSize = 4096;
  record.MuxDelay = 0.2f;
  record.DisableAudio = true;
  record.AudioVolume = 0;
  record.AudioLanguage = "chi";
  record.AudioSyncMethod = 1;
  record.AudioTag = "mp4a";
  record.FrameRate = "15";
  record.FrameAspectRatio = "4:3";
  record.VideoSyncMethod = 0;
  record.InputSync = true;
  record.CopyTimestamp = true;
  record.TimeStart = 1000000;
  record.TimeLength = 60000000;
  record.Info.TimeStamp = 25569.5;  // 1970-01-01 12:00 local
  record.Info.Year = 2010;
  record.Info.Track = 0;  // not written
  record.Info.Title = "标题";
  record.Info.Genre = "Pop";
  SetOutput(record);
  const auto& s = O.S();
  EXPECT_EQ(s.Flast_asked_format, "matroska");
  EXPECT_FLOAT_EQ(s.Fmux_max_delay, 0.2f);
  EXPECT_FLOAT_EQ(s.Fmux_preload, 0.5f);
  EXPECT_TRUE(s.Faudio_disable);
  EXPECT_EQ(s.Faudio_volume, 0);
  EXPECT_EQ(s.Faudio_language, "chi");
  EXPECT_EQ(s.Faudio_sync_method, 1);
  EXPECT_EQ(s.Faudio_codec_tag, MKTAG('m', 'p', '4', 'a'));
  EXPECT_EQ(av_cmp_q(s.Fframe_rate, AVRational{15, 1}), 0);
  EXPECT_FLOAT_EQ(s.Fframe_aspect_ratio, 4.0f / 3);
  EXPECT_EQ(s.Fvideo_sync_method, 0);
  EXPECT_TRUE(s.Finput_sync);
  EXPECT_TRUE(s.Fcopy_ts);
  EXPECT_EQ(s.Fstart_time, 1000000);
  EXPECT_EQ(s.Frecording_time, 60000000);
  EXPECT_EQ(O.TotalDuration, 60000000);
  EXPECT_EQ(s.Frecording_timestamp, 43200 + engine::LocalTimeZoneBiasMinutes() * 60);
  using Pair = std::pair<std::string, std::string>;
  EXPECT_EQ(s.Fmetadata, (std::vector<Pair>{{"year", "2010"}, {"title", "标题"}, {"genre", "Pop"}}));
  bool packetSize = false;
  for (const auto& option : O.GenericOptions().accepted) packetSize |= option.Name == "packetsize";
  EXPECT_TRUE(packetSize);
}

TEST_F(Records, AResetRecordAsksForNothing) {
  SetOutput(TOutputOptions{});
  const engine::TOptionState defaults;
  const auto& s = O.S();
  EXPECT_EQ(s.Fvideo_codec_name, "");
  EXPECT_EQ(s.Faudio_sample_rate, defaults.Faudio_sample_rate);
  EXPECT_EQ(s.Fvideo_sync_method, defaults.Fvideo_sync_method);
  EXPECT_EQ(s.Fstart_time, 0);
  EXPECT_EQ(s.Frecording_time, INT64_MAX);
  EXPECT_EQ(s.Frecording_timestamp, 0);
  EXPECT_TRUE(s.Fmetadata.empty());
  EXPECT_TRUE(O.GenericOptions().opt_names.empty());
  EXPECT_TRUE(O.NewStreams.empty());
  EXPECT_EQ(O.TotalDuration, -1);
}

TEST_F(Records, InputRecord) {
  TInputOptions record;
  record.FileFormat = "pgmyuv";
  record.TimeStart = 5000000;
  record.ProgramID = 3;
  record.ExtOptions = "newvideo=\nvf=hflip\nvcodec=h264\nS=320x240\nitsoffset=2";
  O.TranslateInputOptions(record);
  const auto& s = O.S();
  EXPECT_EQ(s.Flast_asked_format, "image2");
  EXPECT_EQ(s.Fstart_time, 5000000);
  EXPECT_EQ(s.Fopt_programid, 3);
  EXPECT_EQ(s.Fvideo_codec_name, "h264");  // names the decoder here
  EXPECT_EQ(s.Fframe_width, 320);
  EXPECT_EQ(s.Finput_ts_offset, 2000000);
  EXPECT_EQ(s.Fvfilters, "");  // output-only lines are skipped
  EXPECT_TRUE(O.NewStreams.empty());

  O.ResetOptions();
  TInputOptions unset;
  O.TranslateInputOptions(unset);
  EXPECT_EQ(O.S().Fstart_time, 0);
  EXPECT_EQ(O.S().Fopt_programid, 0);
}

}  // namespace
}  // namespace testoptions
