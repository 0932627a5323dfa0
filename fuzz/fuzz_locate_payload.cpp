// The installer's own file is untrusted: any bytes must give a payload whose
// pieces lie inside the file, or none, and start-up must survive it.
#include "fake_memory_platform.h"
#include "main_dlg.h"
#include "payload.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestrin::fuzzing::FakeMemoryPlatform platform;
    platform.files[platform.Key(platform.ownPath)] = std::string(reinterpret_cast<const char*>(data), size);

    const kestrin::LocatedPayload payload = kestrin::LocatePayload(platform, platform.ownPath);
    std::uint64_t total = 0;
    for (const kestrin::Blob& piece : payload.pieces) total += piece.Size();
    if (total > size) std::abort();  // pieces can only come from the file itself

    kestrin::TMainDlg dialog(platform);
    dialog.FormCreate();
    (void)dialog.View();
    dialog.InfoBtnClick();
    dialog.InstallBtnClick();
    return 0;
}
