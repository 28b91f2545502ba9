#pragma once
// The text forms of AddTask / AddInputFile / SetOutputFile: "name=value" lines, some of which set record
// fields directly, the rest carried on as the record's ExtOptions.
#include <string>

#include "engine/records/options_records.h"

namespace engine {

// A 64-bit decimal number, or kNoTime when the text is not one.
int64_t TimeFromText(const std::string& AText);

// "TimeStart" (any case) sets TimeStart; every other line is appended to ExtOptions as "name=value\n".
void InputOptionsFromLines(const std::string& AExtOptions, TInputOptions& AOptions);
// "Hook"/"CustomHook" set CustomHook, "Join" sets Join (values not looked at), "TimeStart"/"TimeLength"
// set those fields; every other line is appended to ExtOptions.
void OutputOptionsFromLines(const std::string& AExtOptions, TOutputOptions& AOptions);

}  // namespace engine
