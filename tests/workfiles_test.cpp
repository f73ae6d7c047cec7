// The change list and the interior cell lists that carry what the scan pass
// learned into the write pass.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/inotify.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"
#include "workfiles/change_list.h"
#include "workfiles/interior_list.h"

namespace {

using WorkFileTest = harness::WorkDirTest;

TEST_F(WorkFileTest, ChangeListFindsTheFirstLineForACell) {
  int32_t dx = 0, dy = 0;
  EXPECT_FALSE(findChange(0, 0, dx, dy));  // no change list at all
  appendChange(0, 0, 5, -1);
  appendChange(-3, 7, 10, -2);
  appendChange(0, 0, 9, 9);
  EXPECT_EQ(read("qncells.tmp"), "0, 0, 5, -1\n-3, 7, 10, -2\n0, 0, 9, 9\n");
  ASSERT_TRUE(findChange(0, 0, dx, dy));
  EXPECT_EQ(dx, 5);
  EXPECT_EQ(dy, -1);
  EXPECT_FALSE(findChange(7, -3, dx, dy));

  // The copy held in memory answers the same until it is dropped.
  holdChangeListInMemory();
  appendChange(1, 1, 2, 2);
  ASSERT_TRUE(findChange(0, 0, dx, dy));
  EXPECT_EQ(dx, 5);
  EXPECT_FALSE(findChange(1, 1, dx, dy));
  dropChangeListFromMemory();
  EXPECT_TRUE(findChange(1, 1, dx, dy));
}

TEST_F(WorkFileTest, ChangeListReadsCrLfAndAnUnterminatedLastLine) {
  write("qncells.tmp", "1, 2, 3, 4\r\n-5, -6, -7, -8");
  int32_t dx = 0, dy = 0;
  ASSERT_TRUE(findChange(1, 2, dx, dy));
  EXPECT_EQ(dy, 4);
  ASSERT_TRUE(findChange(-5, -6, dx, dy));
  EXPECT_EQ(dx, -7);
  EXPECT_EQ(dy, -8);
}

TEST_F(WorkFileTest, InteriorNamesAreFoundWhateverTheLineEnds) {
  write("qn_interiors.dat", "");
  EXPECT_EQ(appendInteriorName("Balmora, Inn"), 0);
  EXPECT_EQ(read("qnintcs.tmp"), "Balmora, Inn\n");
  EXPECT_TRUE(isInteriorCell("balmora, inn"));
  EXPECT_FALSE(isInteriorCell("Balmora, Inn"));  // callers pass lower case

  write("qnintcs.tmp", "First\r\nSecond\nLast");
  EXPECT_TRUE(isInteriorCell("first"));
  EXPECT_TRUE(isInteriorCell("second"));
  EXPECT_TRUE(isInteriorCell("last"));
  EXPECT_FALSE(isInteriorCell(""));
  write("qn_interiors.dat", "VIVEC, ARENA\n\n");
  EXPECT_TRUE(isInteriorCell("vivec, arena"));
  EXPECT_TRUE(isInteriorCell(""));  // the empty line
}

TEST_F(WorkFileTest, MissingKnownInteriorsIsReportedAtEveryCall) {
  write("qnintcs.tmp", "cellar\n");
  const std::string message =
      "Unable to double-check my list of Interior Cells against your Script *Cell commands. I "
      "cannot open the file qn_interiors.dat: No such file or directory\n";
  testing::internal::CaptureStderr();
  EXPECT_TRUE(isInteriorCell("cellar"));
  EXPECT_FALSE(isInteriorCell("attic"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), message + message);
  EXPECT_EQ(readLog(), message + message);

  testing::internal::CaptureStderr();
  EXPECT_TRUE(isInteriorCellQuietly("cellar"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(readLog(), message + message);
}

TEST_F(WorkFileTest, InteriorListsHeldInMemoryAnswerAsTheFilesDo) {
  // A line longer than 255 bytes is looked at in pieces; CR LF and mixed case
  // are read as ever.
  const std::string longName(300, 'k');
  write("qnintcs.tmp", "Cellar\r\nATTIC\n" + longName + "\nlast");
  const std::vector<std::string> names = {"cellar",      "attic",  longName,
                                          longName.substr(0, 255), longName.substr(255), "last",
                                          "",            "Cellar", "tower"};
  auto answers = [&] {
    std::string all;
    for (const std::string& name : names) all += isInteriorCell(name.c_str()) ? 'y' : 'n';
    for (const std::string& name : names) all += isInteriorCellQuietly(name.c_str()) ? 'y' : 'n';
    return all;
  };
  for (bool knownListExists : {false, true}) {
    if (knownListExists) write("qn_interiors.dat", "Tower\n\n");
    std::remove("qnlog.txt");
    testing::internal::CaptureStderr();
    const std::string fromFiles = answers();
    const std::string reportsFromFiles = testing::internal::GetCapturedStderr();
    const std::string logFromFiles = readLog();

    std::remove("qnlog.txt");
    holdInteriorListsInMemory();
    testing::internal::CaptureStderr();
    EXPECT_EQ(answers(), fromFiles);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), reportsFromFiles);
    EXPECT_EQ(readLog(), logFromFiles);
    // Until dropped, the copies answer and the files are not read again.
    write("qnintcs.tmp", "Tower\n");
    std::remove("qn_interiors.dat");
    testing::internal::CaptureStderr();
    EXPECT_EQ(answers(), fromFiles);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), reportsFromFiles);
    dropInteriorListsFromMemory();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(isInteriorCellQuietly("tower"));
    testing::internal::GetCapturedStderr();
    write("qnintcs.tmp", "Cellar\r\nATTIC\n" + longName + "\nlast");
  }
}

TEST_F(WorkFileTest, NameInKnownInteriorsNeverOpensTheScanList) {
#ifdef _WIN32
  GTEST_SKIP() << "watches file opens with Linux's inotify";
#else
  write("qn_interiors.dat", "Cellar\n");
  write("qnintcs.tmp", "attic\n");
  int watcher = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(watcher, 0);
  ASSERT_GE(inotify_add_watch(watcher, "qnintcs.tmp", IN_OPEN), 0);
  char events[4096];

  EXPECT_TRUE(isInteriorCell("cellar"));
  EXPECT_LT(::read(watcher, events, sizeof events), 0);  // nothing opened it
  EXPECT_TRUE(isInteriorCell("attic"));
  EXPECT_GT(::read(watcher, events, sizeof events), 0);
  close(watcher);
#endif
}

}  // namespace
