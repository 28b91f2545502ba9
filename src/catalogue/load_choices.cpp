// Chooser value lists from value_lists.tsv and each key's choices from choices.tsv and choices_own.tsv.
#include <algorithm>
#include <map>

#include "base/text.h"
#include "catalogue/tables.h"
#include "catalogue/tsv.h"

namespace catalogue::detail {

namespace {
constexpr std::string_view kListsFile = "value_lists.tsv";
constexpr std::string_view kChoicesFile = "choices.tsv";
constexpr std::string_view kOwnFile = "choices_own.tsv";

// The chooser a list serves, from its identifier's prefix ("VB3" is a video bit-rate list).
bool kindOfList(std::string_view id, TChooser& kind) {
  static constexpr std::pair<std::string_view, TChooser> kPrefixes[] = {
      {"VB", TChooser::VideoBitrate}, {"FR", TChooser::FrameRate}, {"AB", TChooser::AudioBitrate},
      {"SR", TChooser::SampleRate},   {"AS", TChooser::Aspect},    {"R", TChooser::Size}};
  for (const auto& [prefix, k] : kPrefixes) {
    if (!base::StartsWith(id, prefix)) continue;
    const std::string_view number = id.substr(prefix.size());
    if (number.empty() ||
        !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return false;
    kind = k;
    return true;
  }
  return false;
}

const TValueList* findList(const TTables& tables, std::string_view id) {
  for (const auto& lists : tables.Lists)
    for (const TValueList& list : lists)
      if (list.Id == id) return &list;
  return nullptr;
}

// "R1 0": a list of the chooser's kind and a position inside it.
TChoice parseChoice(const TTables& tables, const TTsvRow& row, const std::string& field, TChooser chooser) {
  const std::vector<std::string> parts = base::Split(field, ' ');
  if (parts.size() != 2) DataError(kChoicesFile, row.Line, "expected 'LIST POSITION', found '" + field + "'");
  const TValueList* list = findList(tables, parts[0]);
  if (!list) DataError(kChoicesFile, row.Line, "unknown list '" + parts[0] + "'");
  if (list->Kind != chooser)
    DataError(kChoicesFile, row.Line, "list '" + parts[0] + "' is in the wrong column");
  return {list, ParseInt(kChoicesFile, row, parts[1])};
}

void checkPositions(std::string_view file, const TTsvRow& row, const TPresetChoices& c) {
  for (const TChoice& choice : c.Choices)
    if (choice.Default < 0 || static_cast<size_t>(choice.Default) >= choice.List->Entries.size())
      DataError(file, row.Line,
                "key " + std::to_string(c.Key) + ": position " + std::to_string(choice.Default) +
                    " is outside list " + choice.List->Id);
}
}  // namespace

void LoadValueLists(std::string_view text, TTables& tables) {
  struct TPending {
    std::string Id;
    TChooser Kind;
  };
  std::vector<TPending> pending;
  for (const TTsvRow& row : ReadTsv(text)) {
    if (row.Fields.size() < 2) DataError(kListsFile, row.Line, "a list needs an identifier and entries");
    TPending p{row.Fields[0], TChooser::Size};
    if (!kindOfList(p.Id, p.Kind)) DataError(kListsFile, row.Line, "unknown list identifier '" + p.Id + "'");
    if (std::any_of(pending.begin(), pending.end(), [&](const TPending& q) { return q.Id == p.Id; }))
      DataError(kListsFile, row.Line, "list '" + p.Id + "' given twice");
    pending.push_back(p);
    tables.EntryStore.emplace_back(row.Fields.begin() + 1, row.Fields.end());
  }
  // Spans are taken only once the store stops growing.
  for (size_t i = 0; i < pending.size(); ++i)
    tables.Lists[static_cast<int>(pending[i].Kind)].push_back(
        {pending[i].Id, pending[i].Kind, std::span<const std::string>(tables.EntryStore[i])});
}

void LoadChoices(const TDataTexts& texts, TTables& tables) {
  std::map<int, std::pair<TTsvRow, bool>> own;  // key -> (row, used)
  for (const TTsvRow& row : ReadTsv(texts.ChoicesOwn)) {
    ExpectFields(kOwnFile, row, 1 + kChooserCount);
    const int key = ParseInt(kOwnFile, row, row.Fields[0]);
    if (!own.emplace(key, std::make_pair(row, false)).second)
      DataError(kOwnFile, row.Line, "key " + std::to_string(key) + " given twice");
  }
  std::map<int, int> seen;
  auto add = [&](const TPresetChoices& c, std::string_view file, const TTsvRow& row) {
    checkPositions(file, row, c);
    if (!seen.emplace(c.Key, row.Line).second)
      DataError(file, row.Line, "key " + std::to_string(c.Key) + " given twice");
    tables.Choices.push_back(c);
  };
  for (const TTsvRow& row : ReadTsv(texts.Choices)) {
    ExpectFields(kChoicesFile, row, 2 + kChooserCount);
    TPresetChoices first{};
    std::string keyField = row.Fields[0];
    first.AudioOnly = base::EndsWith(keyField, "*");
    if (first.AudioOnly) keyField = base::Trim(keyField.substr(0, keyField.size() - 1));
    first.Key = ParseInt(kChoicesFile, row, keyField);
    for (int i = 0; i < kChooserCount; ++i)
      first.Choices[i] = parseChoice(tables, row, row.Fields[1 + i], static_cast<TChooser>(i));
    add(first, kChoicesFile, row);
    ++tables.ChoiceRows;
    for (int key : ParseKeyList(kChoicesFile, row, row.Fields[1 + kChooserCount])) {
      auto it = own.find(key);
      if (it == own.end())
        DataError(kChoicesFile, row.Line,
                  "key " + std::to_string(key) + " has no default positions in " + std::string(kOwnFile));
      const TTsvRow& ownRow = it->second.first;
      TPresetChoices c = first;
      c.Key = key;
      for (int i = 0; i < kChooserCount; ++i)
        c.Choices[i].Default = ParseInt(kOwnFile, ownRow, ownRow.Fields[1 + i]);
      it->second.second = true;
      add(c, kOwnFile, ownRow);
    }
  }
  for (const auto& [key, entry] : own)
    if (!entry.second)
      DataError(kOwnFile, entry.first.Line, "key " + std::to_string(key) + " shares no choice row");
  std::sort(tables.Choices.begin(), tables.Choices.end(),
            [](const TPresetChoices& a, const TPresetChoices& b) { return a.Key < b.Key; });
}

}  // namespace catalogue::detail
