#include "media/probe_text.h"

#include <gtest/gtest.h>

#include <memory>

#include "media/av.h"
#include "media/probe_info_text.h"
#include "media/tag_keys.h"
#include "support/media_libraries.h"

namespace {

TEST(ProbeTextTest, SizeToText) {
  const struct {
    int64_t size;
    const char* text;
  } cases[] = {
      {0, "0 Byte"},           {1024, "1024 Byte"},  {1025, "1.00 KB"},
      {1048576, "1024.00 KB"}, {1048577, "1.00 MB"}, {1073741824, "1024.00 MB"},
      {1073741825, "1.00 GB"}, {-1, "-1 Byte"},      {5368709120LL, "5.00 GB"},  // beyond 32 bits
  };
  for (const auto& c : cases) EXPECT_EQ(media::SizeToText(c.size), c.text) << c.size;
}

TEST(ProbeTextTest, DurationAndSecondsText) {
  const struct {
    int64_t us;
    const char* duration;
    const char* seconds;
  } cases[] = {
      {3723004000LL, "01:02:03.004", "3723.004000"},
      {360000000000LL, "100:00:00.000", "360000.000000"},
      {999, "00:00:00.000", "0.000999"},
      {0, "00:00:00.000", "0.000000"},
      {-23000, "-00:00:00.023", "-0.023000"},  // a negative start keeps one sign in front
  };
  for (const auto& c : cases) {
    EXPECT_EQ(media::DurationToText(c.us), c.duration) << c.us;
    EXPECT_EQ(media::SecondsText(c.us), c.seconds) << c.us;
  }
  EXPECT_EQ(media::DurationToText(AV_NOPTS_VALUE), "N/A");
}

TEST(ProbeTextTest, FrameIntervalUS) {
  const struct {
    AVRational rate;
    int64_t us;
  } cases[] = {{{0, 0}, 40000},        {{25, 0}, 40000}, {{0, 1}, 40000},
               {{30000, 1001}, 33366}, {{25, 1}, 40000}, {{50, 1}, 20000}};
  for (const auto& c : cases)
    EXPECT_EQ(media::FrameIntervalUS(c.rate), c.us) << c.rate.num << "/" << c.rate.den;
}

TEST(ProbeTextTest, AVErrorTextGivesTheSameTextForPresentAndOlderCodes) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {AVERROR(ENOENT), "No such file or directory"},
      {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
      {AVERROR(EINVAL), "Invalid data found when processing input"},
      {AVERROR_EOF, "End of file"},
      {AVERROR(EPIPE), "End of file"},
      {AVERROR(EIO), "I/O error"},
      {AVERROR(ENOMEM), "Not enough memory"},
      {AVERROR(EDOM), "Number syntax expected in filename"},
      {AVERROR_DEMUXER_NOT_FOUND, "Unknown format"},
      {AVERROR(EILSEQ), "Unknown format"},
      {AVERROR_PROTOCOL_NOT_FOUND, "Unsupported network protocol"},
      {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
      {AVERROR(EACCES), "Error number -13 occurred"},
      {-1, "Error number -1 occurred"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(media::AVErrorText("a b.avi", c.code), std::string("a b.avi: ") + c.text);
}

TEST(ProbeTextTest, RateText) {
  const struct {
    double value;
    const char* unit;
    const char* text;
  } cases[] = {
      {25.0, "fps", ", 25 fps"},      {30000.0 / 1001, "fps", ", 29.97 fps"}, {90000.0, "tbn", ", 90k tbn"},
      {1000.0, "tbn", ", 1k tbn"},    {1200.0, "tbn", ", 1200 tbn"},          {12.5, "tbr", ", 12.50 tbr"},
      {23.976, "fps", ", 23.98 fps"},
  };
  for (const auto& c : cases) EXPECT_EQ(media::RateText(c.value, c.unit), c.text) << c.value;
}

struct DictDeleter {
  void operator()(AVDictionary* d) const { av::av_dict_free(&d); }
};
using Dict = std::unique_ptr<AVDictionary, DictDeleter>;

Dict makeTags(std::initializer_list<std::pair<const char*, const char*>> tags) {
  AVDictionary* d = nullptr;
  for (const auto& [key, value] : tags) av::av_dict_set(&d, key, value, AV_DICT_MATCH_CASE);
  return Dict(d);
}

class ProbeTagTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::LoadLibraries(media::kProbeLibraries)); }
};

TEST_F(ProbeTagTest, MetadataValueMatchesTheKeyExactly) {
  const Dict tags = makeTags({{"Title", "upper"}, {"title", "lower"}, {"titles", "longer"}});
  EXPECT_EQ(media::MetadataValue(tags.get(), "title", "-"), "lower");
  EXPECT_EQ(media::MetadataValue(tags.get(), "Title", "-"), "upper");
  EXPECT_EQ(media::MetadataValue(tags.get(), "tit", "-"), "-");
  EXPECT_EQ(media::MetadataValue(nullptr, "title", "none"), "none");
}

TEST_F(ProbeTagTest, TagBlock) {
  const struct {
    Dict tags;
    const char* indent;
    const char* text;
  } cases[] = {
      {makeTags({}), "", ""},
      {makeTags({{"language", "chi"}}), "  ", ""},  // shown in the stream line instead
      {makeTags({{"TIT2", "Song"}, {"language", "eng"}, {"TPE1", "Singer"}}), "",
       "Metadata:\n  title           : Song\n  artist          : Singer\n"},
      {makeTags({{"encoder", "x"}}), "  ", "  Metadata:\n    encoder         : x\n"},
      {makeTags({{"a_key_longer_than_16", "v"}}), "", "Metadata:\n  a_key_longer_than_16: v\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(media::TagBlock(c.tags.get(), c.indent), c.text);
}

TEST(TagKeyTest, DisplayKeys) {
  const struct {
    const char* key;
    const char* shown;
  } cases[] = {{"TIT2", "title"},      {"TT2", "title"}, {"TPE1", "artist"}, {"TYER", "year"},
               {"TSOP", "authorsort"}, {"TCO", "genre"}, {"title", "title"}, {"tit2", "tit2"}};
  for (const auto& c : cases) EXPECT_EQ(media::DisplayTagKey(c.key), c.shown);
}

TEST_F(ProbeTagTest, CodecDisplayName) {
  const struct {
    AVCodecID id;
    unsigned tag;
    bool encoder;
    const char* name;
  } cases[] = {
      {AV_CODEC_ID_MPEG4, 0, false, "mpeg4(MPEG-4 part 2)"},
      {AV_CODEC_ID_MPEG2TS, 0, false, "mpeg2ts"},
      {AV_CODEC_ID_VP6, 0, true, "vp6"},  // no encoder: the codec's own name
      {AV_CODEC_ID_NONE, MKTAG('X', 'V', 'I', 'D'), false, "XVID / 0x44495658"},
      {AV_CODEC_ID_NONE, 0x0001, false, "0x0001"},
  };
  for (const auto& c : cases) {
    AVCodecParameters* par = av::avcodec_parameters_alloc();
    par->codec_id = c.id;
    par->codec_tag = c.tag;
    EXPECT_EQ(media::CodecDisplayName(par, c.encoder), c.name);
    AVCodecContext* ctx = av::avcodec_alloc_context3(nullptr);
    ASSERT_GE(av::avcodec_parameters_to_context(ctx, par), 0);
    EXPECT_EQ(media::CodecDisplayName(ctx, c.encoder), c.name);
    av::avcodec_free_context(&ctx);
    av::avcodec_parameters_free(&par);
  }
}

}  // namespace
