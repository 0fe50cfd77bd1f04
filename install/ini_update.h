// Carries the display-test answer and the interface language into the products' INI text.
#ifndef TAVIK_INI_UPDATE_H
#define TAVIK_INI_UPDATE_H

#include <string>

// Returns text with UseBmpFont and ForceLanguage of its "[Config]" section set
// ("0" when display_ok is nonzero, else "1"; force_language in decimal). Only the
// two keys' values change; missing keys are added to "[Config]", and a missing
// "[Config]" is appended. Every other byte of text is kept as it was.
std::string update_config_text(const std::string &text, int display_ok, int force_language);

#endif
