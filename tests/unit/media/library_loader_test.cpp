#include "media/library_loader.h"

#include <gtest/gtest.h>
#include <filesystem>

#include "media/entry_points.h"
#include "media/ff.h"
#include "support/temp_dir.h"

namespace zentrova {
namespace {

using test::TempDir;

bool AllBound(TLibrary library) {
  for (const auto& state : EntryPoints(library))
    if (!state.Bound) return false;
  return true;
}

bool NoneBound(TLibrary library) {
  for (const auto& state : EntryPoints(library))
    if (state.Bound) return false;
  return true;
}

class LibraryLoader : public ::testing::Test {
 protected:
  void SetUp() override { FFLoader().Unload(AllLibraries); }
  void TearDown() override {
    FFLoader().Unload(AllLibraries);
    FFLoader().SetLibraryPath("");
  }
};

TEST_F(LibraryLoader, LoadsEncoderSetFromSystemWhenFolderIsEmptyOrMissing) {
  TempDir empty;
  for (const std::string& folder : {std::string(), empty.Path().string(), empty.File("missing")}) {
    SCOPED_TRACE(folder);
    FFLoader().Unload(AllLibraries);
    FFLoader().SetLibraryPath(folder);
    ASSERT_TRUE(FFLoader().Load(EncoderLibraries)) << FFLoader().LastErrMsg();
    EXPECT_TRUE(FFLoader().Loaded(EncoderLibraries));
    for (TLibrary library : {TLibrary::avCodec, TLibrary::avDevice, TLibrary::avFilter, TLibrary::avFormat,
                             TLibrary::avUtil, TLibrary::swResample, TLibrary::swScale})
      EXPECT_TRUE(AllBound(library)) << LibraryItem(library).Name;
    EXPECT_FALSE(FFLoader().Loaded(TLibrary::libSoundTouch));
  }
  // A slot works: the bound library answers with its own version.
  EXPECT_EQ(AV_VERSION_MAJOR(ff::avcodec_version()), LIBAVCODEC_VERSION_MAJOR);
}

int avutil_hook_calls = 0;

TEST_F(LibraryLoader, CallsTheAVUtilHookWhenAVUtilIsBoundAndTheLoggerIsWanted) {
  struct Case {
    TLibrary library;
    bool install_logger;
    int calls;
  };
  const Case cases[] = {
      {TLibrary::avUtil, true, 1},
      {TLibrary::avUtil, false, 0},
      {TLibrary::avCodec, true, 0},
  };
  const TFFLoader::TAVUtilBoundHook previous = FFLoader().AVUtilBoundHook();
  FFLoader().SetAVUtilBoundHook([] { ++avutil_hook_calls; });
  for (const Case& c : cases) {
    SCOPED_TRACE(LibraryItem(c.library).Name);
    FFLoader().Unload(AllLibraries);
    FFLoader().SetInstallLogger(c.install_logger);
    avutil_hook_calls = 0;
    ASSERT_TRUE(FFLoader().Load(c.library)) << FFLoader().LastErrMsg();
    EXPECT_EQ(avutil_hook_calls, c.calls);
  }
  FFLoader().SetInstallLogger(true);
  FFLoader().SetAVUtilBoundHook(previous);
}

TEST_F(LibraryLoader, SecondLoadRebindsNothing) {
  ASSERT_TRUE(FFLoader().Load(TLibrary::avCodec)) << FFLoader().LastErrMsg();
  void* handle = FFLoader().Status(TLibrary::avCodec).Handle;
  ff::avcodec_version = nullptr;  // a rebinding would fill it again
  EXPECT_TRUE(FFLoader().Load(TLibrary::avCodec));
  EXPECT_EQ(FFLoader().Status(TLibrary::avCodec).Handle, handle);
  EXPECT_EQ(ff::avcodec_version, nullptr);
}

TEST_F(LibraryLoader, TextFileInFolderIsNotALibrary) {
  TempDir folder;
  test::WriteFile(folder.File("libavutil.so.57"), "this is not a shared object\n");
  FFLoader().SetLibraryPath(folder.Path().string());
  EXPECT_FALSE(FFLoader().Load(EncoderLibraries));
  const std::string expected = "Load library " + folder.File("libavutil.so.57") + " error(#8): ";
  EXPECT_EQ(FFLoader().LastErrMsg().rfind(expected, 0), 0u) << FFLoader().LastErrMsg();
  EXPECT_NE(FFLoader().LastErrMsg().find("file too short"), std::string::npos) << FFLoader().LastErrMsg();
  for (int i = 0; i < kLibraryCount; ++i) {
    const auto library = static_cast<TLibrary>(i);
    EXPECT_FALSE(FFLoader().Loaded(library)) << LibraryItem(library).Name;
    EXPECT_TRUE(NoneBound(library)) << LibraryItem(library).Name;
  }
}

TEST_F(LibraryLoader, LibraryWithoutEntryPointsNamesTheFirstMissingOne) {
  TempDir folder;
  std::filesystem::copy_file(SYMBOLLESS_LIBRARY, folder.File("libavutil.so.57"));
  FFLoader().SetLibraryPath(folder.Path().string());
  EXPECT_FALSE(FFLoader().Load(TLibrary::avUtil));
  EXPECT_EQ(FFLoader().LastErrMsg().rfind("Load function av_frame_alloc@libavutil.so.57 error: ", 0), 0u)
      << FFLoader().LastErrMsg();
  EXPECT_NE(FFLoader().LastErrMsg().find("undefined symbol: av_frame_alloc"), std::string::npos);
  EXPECT_FALSE(FFLoader().Loaded(TLibrary::avUtil));
  EXPECT_TRUE(NoneBound(TLibrary::avUtil));
}

TEST_F(LibraryLoader, MissingLibraryIsLoadedFromSystemElseReportedWithItsName) {
  FFLoader().MutableStatus(TLibrary::swScale).Name = "libzentrova-missing.so.1";
  EXPECT_FALSE(FFLoader().Load(TLibrary::swScale));
  EXPECT_EQ(FFLoader().LastErrMsg().rfind("Load library libzentrova-missing.so.1 error(#2): ", 0), 0u)
      << FFLoader().LastErrMsg();
  FFLoader().MutableStatus(TLibrary::swScale).Name.clear();
}

TEST_F(LibraryLoader, CheckLibAVNamesFirstMissingLibrary) {
  EXPECT_THROW(
      {
        try {
          FFLoader().CheckLibAV(DecoderLibraries);
        } catch (const std::runtime_error& e) {
          EXPECT_STREQ(e.what(), "Library avcodec not loaded.");
          throw;
        }
      },
      std::runtime_error);
  ASSERT_TRUE(FFLoader().Load(TLibrary::avCodec));
  try {
    FFLoader().CheckLibAV(DecoderLibraries);
    ADD_FAILURE() << "no error raised";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Library avfilter not loaded.");
  }
  ASSERT_TRUE(FFLoader().Load(DecoderLibraries));
  EXPECT_NO_THROW(FFLoader().CheckLibAV(DecoderLibraries));
}

TEST_F(LibraryLoader, FailedSetLoadKeepsLibrariesLoadedBefore) {
  ASSERT_TRUE(FFLoader().Load(DecoderLibraries)) << FFLoader().LastErrMsg();
  FFLoader().MutableStatus(TLibrary::avDevice).Name = "libzentrova-missing.so.1";
  EXPECT_FALSE(FFLoader().Load(EncoderLibraries));
  FFLoader().MutableStatus(TLibrary::avDevice).Name.clear();
  EXPECT_TRUE(FFLoader().Loaded(DecoderLibraries));
  EXPECT_TRUE(AllBound(TLibrary::avCodec));
  EXPECT_FALSE(FFLoader().Loaded(TLibrary::avDevice));
}

TEST_F(LibraryLoader, CRuntimeIsNeverTakenFromTheFolder) {
  TempDir folder;
  test::WriteFile(folder.File("libc.so.6"), "not a library");
  FFLoader().SetLibraryPath(folder.Path().string());
  EXPECT_TRUE(FFLoader().Load(TLibrary::myUtil)) << FFLoader().LastErrMsg();
}

}  // namespace
}  // namespace zentrova
