// TOutputTarget: the locked NAME.EXT.part file an output is written to.
#include "engine/open/output_target.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TEST(TOutputTarget, PlainLocalNamesAreThoseOfTheFileProtocolAndNoSpecialFile) {
  test::LoadMediaLibraries();
  struct Case {
    std::string name;
    bool plain;
  };
  const Case cases[] = {
      {"/tmp/out.mp4", true},     {"file:/tmp/out.mp4", true},    {"out.mp4", true},
      {"file:12:30 a.mkv", true}, {"/dev/null", false},           {"file:/dev/null", false},
      {"pipe:1", false},          {"http://host/out.mp4", false}, {"file:", false},
  };
  for (const Case& c : cases) EXPECT_EQ(TOutputTarget::PlainLocalPath(c.name).has_value(), c.plain) << c.name;
  EXPECT_EQ(*TOutputTarget::PlainLocalPath("file:12:30 a.mkv"), fs::path("12:30 a.mkv"));
}

enum class Before { Nothing, StalePart, LockedPart };
enum class End { Commit, CommitKeepingExisting, Abandon };

struct TargetCase {
  const char* name;
  bool output_exists;
  Before before;
  End end;
  bool acquired;
  const char* output_after;  // "" : no file
};

class TOutputTargetCases : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TOutputTargetCases, LeaveTheNameWithTheOldOrTheFinishedFile) {
  const TargetCase& c = GetParam();
  test::TempDir dir;
  const fs::path output = dir.File("out.mp4");
  const fs::path part = TOutputTarget::PartPath(output);
  EXPECT_EQ(part, fs::path(dir.File("out.mp4.part")));
  if (c.output_exists) Write(output, "old");
  if (c.before == Before::StalePart) Write(part, "stale");
  int other_writer = -1;
  if (c.before == Before::LockedPart) {
    other_writer = ::open(part.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_EQ(::flock(other_writer, LOCK_EX | LOCK_NB), 0);
  }

  std::string error;
  std::unique_ptr<TOutputTarget> target = TOutputTarget::Acquire(output, error);
  ASSERT_EQ(target != nullptr, c.acquired) << error;
  if (target) {
    EXPECT_EQ(fs::file_size(part), 0u) << "a stale .part is emptied";
    EXPECT_EQ(target->LibraryPartName(), "file:" + part.string());
    Write(part, "new");
    if (c.end == End::Abandon) {
      target->Abandon();
    } else {
      const bool committed = target->Commit(c.end == End::CommitKeepingExisting, error);
      EXPECT_EQ(committed, std::string(c.output_after) == "new") << error;
    }
    target.reset();
    EXPECT_FALSE(fs::exists(part));
  } else {
    EXPECT_NE(error.find("being written by another conversion"), std::string::npos) << error;
    EXPECT_TRUE(fs::exists(part)) << "another writer's file stays";
  }
  if (*c.output_after == '\0')
    EXPECT_FALSE(fs::exists(output));
  else
    EXPECT_EQ(ReadAll(output), c.output_after);
  if (other_writer >= 0) ::close(other_writer);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TOutputTargetCases,
    ::testing::Values(
        TargetCase{"new_output", false, Before::Nothing, End::Commit, true, "new"},
        TargetCase{"replaces", true, Before::Nothing, End::Commit, true, "new"},
        TargetCase{"over_a_stale_part", true, Before::StalePart, End::Commit, true, "new"},
        TargetCase{"keep_existing_refuses", true, Before::Nothing, End::CommitKeepingExisting, true, "old"},
        TargetCase{"keep_existing_free_name", false, Before::Nothing, End::CommitKeepingExisting, true,
                   "new"},
        TargetCase{"abandoned", true, Before::Nothing, End::Abandon, true, "old"},
        TargetCase{"abandoned_without_output", false, Before::StalePart, End::Abandon, true, ""},
        TargetCase{"another_writer", true, Before::LockedPart, End::Commit, false, "old"}),
    [](const ::testing::TestParamInfo<TargetCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zentrova
