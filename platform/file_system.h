#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace vantric {

// True when `path` names an existing file that is not a directory. The path is
// taken literally: wildcard characters are never expanded, and the file's
// timestamps play no part. Every "does this file exist" question goes here.
bool FileExists(const std::string& path);

// The folder holding the running program, with a trailing separator; empty
// when the platform can't tell.
std::string ProgramDirectory();

// The separator this platform puts between a folder and a name.
char PathSeparator();

// A read-only memory mapping of a file's first bytes; unmapped when it goes.
class MappedBytes {
 public:
  MappedBytes(const void* address, std::size_t size);
  ~MappedBytes();
  MappedBytes(MappedBytes&& other) noexcept;
  MappedBytes& operator=(MappedBytes&&) = delete;
  MappedBytes(const MappedBytes&) = delete;

  std::span<const std::uint8_t> bytes() const { return {static_cast<const std::uint8_t*>(address_), size_}; }

 private:
  const void* address_;
  std::size_t size_;
};

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
  // Maps the first `size` bytes (at least 1) read-only.
  MappedBytes Map(std::size_t size) const;
  // Closes now, reporting a failure; the destructor closes silently otherwise.
  void Close();

 private:
  struct Handle;
  std::unique_ptr<Handle> handle_;
};

}  // namespace vantric
