#include "engine/ffmpeg/options/legacy_options.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"

namespace engine {

namespace {
struct TFlagToken {
  char Sign;  // '+', '-' or 0
  std::string Name;
};

// "+a+b-c" or "a": the old flags syntax.
std::vector<TFlagToken> splitFlags(const std::string& AValue) {
  std::vector<TFlagToken> tokens;
  size_t pos = 0;
  while (pos < AValue.size()) {
    char sign = 0;
    if (AValue[pos] == '+' || AValue[pos] == '-') sign = AValue[pos++];
    const size_t end = AValue.find_first_of("+-", pos);
    tokens.push_back({sign, AValue.substr(pos, end == std::string::npos ? std::string::npos : end - pos)});
    pos = end == std::string::npos ? AValue.size() : end;
  }
  return tokens;
}

const TLegacyFlag* findFlag(const std::string& AOption, const std::string& AFlag) {
  for (const TLegacyFlag& row : LegacyFlags())
    if (AOption == row.Option && AFlag == row.Flag) return &row;
  return nullptr;
}

std::string droppedWarning(const std::string& AName, const std::string& AValue, const std::string& APart) {
  return base::Format("Option %s=%s: \"%s\" has no equivalent in this library version and is ignored",
                      AName.c_str(), AValue.c_str(), APart.c_str());
}

void translateFlags(const std::string& AName, const std::string& AValue, TLegacyTranslation& AResult) {
  std::string remainder;
  for (const TFlagToken& token : splitFlags(AValue)) {
    const TLegacyFlag* row = findFlag(AName, token.Name);
    if (!row) {
      if (token.Sign) remainder += token.Sign;
      remainder += token.Name;
    } else if (!row->PresentName) {
      AResult.Warnings.push_back(droppedWarning(AName, AValue, token.Name));
    } else {
      AResult.Options.push_back({row->PresentName, token.Sign == '-' ? row->ClearValue : row->SetValue});
    }
  }
  if (!remainder.empty()) AResult.Options.insert(AResult.Options.begin(), {AName, remainder});
}

bool isOldPartitionValue(const std::string& AValue) {
  for (const TFlagToken& token : splitFlags(AValue))
    for (const TLegacyPartition& row : LegacyPartitions())
      if (token.Name == row.Flag) return true;
  return false;
}

// The old partitions were a flag set starting empty; libx264 wants the list of enabled partitions.
void translatePartitions(const std::string& AValue, TLegacyTranslation& AResult) {
  std::vector<std::string> enabled;
  for (const TFlagToken& token : splitFlags(AValue)) {
    const auto row = std::find_if(LegacyPartitions().begin(), LegacyPartitions().end(),
                                  [&](const TLegacyPartition& p) { return token.Name == p.Flag; });
    if (row == LegacyPartitions().end()) {
      AResult.Warnings.push_back(droppedWarning("partitions", AValue, token.Name));
      continue;
    }
    std::erase(enabled, std::string(row->Partition));
    if (token.Sign == 0) enabled.clear();
    if (token.Sign != '-') enabled.emplace_back(row->Partition);
  }
  std::string list;
  for (const std::string& part : enabled) list += (list.empty() ? "" : ",") + part;
  AResult.Options.push_back({"partitions", list.empty() ? "none" : list});
}
}  // namespace

TLegacyTranslation TranslateLegacyOption(const std::string& AName, const std::string& AValue) {
  TLegacyTranslation result;
  for (const char* dropped : LegacyDropped()) {
    if (AName == dropped) {
      result.Warnings.push_back(droppedWarning(AName, AValue, AName));
      return result;
    }
  }
  if (AName == "flags" || AName == "flags2") {
    translateFlags(AName, AValue, result);
    return result;
  }
  if (AName == "partitions" && isOldPartitionValue(AValue)) {
    translatePartitions(AValue, result);
    return result;
  }
  std::string name = AName;
  std::string value = AValue;
  for (const TLegacyRename& row : LegacyRenames())
    if (name == row.OldName) name = row.PresentName;
  for (const TLegacyValue& row : LegacyValues())
    if (name == row.Name && value == row.OldValue) value = row.PresentValue;
  result.Options.push_back({name, value});
  return result;
}

}  // namespace engine
