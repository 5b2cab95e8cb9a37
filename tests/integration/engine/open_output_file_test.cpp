// Opening the task's output: stream selection, -map, the file on disk and
// what a failed open leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "engine_io_fixture.h"

namespace zentrova::test {
namespace {

class OpenOutputFile : public EngineIoTest {
 protected:
  // A: 640x480 with six-channel audio; B: 1280x720 with stereo audio.
  void OpenTwoInputs(TestEngine& engine) {
    ClipSpec a = Mp4H264Aac(1.0);
    a.video->width = 640;
    a.video->height = 480;
    a.audio[0].channels = 6;
    ClipSpec b = Mp4H264Aac(1.0);
    b.video->width = 1280;
    b.video->height = 720;
    ASSERT_EQ(OpenInput(engine, "", Clip("a.mp4", a)).code, 0);
    ASSERT_EQ(OpenInput(engine, "", Clip("b.mp4", b)).code, 1);
  }

  static std::vector<int> Sources(const TestEngine& engine) {
    std::vector<int> sources;
    for (const auto& ost : engine.Foutput_streams) sources.push_back(ost->source_index);
    return sources;
  }
};

TEST_F(OpenOutputFile, PicksTheLargestVideoAndTheMostChannels) {
  TestEngine engine;
  OpenTwoInputs(engine);
  const OpenResult result = OpenOutput(engine, "", dir_.File("out.mp4"));
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(Sources(engine), (std::vector<int>{2, 1}));  // B's 1280x720 video, A's six channels
  for (const auto& ost : engine.Foutput_streams) {
    EXPECT_EQ(ost->encoding_needed, 1);
    EXPECT_EQ(engine.Finput_streams[static_cast<std::size_t>(ost->source_index)]->discard, 0);
    EXPECT_TRUE(
        engine.Finput_streams[static_cast<std::size_t>(ost->source_index)]->decoding_needed.for_output);
  }
  EXPECT_EQ(engine.Finput_streams[0]->discard, 1);  // A's video stays unused
  // Nothing is created before the run: neither the output nor its .part file.
  EXPECT_FALSE(std::filesystem::exists(dir_.File("out.mp4")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("out.mp4.part")));
}

struct CoverArtCase {
  const char* output;
  int video_source;  ///< input stream encoded as the moving video; -1: none
  int cover_source;  ///< input stream copied as an attached picture; -1: none
  bool attachment;   ///< the cover is carried as an image attachment
};

class OpenOutputFileCoverArt : public OpenOutputFile, public ::testing::WithParamInterface<CoverArtCase> {};

// The picture is never the moving video, even when it is larger; where the
// format has cover art it is carried as it is.
TEST_P(OpenOutputFileCoverArt, AttachedPictureIsCoverArtNeverMovingVideo) {
  const CoverArtCase& c = GetParam();
  ClipSpec spec = Mp4H264Aac(1.0);
  spec.video->width = 64;  // smaller than the 160x120 cover
  spec.video->height = 48;
  spec.cover_art = true;
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("cover.mkv", spec)).code, 0);
  ASSERT_EQ(engine.Finput_streams.size(), 3u);
  ASSERT_TRUE(engine.Finput_streams[2]->st->disposition & AV_DISPOSITION_ATTACHED_PIC);
  const OpenResult result = OpenOutput(engine, "-c:v libx264", dir_.File(c.output));
  ASSERT_EQ(result.code, 0) << result.error;
  int video_source = -1, cover_source = -1;
  bool attachment = false;
  for (const auto& ost : engine.Foutput_streams) {
    const AVMediaType type = ost->st->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_VIDEO && !ost->stream_copy) video_source = ost->source_index;
    if (type == AVMEDIA_TYPE_VIDEO && ost->stream_copy) cover_source = ost->source_index;
    if (type == AVMEDIA_TYPE_ATTACHMENT) {
      attachment = true;
      const AVDictionaryEntry* mimetype = ff::av_dict_get(ost->st->metadata, "mimetype", nullptr, 0);
      ASSERT_NE(mimetype, nullptr);
      EXPECT_STREQ(mimetype->value, "image/png");
      EXPECT_GT(ost->st->codecpar->extradata_size, 0);
    }
  }
  EXPECT_EQ(video_source, c.video_source);
  EXPECT_EQ(cover_source, c.cover_source);
  EXPECT_EQ(attachment, c.attachment);
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenOutputFileCoverArt,
                         ::testing::Values(CoverArtCase{"out.mp4", 0, 2, false},  // a "covr" picture
                                           CoverArtCase{"out.mp3", -1, 2,
                                                        false},                   // ID3 APIC: no moving video
                                           CoverArtCase{"out.mkv", 0, -1, true},  // an image attachment
                                           CoverArtCase{"out.avi", 0, -1, false}  // no cover art in AVI
                                           ));

struct CodecQueryCase {
  const char* options;
  const char* output;
  const char* refusal;  ///< the error; empty: the output opens (the muxer decides later)
};

class OpenOutputFileCodecQuery : public OpenOutputFile,
                                 public ::testing::WithParamInterface<CodecQueryCase> {};

// An encoder whose codec the format's codec query refuses fails the open,
// before the run; where the query cannot tell, the muxer decides.
TEST_P(OpenOutputFileCodecQuery, RefusesWhatTheFormatCannotStore) {
  const CodecQueryCase& c = GetParam();
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("in.mp4", Mp4H264Aac(1.0))).code, 0);
  const std::string output = dir_.File(c.output);
  const OpenResult result = OpenOutput(engine, c.options, output);
  if (*c.refusal == '\0') {
    EXPECT_EQ(result.code, 0) << result.error;
    return;
  }
  EXPECT_NE(result.code, 0);
  EXPECT_EQ(result.error, c.refusal);
  EXPECT_FALSE(std::filesystem::exists(output)) << "nothing is left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenOutputFileCodecQuery,
    ::testing::Values(CodecQueryCase{"-c:a pcm_s16le", "out.mp4",
                                     "Output format mp4 cannot store pcm_s16le (encoder pcm_s16le) in stream "
                                     "#0:1; choose a codec the format supports."},
                      CodecQueryCase{"-c:v libx264", "out.webm",
                                     "Output format webm cannot store h264 (encoder libx264) in stream #0:0; "
                                     "choose a codec the format supports."},
                      CodecQueryCase{"-c:v libx264 -c:a aac", "out.mp4", ""},
                      CodecQueryCase{"-c:v libx264 -c:a libmp3lame", "out.mpg", ""},  // MPEG-PS cannot tell
                      CodecQueryCase{"-c:v copy -c:a pcm_s16le", "out.mov", ""}));

TEST_F(OpenOutputFile, JoinSelectsFromTheFirstInputOnly) {
  TestEngine engine;
  OpenTwoInputs(engine);
  const OpenResult result = OpenOutput(engine, "", dir_.File("out.mp4"), /*join=*/true);
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(Sources(engine), (std::vector<int>{0, 1}));
  EXPECT_EQ(engine.join_calls, 1);
  EXPECT_TRUE(engine.FJoinMode);

  const OpenResult second = OpenOutput(engine, "", dir_.File("second.mp4"), true);
  EXPECT_EQ(second.code, -1);
  EXPECT_EQ(second.error, "Cannot join more than one output file.");
}

struct MapCase {
  const char* options;
  std::vector<int> sources;
};

class OpenOutputFileMap : public OpenOutputFile, public ::testing::WithParamInterface<MapCase> {};

TEST_P(OpenOutputFileMap, CreatesTheMappedStreamsInOrder) {
  TestEngine engine;
  OpenTwoInputs(engine);
  const OpenResult result = OpenOutput(engine, GetParam().options, dir_.File("out.mkv"));
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(Sources(engine), GetParam().sources);
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenOutputFileMap,
                         ::testing::Values(MapCase{"-map 1:v -map 0:a", {2, 1}},
                                           MapCase{"-map 0 -map -0:a", {0}},
                                           MapCase{"-map 1 -map 0:v -an", {2, 0}},
                                           MapCase{"-map 0:a -map 0:a", {1, 1}}));

struct SubtitleSelectionCase {
  const char* options;
  const char* output;
  bool subtitle;
};

class OpenOutputFileSubtitle : public OpenOutputFile,
                               public ::testing::WithParamInterface<SubtitleSelectionCase> {};

TEST_P(OpenOutputFileSubtitle, TakesTheFirstTextSubtitleWhenTheFormatHasAnEncoder) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mkv", MatroskaWithSubtitles(1.0))).code, 0);
  const OpenResult result = OpenOutput(engine, GetParam().options, dir_.File(GetParam().output));
  ASSERT_EQ(result.code, 0) << result.error;
  bool has_subtitle = false;
  for (const auto& ost : engine.Foutput_streams) {
    if (ost->st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE) continue;
    has_subtitle = true;
    EXPECT_EQ(engine.Finput_streams[static_cast<std::size_t>(ost->source_index)]->st->codecpar->codec_type,
              AVMEDIA_TYPE_SUBTITLE);
  }
  EXPECT_EQ(has_subtitle, GetParam().subtitle);
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenOutputFileSubtitle,
                         ::testing::Values(SubtitleSelectionCase{"", "out.mkv", true},
                                           SubtitleSelectionCase{"-c:s mov_text", "out.mp4", true},  // named
                                           SubtitleSelectionCase{"-sn", "out.mkv", false},
                                           SubtitleSelectionCase{"", "out.avi",
                                                                 false}));  // no subtitle encoder

TEST_F(OpenOutputFile, ScalerOptionOfAPresetReachesTheStreams) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mp4", Mp4H264Aac(1.0))).code, 0);
  const OpenResult result = OpenOutput(engine, "-an", dir_.File("out.mkv"), false, "sws_flags=lanczos");
  ASSERT_EQ(result.code, 0) << result.error;
  const AVDictionaryEntry* flags =
      ff::av_dict_get(engine.Foutput_streams[0]->sws_dict.get(), "sws_flags", nullptr, 0);
  ASSERT_NE(flags, nullptr);
  EXPECT_STREQ(flags->value, "lanczos");
}

TEST_F(OpenOutputFile, WithoutStreamsFailsAndCreatesNoFile) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mp4", Mp4H264Aac(1.0))).code, 0);
  const std::string out = dir_.File("out.mp4");
  const OpenResult result = OpenOutput(engine, "-vn -an", out);
  EXPECT_EQ(result.code, -1);
  EXPECT_EQ(result.error, "Output file #0 does not contain any stream");
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_TRUE(engine.Foutput_files.empty());
  EXPECT_TRUE(engine.Foutput_streams.empty());
}

TEST_F(OpenOutputFile, NeverOverwritesAnInputEvenWithY) {
  const std::string clip = Clip("clip.mp4", Mp4H264Aac(1.0));
  const std::string link = dir_.File("link.mp4");
  std::filesystem::create_symlink(clip, link);
  const std::string before = ReadAll(clip);
  for (const std::string& out : {clip, link}) {
    TestEngine engine;
    ASSERT_EQ(OpenInput(engine, "", clip).code, 0);
    const OpenResult result = OpenOutput(engine, "-y -c copy", out);
    EXPECT_EQ(result.code, -1) << out;
    EXPECT_NE(result.error.find("an input is never overwritten"), std::string::npos) << result.error;
    EXPECT_TRUE(engine.Foutput_files.empty());
    EXPECT_TRUE(engine.Foutput_streams.empty());
    EXPECT_EQ(ReadAll(clip), before);
  }
}

TEST_F(OpenOutputFile, NoOverwriteLeavesAnExistingFileUntouched) {
  const std::string clip = Clip("clip.mp4", Mp4H264Aac(1.0));
  const std::string out = dir_.File("out.mp4");
  WriteFile(out, "keep me");
  {
    TestEngine engine;
    ASSERT_EQ(OpenInput(engine, "", clip).code, 0);
    const OpenResult result = OpenOutput(engine, "-n", out);
    EXPECT_EQ(result.code, -1);
    EXPECT_EQ(result.error, "File \"" + out + "\" already exists. Ignore.");
    EXPECT_EQ(ReadAll(out), "keep me");
  }
  {
    TestEngine engine;
    ASSERT_EQ(OpenInput(engine, "", clip).code, 0);
    const OpenResult result = OpenOutput(engine, "-y -n", out);
    EXPECT_TRUE(result.raised);
    EXPECT_EQ(result.error, "Error, both -y and -n supplied.");
    EXPECT_EQ(ReadAll(out), "keep me");
  }
  {
    TestEngine engine;  // without -n the output is replaced only by a finished run
    ASSERT_EQ(OpenInput(engine, "", clip).code, 0);
    ASSERT_EQ(OpenOutput(engine, "", out).code, 0);
    EXPECT_EQ(ReadAll(out), "keep me");
  }
}

struct LateFailureCase {
  const char* options;
  const char* message;
};

class OpenOutputFileLateFailure : public OpenOutputFile,
                                  public ::testing::WithParamInterface<LateFailureCase> {};

TEST_P(OpenOutputFileLateFailure, RemovesTheFileItCreatedAndEveryRecord) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mkv", MatroskaWithSubtitles(1.0))).code, 0);
  const std::string out = dir_.File("out.ts");
  const OpenResult result = OpenOutput(engine, GetParam().options, out);
  EXPECT_EQ(result.code, -1);
  EXPECT_FALSE(result.raised);
  EXPECT_EQ(result.error, GetParam().message);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_TRUE(engine.Foutput_files.empty());
  EXPECT_TRUE(engine.Foutput_streams.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenOutputFileLateFailure,
    ::testing::Values(
        LateFailureCase{"-program foo=1", "Unknown program key foo."},
        LateFailureCase{"-program title", "No \"=\" character in program string title."},
        LateFailureCase{"-map_chapters 5", "Invalid input file index 5 in chapter mapping."},
        LateFailureCase{"-map_metadata 3", "Invalid input file index 3 while processing metadata maps"},
        LateFailureCase{"-map_metadata:s:a 0:s:9", "Stream specifier 9 does not match  any streams."},
        LateFailureCase{"-metadata title", "No \"=\" character in metadata string title."},
        LateFailureCase{"-metadata:c:7 title=x", "Invalid chapter index 7 in metadata specifier."},
        LateFailureCase{"-metadata:x title=x", "Invalid metadata type x."}));

struct EarlyFailureCase {
  const char* options;
  const char* message;
};

class OpenOutputFileEarlyFailure : public OpenOutputFile,
                                   public ::testing::WithParamInterface<EarlyFailureCase> {};

TEST_P(OpenOutputFileEarlyFailure, ReportsTheReasonAndCreatesNothing) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mp4", Mp4H264Aac(1.0))).code, 0);
  const std::string out = dir_.File("out.mkv");
  const OpenResult result = OpenOutput(engine, GetParam().options, out);
  EXPECT_LT(result.code, 0);
  EXPECT_EQ(result.error, GetParam().message);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_TRUE(engine.Foutput_files.empty());
  EXPECT_TRUE(engine.Foutput_streams.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenOutputFileEarlyFailure,
    ::testing::Values(
        EarlyFailureCase{"-ss 10 -to 5", "-to value smaller than -ss; aborting."},
        EarlyFailureCase{
            "-c:v copy -vf scale=320:240",
            "Filtergraph \"scale=320:240\" was defined for video output stream 0:0 but codec copy was "
            "selected.\r\nFiltering and streamcopy cannot be used together."},
        EarlyFailureCase{"-pix_fmt nosuch", "Unknown pixel format requested: nosuch."},
        EarlyFailureCase{"-c:v copy -bsf:v nosuch", "Unknown bitstream filter \"nosuch\""},
        EarlyFailureCase{"-aspect 0:1", "Invalid aspect ratio: 0:1"},
        EarlyFailureCase{"-r nosuch", "Invalid framerate value: nosuch"},
        EarlyFailureCase{"-sample_fmt nosuch", "Invalid sample format \"nosuch\""},
        EarlyFailureCase{"-s 12", "Invalid frame size: 12."},
        EarlyFailureCase{"-rc_override 1,2", "error parsing rc_override"},
        EarlyFailureCase{
            "-map [nolabel]",
            "Output with label \"nolabel\" does not exist in any defined filter graph, or was already "
            "used elsewhere."},
        EarlyFailureCase{"-attach nosuch.ttf", "Could not open attachment file nosuch.ttf."}));

TEST_F(OpenOutputFile, RefusesADecodingOnlyCodecOption) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mp4", Mp4H264Aac(1.0))).code, 0);
  const std::string out = dir_.File("out.mkv");
  const OpenResult result = OpenOutput(engine, "-lowres 1", out);
  EXPECT_EQ(result.code, -1);
  EXPECT_EQ(result.error.rfind("Codec AVOption lowres (", 0), 0u) << result.error;
  EXPECT_NE(result.error.find(") specified for output file #0 (" + out + ") is not an encoding option."),
            std::string::npos)
      << result.error;
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(OpenOutputFile, TakesTInsteadOfTo) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mp4", Mp4H264Aac(1.0))).code, 0);
  ASSERT_EQ(OpenOutput(engine, "-t 5 -to 20", dir_.File("out.mp4")).code, 0);
  EXPECT_EQ(engine.Foutput_files[0]->recording_time, 5000000);
  EXPECT_EQ(engine.Foutput_files[0]->ctx->duration, 5000000);
}

TEST_F(OpenOutputFile, CopiesAndOverridesMetadata) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mkv", MatroskaWithSubtitles(1.0))).code, 0);
  const OpenResult result =
      OpenOutput(engine, "-map 0 -metadata:s:a language=fra -metadata title= -metadata comment=hello",
                 dir_.File("out.mkv"));
  ASSERT_EQ(result.code, 0) << result.error;
  AVFormatContext* oc = engine.Foutput_files[0]->ctx.get();
  EXPECT_EQ(ff::av_dict_get(oc->metadata, "title", nullptr, 0), nullptr);
  const AVDictionaryEntry* comment = ff::av_dict_get(oc->metadata, "comment", nullptr, 0);
  ASSERT_NE(comment, nullptr);
  EXPECT_STREQ(comment->value, "hello");
  for (unsigned i = 0; i < oc->nb_streams; ++i) {
    const AVDictionaryEntry* language = ff::av_dict_get(oc->streams[i]->metadata, "language", nullptr, 0);
    if (oc->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
      ASSERT_NE(language, nullptr);
      EXPECT_STREQ(language->value, "fra");
    }
  }
  EXPECT_EQ(oc->nb_chapters, 2u);  // the first input with chapters gives them
}

TEST_F(OpenOutputFile, ChapterMapMinusOneCopiesNone) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mkv", MatroskaWithSubtitles(1.0))).code, 0);
  ASSERT_EQ(OpenOutput(engine, "-map_chapters -1", dir_.File("out.mkv")).code, 0);
  EXPECT_EQ(engine.Foutput_files[0]->ctx->nb_chapters, 0u);
}

TEST_F(OpenOutputFile, CreatesProgramsWithTheirStreams) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mp4", Mp4H264Aac(1.0))).code, 0);
  const OpenResult result = OpenOutput(engine, "-program title=Main:st=0:st=1", dir_.File("out.ts"));
  ASSERT_EQ(result.code, 0) << result.error;
  AVFormatContext* oc = engine.Foutput_files[0]->ctx.get();
  ASSERT_EQ(oc->nb_programs, 1u);
  EXPECT_EQ(oc->programs[0]->id, 1);
  EXPECT_EQ(oc->programs[0]->nb_stream_indexes, 2u);
  const AVDictionaryEntry* title = ff::av_dict_get(oc->programs[0]->metadata, "title", nullptr, 0);
  ASSERT_NE(title, nullptr);
  EXPECT_STREQ(title->value, "Main");
}

TEST_F(OpenOutputFile, AttachesAFileWithItsBaseName) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mp4", Mp4H264Aac(1.0))).code, 0);
  std::filesystem::create_directory(dir_.File("fonts"));
  const std::string font = dir_.File("fonts/font.ttf");
  const std::string bytes = "not really a font \x01\x02\x03";
  WriteFile(font, bytes);
  const OpenResult result = OpenOutput(engine, "-attach " + font, dir_.File("out.mkv"));
  ASSERT_EQ(result.code, 0) << result.error;
  const TOutputStream& ost = *engine.Foutput_streams.back();
  EXPECT_EQ(ost.st->codecpar->codec_type, AVMEDIA_TYPE_ATTACHMENT);
  EXPECT_EQ(ost.attachment_filename, font);
  EXPECT_EQ(ost.stream_copy, 1);
  EXPECT_EQ(ost.finished, (TStreamFinished{.encoder = true}));
  ASSERT_EQ(ost.st->codecpar->extradata_size, static_cast<int>(bytes.size()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(ost.st->codecpar->extradata), bytes.size()), bytes);
  const AVDictionaryEntry* name = ff::av_dict_get(ost.st->metadata, "filename", nullptr, 0);
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(name->value, "font.ttf");
}

TEST_F(OpenOutputFile, RefusesAnEmptyAttachment) {
  TestEngine engine;
  ASSERT_EQ(OpenInput(engine, "", Clip("clip.mp4", Mp4H264Aac(1.0))).code, 0);
  const std::string empty = dir_.File("empty.ttf");
  MakeEmptyFile(empty);
  const OpenResult result = OpenOutput(engine, "-attach " + empty, dir_.File("out.mkv"));
  EXPECT_EQ(result.code, -1);
  EXPECT_EQ(result.error, "Could not get size of the attachment " + empty + ".");
  EXPECT_FALSE(std::filesystem::exists(dir_.File("out.mkv")));
}

}  // namespace
}  // namespace zentrova::test
