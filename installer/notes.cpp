#include "notes.h"

#include "descriptor.h"
#include "text_utils.h"

namespace kestrin {

namespace {
std::string LabelAt(const std::vector<std::string>& labels, std::size_t index) {
    return index < labels.size() ? labels[index] : std::string();
}
}  // namespace

bool ShowNotes(Platform& platform, const std::vector<std::string>& labels, const std::string& title,
               const std::string& text, bool ask) {
    if (text.empty()) return true;
    NotesRequest request;
    request.title = title;
    request.text = text;
    request.html = text.find("<HTML>") != std::string::npos;
    request.ask = ask;
    // Length as Windows counts characters (UTF-16 units), not UTF-8 bytes.
    request.compact = !request.html && Utf8ToUtf16(text).size() < kCompactNotesLimit;
    if (ask) {
        request.continueCaption = LabelOr("Continue", LabelAt(labels, 2));
        request.quitCaption = LabelOr("Quit", LabelAt(labels, 0));
    } else {
        request.closeCaption = LabelOr("OK", LabelAt(labels, 8));
    }
    const bool continued = platform.ShowNotesDialog(request);
    return ask && continued;
}

}  // namespace kestrin
