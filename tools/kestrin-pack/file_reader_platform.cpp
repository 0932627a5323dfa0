#include "file_reader_platform.h"

#include <filesystem>
#include <fstream>

namespace kestrin::pack {

namespace {

class ReadOnlyFile final : public PlatformFile {
public:
    explicit ReadOnlyFile(const std::filesystem::path& path) : fIn(path, std::ios::binary) {}
    bool IsOpen() const { return fIn.is_open(); }

    std::optional<std::size_t> Read(void* buffer, std::size_t size) override {
        fIn.read(static_cast<char*>(buffer), static_cast<std::streamsize>(size));
        if (fIn.bad()) return std::nullopt;
        const auto got = static_cast<std::size_t>(fIn.gcount());
        fIn.clear();  // a short read at the end is not an error
        return got;
    }
    std::optional<std::size_t> Write(const void*, std::size_t) override { return std::nullopt; }
    bool Seek(std::uint64_t offset) override {
        fIn.clear();
        fIn.seekg(static_cast<std::streamoff>(offset));
        return static_cast<bool>(fIn);
    }
    std::optional<std::uint64_t> Size() override {
        fIn.clear();
        const auto here = fIn.tellg();
        fIn.seekg(0, std::ios::end);
        const auto end = fIn.tellg();
        fIn.seekg(here);
        if (end < 0 || !fIn) return std::nullopt;
        return static_cast<std::uint64_t>(end);
    }
    bool Resize(std::uint64_t) override { return false; }
    bool Flush() override { return false; }

private:
    std::ifstream fIn;
};

}  // namespace

std::unique_ptr<PlatformFile> FileReaderPlatform::Open(const std::string& path, FileOpen mode, FileShare) {
    if (mode != FileOpen::ReadExisting || !FileExists(path)) return nullptr;
    auto file = std::make_unique<ReadOnlyFile>(std::filesystem::path(path));
    if (!file->IsOpen()) return nullptr;
    return file;
}

bool FileReaderPlatform::FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(path), error);
}

bool FileReaderPlatform::FolderExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::path(path), error);
}

std::optional<std::uint32_t> FileReaderPlatform::Attributes(const std::string& path) {
    if (FileExists(path)) return kAttributeArchive;
    if (FolderExists(path)) return kAttributeDirectory;
    return std::nullopt;
}

}  // namespace kestrin::pack
