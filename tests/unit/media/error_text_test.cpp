#include "media/error_text.h"

#include <gtest/gtest.h>
#include <cerrno>

#include "media/ff.h"

namespace zentrova {
namespace {

TEST(ErrorCodeText, TableThenPlatformThenNumber) {
  struct Case {
    int code;
    const char* prefix;
    const char* text;
  } cases[] = {
      {AVERROR_EOF, "", "End of file"},
      {AVERROR(ENOENT), "", "No such file or directory"},
      {AVERROR_EOF, "x", "x: End of file"},
      {AVERROR(ETIMEDOUT), "", "Connection timed out"},
      {AVERROR(ENOSYS), "", "Function not implemented"},
      {AVERROR(ENAMETOOLONG), "", "File name too long"},
      {AVERROR(ECONNREFUSED), "", "Connection refused"},
      {AVERROR(EINVAL), "", "Invalid argument / Invalid data found when processing input"},
      {AVERROR_INVALIDDATA, "", "Invalid data found when processing input"},
      {AVERROR_ENCODER_NOT_FOUND, "open", "open: Encoder not found"},
      {-123456, "", "Error number -123456 occurred"},
      {-134, "", "Error number -134 occurred"},
  };
  for (const Case& c : cases) EXPECT_EQ(error_code_text(c.code, c.prefix), c.text) << c.code;
}

}  // namespace
}  // namespace zentrova
