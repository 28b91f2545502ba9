// Presets and the generic option setter through the libraries' real option tables: every built-in libx264
// preset reaches a real libx264 encoder and opens it, private options land in the encoder, refusals are
// reported with their messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <stdexcept>

#include "engine/ffmpeg/options/codec_equivalents.h"
#include "engine/ffmpeg/options/x264_presets.h"
#include "media/ffmpeg_loader.h"
#include "options_fixture.h"

namespace testoptions {
namespace {

using media::TLogLevel;

struct TCodecCtx {
  AVCodecContext* Ctx = nullptr;
  bool Opened = false;
  ~TCodecCtx() {
    if (Opened) {
      std::lock_guard lock(media::CodecLock());
      av::avcodec_free_context(&Ctx);
    } else {
      av::avcodec_free_context(&Ctx);
    }
  }
};

struct TDict {
  AVDictionary* D = nullptr;
  ~TDict() { av::av_dict_free(&D); }
};

std::string PrivateOption(const AVCodecContext* ACtx, const char* AName) {
  uint8_t* value = nullptr;
  if (av::av_opt_get(ACtx->priv_data, AName, 0, &value) < 0) return "(none)";
  std::string text = reinterpret_cast<char*>(value);
  av::av_free(value);
  return text;
}

class Presets : public OptionsTest {
 protected:
  // A small libx264 encoder context with the recorded video options, as a new output stream gets them.
  void MakeX264(TCodecCtx& ACtx, TDict& ARest) {
    const AVCodec* codec = av::avcodec_find_encoder_by_name("libx264");
    ASSERT_NE(codec, nullptr);
    ACtx.Ctx = av::avcodec_alloc_context3(codec);
    O.ApplyCodecOptions(ACtx.Ctx, AVMEDIA_TYPE_VIDEO, AV_OPT_FLAG_ENCODING_PARAM, &ARest.D);
    ACtx.Ctx->width = 64;
    ACtx.Ctx->height = 48;
    ACtx.Ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ACtx.Ctx->time_base = {1, 25};
  }
  int Open(TCodecCtx& ACtx, TDict& ARest) {
    std::lock_guard lock(media::CodecLock());
    const int result = av::avcodec_open2(ACtx.Ctx, ACtx.Ctx->codec, &ARest.D);
    ACtx.Opened = result >= 0;
    return result;
  }
};

TEST_F(Presets, EveryBuiltinPresetAppliesAndOpensLibx264) {
  ASSERT_EQ(engine::BuiltinPresets().size(), 36u);
  for (const engine::TOptionsPreset& preset : engine::BuiltinPresets()) {
    SCOPED_TRACE(preset.Name);
    O.ResetOptions();
    Log.clear();
    O.ParseOption("vcodec", "libx264");
    ASSERT_NO_THROW(O.ParseOption("vpre", preset.Name));
    TCodecCtx ctx;
    TDict rest;
    MakeX264(ctx, rest);
    EXPECT_GE(Open(ctx, rest), 0);
    EXPECT_EQ(av::av_dict_count(rest.D), 0) << "options the encoder did not take";
    for (const TLogLine& line : Log) {
      EXPECT_NE(line.Level, TLogLevel::llError) << line.Text;
      if (line.Sender == &O) {
        EXPECT_NE(line.Level, TLogLevel::llWarning) << "a setting without present equivalent: " << line.Text;
      }
    }
  }
}

TEST_F(Presets, DefaultPresetMeansWhatItMeant) {
  O.ParseOption("vcodec", "libx264");
  O.ParseOption("vpre", "default");  // found as libx264-default
  TCodecCtx ctx;
  TDict rest;
  MakeX264(ctx, rest);
  struct Expect {
    const char* Name;
    const char* Value;
  } expected[] = {{"mixed-refs", "true"}, {"weightb", "true"},
                  {"8x8dct", "true"},     {"fast-pskip", "true"},
                  {"direct-pred", "1"},   {"me_method", "1"},
                  {"coder", "1"},         {"b_strategy", "1"},
                  {"sc_threshold", "40"}, {"partitions", "i8x8,i4x4,p8x8,b8x8"},
                  {"wpredp", "2"}};
  for (const Expect& e : expected) EXPECT_EQ(PrivateOption(ctx.Ctx, e.Name), e.Value) << e.Name;
  EXPECT_EQ(ctx.Ctx->me_subpel_quality, 7);
  EXPECT_EQ(ctx.Ctx->refs, 3);
  EXPECT_EQ(ctx.Ctx->max_b_frames, 3);
  EXPECT_EQ(ctx.Ctx->gop_size, 250);
  EXPECT_EQ(ctx.Ctx->me_cmp & FF_CMP_CHROMA, FF_CMP_CHROMA);
  EXPECT_TRUE(ctx.Ctx->flags & AV_CODEC_FLAG_LOOP_FILTER);
  EXPECT_FLOAT_EQ(ctx.Ctx->i_quant_factor, 0.71f);

  // The later baseline preset switches weighted B prediction and the 8x8 transform off again.
  O.ParseOption("vpre", "baseline");
  TCodecCtx base;
  TDict baseRest;
  MakeX264(base, baseRest);
  EXPECT_EQ(PrivateOption(base.Ctx, "weightb"), "false");
  EXPECT_EQ(PrivateOption(base.Ctx, "8x8dct"), "false");
  EXPECT_EQ(PrivateOption(base.Ctx, "coder"), "0");
  EXPECT_EQ(base.Ctx->max_b_frames, 0);
}

TEST_F(Presets, OptionsOfOneMediaTypeStayWithIt) {
  O.ParseOption("b", "500000");
  O.ParseOption("ab", "96000");
  O.ParseOption("abt", "5000");  // "bt" of the audio context
  O.ParseOption("g", "12");
  TCodecCtx audio{av::avcodec_alloc_context3(av::avcodec_find_encoder_by_name("mp2"))};
  TCodecCtx video{av::avcodec_alloc_context3(av::avcodec_find_encoder_by_name("mpeg4"))};
  O.ApplyCodecOptions(audio.Ctx, AVMEDIA_TYPE_AUDIO, AV_OPT_FLAG_ENCODING_PARAM, nullptr);
  O.ApplyCodecOptions(video.Ctx, AVMEDIA_TYPE_VIDEO, AV_OPT_FLAG_ENCODING_PARAM, nullptr);
  EXPECT_EQ(audio.Ctx->bit_rate, 96000);
  EXPECT_EQ(audio.Ctx->bit_rate_tolerance, 5000);
  EXPECT_EQ(video.Ctx->bit_rate, 500000);
  EXPECT_EQ(video.Ctx->gop_size, 12);
}

TEST_F(Presets, PrivateOptionsWithoutTheEncoderGoToTheOpenOptions) {
  O.ParseOption("vcodec", "libx264");
  O.ParseOption("crf", "23");
  TCodecCtx plain{av::avcodec_alloc_context3(nullptr)};
  TDict rest;
  O.ApplyCodecOptions(plain.Ctx, AVMEDIA_TYPE_VIDEO, AV_OPT_FLAG_ENCODING_PARAM, &rest.D);
  const AVDictionaryEntry* crf = av::av_dict_get(rest.D, "crf", nullptr, 0);
  ASSERT_NE(crf, nullptr);
  EXPECT_STREQ(crf->value, "23");
}

TEST_F(Presets, MuxerPrivateOptionsReachTheOutputContext) {
  O.ParseOption("f", "vcd");
  O.ParseOption("muxrate", "1411200");
  O.ParseOption("packetsize", "2324");
  O.ParseOption("muxpreload", "0.44");
  AVFormatContext* raw = nullptr;
  ASSERT_GE(av::avformat_alloc_output_context2(&raw, nullptr, "vcd", nullptr), 0);
  std::unique_ptr<AVFormatContext, engine::TFormatContextDeleter> ctx(raw);
  TDict rest;
  O.ApplyFormatOptions(ctx.get(), AV_OPT_FLAG_ENCODING_PARAM, &rest.D);
  int64_t muxrate = 0, preload = 0;
  av::av_opt_get_int(ctx->priv_data, "muxrate", 0, &muxrate);
  av::av_opt_get_int(ctx->priv_data, "preload", 0, &preload);
  EXPECT_EQ(muxrate, 1411200);
  EXPECT_EQ(preload, 440000);
  EXPECT_EQ(ctx->packet_size, 2324u);
  EXPECT_EQ(ctx->max_delay, 700000);
  EXPECT_EQ(av::av_dict_count(rest.D), 0);
}

TEST_F(Presets, RefusedPresetLinesCarryTheirMessages) {
  const std::string file = ::testing::TempDir() + "engine_options_bad.ffpreset";
  struct Case {
    const char* Text;
    std::string Message;
  } cases[] = {
      {"subq=7\n=3\n", file + ": Invalid syntax: \"=3\""},
      {"subq=\n", file + ": Invalid syntax: \"subq=\""},
      {"no_such_key=1\n",
       file + ": Invalid option or argument: \"no_such_key=1\", parsed as \"no_such_key\" = \"1\""},
      {"g=many\n", file + ": Invalid option or argument: \"g=many\", parsed as \"g\" = \"many\""},
  };
  for (const Case& c : cases) {
    std::ofstream(file, std::ios::trunc) << c.Text;
    try {
      O.ParseOption("fpre", file);
      ADD_FAILURE() << c.Text;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), c.Message);
    }
  }
  std::remove(file.c_str());
}

TEST_F(Presets, FilePresetsSetCodecsAndOptions) {
  const std::string file = ::testing::TempDir() + "engine_options_good.ffpreset";
  std::ofstream(file, std::ios::trunc) << "  \r\nVCODEC=mpeg4\r\n g = 30 \r\nacodec=copy\r\n\r\n";
  O.ParseOption("vpre", file);
  std::remove(file.c_str());
  EXPECT_EQ(O.S().Fvideo_codec_name, "mpeg4");
  EXPECT_EQ(O.S().Faudio_stream_copy, 1);
  EXPECT_EQ(CodecInt(AVMEDIA_TYPE_VIDEO, "g"), 30);
}

TEST_F(Presets, BuiltinLookupIgnoresCaseAndNeedsTheRightEncoder) {
  EXPECT_NO_THROW(O.ParseOption("vpre", "LIBX264-MAIN"));
  O.ParseOption("acodec", "libx264");  // the audio encoder does not qualify a video preset
  EXPECT_THROW(O.ParseOption("vpre", "hq"), std::runtime_error);
  O.ParseOption("vcodec", "libx264");
  EXPECT_NO_THROW(O.ParseOption("vpre", "hq"));
  EXPECT_NO_THROW(O.ParseOption("vpre", ""));  // an unset preset changes nothing
}

TEST_F(Presets, DebugOptionsRaiseTheLogLevel) {
  media::FFLogger().SetLogLevel(TLogLevel::llInfo);
  O.ParseOption("debug", "mb_type");
  EXPECT_EQ(media::FFLogger().LogLevel(), TLogLevel::llDebug);
}

TEST(CodecEquivalents, EveryRowNamesAMissingEncoderAndAPresentOne) {
  ASSERT_TRUE(testsupport::LoadLibraries(media::kConverterLibraries));
  for (const engine::TCodecEquivalent& row : engine::CodecEquivalents()) {
    EXPECT_EQ(av::avcodec_find_encoder_by_name(row.OldName), nullptr) << row.OldName;
    EXPECT_NE(av::avcodec_find_encoder_by_name(row.PresentName), nullptr) << row.PresentName;
  }
}

TEST_F(Presets, SubstitutedEncodersAreReportedOncePerTask) {
  EXPECT_EQ(O.PresentEncoderName("libfaac"), "aac");
  EXPECT_EQ(O.PresentEncoderName("libfaac"), "aac");
  EXPECT_EQ(O.PresentEncoderName("msmpeg4v1"), "msmpeg4v2");
  EXPECT_EQ(O.PresentEncoderName("libmp3lame"), "libmp3lame");
  int warnings = 0;
  for (const TLogLine& line : Log) warnings += line.Level == TLogLevel::llWarning;
  EXPECT_EQ(warnings, 2);
  O.ResetOptions();
  O.PresentEncoderName("libfaac");
  EXPECT_TRUE(Logged(TLogLevel::llWarning, "\"libfaac\""));
}

}  // namespace
}  // namespace testoptions
