#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vantric {

// True when `path` names an existing file that is not a directory. The path is
// taken literally: wildcard characters are never expanded, and the file's
// timestamps play no part. Every "does this file exist" question goes here.
bool FileExists(const std::string& path);

// What a path names, links followed. Loaders that must read a plain file ask
// this first so that a folder or a device gets its own message.
enum class FileKind { kMissing, kRegular, kFolder, kOther };
FileKind KindOfFile(const std::string& path);

// The characters that end a folder name in a path: "/" here, and on Windows
// "\\" and the ":" after a drive letter as well.
std::string_view PathSeparators();

// The full path of the running program's file; empty when the platform can't
// tell.
std::string RunningProgramPath();

// The folder holding the running program, with a trailing separator; empty
// when the platform can't tell.
std::string ProgramDirectory();

// Between std::filesystem paths and the UTF-8 strings the file functions here
// take (on POSIX, the bytes as they are). Empty for a Windows name that has
// no UTF-8 form (a lone surrogate).
std::optional<std::string> NarrowPath(const std::filesystem::path& path);
std::filesystem::path WidePath(const std::string& path);

// A file opened for reading only (others may read and write it meanwhile).
// Every failure throws IoError with the platform's error code.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  std::uint64_t Size() const;
  // Reads up to `count` bytes; returns fewer only at the end of the file.
  std::size_t Read(void* buffer, std::size_t count);
  // Reads up to `count` bytes from `offset`, whatever Read has consumed, and
  // leaves the position Read goes on from where it was. Returns fewer only at
  // the end of the file (none from an offset past it).
  std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count);
  // Closes now, reporting a failure; the destructor closes silently otherwise.
  void Close();

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
};

// The whole of `file`, which held `size` bytes when the caller took its
// Size() and checked it against a limit of its own. The file must still hold
// exactly that many: IoError kErrorReadBeyondEnd when it ends sooner,
// kErrorFileChanged when it goes on. std::bad_alloc when the bytes can't be
// held.
std::string ReadWholeFile(ReadOnlyFile& file, std::uint64_t size);

}  // namespace vantric
