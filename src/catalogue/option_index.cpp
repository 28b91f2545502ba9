// The option index string of a job row: six two-character chooser positions.
#include "catalogue/catalogue.h"

namespace catalogue {

namespace {
constexpr size_t kPairs = kChooserCount;
constexpr size_t kLength = 2 * kPairs;

std::string pairText(int position) {
  if (position < 0 || position > 99) return "-1";  // no selection
  return {static_cast<char>('0' + position / 10), static_cast<char>('0' + position % 10)};
}

std::optional<int> pairValue(std::string_view pair) {
  if (pair == "-1") return -1;
  if (pair.size() != 2 || pair[0] < '0' || pair[0] > '9' || pair[1] < '0' || pair[1] > '9')
    return std::nullopt;
  return (pair[0] - '0') * 10 + (pair[1] - '0');
}
}  // namespace

int OptionPairIndex(TChooser chooser) {
  // Stored order: size, video bit rate, audio bit rate, aspect, frame rate, sample rate.
  switch (chooser) {
    case TChooser::Size:
      return 0;
    case TChooser::VideoBitrate:
      return 1;
    case TChooser::AudioBitrate:
      return 2;
    case TChooser::Aspect:
      return 3;
    case TChooser::FrameRate:
      return 4;
    case TChooser::SampleRate:
      return 5;
  }
  return 0;
}

std::string FormatOptionIndexString(const TOptionPositions& positions) {
  std::string text(kLength, '0');
  for (TChooser c : kChooserFillOrder)
    text.replace(2 * OptionPairIndex(c), 2, pairText(positions[static_cast<int>(c)]));
  return text;
}

TOptionPositions DefaultPositions(const TPresetChoices& choices) {
  TOptionPositions positions{};
  for (int i = 0; i < kChooserCount; ++i) positions[i] = choices.Choices[i].Default;
  return positions;
}

std::optional<TOptionPositions> ParseOptionIndexString(std::string_view text) {
  if (text.size() != kLength) return std::nullopt;
  TOptionPositions positions{};
  for (TChooser c : kChooserFillOrder) {
    const std::optional<int> v = pairValue(text.substr(2 * OptionPairIndex(c), 2));
    if (!v) return std::nullopt;
    positions[static_cast<int>(c)] = *v;
  }
  return positions;
}

std::string ReplaceOptionPair(std::string_view text, TChooser chooser, int position) {
  std::string result(text);
  if (result.size() < kLength) result.append(kLength - result.size(), '0');
  result.replace(2 * OptionPairIndex(chooser), 2, pairText(position));
  return result;
}

}  // namespace catalogue
