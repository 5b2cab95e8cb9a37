#include "cli/held_output_names.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/temp_dir.h"

namespace zentrova::cli {
namespace {

TEST(SplitAutomaticName, FindsTheBaseOfAutomaticNamesOnly) {
  struct Row {
    const char* output;
    bool automatic;
    const char* base;
    const char* extension;
  };
  const Row rows[] = {
      {"dir/a_(new).mp4", true, "dir/a", ".mp4"}, {"dir/a.b_(new_12).mkv", true, "dir/a.b", ".mkv"},
      {"dir/a_(new)", true, "dir/a", ""},         {"dir/a.mp4", false, "", ""},
      {"dir/a_(new_x).mp4", false, "", ""},       {"_(new).mp4", false, "", ""},
  };
  for (const Row& row : rows) {
    std::string base;
    std::string extension;
    EXPECT_EQ(SplitAutomaticName(row.output, base, extension), row.automatic) << row.output;
    if (!row.automatic) continue;
    EXPECT_EQ(base, row.base);
    EXPECT_EQ(extension, row.extension);
  }
}

TEST(HeldOutputNames, MovesAnAutomaticNameOnPastEveryNameTakenAndKeepsTheUsersName) {
  test::TempDir dir;
  const std::string first = dir.File("a_(new).mp4");
  THeldOutputNames names(TExistingOutputs::eoKeep);
  names.Reserve(dir.File("a_(new_1).mp4"));  // another task of the batch
  std::ofstream(dir.File("a_(new_2).mp4")) << "earlier run";
  names.AddTask(0, first, false);
  names.AddTask(1, dir.File("mine.mp4"), true);

  EXPECT_EQ(names.NextName(0, "file:" + first), "file:" + dir.File("a_(new_3).mp4"));
  EXPECT_EQ(names.NextName(0, "file:" + dir.File("a_(new_3).mp4")), "file:" + dir.File("a_(new_4).mp4"));
  EXPECT_EQ(names.Output(0), dir.File("a_(new_4).mp4"));
  EXPECT_EQ(names.NextName(1, "file:" + dir.File("mine.mp4")), "");
  EXPECT_EQ(names.Output(1), dir.File("mine.mp4"));
  EXPECT_EQ(names.NextName(7, "file:" + first), "");
}

}  // namespace
}  // namespace zentrova::cli
