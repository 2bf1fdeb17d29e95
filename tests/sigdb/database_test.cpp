#include "sigdb/database.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "platform/file_system.h"
#include "platform/io_error.h"
#include "sigdb/scramble.h"
#include "tests/support/temp_dir.h"

namespace vantric {
namespace {

using testing::TempDir;

TLangDefinition Record(std::string_view f0, std::string_view f1 = {}, std::string_view f2 = {},
                       std::string_view f3 = {}, std::string_view f4 = {}) {
  TLangDefinition record;
  std::string_view texts[] = {f0, f1, f2, f3, f4};
  for (std::size_t i = 0; i < 5; ++i) record.fields[i].assign(texts[i]);
  return record;
}

TEST(Scrambling, EveryByteValueRoundTrips) {
  for (int plain = 0; plain < 256; ++plain) {
    auto byte = static_cast<std::uint8_t>(plain);
    EXPECT_EQ(UnscrambleByte(ScrambleByte(byte)), byte);
    EXPECT_EQ(ScrambleByte(UnscrambleByte(byte)), byte);
  }
  // The stored form of 'A': (0x41 - 0x1B) ^ 0x6B.
  EXPECT_EQ(UnscrambleByte(0x4D), 'A');
}

// Builds one record's bytes by hand: plain length bytes, scrambled characters.
std::string RawRecord(std::initializer_list<std::string_view> fields, std::uint8_t firstLength = 0xFF) {
  std::string bytes(kRecordSize, '\x77');  // junk past each length must not matter
  std::size_t index = 0;
  for (std::string_view text : fields) {
    std::size_t offset = index * 81;
    bytes[offset] = static_cast<char>(index == 0 && firstLength != 0xFF ? firstLength : text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
      bytes[offset + 1 + i] = static_cast<char>(ScrambleByte(static_cast<std::uint8_t>(text[i])));
    }
    ++index;
  }
  return bytes;
}

class LoadDatabaseTest : public ::testing::Test {
 protected:
  TLangDefinitionArray Load(const std::string& file) {
    TLangDefinitionArray database;
    LoadDatabase(file, database, count_);
    EXPECT_EQ(static_cast<int>(database.size()), count_);
    return database;
  }
  TempDir dir_;
  int count_ = -1;
};

TEST_F(LoadDatabaseTest, ReadsFieldsAtTheirOffsetsAndUnscramblesThem) {
  std::string bytes = RawRecord({"1.02", "2026-12-08", "", "", ""}) +
                      RawRecord({std::string_view("MZ\0\x90", 4), "C++", "Compiler", "Maker", "http://x"}) +
                      RawRecord({"", "", "", "", ""});
  auto database = Load(dir_.Write("db.vnt", bytes));
  ASSERT_EQ(count_, 3);
  EXPECT_EQ(PatternCount(count_), 2);
  EXPECT_EQ(HeaderVersion(database), "1.02");
  EXPECT_EQ(HeaderDate(database), "2026-12-08");
  // A zero byte inside a pattern survives; the length, not a terminator, ends it.
  EXPECT_EQ(database[1].fields[0].str(), std::string("MZ\0\x90", 4));
  EXPECT_EQ(database[1].fields[4].str(), "http://x");
  EXPECT_EQ(database[2].fields[0].str(), "");
}

TEST_F(LoadDatabaseTest, CountsWholeRecordsOnly) {
  std::string twoAndStray = RawRecord({"v", "d"}) + RawRecord({"p"}) + "1234567";
  Load(dir_.Write("stray.vnt", twoAndStray));
  EXPECT_EQ(count_, 2);
  EXPECT_EQ(PatternCount(count_), 1);

  auto empty = Load(dir_.Write("empty.vnt", ""));
  EXPECT_EQ(count_, 0);
  EXPECT_EQ(PatternCount(count_), 0);
  EXPECT_EQ(HeaderVersion(empty), "");  // no header record: empty text, no fault

  TLangDefinitionArray thousand(1000, Record("pattern", "lang"));
  Load(dir_.Write("big.vnt", SerializeDatabase(thousand)));
  EXPECT_EQ(count_, 1000);
  EXPECT_EQ(PatternCount(count_), 999);
}

TEST_F(LoadDatabaseTest, LengthAbove80IsCutTo80) {
  std::string record = RawRecord({std::string(80, 'x')}, /*firstLength=*/200);
  auto database = Load(dir_.Write("long.vnt", record));
  EXPECT_EQ(database[0].fields[0].length, 80);
  EXPECT_EQ(database[0].fields[0].str(), std::string(80, 'x'));
}

TEST_F(LoadDatabaseTest, ReadOnlyFileLoads) {
  std::string file = dir_.Write("ro.vnt", SerializeDatabase({Record("v"), Record("p")}));
  std::filesystem::permissions(file, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  Load(file);
  EXPECT_EQ(count_, 2);
  std::filesystem::permissions(file, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}

TEST_F(LoadDatabaseTest, FailuresRaiseIoErrorWithCodeAndText) {
  TLangDefinitionArray database;
  try {
    LoadDatabase(dir_.File("missing.vnt"), database, count_);
    FAIL() << "no error raised";
  } catch (const IoError& error) {
    EXPECT_EQ(error.code(), 2);
    EXPECT_STREQ(error.what(), "File not found");
  }
}

TEST_F(LoadDatabaseTest, WhatIsNoDatabaseFileIsRefusedBeforeItIsRead) {
  std::filesystem::create_directory(dir_.File("folder.vnt"));
  // Sparse where the system allows: one record too many, never written.
  { std::ofstream(dir_.File("huge.vnt")); }
  std::filesystem::resize_file(dir_.File("huge.vnt"), (kMostDatabaseRecords + 1) * kRecordSize);
  struct Case {
    std::string path;
    const char* error;
  } cases[] = {
      {dir_.File("folder.vnt"), "Is a folder, not a database file"},
      {dir_.File("huge.vnt"), "Database too large: more than 1,000,000 records"},
#ifndef _WIN32
      {"/dev/zero", "Not a regular file, not a database file"},
#endif
#ifdef __linux__
      // Regular by their mode, of size 0, yet one fails to read and the other reads text.
      {"/proc/self/mem", "Not a regular file, not a database file"},
      {"/proc/self/status", "Not a regular file, not a database file"},
#endif
  };
  for (const Case& c : cases) {
    TLangDefinitionArray database;
    count_ = -1;
    try {
      LoadDatabase(c.path, database, count_);
      ADD_FAILURE() << c.path << " loaded";
    } catch (const DatabaseError& error) {
      EXPECT_STREQ(error.what(), c.error) << c.path;
      EXPECT_EQ(count_, -1) << c.path;
    }
    // The tools read a database's bytes whole: what the loader refuses, alike.
    try {
      ReadDatabaseImage(c.path);
      ADD_FAILURE() << c.path << " read";
    } catch (const DatabaseError& error) {
      EXPECT_STREQ(error.what(), c.error) << c.path;
    }
  }
  // The window finds the folder, so that loading it can say what is wrong.
  EXPECT_EQ(LocateDatabase(dir_.File("folder.vnt")), dir_.File("folder.vnt"));
}

TEST(IoErrorText, NamesTheKnownCodes) {
  EXPECT_EQ(IoErrorText(2), "File not found");
  EXPECT_EQ(IoErrorText(3), "Invalid filename");
  EXPECT_EQ(IoErrorText(4), "Too many open files");
  EXPECT_EQ(IoErrorText(5), "File access denied");
  EXPECT_EQ(IoErrorText(100), "Read beyond end of file");
  EXPECT_EQ(IoErrorText(32), "I/O error 32");
#ifndef _WIN32
  // Any other errno in the system's words, not as a number.
  EXPECT_EQ(IoErrorText(kPosixErrorBase + ENOSPC), "No space left on device");
#endif
}

// A file read whole holds just the size taken before the read: one that ends
// sooner or goes on past it has changed since, and no part of it is taken.
TEST(ReadWholeFile, TheFileMustHoldJustTheSizeTaken) {
  TempDir dir;
  const std::string path = dir.Write("ten", "0123456789");
  struct Case {
    std::uint64_t size;
    int error;  // 0: read
  } cases[] = {{10, 0}, {11, kErrorReadBeyondEnd}, {9, kErrorFileChanged}, {0, kErrorFileChanged}};
  for (const Case& c : cases) {
    ReadOnlyFile file(path);
    try {
      EXPECT_EQ(ReadWholeFile(file, c.size), "0123456789");
      EXPECT_EQ(c.error, 0) << c.size;
    } catch (const IoError& error) {
      EXPECT_EQ(error.code(), c.error) << c.size;
    }
  }
}

TEST(FileExistence, OnlyExistingNonDirectoryPathsCount) {
  TempDir dir;
  std::string file = dir.Write("a.vnt", "x");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(dir.path().string()));
  EXPECT_FALSE(FileExists(dir.File("b.vnt")));
  EXPECT_FALSE(FileExists(""));
  // Wildcards are never expanded, even when they would match a file.
  EXPECT_FALSE(FileExists(dir.File("*.vnt")));
  EXPECT_FALSE(FileExists(dir.File("?.vnt")));
  if (std::filesystem::path::preferred_separator == '\\') {
    // "\\?\" starts a literal long path: its "?" is no wildcard, and the name
    // may run past 260 characters.
    EXPECT_TRUE(FileExists("\\\\?\\" + file));
    EXPECT_FALSE(FileExists("\\\\?\\" + dir.File("?.vnt")));
    std::filesystem::path deep = dir.path();
    while (deep.string().size() < 300) deep /= std::string(40, 'd');
    std::filesystem::create_directories(deep);
    std::ofstream(deep / "long.vnt") << "x";
    EXPECT_TRUE(FileExists("\\\\?\\" + (deep / "long.vnt").string()));
  }
  // Timestamps don't matter: a file dated 1970 or 2200 exists.
  using namespace std::chrono;
  auto time = std::filesystem::last_write_time(file);
  std::filesystem::last_write_time(file, time - hours(24 * 365 * 56));
  EXPECT_TRUE(FileExists(file));
  std::filesystem::last_write_time(file, time + hours(24 * 365 * 175));
  EXPECT_TRUE(FileExists(file));
}

TEST(LocateDatabase, CurrentDirectoryFirstThenBesideTheProgram) {
  TempDir dir;
  const std::string name =
      "locate-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".vnt";
  const std::filesystem::path oldCwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  EXPECT_FALSE(LocateDatabase(name));

  const std::string besideProgram = ProgramDirectory() + name;
  { std::ofstream(besideProgram) << "x"; }
  EXPECT_EQ(LocateDatabase(name), besideProgram);

  dir.Write(name, "x");
  EXPECT_EQ(LocateDatabase(name), name);

  std::filesystem::current_path(oldCwd);
  std::filesystem::remove(besideProgram);
}

}  // namespace
}  // namespace vantric
