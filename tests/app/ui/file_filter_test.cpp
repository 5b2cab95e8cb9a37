#include "app/ui/file_filter.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace zentrova::ui {
namespace {

TEST(QtFileFilter, ConvertsNamePatternPairs) {
  struct Case {
    const char* filter;
    const char* expected;
  } cases[] = {
      {"Videos|*.MP4;*.MKV;", "Videos (*.MP4 *.MKV)"},
      {"A|*.A|B|*.B;*.C", "A (*.A);;B (*.B *.C)"},
      {"All Files|*.*", "All Files (*)"},
      {"Mixed|*.*;*.TXT", "Mixed (* *.TXT)"},
      {"Empty patterns|;;", "Empty patterns (*)"},
      {"Only a name", "Only a name (*)"},
      {"PNG图片(*.PNG)|*.PNG", "PNG图片(*.PNG)"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(QtFileFilter(c.filter), QString::fromUtf8(c.expected)) << c.filter;
}

TEST(QtFileFilter, TheMediaFilterHasFiveEntriesEndingWithAllFiles) {
  const QStringList entries = QtFileFilter(kMediaFileFilter).split(QStringLiteral(";;"));
  ASSERT_EQ(entries.size(), 5);
  EXPECT_TRUE(entries[0].startsWith(QStringLiteral("Video/Audio/Picture Files (*.3GP *.ASF")));
  EXPECT_TRUE(entries[0].endsWith(QStringLiteral("*.PNG *.TIF *.TIFF *.WEBP)")));
  EXPECT_EQ(entries[0].count('*'), 56);
  EXPECT_TRUE(entries[1].startsWith(QStringLiteral("Video Files (")));
  EXPECT_EQ(entries[1].count('*'), 27);
  EXPECT_TRUE(entries[2].startsWith(QStringLiteral("Audio Files (*.AAC")));
  EXPECT_EQ(entries[2].count('*'), 21);
  EXPECT_EQ(entries[3], QStringLiteral("Picture Files (*.BMP *.GIF *.JPEG *.JPG *.PNG *.TIF *.TIFF *.WEBP)"));
  EXPECT_EQ(entries[4], QStringLiteral("All Files (*)"));
  EXPECT_FALSE(entries.join("").contains(';')) << "no pattern keeps its separator";
}

}  // namespace
}  // namespace zentrova::ui
