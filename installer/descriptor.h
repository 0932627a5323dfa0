// The descriptor: hex-encoded UTF-16LE text of 36 fields separated by "$$$",
// and the small text operations the installer applies to it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin {

inline constexpr std::size_t kDescriptorFieldCount = 36;
inline constexpr std::string_view kFieldSeparator = "$$$";

// Field names by position, without the "f" prefix; reserved positions are
// named "Reserved<N>".
extern const std::array<std::string_view, kDescriptorFieldCount> kDescriptorFieldNames;

enum DescriptorField : std::size_t {
    kTimestampField = 0,
    kPostInstallExeNameField = 1,
    kPreInstallExeNameField = 3,
    kCenterMessageField = 4,
    kAgreementField = 6,
    kMessageField = 7,
    kURLActualField = 8,
    kURLDisplayedField = 9,
    kInfoField = 10,
    kLabelsField = 11,
    kManufacturerFolderField = 12,
    kOutputFolderField = 13,
    kCopyrightField = 14,
    kWindowTitleField = 15,
    kShortcutsField = 16,
    kMinOSField = 17,
    kMinRAMField = 18,
    kCompletionURLField = 19,
    kPreNotesField = 20,
    kPostNotesField = 21,
    k32BitField = 22,
    kPostCopyField = 23,
    kWindows7Field = 24,
    kWindows8Field = 25,
    kWindows10Field = 26,
    kExternalMSIField = 27,
    kAlreadyInstalledField = 28,
    kProductGuidField = 29,
    kUninstallButtonField = 30,
    kAutoUninstallField = 31,
    kPreUninstallExeNameField = 32,
    kSuppressConfirmField = 34,
    kProgressScreenField = 35,
};

// Hex digits ("0"-"9", "A"-"F", high nibble first) to UTF-16LE code units.
// A trailing odd digit and a trailing odd byte are ignored. Any other
// character makes the whole descriptor invalid: nullopt.
std::optional<std::u16string> DecodeDescriptor(std::string_view hex);
// The reverse, for the packer: UTF-8 text to uppercase hex of its UTF-16LE form.
std::string EncodeDescriptor(std::string_view utf8Text);

// Splits at non-overlapping occurrences of `separator`, scanning from the
// left; an empty text has no fields, empty fields between separators count.
std::vector<std::string> SplitFields(std::string_view text, std::string_view separator);
// Field n counting from 1, or "" when the text has fewer fields.
std::string NthField(std::string_view text, std::string_view separator, std::size_t n);
// The override when it is non-empty, else the default.
std::string LabelOr(const std::string& defaultText, const std::string& override);
// A flag is true exactly when its text is "1".
inline bool IsFlag(std::string_view text) { return text == "1"; }
// A whole decimal number with optional sign that fits in 32 bits.
std::optional<std::int32_t> ParseDecimalInt32(std::string_view text);
// Decimal digits with an optional sign, of any size.
bool IsWholeNumber(std::string_view text);
// The AlreadyInstalled policy: nullopt when the text is not a whole number.
// Only 1 (ask) and 2 (refuse) mean anything, so a number beyond 32 bits,
// being neither, is 0 (proceed).
std::optional<std::int32_t> ParseAlreadyInstalled(std::string_view text);

}  // namespace kestrin
