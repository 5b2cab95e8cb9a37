#include "convert/build_env.h"

#include <gtest/gtest.h>
#include <filesystem>

#include "convert/option_builder.h"
#include "convert/output_naming.h"
#include "media/ff.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::app {
namespace {

TEST(LibraryHasEncoder, AsksTheLoadedCodecLibrary) {
  test::LoadMediaLibraries();
  EXPECT_TRUE(LibraryHasEncoder("libmp3lame"));
  EXPECT_TRUE(LibraryHasEncoder("libx264"));
  EXPECT_TRUE(LibraryHasEncoder("aac"));
  EXPECT_FALSE(LibraryHasEncoder("no_such_encoder"));
  EXPECT_FALSE(LibraryHasEncoder(""));
  // A decoder of that name is not an encoder.
  ASSERT_NE(ff::avcodec_find_decoder_by_name("h264"), nullptr);
  EXPECT_FALSE(LibraryHasEncoder("h264"));
}

TEST(ChooseAacEncoder, WithTheLibraryChoosesAnEncoderItHas) {
  test::LoadMediaLibraries();
  const std::string chosen = choose_aac_encoder(LibraryHasEncoder);
  EXPECT_TRUE(LibraryHasEncoder(chosen)) << chosen;
}

TEST(SystemBuildEnv, AnswersFromTheFileSystemAndTheClaims) {
  test::TempDir dir;
  test::WriteFile(dir.File("here.png"), "x");
  std::filesystem::create_symlink(dir.File("gone"), dir.File("dangling"));
  TClaimedNames claimed;
  claimed.Claim(dir.File("claimed.mp4"));

  const BuildEnv env = SystemBuildEnv(&claimed);
  EXPECT_TRUE(env.FileExists(dir.File("here.png")));
  EXPECT_FALSE(env.FileExists(dir.File("missing.png")));
  EXPECT_TRUE(env.FileExists(dir.File("dangling")));
  EXPECT_TRUE(env.NameClaimed(dir.File("claimed.mp4")));
  EXPECT_FALSE(env.NameClaimed(dir.File("here.png")));
  EXPECT_FALSE(SystemBuildEnv(nullptr).NameClaimed);
}

}  // namespace
}  // namespace zentrova::app
