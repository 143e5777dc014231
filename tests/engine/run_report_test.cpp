// The run report only grows: blocks are appended, what was there stays byte for byte.
#include "engine/run_report.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace zeb {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(RunReportTest, BlocksAreAppendedWithCrLfAndTheOldTextStays) {
  TempDir dir;
  const auto report = dir / kRunReportFile;
  EXPECT_EQ(AppendToRunReport(dir.folder(), {"", "first"}), "");
  EXPECT_EQ(ReadFile(report), "\r\nfirst\r\n");
  EXPECT_EQ(AppendToRunReport(dir.folder(), {"second \xE9"}), "");
  EXPECT_EQ(ReadFile(report), "\r\nfirst\r\nsecond \xE9\r\n");

  // A report written by hand without a last line end, or with bare line feeds, keeps its text.
  WriteFile(report, "old\nlast");
  EXPECT_EQ(AppendToRunReport(dir.folder(), {"new"}), "");
  EXPECT_EQ(ReadFile(report), "old\nlast\r\nnew\r\n");
}

TEST(RunReportTest, AReportThatCannotBeWrittenSaysWhyAndKeepsItsText) {
  TempDir dir;
  const std::string missing = dir.folder() + "missing/";
  EXPECT_EQ(AppendToRunReport(missing, {"x"}).rfind("Cannot write " + missing + "botmail.txt", 0),
            0u);
  if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
  const auto report = dir / kRunReportFile;
  WriteFile(report, "kept\r\n");
  ::chmod(report.c_str(), 0444);
  EXPECT_NE(AppendToRunReport(dir.folder(), {"x"}), "");
  EXPECT_EQ(ReadFile(report), "kept\r\n");
}

TEST(RunReportTest, AnAppendCostsTheBlockNotTheReport) {
  TempDir dir;
  const auto report = dir / kRunReportFile;
  WriteFile(report, std::string(std::size_t{64} << 20, 'x') + "\r\n");
  struct stat before {};
  ::stat(report.c_str(), &before);
  EXPECT_EQ(AppendToRunReport(dir.folder(), {"tail"}), "");
  struct stat after {};
  ::stat(report.c_str(), &after);
  // The same file, grown in place (a rewrite would have put a new inode there).
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_size, before.st_size + 6);
}

}  // namespace
}  // namespace zeb
