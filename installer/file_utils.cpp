#include "file_utils.h"

#include "text_utils.h"
#include "windows_paths.h"

#include <algorithm>
#include <random>
#include <vector>

namespace kestrin {

std::string ParentFolder(const std::string& path) {
    const std::size_t last = path.find_last_of("\\:");
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

std::string FileNamePart(const std::string& path) {
    const std::size_t last = path.rfind('\\');
    return last == std::string::npos ? path : path.substr(last + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) { return folder + "\\" + name; }

bool CreateFolderTree(Platform& platform, const std::string& folder) {
    std::string path = folder;
    const std::size_t root = RootLength(path);
    while (path.size() > std::max<std::size_t>(root, 1) && path.back() == '\\') path.pop_back();
    if (path.empty()) return false;
    if (platform.FolderExists(path)) return true;
    // A missing drive or share cannot be made, and walking on from it would
    // turn "Q:" into "Q", a folder in the current folder.
    if (path.size() <= root) return false;
    const std::string parent = ParentFolder(path);
    if (parent.size() > root && !platform.FolderExists(parent)) CreateFolderTree(platform, parent);
    platform.CreateFolder(path);
    return platform.FolderExists(path);
}

BlobWrite WriteBlobToFile(Platform& platform, Blob& piece, const std::string& path) {
    auto file = platform.Open(path, FileOpen::CreateAlways, FileShare::All);
    if (!file) {
        piece.Clear();
        return BlobWrite::WriteFailed;
    }
    bool written = file->Resize(piece.Size()) && file->Seek(0);
    bool readFailed = false;
    if (const auto& slice = piece.Slice()) {
        if (written) {
            const CopyResult copy = slice->file->Seek(slice->offset)
                                        ? platform.CopyBytes(*slice->file, *file, slice->length)
                                        : CopyResult{0, true};
            readFailed = copy.sourceFailed;
            written = copy.copied == slice->length;
        }
    } else {
        auto& chunks = piece.Chunks();
        for (std::size_t i = 0; i < chunks.size(); ++i) {
            const unsigned char* data = chunks[i].data.get();
            std::size_t left = chunks[i].size;
            while (written && left > 0) {
                const std::size_t part = std::min(left, kMaxWriteChunk);
                const auto put = file->Write(data, part);
                written = put && *put == part;
                data += part;
                left -= part;
            }
            // Give the memory back as soon as the bytes are on their way to disk.
            piece.ReleaseChunk(i);
        }
    }
    piece.Clear();
    written = written && !readFailed && file->Flush();
    file.reset();
    if (written) return BlobWrite::Written;
    // The file was pre-sized: what was not written is zeros, not the piece.
    ForceDeleteFile(platform, path);
    return readFailed ? BlobWrite::ReadFailed : BlobWrite::WriteFailed;
}

bool CopyFileBlocks(Platform& platform, const std::string& source, const std::string& destination) {
    const std::size_t dot = source.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : source.substr(dot);
    // These data files are kept open for writing by their own programs while
    // they run; copying them must still be possible.
    const bool shareAll = EqualsIgnoreCase(extension, ".TDD") || EqualsIgnoreCase(extension, ".TRQ");
    auto in = platform.Open(source, FileOpen::ReadExisting, shareAll ? FileShare::All : FileShare::ReadOnly);
    if (!in) return false;
    auto out = platform.Open(destination, FileOpen::CreateAlways, FileShare::ReadOnly);
    if (!out) return false;

    std::vector<unsigned char> block(kCopyBlockSize);
    bool ok = true;
    for (;;) {
        const auto got = in->Read(block.data(), block.size());
        if (!got) {
            ok = false;  // a read error is a failed copy, not a short file
            break;
        }
        if (*got > 0) {
            const auto written = out->Write(block.data(), *got);
            if (!written || *written != *got) {
                ok = false;
                break;
            }
        }
        if (*got < block.size()) break;
    }
    in.reset();
    out.reset();
    if (!ok) ForceDeleteFile(platform, destination);
    return ok;
}

bool IsLink(Platform& platform, const std::string& path) {
    const auto attributes = platform.Attributes(path);
    return attributes && (*attributes & kAttributeReparsePoint) != 0;
}

void RemoveLink(Platform& platform, const std::string& path) {
    const auto attributes = platform.Attributes(path);
    if (!attributes) return;
    // RemoveDirectoryW takes a link to a folder away, DeleteFileW a link to a
    // file; neither touches what the link points to.
    if (*attributes & kAttributeDirectory) platform.RemoveFolder(path);
    else platform.RemoveFile(path);
}

namespace {
bool CopyFolderContents(Platform& platform, const std::string& source, const std::string& destination) {
    if (!CreateFolderTree(platform, destination)) return false;
    const auto entries = platform.ListFolder(source);
    if (!entries) return false;
    for (const FolderEntry& entry : *entries) {
        if (entry.name == "." || entry.name == "..") continue;
        // A link is not followed: it may lead anywhere, the copy itself included.
        if (entry.IsLink()) continue;
        const std::string from = JoinPath(source, entry.name);
        const std::string to = JoinPath(destination, entry.name);
        const bool copied =
            entry.isDirectory ? CopyFolderContents(platform, from, to) : CopyFileBlocks(platform, from, to);
        if (!copied) return false;
    }
    return true;
}
}  // namespace

bool CopyFolderTree(Platform& platform, const std::string& source, const std::string& destination) {
    // A destination inside the source would be copied into itself without
    // end. The full paths are compared, so "\\", "." and "..", "/" and short
    // names cannot disguise it.
    const auto from = platform.FullPathName(source);
    const auto to = platform.FullPathName(destination);
    if (!from || !to || IsSameOrInside(*to, *from)) return false;
    return CopyFolderContents(platform, source, destination);
}

void DeleteFolderFiles(Platform& platform, const std::string& folder) {
    if (IsLink(platform, folder)) return RemoveLink(platform, folder);
    if (const auto entries = platform.ListFolder(folder)) {
        for (const FolderEntry& entry : *entries) {
            if (entry.name == "." || entry.name == ".." || entry.isDirectory) continue;
            platform.RemoveFile(JoinPath(folder, entry.name));
        }
    }
    platform.RemoveFolder(folder);
}

void DeleteTree(Platform& platform, const std::string& folder) {
    // The installer runs elevated in folders ordinary users can create: a
    // link planted there must never turn the clean-up on its target.
    if (IsLink(platform, folder)) return RemoveLink(platform, folder);
    if (const auto entries = platform.ListFolder(folder)) {
        for (const FolderEntry& entry : *entries) {
            if (entry.name == "." || entry.name == "..") continue;
            const std::string path = JoinPath(folder, entry.name);
            if (entry.IsLink()) RemoveLink(platform, path);
            else if (entry.isDirectory) DeleteTree(platform, path);
            else ForceDeleteFile(platform, path);
        }
    }
    platform.RemoveFolder(folder);
}

void ForceDeleteFile(Platform& platform, const std::string& file) {
    if (!platform.FileExists(file)) return;
    if (platform.RemoveFile(file) || !platform.FileExists(file)) return;
    // DeleteFileW refuses read-only files; the attribute is no reason to keep one.
    const auto attributes = platform.Attributes(file);
    if (attributes && (*attributes & kAttributeReadOnly) &&
        platform.SetAttributes(file, *attributes & ~kAttributeReadOnly) && platform.RemoveFile(file))
        return;
    // A running program cannot be deleted, but it can usually be renamed out
    // of the way so that its old name is free again.
    static std::minstd_rand generator(std::random_device{}());
    std::uniform_int_distribution<int> number(0, 998);
    std::string name = "X";
    name += std::to_string(number(generator));
    name += ".txt";
    const std::string renamed = JoinPath(ParentFolder(file), name);
    if (platform.RenameFile(file, renamed)) platform.RemoveFile(renamed);
}

}  // namespace kestrin
