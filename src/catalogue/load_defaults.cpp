// Encoding defaults from defaults.tsv, defaults_own.tsv and corrections.tsv.
#include <algorithm>
#include <map>

#include "base/text.h"
#include "catalogue/tables.h"
#include "catalogue/tsv.h"

namespace catalogue::detail {

namespace {
constexpr std::string_view kDefaultsFile = "defaults.tsv";
constexpr std::string_view kOwnFile = "defaults_own.tsv";
constexpr std::string_view kCorrectionsFile = "corrections.tsv";

// The "other" column: "-", or items joined by "; ": "video off", "target X, norm Y", "name ext Z".
void parseOther(const TTsvRow& row, const std::string& field, TPresetDefaults& d) {
  if (field == "-") return;
  for (std::string item : base::Split(field, ';')) {
    item = base::Trim(item);
    if (item == "video off") {
      d.DisableVideo = true;
    } else if (base::StartsWith(item, "name ext ")) {
      d.NameExt = item.substr(9);
    } else if (base::StartsWith(item, "target ")) {
      const std::vector<std::string> parts = base::Split(item.substr(7), ',');
      const std::string norm = parts.size() == 2 ? base::Trim(parts[1]) : std::string();
      if (!base::StartsWith(norm, "norm ")) DataError(kDefaultsFile, row.Line, "expected 'target X, norm Y'");
      d.TargetType = base::Trim(parts[0]);
      d.NormType = norm.substr(5);
    } else {
      DataError(kDefaultsFile, row.Line, "unknown setting '" + item + "'");
    }
  }
}

TPresetDefaults parseCombination(const TTsvRow& row) {
  const auto& f = row.Fields;
  TPresetDefaults d{};
  d.Key = ParseInt(kDefaultsFile, row, f[0]);
  d.FileExt = DashEmpty(f[1]);
  d.VideoCodec = DashEmpty(f[2]);
  d.VideoTag = DashEmpty(f[3]);
  d.AudioCodec = DashEmpty(f[4]);
  d.AudioChannels = DashEmpty(f[5]);
  d.FrameSize = DashEmpty(f[6]);
  d.VideoBitrate = ParseInt(kDefaultsFile, row, f[7]);
  d.FrameRate = DashEmpty(f[8]);
  d.AudioSampleRate = DashEmpty(f[9]);
  d.AudioBitrate = ParseInt(kDefaultsFile, row, f[10]);
  d.FrameAspectRatio = DashEmpty(f[11]);
  parseOther(row, f[12], d);
  return d;
}

struct TOwnValues {
  std::string FrameSize;
  int VideoBitrate;
  int AudioBitrate;
  int Line;
  bool Used = false;
};

std::map<int, TOwnValues> readOwnValues(std::string_view text) {
  std::map<int, TOwnValues> own;
  for (const TTsvRow& row : ReadTsv(text)) {
    ExpectFields(kOwnFile, row, 4);
    const int key = ParseInt(kOwnFile, row, row.Fields[0]);
    const TOwnValues v{DashEmpty(row.Fields[1]), ParseInt(kOwnFile, row, row.Fields[2]),
                       ParseInt(kOwnFile, row, row.Fields[3]), row.Line};
    if (!own.emplace(key, v).second)
      DataError(kOwnFile, row.Line, "key " + std::to_string(key) + " given twice");
  }
  return own;
}

std::string* correctableField(TPresetDefaults& d, const std::string& name) {
  if (name == "FileExt") return &d.FileExt;
  if (name == "NameExt") return &d.NameExt;
  if (name == "VideoCodec") return &d.VideoCodec;
  if (name == "VideoTag") return &d.VideoTag;
  if (name == "AudioCodec") return &d.AudioCodec;
  return nullptr;
}

void applyCorrections(std::string_view text, TTables& tables) {
  for (const TTsvRow& row : ReadTsv(text)) {
    ExpectFields(kCorrectionsFile, row, 4);
    const int key = ParseInt(kCorrectionsFile, row, row.Fields[0]);
    auto it = std::find_if(tables.Defaults.begin(), tables.Defaults.end(),
                           [key](const TPresetDefaults& d) { return d.Key == key; });
    if (it == tables.Defaults.end())
      DataError(kCorrectionsFile, row.Line, "no defaults for key " + row.Fields[0]);
    std::string* field = correctableField(*it, row.Fields[1]);
    if (!field) DataError(kCorrectionsFile, row.Line, "field '" + row.Fields[1] + "' cannot be corrected");
    *field = DashEmpty(row.Fields[2]);
    tables.Corrections.push_back({key, row.Fields[1], *field});
  }
}
}  // namespace

void LoadDefaults(const TDataTexts& texts, TTables& tables) {
  std::map<int, TOwnValues> own = readOwnValues(texts.DefaultsOwn);
  std::map<int, int> lineOfKey;  // for "given twice"
  auto add = [&](const TPresetDefaults& d, const TTsvRow& row) {
    if (!lineOfKey.emplace(d.Key, row.Line).second)
      DataError(kDefaultsFile, row.Line, "key " + std::to_string(d.Key) + " given twice");
    tables.Defaults.push_back(d);
  };
  for (const TTsvRow& row : ReadTsv(texts.Defaults)) {
    ExpectFields(kDefaultsFile, row, 14);
    const TPresetDefaults combination = parseCombination(row);
    add(combination, row);
    ++tables.CombinationRows;
    for (int key : ParseKeyList(kDefaultsFile, row, row.Fields[13])) {
      auto it = own.find(key);
      if (it == own.end())
        DataError(
            kDefaultsFile, row.Line,
            "key " + std::to_string(key) + " has no frame size and bit rates in " + std::string(kOwnFile));
      TPresetDefaults d = combination;
      d.Key = key;
      d.FrameSize = it->second.FrameSize;
      d.VideoBitrate = it->second.VideoBitrate;
      d.AudioBitrate = it->second.AudioBitrate;
      it->second.Used = true;
      add(d, row);
    }
  }
  for (const auto& [key, values] : own)
    if (!values.Used)
      DataError(kOwnFile, values.Line, "key " + std::to_string(key) + " shares no combination row");
  std::sort(tables.Defaults.begin(), tables.Defaults.end(),
            [](const TPresetDefaults& a, const TPresetDefaults& b) { return a.Key < b.Key; });
  applyCorrections(texts.Corrections, tables);
}

}  // namespace catalogue::detail
