#include "support/libraries.h"

#include <gtest/gtest.h>

#include "media/library_loader.h"

namespace zentrova::test {

void LoadMediaLibraries() {
  TFFLoader& loader = FFLoader();
  if (loader.Loaded(EncoderLibraries)) return;
  loader.SetLibraryPath("");
  ASSERT_TRUE(loader.Load(EncoderLibraries)) << loader.LastErrMsg();
}

}  // namespace zentrova::test
