// ShowNotes: how the long texts of the descriptor are shown.
#pragma once

#include "platform.h"

#include <string>
#include <vector>

namespace kestrin {

// Below this many characters the plain dialog is shown in its compact form.
inline constexpr std::size_t kCompactNotesLimit = 500;

// Nothing is shown for an empty text, which counts as accepted. A text that
// contains "<HTML>" (exactly so) goes to the HTML dialog. Ask mode offers
// Continue and Quit (labels 2 and 0); view mode one button (label 8).
// Gives true exactly when the user chose Continue.
bool ShowNotes(Platform& platform, const std::vector<std::string>& labels, const std::string& title,
               const std::string& text, bool ask);

}  // namespace kestrin
