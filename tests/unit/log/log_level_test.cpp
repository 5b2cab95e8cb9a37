#include "log/log_level.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

using enum TLogLevel;

TEST(LogLevel, MapsEveryLevelToItsLibraryNumberAndName) {
  struct Row {
    TLogLevel level;
    int number;
    const char* name;
  };
  const Row rows[] = {
      {llQuiet, -8, "Quiet"},     {llPanic, 0, "Panic"},      {llFatal, 8, "Fatal"},
      {llError, 16, "Error"},     {llWarning, 24, "Warning"}, {llInfo, 32, "Info"},
      {llVerbose, 40, "Verbose"}, {llDebug, 48, "Debug"},     {llTrace, 56, "Trace"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(LibraryLogLevel(row.level), row.number);
    EXPECT_STREQ(LogLevelName(row.level), row.name);
    EXPECT_EQ(LogLevelFromLibrary(row.number), row.level);
  }
}

TEST(LogLevel, ReadsLibraryNumbersBetweenLevelsTowardZero) {
  const std::pair<int, TLogLevel> rows[] = {
      {-1000, llQuiet}, {-9, llQuiet}, {-8, llQuiet}, {-7, llPanic},   {-1, llPanic},
      {7, llPanic},     {8, llFatal},  {15, llFatal}, {20, llError},   {47, llVerbose},
      {55, llDebug},    {56, llTrace}, {57, llTrace}, {1000, llTrace},
  };
  for (const auto& [number, level] : rows) {
    SCOPED_TRACE(number);
    EXPECT_EQ(LogLevelFromLibrary(number), level);
  }
}

}  // namespace
}  // namespace zentrova
