// -dump_attachment: writing an input's attached files, and the names a
// crafted input must not be able to choose.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine_io_fixture.h"

namespace zentrova::test {
namespace {

// A Matroska file with one subtitle cue and one attachment with the given
// "filename" tag.
void MakeMatroskaWithAttachment(const std::string& path, const std::string& filename_tag,
                                const std::string& bytes) {
  AVOutputFormatContextPtr oc;
  ASSERT_GE(ff::avformat_alloc_output_context2(OutPtr(oc), nullptr, "matroska", path.c_str()), 0);
  AVStream* subtitles = ff::avformat_new_stream(oc.get(), nullptr);
  ASSERT_NE(subtitles, nullptr);
  subtitles->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
  subtitles->codecpar->codec_id = AV_CODEC_ID_SUBRIP;
  subtitles->time_base = AVRational{1, 1000};
  AVStream* st = ff::avformat_new_stream(oc.get(), nullptr);
  ASSERT_NE(st, nullptr);
  st->codecpar->codec_type = AVMEDIA_TYPE_ATTACHMENT;
  st->codecpar->codec_id = AV_CODEC_ID_TTF;
  st->codecpar->extradata =
      static_cast<uint8_t*>(ff::av_mallocz(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE));
  ASSERT_NE(st->codecpar->extradata, nullptr);
  std::copy(bytes.begin(), bytes.end(), st->codecpar->extradata);
  st->codecpar->extradata_size = static_cast<int>(bytes.size());
  ff::av_dict_set(&st->metadata, "filename", filename_tag.c_str(), 0);
  ff::av_dict_set(&st->metadata, "mimetype", "application/x-truetype-font", 0);
  ASSERT_GE(ff::avio_open2(&oc->pb, path.c_str(), AVIO_FLAG_WRITE, nullptr, nullptr), 0);
  ASSERT_GE(ff::avformat_write_header(oc.get(), nullptr), 0);
  AVPacketPtr cue = MakePacket();
  ASSERT_GE(ff::av_new_packet(cue.get(), 5), 0);
  std::copy_n("hello", 5, cue->data);
  cue->stream_index = subtitles->index;
  cue->pts = cue->dts = 0;
  cue->duration = ff::av_rescale_q(1000, AVRational{1, 1000}, subtitles->time_base);
  ASSERT_GE(ff::av_interleaved_write_frame(oc.get(), cue.get()), 0);
  ASSERT_GE(ff::av_write_trailer(oc.get()), 0);
}

// Runs the test inside its own folder (dumps without a path land there).
class DumpAttachment : public EngineIoTest {
 protected:
  void SetUp() override {
    EngineIoTest::SetUp();
    std::filesystem::create_directory(dir_.File("work"));
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.File("work"));
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  std::filesystem::path previous_;
  const std::string bytes_ = std::string("font bytes\0\x01\xff", 13);
};

TEST_F(DumpAttachment, WritesTheAttachmentToTheGivenName) {
  const std::string input = dir_.File("with_font.mkv");
  MakeMatroskaWithAttachment(input, "font.ttf", bytes_);
  TestEngine engine;
  const std::string target = dir_.File("dumped.ttf");
  const OpenResult result = OpenInput(engine, "-dump_attachment:t " + target, input);
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(ReadAll(target), bytes_);
}

struct TagCase {
  const char* tag;
  const char* written;  ///< the file in the working folder; empty: nothing may be written
};

class DumpAttachmentTag : public DumpAttachment, public ::testing::WithParamInterface<TagCase> {};

TEST_P(DumpAttachmentTag, UsesOnlyTheBaseNameOfTheFilesOwnTag) {
  const std::string input = dir_.File("with_font.mkv");
  MakeMatroskaWithAttachment(input, GetParam().tag, bytes_);
  TestEngine engine;
  const OpenResult result = OpenInput(engine, "-dump_attachment:t \"\"", input);
  ASSERT_EQ(result.code, 0) << result.error;  // a refused dump is logged, the input still opens
  if (*GetParam().written) {
    EXPECT_EQ(ReadAll(dir_.File(std::string("work/") + GetParam().written)), bytes_);
  }
  // Nothing outside the working folder: only the input and the folder itself.
  std::size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
    (void)entry;
    ++entries;
  }
  EXPECT_EQ(entries, 2u);
  std::size_t written = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.File("work"))) {
    (void)entry;
    ++written;
  }
  EXPECT_EQ(written, *GetParam().written ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, DumpAttachmentTag,
                         ::testing::Values(TagCase{"font.ttf", "font.ttf"},
                                           TagCase{"../escape.ttf", "escape.ttf"},
                                           TagCase{"../../x/y\\evil.ttf", "evil.ttf"}, TagCase{"..", ""},
                                           TagCase{"fonts/", ""}));

TEST_F(DumpAttachment, RefusesToWriteOverAFileWithoutY) {
  const std::string input = dir_.File("with_font.mkv");
  MakeMatroskaWithAttachment(input, "font.ttf", bytes_);
  const std::string target = dir_.File("work/font.ttf");
  WriteFile(target, "already here");
  {
    TestEngine engine;
    const OpenResult result = OpenInput(engine, "-dump_attachment:t \"\"", input);
    ASSERT_EQ(result.code, 0) << result.error;
    EXPECT_EQ(ReadAll(target), "already here");
  }
  {
    TestEngine engine;
    const OpenResult result = OpenInput(engine, "-y -n -dump_attachment:t \"\"", input);
    EXPECT_TRUE(result.raised);
    EXPECT_EQ(result.error, "Error, both -y and -n supplied.");
    EXPECT_TRUE(engine.Finput_files.empty());
    EXPECT_TRUE(engine.Finput_streams.empty());
  }
  {
    TestEngine engine;
    const OpenResult result = OpenInput(engine, "-y -dump_attachment:t \"\"", input);
    ASSERT_EQ(result.code, 0) << result.error;
    EXPECT_EQ(ReadAll(target), bytes_);
  }
}

}  // namespace
}  // namespace zentrova::test
