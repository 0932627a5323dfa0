#include "descriptor.h"

#include "text_utils.h"

#include <algorithm>
#include <charconv>

namespace kestrin {

const std::array<std::string_view, kDescriptorFieldCount> kDescriptorFieldNames = {
    "Timestamp",        "PostInstallExeName", "Reserved2",          "PreInstallExeName",
    "CenterMessage",    "Reserved5",          "Agreement",          "Message",
    "URLActual",        "URLDisplayed",       "Info",               "Labels",
    "ManufacturerFolder", "OutputFolder",     "Copyright",          "WindowTitle",
    "Shortcuts",        "MinOS",              "MinRAM",             "CompletionURL",
    "PreNotes",         "PostNotes",          "32Bit",              "PostCopy",
    "Windows7",         "Windows8",           "Windows10",          "ExternalMSI",
    "AlreadyInstalled", "ProductGuid",        "UninstallButton",    "AutoUninstall",
    "PreUninstallExeName", "Reserved33",      "SuppressConfirm",    "ProgressScreen",
};

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::optional<std::u16string> DecodeDescriptor(std::string_view hex) {
    for (char c : hex)
        if (HexValue(c) < 0) return std::nullopt;
    const std::size_t byteCount = hex.size() / 2;
    std::u16string text;
    text.reserve(byteCount / 2);
    for (std::size_t j = 0; j + 1 < byteCount; j += 2) {
        const int low = HexValue(hex[2 * j]) * 16 + HexValue(hex[2 * j + 1]);
        const int high = HexValue(hex[2 * j + 2]) * 16 + HexValue(hex[2 * j + 3]);
        text.push_back(static_cast<char16_t>(low + 256 * high));
    }
    return text;
}

std::string EncodeDescriptor(std::string_view utf8Text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const std::u16string units = Utf8ToUtf16(utf8Text);
    std::string hex;
    hex.reserve(units.size() * 4);
    for (char16_t unit : units) {
        const unsigned low = unit & 0xFFu;
        const unsigned high = (unit >> 8) & 0xFFu;
        hex.push_back(kDigits[low >> 4]);
        hex.push_back(kDigits[low & 15]);
        hex.push_back(kDigits[high >> 4]);
        hex.push_back(kDigits[high & 15]);
    }
    return hex;
}

std::vector<std::string> SplitFields(std::string_view text, std::string_view separator) {
    std::vector<std::string> fields;
    if (text.empty()) return fields;
    if (separator.empty()) {
        fields.emplace_back(text);
        return fields;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t hit = text.find(separator, start);
        if (hit == std::string_view::npos) break;
        fields.emplace_back(text.substr(start, hit - start));
        start = hit + separator.size();
    }
    fields.emplace_back(text.substr(start));
    return fields;
}

std::string NthField(std::string_view text, std::string_view separator, std::size_t n) {
    if (n == 0 || text.empty()) return {};
    if (separator.empty()) return n == 1 ? std::string(text) : std::string();
    std::size_t start = 0;
    for (std::size_t field = 1;; ++field) {
        const std::size_t hit = text.find(separator, start);
        if (field == n) return std::string(text.substr(start, hit == std::string_view::npos ? hit : hit - start));
        if (hit == std::string_view::npos) return {};
        start = hit + separator.size();
    }
}

std::string LabelOr(const std::string& defaultText, const std::string& override) {
    return override.empty() ? defaultText : override;
}

std::optional<std::int32_t> ParseDecimalInt32(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    if (text.empty()) return std::nullopt;
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool IsWholeNumber(std::string_view text) {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<std::int32_t> ParseAlreadyInstalled(std::string_view text) {
    if (!IsWholeNumber(text)) return std::nullopt;
    return ParseDecimalInt32(text).value_or(0);
}

}  // namespace kestrin
