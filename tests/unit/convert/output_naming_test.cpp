#include "convert/output_naming.h"

#include <gtest/gtest.h>
#include <filesystem>
#include <set>
#include <string>

#include "convert/build_env.h"
#include "convert/option_builder.h"
#include "support/temp_dir.h"

namespace zentrova::app {
namespace {

TEST(OutputBaseName, FolderAndExtensionRules) {
  struct Case {
    const char* source;
    const char* out_path;
    const char* base;
  } cases[] = {
      {"/m/x.mov", "<输出在源视频目录下>", "/m/x"},
      {"/m/x.mov", "", "/m/x"},
      {"/m/x.mov", "/out/", "/out/x"},
      {"/m/x.mov", "/out", "/out/x"},
      {"/m/v1.0/clip", "<输出在源视频目录下>", "/m/v1.0/clip"},
      {"/m/v1.0/clip", "/out/", "/out/clip"},
      {"/m/a.b.mkv", "<输出在源视频目录下>", "/m/a.b"},
      {"/m/.hidden", "/out/", "/out/.hidden"},
      {"/m/视频 1.mp4", "/输出/", "/输出/视频 1"},
      {"x.mov", "<输出在源视频目录下>", "x"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(OutputBaseName(c.source, c.out_path), c.base) << c.source << " " << c.out_path;
}

// The name rules against real files in a folder.
TEST(ChooseOutputFileName, ExistingAndClaimedNames) {
  struct Case {
    const char* name;
    std::set<std::string> existing;
    std::set<std::string> claimed;
    bool overwrite;
    const char* chosen;
  } cases[] = {
      {"free", {}, {}, false, "x_(new).mp4"},
      {"exists, overwrite on: replaced", {"x_(new).mp4"}, {}, true, "x_(new).mp4"},
      {"exists, overwrite off", {"x_(new).mp4"}, {}, false, "x_(new_1).mp4"},
      {"two exist, overwrite off", {"x_(new).mp4", "x_(new_1).mp4"}, {}, false, "x_(new_2).mp4"},
      {"gap is used", {"x_(new).mp4", "x_(new_2).mp4"}, {}, false, "x_(new_1).mp4"},
      {"claimed, overwrite on", {}, {"x_(new).mp4"}, true, "x_(new_1).mp4"},
      {"claimed, next exists, overwrite on", {"x_(new_1).mp4"}, {"x_(new).mp4"}, true, "x_(new_1).mp4"},
      {"claimed, next exists, overwrite off", {"x_(new_1).mp4"}, {"x_(new).mp4"}, false, "x_(new_2).mp4"},
      {"other extension exists", {"x_(new).mkv"}, {}, false, "x_(new).mp4"},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    for (const std::string& name : c.existing) test::WriteFile(dir.File(name), "earlier output");
    TClaimedNames claimed;
    for (const std::string& name : c.claimed) claimed.Claim(dir.File(name));
    const BuildEnv env = SystemBuildEnv(&claimed);
    EXPECT_EQ(ChooseOutputFileName(dir.File("x"), ".mp4", c.overwrite, env.FileExists, env.NameClaimed),
              dir.File(c.chosen))
        << c.name;
  }
}

TEST(TClaimedNames, ComparesResolvedPathsAndCountsClaims) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.Path() / "real");
  std::filesystem::create_directory_symlink(dir.Path() / "real", dir.Path() / "link");
  TClaimedNames claimed;
  EXPECT_TRUE(claimed.Empty());
  claimed.Claim(dir.File("real/a.mp4"));
  EXPECT_TRUE(claimed.Contains(dir.File("real/a.mp4")));
  EXPECT_TRUE(claimed.Contains(dir.File("real/../real/./a.mp4")));
  EXPECT_TRUE(claimed.Contains(dir.File("link/a.mp4")));
  EXPECT_FALSE(claimed.Contains(dir.File("real/b.mp4")));

  // Two tasks read one input: it stays claimed until both are removed.
  claimed.Claim(dir.File("link/a.mp4"));
  claimed.Release(dir.File("real/a.mp4"));
  EXPECT_TRUE(claimed.Contains(dir.File("real/a.mp4")));
  claimed.Release(dir.File("real/a.mp4"));
  EXPECT_FALSE(claimed.Contains(dir.File("real/a.mp4")));
  claimed.Release(dir.File("real/a.mp4"));  // releasing an unclaimed name does nothing
  EXPECT_TRUE(claimed.Empty());
}

// The conversion list claims each task's input and output as it adds the
// task: the same file added three times, and a same-named file from another
// folder, get four different outputs; none is an input.
TEST(BuildOutputOptions, NoTwoTasksShareAnOutputAndNoOutputIsAnInput) {
  test::TempDir dir;
  std::filesystem::create_directory(dir.Path() / "a");
  std::filesystem::create_directory(dir.Path() / "b");
  std::filesystem::create_directory(dir.Path() / "out");
  const std::string in_a = dir.File("a/clip.mp4");
  const std::string in_b = dir.File("b/clip.mp4");
  // An earlier input of the list happens to carry the first output's name.
  const std::string earlier_input = dir.File("out/clip_(new).mp4");
  for (const std::string& path : {in_a, in_b, earlier_input}) test::WriteFile(path, "source");

  TClaimedNames claimed;
  claimed.Claim(earlier_input);
  OutputSettings settings;
  settings.OutPath = dir.File("out") + "/";
  std::set<std::string> outputs;
  for (const std::string& input : {in_a, in_a, in_b, in_a}) {
    SourceFacts source;
    source.FileName = input;
    const TOutputOptions output = BuildOutputOptions(settings, source, SystemBuildEnv(&claimed));
    EXPECT_TRUE(outputs.insert(output.FileName).second) << output.FileName;
    EXPECT_NE(output.FileName, earlier_input);
    claimed.Claim(input);
    claimed.Claim(output.FileName);
  }
  EXPECT_EQ(outputs,
            (std::set<std::string>{dir.File("out/clip_(new_1).mp4"), dir.File("out/clip_(new_2).mp4"),
                                   dir.File("out/clip_(new_3).mp4"), dir.File("out/clip_(new_4).mp4")}));
}

}  // namespace
}  // namespace zentrova::app

namespace zentrova::app {
namespace {

// Names longer than a file system allows lose bytes of the base only, at a
// character boundary, and keep room for the temporary ".part".
TEST(ChooseOutputFileName, ShortensLongNamesAtACharacterBoundary) {
  std::string chinese;
  for (int i = 0; i < 100; ++i) chinese += "中";  // 300 bytes
  struct Case {
    std::string base;
    std::string tail;
    bool overwrite;
    std::size_t base_bytes;  // of the file-name part kept
  };
  const Case cases[] = {
      {"/m/" + std::string(300, 'a'), "_(new).mp4", true, 240},
      {"/m/" + std::string(240, 'a'), "_(new).mp4", true, 240},
      {"/m/" + std::string(239, 'a'), "_(new).mp4", true, 239},
      {"/m/" + chinese, "_(new).mp4", true, 240},     // 80 characters
      {"/m/x" + chinese, "_(new).mp4", true, 238},    // 'x' + 79 characters
      {"/m/" + chinese, "_(new_1).mkv", false, 237},  // 79 characters
  };
  for (const Case& c : cases) {
    const std::string extension = c.tail.substr(c.tail.rfind('.'));
    const auto exists = [&](const std::string& name) { return name.find("_(new)") != std::string::npos; };
    const std::string name = ChooseOutputFileName(c.base, extension, c.overwrite, exists, nullptr);
    const std::string file_name = name.substr(3);
    EXPECT_EQ(name.substr(0, 3), "/m/");
    EXPECT_EQ(file_name.size(), c.base_bytes + c.tail.size()) << c.base.size();
    EXPECT_LE(file_name.size() + std::string(".part").size(), 255u);
    EXPECT_EQ(file_name.substr(c.base_bytes), c.tail);
    EXPECT_EQ(c.base.compare(3, c.base_bytes, file_name, 0, c.base_bytes), 0);
  }
}

}  // namespace
}  // namespace zentrova::app
