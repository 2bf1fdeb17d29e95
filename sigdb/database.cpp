#include "sigdb/database.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "platform/file_system.h"
#include "platform/io_error.h"
#include "sigdb/scramble.h"

namespace vantric {
namespace {

// Records per read: large enough to be quick, small enough that a failure
// midway keeps what came before.
constexpr std::size_t kRecordsPerRead = 256;

TLangDefinition RecordFromBytes(const char* bytes) {
  TLangDefinition record;
  static_assert(std::is_trivially_copyable_v<TLangDefinition>);
  std::memcpy(&record, bytes, kRecordSize);
  UnscrambleRecord(record);
  return record;
}

constexpr char kNoRegularFile[] = "Not a regular file, not a database file";

// A device or a pipe would read as an empty database, or never end.
void RefuseWhatIsNoFile(const std::string& fileName) {
  switch (KindOfFile(fileName)) {
    case FileKind::kFolder: throw DatabaseError("Is a folder, not a database file");
    case FileKind::kOther: throw DatabaseError(kNoRegularFile);
    default: break;
  }
}

// A database file's size must tell what it holds. Files of the kernel's
// making (/proc/self/mem, /proc/self/status) call themselves regular but give
// a size of 0 whatever they hold: one that reads anything at all, or fails to
// read, past a size of 0 is no database file. A truly empty file reads
// nothing and loads as the empty database it is.
void RefuseUnsizedFile(ReadOnlyFile& file) {
  if (file.Size() == 0) {
    char probe;
    std::size_t got = 1;
    try {
      got = file.ReadAt(0, &probe, 1);
    } catch (const IoError&) {
    }
    if (got != 0) throw DatabaseError(kNoRegularFile);
  }
}

// The whole records in a file of `size` bytes, refused before they take memory.
std::uint64_t CountRecords(std::uint64_t size) {
  const std::uint64_t records = size / kRecordSize;
  if (records > kMostDatabaseRecords) throw DatabaseError("Database too large: more than 1,000,000 records");
  return records;
}

std::string HeaderField(const TLangDefinitionArray& database, std::size_t field) {
  return database.empty() ? std::string() : database.front().fields[field].str();
}

}  // namespace

std::optional<std::string> LocateDatabase(const std::string& fileName) {
  // Anything at the name counts as found, a folder too: loading it then says
  // what is wrong instead of "not found".
  if (KindOfFile(fileName) != FileKind::kMissing) return fileName;
  std::string besideProgram = ProgramDirectory();
  if (!besideProgram.empty()) {
    besideProgram += fileName;
    if (KindOfFile(besideProgram) != FileKind::kMissing) return besideProgram;
  }
  return std::nullopt;
}

void LoadDatabase(const std::string& fileName, TLangDefinitionArray& database, int& count) {
  RefuseWhatIsNoFile(fileName);
  ReadOnlyFile file(fileName);
  RefuseUnsizedFile(file);
  const std::uint64_t records = CountRecords(file.Size());
  const auto total = static_cast<std::size_t>(records);
  database.clear();
  database.reserve(total);  // each record written once, not cleared first
  count = static_cast<int>(records);

  std::string chunk(kRecordsPerRead * kRecordSize, '\0');
  for (std::size_t first = 0; first < total; first += kRecordsPerRead) {
    const std::size_t wanted = std::min(kRecordsPerRead, total - first);
    const std::size_t got = file.Read(chunk.data(), wanted * kRecordSize);
    for (std::size_t i = 0; i < got / kRecordSize; ++i) {
      database.push_back(RecordFromBytes(chunk.data() + i * kRecordSize));
    }
    // The file shrank while we read it.
    if (got < wanted * kRecordSize) throw IoError(kErrorReadBeyondEnd);
  }
  file.Close();
}

std::string ReadDatabaseImage(const std::string& fileName) {
  RefuseWhatIsNoFile(fileName);
  ReadOnlyFile file(fileName);
  RefuseUnsizedFile(file);
  const std::uint64_t size = file.Size();
  CountRecords(size);
  std::string image = ReadWholeFile(file, size);
  file.Close();
  return image;
}

std::optional<std::string> LocateShippedDatabase(const std::string& fileName,
                                                 const std::string& installedFolder) {
  const std::string folders[] = {ProgramDirectory(), installedFolder.empty() ? "" : installedFolder + "/"};
  for (const std::string& folder : folders) {
    if (!folder.empty() && KindOfFile(folder + fileName) != FileKind::kMissing) return folder + fileName;
  }
  return std::nullopt;
}

std::string ShippedDatabaseVersion(const std::string& fileName, const std::string& installedFolder) {
  const std::optional<std::string> path = LocateShippedDatabase(fileName, installedFolder);
  if (!path) return fileName + ": not found";
  try {
    TLangDefinitionArray records;
    int count = 0;
    LoadDatabase(*path, records, count);
    if (records.empty()) return fileName + ": no header, " + *path;
    return fileName + " " + HeaderVersion(records) + " (" + HeaderDate(records) + "), " + *path;
  } catch (const std::exception& error) {
    return fileName + ": " + error.what() + ", " + *path;
  }
}

std::string SerializeDatabase(const TLangDefinitionArray& database) {
  std::string image;
  image.reserve(database.size() * kRecordSize);
  for (TLangDefinition record : database) {
    ScrambleRecord(record);
    image.append(reinterpret_cast<const char*>(&record), kRecordSize);
  }
  return image;
}

TLangDefinitionArray ParseDatabaseImage(std::string_view image) {
  TLangDefinitionArray database;
  database.reserve(image.size() / kRecordSize);
  for (std::size_t offset = 0; offset + kRecordSize <= image.size(); offset += kRecordSize) {
    database.push_back(RecordFromBytes(image.data() + offset));
  }
  return database;
}

std::string HeaderVersion(const TLangDefinitionArray& database) {
  return HeaderField(database, kHeaderVersionField);
}

std::string HeaderDate(const TLangDefinitionArray& database) {
  return HeaderField(database, kHeaderDateField);
}

}  // namespace vantric
