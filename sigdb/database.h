#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "sigdb/lang_definition.h"

namespace vantric {

inline constexpr const char* kCompilerDatabaseName = "vantric.vnt";
inline constexpr const char* kCompressionDatabaseName = "compression.vnt";

// Where the database called `fileName` is: the name as it stands (relative
// names resolve in the current directory), else the same name beside the
// program. Empty when nothing by that name is in either place.
std::optional<std::string> LocateDatabase(const std::string& fileName);

// Where the command-line programs find a shipped database: beside the
// program, then in `installedFolder`. Never the current folder: they run in
// folders of downloads, where a planted database would decide every answer.
std::optional<std::string> LocateShippedDatabase(const std::string& fileName,
                                                 const std::string& installedFolder);

// For --version: "NAME VERSION (DATE), PATH" from the header of the database
// `fileName` found as above, or "NAME: not found" and the like. Raw text:
// escape it for a terminal.
std::string ShippedDatabaseVersion(const std::string& fileName, const std::string& installedFolder);

// More records than any real database holds (ours hold hundreds): a larger
// file is refused before its records take memory.
inline constexpr std::uint64_t kMostDatabaseRecords = 1'000'000;

// A file that is no database: a folder, a device, too many records.
class DatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Fills `database` and `count` from the file: every whole 405-byte record,
// unscrambled; a trailing partial record is ignored. Opens the file
// read-only. Throws IoError, or DatabaseError for what is not a database
// file; a read failure midway leaves `count` and the array at full size,
// with the records not yet read empty.
void LoadDatabase(const std::string& fileName, TLangDefinitionArray& database, int& count);

// The bytes of a database file as they lie on disk, stray bytes after the
// last record included, for tools that check what loading hides. Refuses
// what LoadDatabase refuses, with the same errors, before anything is read;
// throws IoError when a read fails or the file's size changes meanwhile.
std::string ReadDatabaseImage(const std::string& fileName);

// Turns records into file bytes (scrambled), for tools that write databases.
std::string SerializeDatabase(const TLangDefinitionArray& database);
// The inverse, over a file image held in memory.
TLangDefinitionArray ParseDatabaseImage(std::string_view image);

// Signature records: all but the header, never below 0.
inline int PatternCount(int count) { return count > 0 ? count - 1 : 0; }

// Header fields; empty text when the database has no header record.
std::string HeaderVersion(const TLangDefinitionArray& database);
std::string HeaderDate(const TLangDefinitionArray& database);

}  // namespace vantric
