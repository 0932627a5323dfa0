// The file command list comes from the descriptor: every entry, guard and
// shortcut value must be handled without a crash, in both passes.
#include "fake_memory_platform.h"
#include "file_commands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string list(reinterpret_cast<const char*>(data), size);
    kestrin::fuzzing::FakeMemoryPlatform platform;
    const std::string install = "c:\\program files\\maker\\product";
    platform.folders.insert({"c:\\program files", "c:\\program files\\maker", install, install + "\\docs",
                             "c:\\users", "c:\\users\\public", "c:\\users\\public\\install"});
    platform.files[install + "\\app.exe"] = "app";
    platform.files[install + "\\docs\\a.txt"] = "doc";

    (void)kestrin::ParseFileCommands(list);
    kestrin::RunPreInstallCommands(platform, list);
    kestrin::RunPostCopyCommands(platform, list, install, "c:\\users\\public\\install");
    (void)kestrin::ShortcutBatchText(platform, install, list);
    return 0;
}
