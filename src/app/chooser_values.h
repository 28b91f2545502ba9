#pragma once
// How a parameter chooser's shown entry becomes its working field, and which job-row column that
// field is written to.
#include <string>
#include <string_view>

#include "app/working_fields.h"
#include "catalogue/catalogue.h"

namespace app {

// Derives the entry's value and stores it in the chooser's working field.
void StoreChooserValue(catalogue::TChooser AChooser, std::string_view AEntry, TWorkingFields& AFields);
// The chooser's working field as the row text (bit rates in decimal).
std::string ChooserFieldText(catalogue::TChooser AChooser, const TWorkingFields& AFields);
// The job-row column of the chooser's value: 16 size, 17 video bit rate, 18 frame rate, 19 audio bit
// rate, 20 sample rate, 21 aspect.
int ChooserValueColumn(catalogue::TChooser AChooser);

}  // namespace app
