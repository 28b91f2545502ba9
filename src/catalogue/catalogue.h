#pragma once
// The preset catalogue: 28 output categories, 288 presets, their encoding defaults, the value lists of the
// six parameter choosers and which lists (with which default entry) each preset offers.
//
// The tables are data files (src/catalogue/data/*.tsv) compiled into the library and read once, on first
// use, into immutable tables; every accessor below returns references into them, valid for the whole
// process. Nothing here touches controls: the main window's handlers (Button2Click, Button5Click,
// Button13Click, Button18Click, the chooser-changed handlers) are built on these functions.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace catalogue {

inline constexpr int kCategoryCount = 28;
inline constexpr int kPresetCount = 288;

// ---- Categories and presets -------------------------------------------------------------------------

// One entry of the category chooser (bsSkinOfficeComboBox2).
struct TCategory {
  int Index;            // position in the category chooser, 0..27
  int Code;             // category code, 0..27: the number every preset table is keyed by
  std::string Caption;  // shown text, such as "经典视频"
  int Icon;             // index into the 45 category icons
};

// One entry of the preset chooser (bsSkinOfficeComboBox1).
struct TPreset {
  int Key;    // preset key = (Code + 1) * 100 + Index
  int Code;   // category code
  int Index;  // 0-based position within its category, also the display order
  std::string Title;
  std::string Description;
  int Icon;  // preset icon list index: 0 for an even preset index, 1 for an odd one
};

// The categories in chooser order (Categories()[i].Index == i).
std::span<const TCategory> Categories();
// The category at chooser position `categoryIndex`, or nullptr outside 0..27.
const TCategory* CategoryAt(int categoryIndex);
// The category with category code `code`, or nullptr outside 0..27.
const TCategory* CategoryByCode(int code);

// Every preset, ordered by key.
std::span<const TPreset> Presets();
// The presets of a category code, in display order; empty for an unknown code.
std::span<const TPreset> PresetsOfCode(int code);
// The presets listed when the category chooser is at `categoryIndex`; empty outside 0..27.
std::span<const TPreset> PresetsOfCategory(int categoryIndex);
// The preset with this key, or nullptr.
const TPreset* FindPreset(int key);

// Preset key of (category code, preset index): (code + 1) * 100 + presetIndex. No range check.
constexpr int PresetKeyOfCode(int code, int presetIndex) { return (code + 1) * 100 + presetIndex; }
// Preset key of the two chooser positions: the category index is mapped to its code first.
// -1 when the category index is outside 0..27.
int PresetKey(int categoryIndex, int presetIndex);

// Stored preset number (job row column 9): (category chooser index + 1) * 100 + preset index.
constexpr int StoredPresetNumber(int categoryIndex, int presetIndex) {
  return (categoryIndex + 1) * 100 + presetIndex;
}
struct TStoredPreset {
  int CategoryIndex;
  int PresetIndex;
  bool operator==(const TStoredPreset&) const = default;
};
// Decodes a stored preset number without range checks: a = n / 100 (truncated toward zero),
// category index a - 1, preset index n - a * 100.
constexpr TStoredPreset DecodeStoredPresetNumber(int stored) {
  const int a = stored / 100;
  return {a - 1, stored - a * 100};
}

// The output extension read off a preset title: the four characters just before the last one, with
// "flac", "aiff", "*.rm" and "*.ra" replaced by ".flac", ".aiff", ".rm" and ".ra". Characters are Unicode
// characters of the UTF-8 text. A title shorter than five characters gives "".
std::string TitleExtension(std::string_view title);

// ---- Encoding defaults ------------------------------------------------------------------------------

// The fixed encoding values a preset puts into the working fields (the Video_* members). Strings hold
// exactly the text that later goes into the job row; empty means "not set".
struct TPresetDefaults {
  int Key;
  std::string FileExt;           // Video_FileExt, with its dot; empty for disc and some audio presets
  std::string VideoCodec;        // Video_VideoCodec, encoder name
  std::string VideoTag;          // Video_VideoTag, FourCC such as "XVID"
  std::string AudioCodec;        // Video_AudioCodec, encoder name
  std::string AudioChannels;     // Video_AudioChannels, "1" or "2"
  std::string FrameSize;         // Video_FrameSize, "640*480"
  std::int32_t VideoBitrate;     // Video_VideoBitrate, bit/s; -1 unset, -1000 "none"
  std::string FrameRate;         // Video_FrameRate, "25", "29.97"
  std::string AudioSampleRate;   // Video_AudioSampleRate, "44100"
  std::int32_t AudioBitrate;     // Video_AudioBitrate, bit/s; -1 unset, -1000 "none"
  std::string FrameAspectRatio;  // Video_FrameAspectRatio, "4:3", "16:9"
  bool DisableVideo;             // Video_DisableVideo: the output has no video stream
  std::string TargetType;        // Video_TargetType: "vcd", "svcd", "dvd" or empty
  std::string NormType;          // Video_NormType: "PAL" or empty
  std::string NameExt;           // extension of the output file name when it differs from FileExt, else empty
};

// The defaults of a preset key, or nullptr for a key outside the catalogue.
const TPresetDefaults* FindDefaults(int key);
// The extension the output file name gets: NameExt when set, else FileExt.
const std::string& OutputNameExtension(const TPresetDefaults& defaults);
// True for the audio-only presets (their video choosers are disabled and the output has no video).
bool IsAudioOnly(int key);

// ---- Parameter choosers and value lists -------------------------------------------------------------

// The six parameter choosers, in the order they are filled.
enum class TChooser {
  Size,          // bsSkinComboBox1, "视频分辨率：", Video_FrameSize, row column 16
  VideoBitrate,  // bsSkinComboBox2, "视频比特率：", Video_VideoBitrate, column 17
  FrameRate,     // bsSkinComboBox9, "视频帧率：", Video_FrameRate, column 18
  AudioBitrate,  // bsSkinComboBox3, "音频比特率：", Video_AudioBitrate, column 19
  SampleRate,    // bsSkinComboBox10, "音频采样率：", Video_AudioSampleRate, column 20
  Aspect,        // bsSkinComboBox4, "视频缩放：", Video_FrameAspectRatio, column 21
};
inline constexpr int kChooserCount = 6;
inline constexpr std::array<TChooser, kChooserCount> kChooserFillOrder = {
    TChooser::Size,         TChooser::VideoBitrate, TChooser::FrameRate,
    TChooser::AudioBitrate, TChooser::SampleRate,   TChooser::Aspect};

// A named value list ("R1", "VB3", "FR5", "AB1", "SR4", "AS2"). Entries are display strings; the value
// each stands for is derived from the text (EntryText/EntryBitrate below).
struct TValueList {
  std::string Id;
  TChooser Kind;
  std::span<const std::string> Entries;
};

// Every list of one chooser kind, in the order of their identifiers (R1..R33 etc.).
std::span<const TValueList> ValueLists(TChooser kind);
// The list with this identifier, or nullptr.
const TValueList* FindValueList(std::string_view id);

// Value of an entry for the text-valued choosers (Size, FrameRate, SampleRate, Aspect):
// "保持原分辨率", "该格式无视频", "保持原帧速率", "无视频", "保持原视频模式" give ""; "普通视频4:3模式" gives
// "4:3" (likewise 16:9, 37:20, 47:20) and any other aspect entry ""; other sizes and rates are their own
// text.
std::string EntryText(TChooser kind, std::string_view entry);
// Value of a bit-rate entry (VideoBitrate, AudioBitrate): "无视频" gives -1000; "N kbps" gives N * 1000
// ("7.95 kbps" gives 7950). N is the text before "kbps", trimmed; std::nullopt when it is not a number.
std::optional<std::int32_t> EntryBitrate(std::string_view entry);

// Which list a preset offers in one chooser, and the entry selected by default.
struct TChoice {
  const TValueList* List;
  int Default;  // position within List->Entries
};
struct TPresetChoices {
  int Key;
  std::array<TChoice, kChooserCount> Choices;  // indexed by static_cast<int>(TChooser)
  bool AudioOnly;  // size, video bit-rate, aspect and frame-rate choosers are disabled after filling
  const TChoice& operator[](TChooser c) const { return Choices[static_cast<int>(c)]; }
};
// The choice row of a preset key, or nullptr for a key outside the catalogue.
const TPresetChoices* FindChoices(int key);

// ---- Option index string (job row column 10) --------------------------------------------------------

// Six two-character chooser positions in this order: size, video bit rate, audio bit rate, aspect,
// frame rate, sample rate. Positions 0..99 are written as two digits ("03", "12"); no selection (-1) is
// written as "-1" so the string always keeps its 12 characters.
using TOptionPositions = std::array<int, kChooserCount>;  // indexed by static_cast<int>(TChooser)

// The pair number (0..5) of a chooser within the option index string.
int OptionPairIndex(TChooser chooser);
std::string FormatOptionIndexString(const TOptionPositions& positions);
// The default positions of a preset's six choosers.
TOptionPositions DefaultPositions(const TPresetChoices& choices);
// Reads the six pairs back; std::nullopt unless the text is six well-formed pairs ("00".."99" or "-1").
std::optional<TOptionPositions> ParseOptionIndexString(std::string_view text);
// Rewrites one chooser's pair and leaves the other characters as they were. A text shorter than 12
// characters is padded with "00" pairs first.
std::string ReplaceOptionPair(std::string_view text, TChooser chooser, int position);

}  // namespace catalogue
