#include <gtest/gtest.h>

#include <filesystem>

#include "analysis/analyzer.h"
#include "platform/file_system.h"
#include "sigdb/database.h"
#include "tests/support/temp_dir.h"

namespace vantric {
namespace {

using testing::TempDir;

class AnalyzeFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TLangDefinitionArray compilers(3);
    compilers[0].fields[0].assign("1.0");
    Fill(compilers[1], {"SIG-A", "C", "Compiler A", "Maker A", "http://a"});
    Fill(compilers[2], {"SIG-B", "Pascal", "Compiler B", "Maker B", "-"});
    TLangDefinitionArray compressions(2);
    Fill(compressions[1], {"PACK", "$4", "Packer", "Pack Inc", "http://p"});
    analyzer_.Load(DatabaseKind::kCompiler, dir_.Write("c.vnt", SerializeDatabase(compilers)));
    analyzer_.Load(DatabaseKind::kCompression, dir_.Write("p.vnt", SerializeDatabase(compressions)));
  }

  static void Fill(TLangDefinition& record, std::initializer_list<std::string_view> texts) {
    std::size_t i = 0;
    for (std::string_view text : texts) record.fields[i++].assign(text);
  }

  AnalysisResult Analyze(const std::string& path, const AnalysisObserver& observer = {}) {
    return analyzer_.AnalyzeFile(path, observer);
  }

  TempDir dir_;
  Analyzer analyzer_;
};

TEST_F(AnalyzeFileTest, MatchesBothPassesAndPresetsTheRest) {
  const std::string path = dir_.Write("both.exe", "xPACK.....SIG-B....SIG-A");
  AnalysisResult result = Analyze(path);
  ASSERT_EQ(result.status, AnalysisStatus::kOk);
  TAppInfo expected;
  expected.fileName = "both.exe";
  expected.comments = expected.productName = expected.companyName = expected.fileVersion = "-";
  expected.language = "C";
  expected.compiler = "Compiler A";
  expected.compilerCompany = "Maker A";
  expected.compilerUrl = "http://a";
  expected.program = "Packer";
  expected.programCompany = "Pack Inc";
  expected.programUrl = "http://p";
  EXPECT_EQ(result.info, expected);
}

TEST_F(AnalyzeFileTest, NothingMatchesLeavesDashes) {
  AnalysisResult result = Analyze(dir_.Write("plain.bin", "..........PACK"));  // PACK beyond its limit
  ASSERT_EQ(result.status, AnalysisStatus::kOk);
  for (const std::string* field :
       {&result.info.language, &result.info.compiler, &result.info.compilerCompany, &result.info.compilerUrl,
        &result.info.program, &result.info.programCompany, &result.info.programUrl}) {
    EXPECT_EQ(*field, "-");
  }
}

TEST_F(AnalyzeFileTest, FilesNotAnalysed) {
  EXPECT_EQ(Analyze(dir_.File("missing.exe")).status, AnalysisStatus::kNotFound);
  EXPECT_EQ(Analyze(dir_.path().string()).status, AnalysisStatus::kNotFound);
  EXPECT_EQ(Analyze(dir_.File("*.exe")).status, AnalysisStatus::kNotFound);
  EXPECT_EQ(Analyze(dir_.Write("nine.bin", "SIG-A1234")).status, AnalysisStatus::kTooSmall);
  EXPECT_EQ(Analyze(dir_.Write("ten.bin", "SIG-A12345")).info.compiler, "Compiler A");
  AnalysisResult empty = Analyze(dir_.Write("empty.bin", ""));
  EXPECT_EQ(empty.status, AnalysisStatus::kTooSmall);
  EXPECT_EQ(empty.info, TAppInfo{});  // nothing shown for a file not analysed
}

TEST_F(AnalyzeFileTest, TellsTheFrontEndWhatItDoes) {
  std::vector<std::string> events;
  std::uint64_t lastDone = 0, lastTotal = 0;
  AnalysisObserver observer;
  observer.status = [&](std::string_view text) { events.emplace_back(text); };
  observer.compilerPassStarts = [&] { events.emplace_back("compiler pass"); };
  observer.compilerPassProgress = [&](std::uint64_t done, std::uint64_t total) {
    lastDone = done, lastTotal = total;
  };
  Analyze(dir_.Write("a.bin", std::string(3 << 20, '.') + "SIG-B"), observer);
  EXPECT_EQ(events, (std::vector<std::string>{"Loading...", "Scanning patterns...", "compiler pass"}));
  EXPECT_EQ(lastTotal, (3u << 20) + 5);
  EXPECT_EQ(lastDone, lastTotal);
}

TEST(NamePart, CutsAfterTheLastSeparatorOfThisSystem) {
  const bool windows = PathSeparators().find('\\') != std::string_view::npos;
  struct Case {
    const char* path;
    const char* onWindows;
    const char* elsewhere;
  } cases[] = {
      {"C:\\Programs\\app.exe", "app.exe", "C:\\Programs\\app.exe"},
      {"C:app.exe", "app.exe", "C:app.exe"},
      {"app.exe", "app.exe", "app.exe"},
      {"C:\\dir\\", "", "C:\\dir\\"},
      {"/tmp/dir/app.exe", "app.exe", "app.exe"},
      {"C:/dir/app.exe", "app.exe", "app.exe"},
      {"/tmp/quote\"back\\.exe", ".exe", "quote\"back\\.exe"},
  };
  for (const Case& c : cases) EXPECT_EQ(NamePart(c.path), windows ? c.onWindows : c.elsewhere) << c.path;
}

}  // namespace
}  // namespace vantric
