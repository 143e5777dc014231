#include "engine/list_files.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace zeb {
namespace {

class ListFilesTest : public ::testing::Test {
 protected:
  ListFilesTest() {
    testing::WriteFile(dir_ / "STFilter.txt", "The\r\nAND\r\nof\r\n");
    testing::WriteFile(dir_ / "URLExceptions.txt", "Logout\ncart\n");
    testing::WriteFile(dir_ / "HotLink.txt", "links\r\nold*~*~partners*~*~x\r\n*~*~\r\n");
  }
  testing::TempDir dir_;
};

TEST_F(ListFilesTest, EachListIsReadOnlyWhenItsOptionIsOn) {
  EngineLists none = LoadListFiles(dir_.folder(), 0, false, false);
  EXPECT_TRUE(none.StopWords.empty());  // keyword density 0: the stop words are not read
  EXPECT_TRUE(none.URLExceptions.empty());
  EXPECT_TRUE(none.HotLinks.empty());

  EngineLists all = LoadListFiles(dir_.folder(), 2, true, true);
  EXPECT_EQ(all.StopWords, (Lines{"the", "and", "of"}));  // held in lower case
  EXPECT_EQ(all.URLExceptions, (Lines{"Logout", "cart"}));  // as they stand
  // The text after the first marker; an entry without one is taken whole.
  EXPECT_EQ(all.HotLinks, (Lines{"links", "partners*~*~x", ""}));
}

TEST_F(ListFilesTest, MissingFilesLeaveEmptyLists) {
  testing::TempDir empty;
  EngineLists lists = LoadListFiles(empty.folder(), 5, true, true);
  EXPECT_TRUE(lists.StopWords.empty());
  EXPECT_TRUE(lists.URLExceptions.empty());
  EXPECT_TRUE(lists.HotLinks.empty());
}

}  // namespace
}  // namespace zeb
