#pragma once

#include "progression/form_main_model.h"

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

// What the progression can be exported as.
enum class TExportFormat : std::uint8_t { MusicXml, MidiFile };

// Path, with the format's usual extension added when its file name has none (the dialogs
// offer it; a name typed without one would otherwise open in nothing).
std::string WithExportExtension(const std::string& Path, TExportFormat Format);

// The whole progression of Form, not only up to the cursor, written to Path all or nothing:
// MusicXML dated today, or a Standard MIDI File in Form's voicing and program. Nothing when it
// was written, else the text to show: the file named, then why it could not be written.
std::optional<std::string> ExportProgression(const TFormMainModel& Form, TExportFormat Format,
                                             const std::string& Path);

// Why a file could not be written, for the person at the computer.
std::string WriteErrorReason(std::error_code Error);
