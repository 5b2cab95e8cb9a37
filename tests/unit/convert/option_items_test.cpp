#include "convert/option_items.h"

#include <gtest/gtest.h>
#include <string>

#include "convert/number_text.h"
#include "convert/output_settings.h"

namespace zentrova::app {
namespace {

TEST(ChoiceGroups, DefaultsGiveAnMp4WithH264AndMp3) {
  const OutputSettings settings;
  EXPECT_EQ(ItemText(settings.Format), "MP4");
  EXPECT_EQ(ItemText(settings.AudioCodec), "MP3");
  EXPECT_EQ(ItemText(settings.VideoCodec), "X264");
  EXPECT_EQ(ItemText(settings.Norm), "Auto");
  EXPECT_EQ(ItemText(TChoice::FrameSize, settings.FrameSize), "Auto - Original");
  EXPECT_EQ(settings.OutPath, kOutputFolderPlaceholder);
  EXPECT_TRUE(settings.Overwrite);
  EXPECT_EQ(settings.VideoBitRate, "200");
  EXPECT_EQ(settings.AudioBitRate, "128");
}

TEST(ChoiceGroups, EveryGroupButTheFormatsStartsWithItsAutomaticItem) {
  for (const TChoiceGroup& group : kChoiceGroups) {
    ASSERT_FALSE(group.Items.empty()) << group.Control;
    ASSERT_LT(static_cast<std::size_t>(group.DefaultIndex), group.Items.size()) << group.Control;
    if (group.Control == "grpFormats") continue;
    EXPECT_TRUE(group.Items[0].starts_with("Auto")) << group.Control;
  }
}

// The builders take the size from the text before the first blank: every
// size item must read "<width>x<height> - <name>".
TEST(ChoiceGroups, FrameSizeItemsStartWithPositiveWidthAndHeight) {
  for (std::size_t i = 1; i < kFrameSizeItems.size(); ++i) {
    const std::string_view item = kFrameSizeItems[i];
    const auto blank = item.find(" - ");
    ASSERT_NE(blank, std::string_view::npos) << item;
    const std::string_view size = item.substr(0, blank);
    const auto x = size.find('x');
    ASSERT_NE(x, std::string_view::npos) << item;
    EXPECT_GT(ParseDecimalInteger(size.substr(0, x)).value_or(0), 0) << item;
    EXPECT_GT(ParseDecimalInteger(size.substr(x + 1)).value_or(0), 0) << item;
  }
}

TEST(ItemText, AnIndexOutsideTheListReadsAsTheDefaultItem) {
  EXPECT_EQ(ItemText(TChoice::OutputFormat, -1), "MP4");
  EXPECT_EQ(ItemText(TChoice::OutputFormat, 24), "MP4");
  EXPECT_EQ(ItemText(TChoice::FrameRate, 99), "Auto");
  EXPECT_EQ(ItemText(static_cast<TVideoCodec>(7)), "X264");
  EXPECT_EQ(ItemText(TChoice::FrameRate, 3), "25");
}

}  // namespace
}  // namespace zentrova::app
