// Descriptor text from an installer file: hex decoding, UTF-16 to UTF-8,
// splitting into fields and the label list.
#include "descriptor.h"
#include "text_utils.h"

#include <cstdlib>

namespace {
std::string Join(const std::vector<std::string>& fields, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) text += separator;
        text += fields[i];
    }
    return text;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto decoded = kestrin::DecodeDescriptor(input);
    // Plain text is split too, so the splitting sees inputs that do not decode.
    const std::string text = decoded ? kestrin::Utf16ToUtf8(*decoded) : std::string(input);

    const auto fields = kestrin::SplitFields(text, kestrin::kFieldSeparator);
    if (Join(fields, kestrin::kFieldSeparator) != text) std::abort();  // splitting loses nothing
    for (std::size_t n = 0; n <= fields.size() + 1 && n < 40; ++n) {
        const std::string field = kestrin::NthField(text, kestrin::kFieldSeparator, n);
        if (n >= 1 && n <= fields.size() && field != fields[n - 1]) std::abort();
        if ((n == 0 || n > fields.size()) && !field.empty()) std::abort();
    }
    const std::string labels = fields.size() > kestrin::kLabelsField ? fields[kestrin::kLabelsField] : text;
    const auto labelList = kestrin::SplitFields(labels, "|");
    for (std::size_t i = 0; i < 20; ++i)
        (void)kestrin::LabelOr("default", i < labelList.size() ? labelList[i] : std::string());
    (void)kestrin::ParseAlreadyInstalled(fields.size() > 28 ? fields[28] : text);

    // UTF-8 produced from any UTF-16 must survive the way back unchanged.
    const std::string again = kestrin::Utf16ToUtf8(kestrin::Utf8ToUtf16(text));
    if (decoded && again != text) std::abort();
    return 0;
}
