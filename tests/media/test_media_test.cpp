#include "media/test_media.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

using namespace std::string_literals;

std::string ReadAll(const std::string& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct ExpectedStream {
  AVMediaType type;
  std::string codec;
  int width_or_rate;  // video: width; audio: sample rate; subtitle: unused
  int height_or_channels;
};

struct PresetCase {
  std::string name;    // PresetByName name, also the test's label
  std::string file;    // output file name
  double duration_s;   // asked for
  std::string format;  // a name in the demuxer's list
  std::vector<ExpectedStream> streams;
  double tolerance_s;  // probed duration vs asked (encoder priming, container rounding)
  int chapters;
  int programs;
};

void PrintTo(const PresetCase& c, std::ostream* os) {
  *os << c.name;
}

class PresetClip : public testing::TestWithParam<PresetCase> {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  TempDir dir_;
};

// Every ready-made clip reads back as the container, streams, duration and
// exact picture count it was made with.
TEST_P(PresetClip, ReadsBackAsMade) {
  const PresetCase& c = GetParam();
  const std::string path = dir_.File(c.file);
  const ClipSpec spec = PresetByName(c.name, c.duration_s);
  MakeClip(path, spec);

  ProbedFile probed = ProbeFile(path);
  EXPECT_NE(("," + probed.format + ",").find("," + c.format + ","), std::string::npos) << probed.format;
  ASSERT_EQ(probed.streams.size(), c.streams.size());
  for (size_t i = 0; i < c.streams.size(); ++i) {
    SCOPED_TRACE("stream " + std::to_string(i));
    const ProbedStream& s = probed.streams[i];
    EXPECT_EQ(s.type, c.streams[i].type);
    EXPECT_EQ(s.codec, c.streams[i].codec);
    if (s.type == AVMEDIA_TYPE_VIDEO) {
      EXPECT_EQ(s.width, c.streams[i].width_or_rate);
      EXPECT_EQ(s.height, c.streams[i].height_or_channels);
    } else if (s.type == AVMEDIA_TYPE_AUDIO) {
      EXPECT_EQ(s.sample_rate, c.streams[i].width_or_rate);
      EXPECT_EQ(s.channels, c.streams[i].height_or_channels);
    }
  }
  EXPECT_EQ(probed.chapters, c.chapters);
  EXPECT_EQ(probed.programs, c.programs);
  if (spec.video) {
    const int64_t frames = std::llround(spec.duration_s * spec.video->rate.num / spec.video->rate.den);
    EXPECT_EQ(CountVideoFrames(path), frames);
  }
  if (c.tolerance_s >= 0) {
    EXPECT_NEAR(probed.duration_us / 1e6, spec.duration_s, c.tolerance_s);
  }
}

const ExpectedStream kH264{AVMEDIA_TYPE_VIDEO, "h264", 320, 240};
const ExpectedStream kAac{AVMEDIA_TYPE_AUDIO, "aac", 48000, 2};

INSTANTIATE_TEST_SUITE_P(
    Presets, PresetClip,
    testing::Values(
        PresetCase{"mp4", "clip.mp4", 1.6, "mp4", {kH264, kAac}, 0.05, 0, 0},
        PresetCase{"avi",
                   "clip.avi",
                   1.6,
                   "avi",
                   {{AVMEDIA_TYPE_VIDEO, "mpeg4", 320, 240}, {AVMEDIA_TYPE_AUDIO, "mp3", 44100, 2}},
                   0.05,
                   0,
                   0},
        PresetCase{"mkv",
                   "clip.mkv",
                   1.6,
                   "matroska",
                   {kH264, kAac, {AVMEDIA_TYPE_SUBTITLE, "subrip", 0, 0}},
                   0.05,
                   2,
                   0},
        PresetCase{"ts", "clip.ts", 1.6, "mpegts", {kH264, kAac, kAac}, 0.1, 0, 2},
        PresetCase{"wav", "clip.wav", 1.6, "wav", {{AVMEDIA_TYPE_AUDIO, "pcm_s16le", 44100, 2}}, 0.0, 0, 0},
        PresetCase{"flac", "clip.flac", 1.6, "flac", {{AVMEDIA_TYPE_AUDIO, "flac", 44100, 2}}, 0.0, 0, 0},
        PresetCase{"png", "still.png", 0, "png_pipe", {{AVMEDIA_TYPE_VIDEO, "png", 320, 240}}, -1, 0, 0},
        PresetCase{"rotated", "rotated.mp4", 1.6, "mp4", {kH264, kAac}, 0.05, 0, 0},
        PresetCase{"1080p", "hd.mp4", 0.4, "mp4", {{AVMEDIA_TYPE_VIDEO, "h264", 1920, 1080}}, 0.05, 0, 0}),
    [](const testing::TestParamInfo<PresetCase>& info) {
      std::string name = info.param.name;
      return name == "1080p" ? std::string("hd1080p") : name;
    });

class GeneratedClip : public testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  TempDir dir_;
};

// Rotation written as the clockwise turn a player applies reads back the same.
TEST_F(GeneratedClip, RotationReadsBackInTheSameSense) {
  for (double degrees : {90.0, 180.0, 270.0, 45.0}) {
    SCOPED_TRACE(degrees);
    const std::string path = dir_.File("rotated.mp4");
    MakeClip(path, Mp4Rotated(degrees, 0.2));
    ProbedFile probed = ProbeFile(path);
    ASSERT_FALSE(probed.streams.empty());
    EXPECT_NEAR(probed.streams[0].rotation_degrees, degrees, 0.01);
  }
  MakeClip(dir_.File("plain.mp4"), Mp4H264Aac(0.2));
  EXPECT_EQ(ProbeFile(dir_.File("plain.mp4")).streams[0].rotation_degrees, 0.0);
}

// B-frames give the stream a reordering delay and still every picture.
TEST_F(GeneratedClip, BFramesDelayTheStreamAndKeepEveryPicture) {
  ClipSpec spec = Mp4H264Aac(1.0);
  spec.video->max_b_frames = 2;
  MakeClip(dir_.File("b.mp4"), spec);
  ProbedFile probed = ProbeFile(dir_.File("b.mp4"));
  EXPECT_GT(probed.streams[0].video_delay, 0);
  EXPECT_EQ(CountVideoFrames(dir_.File("b.mp4")), 25);
  EXPECT_EQ(ProbeFile(dir_.File("b.mp4")).streams[0].frame_rate.num, 25);

  MakeClip(dir_.File("nob.mp4"), Mp4H264Aac(1.0));
  EXPECT_EQ(ProbeFile(dir_.File("nob.mp4")).streams[0].video_delay, 0);
}

// Streams come in the order video, extra video, audio, subtitles, cover art.
TEST_F(GeneratedClip, ExtraVideoAndCoverArtFollowTheMainStreams) {
  for (const std::string file : {"many.mp4", "many.mkv"}) {
    SCOPED_TRACE(file);
    ClipSpec spec = Mp4H264Aac(0.8);
    spec.format.clear();
    spec.extra_video = {VideoSpec{}};
    spec.extra_video[0].width = 640;
    spec.extra_video[0].height = 480;
    spec.audio.push_back(AudioSpec{});
    spec.audio[1].channels = 6;
    spec.cover_art = true;
    MakeClip(dir_.File(file), spec);
    ProbedFile probed = ProbeFile(dir_.File(file));
    ASSERT_EQ(probed.streams.size(), 5u);
    EXPECT_EQ(probed.streams[0].width, 320);
    EXPECT_EQ(probed.streams[1].width, 640);
    EXPECT_EQ(probed.streams[1].height, 480);
    EXPECT_EQ(probed.streams[2].channels, 2);
    EXPECT_EQ(probed.streams[3].channels, 6);
    EXPECT_EQ(probed.streams[4].codec, "png");
    EXPECT_EQ(probed.streams[4].width, 160);
    EXPECT_TRUE(probed.streams[4].disposition & AV_DISPOSITION_ATTACHED_PIC);
    EXPECT_FALSE(probed.streams[0].disposition & AV_DISPOSITION_ATTACHED_PIC);
    // The picture count is the main stream's, not the cover's.
    EXPECT_EQ(CountVideoFrames(dir_.File(file)), 20);
  }
}

// Attachments keep their bytes, name and type; image attachments read back as pictures.
TEST_F(GeneratedClip, MatroskaAttachmentsKeepTheirBytes) {
  ClipSpec spec = Mp4H264Aac(0.4);
  spec.format = "matroska";
  const std::string text = "not a font\0with a zero"s;
  spec.attachments = {{"notes.txt", "text/plain", text}, {"../escape.bin", "application/octet-stream", "x"}};
  MakeClip(dir_.File("att.mkv"), spec);
  ProbedFile probed = ProbeFile(dir_.File("att.mkv"));
  ASSERT_EQ(probed.streams.size(), 4u);
  EXPECT_EQ(probed.streams[2].type, AVMEDIA_TYPE_ATTACHMENT);
  EXPECT_EQ(probed.streams[2].metadata["filename"], "notes.txt");
  EXPECT_EQ(probed.streams[2].metadata["mimetype"], "text/plain");
  EXPECT_EQ(probed.streams[2].attachment, text);
  EXPECT_EQ(probed.streams[3].metadata["filename"], "../escape.bin");

  spec.format = "mp4";
  EXPECT_THROW(MakeClip(dir_.File("att.mp4"), spec), std::runtime_error);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("att.mp4")));
}

// A cue per started second, in the container's text subtitle codec.
TEST_F(GeneratedClip, SubtitlesHaveACuePerStartedSecond) {
  struct Case {
    std::string file, format, codec;
    double duration_s;
    int64_t packets;  // MP4 closes the last cue with an empty sample of its own
  };
  for (const Case& c :
       {Case{"subs.mkv", "matroska", "subrip", 2.5, 3}, Case{"subs.mp4", "mp4", "mov_text", 2.0, 3}}) {
    SCOPED_TRACE(c.file);
    ClipSpec spec = Mp4H264Aac(c.duration_s);
    spec.format = c.format;
    spec.subtitle_streams = 2;
    MakeClip(dir_.File(c.file), spec);
    ProbedFile probed = ProbeFile(dir_.File(c.file));
    ASSERT_EQ(probed.streams.size(), 4u);
    for (int i : {2, 3}) {
      EXPECT_EQ(probed.streams[i].type, AVMEDIA_TYPE_SUBTITLE);
      EXPECT_EQ(probed.streams[i].codec, c.codec);
      EXPECT_EQ(CountPackets(dir_.File(c.file), i), c.packets);
    }
  }
}

TEST_F(GeneratedClip, ChaptersAreEvenlySpacedAndTitled) {
  MakeClip(dir_.File("chapters.mkv"), MatroskaWithSubtitles(3.0));
  ProbedFile probed = ProbeFile(dir_.File("chapters.mkv"));
  EXPECT_EQ(probed.chapter_titles, (std::vector<std::string>{"Chapter 1", "Chapter 2"}));
  EXPECT_EQ(probed.metadata["title"], "Generated clip");
  EXPECT_EQ(probed.streams[1].metadata["language"], "eng");
}

// Each program takes the next run of streams; the streams keep their order.
TEST_F(GeneratedClip, TransportStreamProgramsCarryTheirStreams) {
  MakeClip(dir_.File("two.ts"), TsTwoPrograms(1.0));
  ProbedFile probed = ProbeFile(dir_.File("two.ts"));
  ASSERT_EQ(probed.streams.size(), 3u);
  EXPECT_EQ(probed.programs, 2);
  EXPECT_EQ(probed.streams[0].type, AVMEDIA_TYPE_VIDEO);
  EXPECT_EQ(probed.streams[0].program, 1);
  EXPECT_EQ(probed.streams[1].program, 1);
  EXPECT_EQ(probed.streams[2].program, 2);
  EXPECT_EQ(probed.streams[1].metadata["language"], "eng");
  EXPECT_EQ(probed.streams[2].metadata["language"], "fra");
}

// Audio-only clips hold exactly duration x rate samples, whatever the encoder's frame size.
TEST_F(GeneratedClip, AudioHoldsExactlyTheAskedSamples) {
  for (double duration_s : {0.5, 1.3}) {
    for (const ClipSpec& spec : {WavS16(duration_s), Flac(duration_s)}) {
      SCOPED_TRACE(spec.format + " " + std::to_string(duration_s));
      const std::string path = dir_.File("tone." + spec.format);
      MakeClip(path, spec);
      EXPECT_EQ(ProbeFile(path).duration_us, std::llround(duration_s * 1e6));
    }
  }
}

TEST_F(GeneratedClip, NonAsciiNameAndFormatFromTheName) {
  const std::string path = dir_.File("视频 1.mp4");
  ClipSpec spec = Mp4H264Aac(0.4);
  spec.format.clear();
  MakeClip(path, spec);
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(path)));
  ProbedFile probed = ProbeFile(path);
  EXPECT_NE(probed.format.find("mp4"), std::string::npos);
  EXPECT_EQ(CountVideoFrames(path), 10);
}

// Every bad spec is refused with a message naming what is wrong, and no file is left behind.
TEST_F(GeneratedClip, BadSpecsAreRefusedAndLeaveNoFile) {
  struct Case {
    std::string label, file;
    ClipSpec spec;
    std::string message;  // part of the error text
  };
  auto with = [](auto change) {
    ClipSpec spec = Mp4H264Aac(0.4);
    change(spec);
    return spec;
  };
  const std::vector<Case> cases = {
      {"unknown encoder", "a.mp4", with([](ClipSpec& s) { s.video->codec = "nosuchencoder"; }),
       "\"nosuchencoder\""},
      {"audio encoder as video", "b.mp4", with([](ClipSpec& s) { s.video->codec = "aac"; }),
       "does not encode video"},
      {"unknown format", "c.mp4", with([](ClipSpec& s) { s.format = "nosuchformat"; }), "\"nosuchformat\""},
      {"no format from name", "d.nosuchext", with([](ClipSpec& s) { s.format.clear(); }), "d.nosuchext"},
      {"codec the container refuses", "e.wav", with([](ClipSpec& s) { s.format = "wav"; }), "cannot carry"},
      {"unknown pixel format", "f.mp4", with([](ClipSpec& s) { s.video->pix_fmt = "nosuchpix"; }),
       "\"nosuchpix\""},
      {"unsupported sample rate", "g.mp4", with([](ClipSpec& s) { s.audio[0].sample_rate = 12345; }),
       "12345"},
      {"no duration", "h.mp4", with([](ClipSpec& s) { s.duration_s = 0; }), "duration"},
      {"no streams", "i.mp4", with([](ClipSpec& s) {
         s.video.reset();
         s.audio.clear();
       }),
       "at least one stream"},
      {"missing folder", "missing/j.mp4", Mp4H264Aac(0.4), "Cannot create"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string path = dir_.File(c.file);
    try {
      MakeClip(path, c.spec);
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(path)));
  }
}

// A failure, before or after writing began, never touches a file that is
// already there and leaves no partial file.
TEST_F(GeneratedClip, FailureKeepsAnExistingFileAndLeavesNoPartialFile) {
  ClipSpec no_encoder = Mp4H264Aac(0.4);
  no_encoder.audio[0].codec = "nosuchencoder";
  ClipSpec two_flac = Flac(0.4);  // the FLAC muxer refuses a second stream in its header
  two_flac.audio.push_back(two_flac.audio[0]);
  for (const auto& [file, spec] : {std::pair{"keep.mp4", no_encoder}, std::pair{"keep.flac", two_flac}}) {
    SCOPED_TRACE(file);
    const std::string path = dir_.File(file);
    WriteFile(path, "precious bytes");
    EXPECT_THROW(MakeClip(path, spec), std::runtime_error);
    EXPECT_EQ(ReadAll(path), "precious bytes");
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), {}), 2);
}

// A clip replaces what was at its name; a numbered pattern makes a picture sequence.
TEST_F(GeneratedClip, ReplacesAnExistingFileAndWritesNumberedPictures) {
  const std::string path = dir_.File("old.wav");
  WriteFile(path, "old bytes");
  MakeClip(path, WavS16(0.2));
  EXPECT_EQ(ProbeFile(path).duration_us, 200000);

  ClipSpec pictures = PngStill();
  pictures.duration_s = 3.0 / 25;
  MakeClip(dir_.File("img%03d.png"), pictures);
  for (const char* name : {"img001.png", "img002.png", "img003.png"}) {
    EXPECT_EQ(ProbeFile(dir_.File(name)).streams.at(0).codec, "png") << name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("img004.png")));
}

TEST(PresetByName, KnowsEveryListedNameAndRefusesOthers) {
  for (const std::string& name : PresetNames()) {
    SCOPED_TRACE(name);
    ClipSpec spec = PresetByName(name, 1.0);
    EXPECT_TRUE(spec.video || !spec.audio.empty());
  }
  try {
    PresetByName("nosuchclip");
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("\"nosuchclip\""), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("1080p"), std::string::npos) << e.what();
  }
}

class BadFile : public testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }
  TempDir dir_;
};

TEST_F(BadFile, EmptyFileHasNoBytesAndDoesNotProbe) {
  for (const std::string name : {"empty.mp4", "空 文件.mkv"}) {
    SCOPED_TRACE(name);
    const std::string path = dir_.File(name);
    WriteFile(path, "old content");
    MakeEmptyFile(path);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_THROW(ProbeFile(path), std::runtime_error);
  }
}

TEST_F(BadFile, TruncatedCopyKeepsThePrefixAndTheSource) {
  const std::string source = dir_.File("source.avi");
  MakeClip(source, AviMpeg4Mp3(1.0));
  const std::string whole = ReadAll(source);
  for (double fraction : {0.0, 0.5, 1.0}) {
    SCOPED_TRACE(fraction);
    const std::string target = dir_.File("cut.avi");
    MakeTruncatedCopy(source, target, fraction);
    const std::string cut = ReadAll(target);
    EXPECT_EQ(cut.size(), static_cast<size_t>(std::floor(whole.size() * fraction)));
    EXPECT_EQ(cut, whole.substr(0, cut.size()));
  }
  EXPECT_EQ(ReadAll(source), whole);
  // Half an AVI still opens but yields fewer pictures than the whole one.
  MakeTruncatedCopy(source, dir_.File("half.avi"), 0.5);
  EXPECT_LT(CountVideoFrames(dir_.File("half.avi")), CountVideoFrames(source));
}

TEST_F(BadFile, TruncatedCopyRefusesToReplaceItsSourceOrBadFractions) {
  const std::string source = dir_.File("source.wav");
  MakeClip(source, WavS16(0.2));
  const std::string whole = ReadAll(source);
  EXPECT_THROW(MakeTruncatedCopy(source, source, 0.5), std::runtime_error);
  EXPECT_THROW(MakeTruncatedCopy(source, dir_.File("x.wav"), 1.5), std::runtime_error);
  EXPECT_THROW(MakeTruncatedCopy(source, dir_.File("x.wav"), -0.1), std::runtime_error);
  EXPECT_THROW(MakeTruncatedCopy(dir_.File("missing.wav"), dir_.File("x.wav"), 0.5), std::runtime_error);
  EXPECT_EQ(ReadAll(source), whole);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("x.wav")));
}

TEST_F(BadFile, GarbageHasTheSizeAndDependsOnlyOnTheSeed) {
  MakeGarbageFile(dir_.File("a.mp4"), 4096, 7);
  MakeGarbageFile(dir_.File("b.mp4"), 4096, 7);
  MakeGarbageFile(dir_.File("c.mp4"), 4096, 8);
  const std::string a = ReadAll(dir_.File("a.mp4"));
  EXPECT_EQ(a.size(), 4096u);
  EXPECT_EQ(a, ReadAll(dir_.File("b.mp4")));
  EXPECT_NE(a, ReadAll(dir_.File("c.mp4")));
  // Not every byte value alike: it is noise, not a fill.
  EXPECT_GT(std::set<char>(a.begin(), a.end()).size(), 200u);
  EXPECT_THROW(ProbeFile(dir_.File("a.mp4")), std::runtime_error);
}

TEST(ProbeFile, MissingFileIsAClearError) {
  LoadMediaLibraries();
  TempDir dir;
  try {
    ProbeFile(dir.File("missing.mp4"));
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("missing.mp4"), std::string::npos) << e.what();
  }
  EXPECT_THROW(CountVideoFrames(dir.File("missing.mp4")), std::runtime_error);
}

TEST(CountVideoFrames, AudioOnlyFileHasNoVideo) {
  LoadMediaLibraries();
  TempDir dir;
  MakeClip(dir.File("tone.flac"), Flac(0.3));
  EXPECT_THROW(CountVideoFrames(dir.File("tone.flac")), std::runtime_error);
  EXPECT_THROW(CountPackets(dir.File("tone.flac"), 1), std::runtime_error);
  EXPECT_GT(CountPackets(dir.File("tone.flac"), 0), 0);
}

}  // namespace
}  // namespace zentrova::test
