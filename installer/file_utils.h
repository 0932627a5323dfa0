// File and folder utilities the installer procedures rest on. They fail
// silently unless their result says otherwise; every handle is closed before
// they return.
#pragma once

#include "payload.h"
#include "platform.h"

#include <string>

namespace kestrin {

inline constexpr std::size_t kCopyBlockSize = 8192;
inline constexpr std::size_t kMaxWriteChunk = 100'000'000;

// The path up to its last "\" (or ":"), without that character; "" when it
// has neither. Long paths are handled whole.
std::string ParentFolder(const std::string& path);
// The text after the last "\" of the path.
std::string FileNamePart(const std::string& path);
// folder + "\" + name
std::string JoinPath(const std::string& folder, const std::string& name);
// Creates the folder and any missing parents; true when it exists afterwards.
// The walk up stops at the drive or share root: a missing drive or share is
// not made, nor a folder named after it in the current folder.
bool CreateFolderTree(Platform& platform, const std::string& folder);
enum class BlobWrite {
    Written,
    ReadFailed,   // the piece could not be read from the installer's file
    WriteFailed,  // the file could not be created or written whole
};
// Writes the piece to a new file (replacing any), pre-sized, in chunks of at
// most 100,000,000 bytes, releasing each chunk once written, then flushes. The
// piece is empty afterwards whatever happened. A file that could not be
// written whole is removed again, so nothing is ever started from a partial
// piece; the caller decides whether to report it.
BlobWrite WriteBlobToFile(Platform& platform, Blob& piece, const std::string& path);
// Copies a file in 8,192-byte blocks. The source is shared for reading only,
// except ".TDD" and ".TRQ" files which are opened without restriction. A short
// write or a read error removes the partial destination. True on success.
bool CopyFileBlocks(Platform& platform, const std::string& source, const std::string& destination);
// Copies a folder tree; the first failure stops the walk and gives false.
// Links inside the source are not followed (nor copied), and a destination
// that is the source or lies inside it is refused.
bool CopyFolderTree(Platform& platform, const std::string& source, const std::string& destination);
// Deletes the files directly in the folder, then the folder if that left it
// empty. A folder that is a link loses the link only.
void DeleteFolderFiles(Platform& platform, const std::string& folder);
// Deletes the folder with everything in it, as far as the system lets it.
// Links (junctions, symbolic links) are removed themselves, never followed.
void DeleteTree(Platform& platform, const std::string& folder);
// True when the path is a junction or symbolic link (a reparse point).
bool IsLink(Platform& platform, const std::string& path);
// Removes the link at `path` itself, whether it points to a folder or a file.
void RemoveLink(Platform& platform, const std::string& path);
// Deletes a file, read-only or not; a file the system will not delete (a
// running program) is renamed to "X<n>.txt" in the same folder and the
// renamed file deleted.
void ForceDeleteFile(Platform& platform, const std::string& file);

}  // namespace kestrin
