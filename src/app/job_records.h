#pragma once
// The job's records built without a window, exactly as the main window builds them when it adds a
// file: the preset's encoding defaults, then the six parameter choosers read at the given positions,
// then the output record filled from the working fields. vornel-cli and the preset tests use this.
#include <optional>
#include <string>

#include "app/working_fields.h"
#include "catalogue/catalogue.h"
#include "engine/records/options_records.h"

namespace app {

// Chooser positions indexed by static_cast<int>(catalogue::TChooser); -1 takes the preset's default.
using TChooserPositions = catalogue::TOptionPositions;
inline constexpr TChooserPositions kDefaultPositions = {-1, -1, -1, -1, -1, -1};

// The working fields a preset key and six chooser positions yield (output name left empty).
// std::nullopt with a reason in *AError for an unknown key or a position outside its list.
std::optional<TWorkingFields> WorkingFieldsForPreset(int APresetKey,
                                                     const TChooserPositions& APositions = kDefaultPositions,
                                                     std::string* AError = nullptr);

// Applies a preset's encoding defaults to the working fields (the reset first; Video_AddFileName and
// the output name are left alone). False for an unknown key.
bool ApplyPresetDefaults(int APresetKey, TWorkingFields& AFields);

// Fills an output record from the working fields, as a job is added: "libx264" also gets the encoder
// preset "libx264-default"; "AUTO", empty text and the no-bit-rate markers leave the defaults.
// AOptions is reset first; its FileName becomes AOutputFileName.
void FillOutputOptions(const TWorkingFields& AFields, const std::string& AOutputFileName,
                       engine::TOutputOptions& AOptions);

}  // namespace app
