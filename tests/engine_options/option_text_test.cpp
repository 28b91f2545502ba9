// Option texts without the libraries: splitting, number and tag conversion, maps, matrices, old option names.
#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/ffmpeg/options/ext_options.h"
#include "engine/ffmpeg/options/legacy_options.h"
#include "engine/ffmpeg/options/option_parsers.h"

namespace engine {
namespace {

using Lines = std::vector<TOptionLine>;

TEST(SplitOptionText, LineBreaksAndEqualsSigns) {
  struct Case {
    const char* Text;
    Lines Expected;
  } cases[] = {
      {"ab=128000<CRLF>ar=22050", {{"ab", "128000"}, {"ar", "22050"}}},
      {"ab=1\r\nar=2\rac=1\nvn", {{"ab", "1"}, {"ar", "2"}, {"ac", "1"}, {"vn", ""}}},
      {"  \t\x01metadata=title=a b \r\n", {{"metadata", "title=a b"}}},  // only the whole text is trimmed
      {"AB = 96000", {{"AB ", " 96000"}}},                               // names and values are not
      {"a=1\n\nb=2", {{"a", "1"}, {"", ""}, {"b", "2"}}},
      {"x=<CRLF><CRLF>", {{"x", ""}, {"", ""}}},  // the literal breaks are not trimmed away
      {" \r\n ", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitOptionText(c.Text), c.Expected) << c.Text;
}

TEST(OptionNumbers, WholeTextOrTheConversionError) {
  EXPECT_EQ(StrToInt("  -42"), -42);
  EXPECT_EQ(StrToInt64("9000000000"), 9000000000LL);
  EXPECT_DOUBLE_EQ(StrToFloat("0.44"), 0.44);
  struct Bad {
    const char* Text;
    const char* Message;
  } bad[] = {{"12a", "'12a' is not a valid integer value"},
             {"", "'' is not a valid integer value"},
             {"3000000000", "'3000000000' is not a valid integer value"}};
  for (const Bad& b : bad) {
    try {
      StrToInt(b.Text);
      ADD_FAILURE() << b.Text;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), b.Message);
    }
  }
  EXPECT_DOUBLE_EQ(StrToFloat("+1.5"), 1.5);
  for (const char* bad : {"fast", "1,5", "0.5s", "", " "})
    EXPECT_THROW(StrToFloat(bad), std::runtime_error) << bad;
}

TEST(CodecTag, FourCharactersLittleEndian) {
  EXPECT_EQ(CodecTagFromText("XVID", "video"), 0x44495658u);
  for (const char* wrong : {"", "DIV", "DIVX3"}) {
    try {
      CodecTagFromText(wrong, "audio");
      ADD_FAILURE() << wrong;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "audio tag parameter must be 4 chars");
    }
  }
}

TEST(Matrix, SixtyFourCoefficientsOrTheIndexWhereTheTextEnded) {
  std::string text;
  for (int i = 1; i <= 64; ++i) text += std::to_string(i) + (i < 64 ? "," : "");
  const auto matrix = ParseMatrix(text);
  ASSERT_EQ(matrix.size(), 64u);
  EXPECT_EQ(matrix[0], 1);
  EXPECT_EQ(matrix[63], 64);
  try {
    ParseMatrix("1,2,3,4,5,6,7,8,9,10");
    ADD_FAILURE();
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Syntax error in matrix \"1,2,3,4,5,6,7,8,9,10\" at coeff 9");
  }
}

TEST(Maps, SeparatorsOfAnyKindAndTheDefaultSyncStream) {
  using M = std::array<int, 4>;
  EXPECT_EQ(ParseStreamMapText("0:1"), (M{0, 1, 0, 1}));
  EXPECT_EQ(ParseStreamMapText("1.2"), (M{1, 2, 1, 2}));
  EXPECT_EQ(ParseStreamMapText("0:1:2:3"), (M{0, 1, 2, 3}));
  EXPECT_EQ(ParseStreamMapText("0:1,2.3"), (M{0, 1, 2, 3}));
  EXPECT_EQ(ParseMetaDataMapText("1:0"), (std::pair<int, int>{1, 0}));
}

TEST(Aspect, RatioOrNumberAndZeroIsAnError) {
  EXPECT_FLOAT_EQ(ParseAspect("16:9"), 16.0f / 9.0f);
  EXPECT_FLOAT_EQ(ParseAspect("1.85"), 1.85f);
  for (const char* bad : {"4:0", "wide", "0"}) EXPECT_THROW(ParseAspect(bad), std::runtime_error) << bad;
}

TEST(LegacyOptions, OldNamesAndFlagsBecomePresentOptions) {
  using P = std::vector<std::pair<std::string, std::string>>;
  struct Case {
    const char* Name;
    const char* Value;
    P Expected;
    size_t Warnings;
  } cases[] = {
      {"flags2",
       "+mixed_refs+wpred+dct8x8+fastpskip",
       {{"mixed-refs", "1"}, {"weightb", "1"}, {"8x8dct", "1"}, {"fast-pskip", "1"}},
       0},
      {"flags2", "-wpred-dct8x8", {{"weightb", "0"}, {"8x8dct", "0"}}, 0},
      {"flags2", "+bpyramid+fast+brdo", {{"flags2", "+fast"}, {"b-pyramid", "normal"}}, 1},
      {"flags", "+loop", {{"flags", "+loop"}}, 0},
      {"flags", "+scan_offset", {{"scan_offset", "1"}}, 0},
      {"partitions", "+parti8x8+parti4x4+partp8x8+partb8x8", {{"partitions", "i8x8,i4x4,p8x8,b8x8"}}, 0},
      {"partitions", "-parti8x8-parti4x4-partp8x8-partp4x4-partb8x8", {{"partitions", "none"}}, 0},
      {"partitions", "parti4x4+partp8x8-parti4x4", {{"partitions", "p8x8"}}, 0},
      {"partitions", "all", {{"partitions", "all"}}, 0},  // already the present form
      {"directpred", "1", {{"direct-pred", "1"}}, 0},
      {"cqp", "0", {{"qp", "0"}}, 0},
      {"me_method", "full", {{"me_method", "esa"}}, 0},
      {"me_method", "umh", {{"me_method", "umh"}}, 0},
      {"deblockalpha", "0", {}, 1},
      {"qmin", "10", {{"qmin", "10"}}, 0},
  };
  for (const Case& c : cases) {
    const TLegacyTranslation t = TranslateLegacyOption(c.Name, c.Value);
    P got;
    for (const auto& o : t.Options) got.emplace_back(o.Name, o.Value);
    EXPECT_EQ(got, c.Expected) << c.Name << "=" << c.Value;
    EXPECT_EQ(t.Warnings.size(), c.Warnings) << c.Name << "=" << c.Value;
  }
}

}  // namespace
}  // namespace engine
