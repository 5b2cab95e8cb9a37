#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "decoder/ridarivir.h"
#include "log_capture.h"
#include "media/av_ptr.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova {
namespace {

constexpr std::int64_t kFrameUs = 40000;  // 25 fps
constexpr int kFrames = 50;               // 2 s
constexpr int kGop = 12;

class VideoDecode : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadMediaLibraries(); }

  // 50 pictures at 25 fps, a key frame every 12, with AAC audio interleaved.
  std::string MakeClip(const std::string& name, const std::string& format = "mp4") {
    test::ClipSpec spec = test::Mp4H264Aac(2.0);
    spec.format = format;
    const std::string path = dir_.File(name);
    test::MakeClip(path, spec);
    return path;
  }

  // Decodes forward until picture `index` (counted from the current one).
  static void DecodePictures(TRIDarivir& decoder, int count) {
    for (int i = 0; i < count; ++i) ASSERT_TRUE(decoder.Decode()) << decoder.LastErrMsg();
  }

  // The luma plane of the current picture, row by row.
  static std::vector<std::uint8_t> Luma(const TFrameInfo& info) {
    std::vector<std::uint8_t> rows;
    for (int y = 0; y < info.Height; ++y) {
      const std::uint8_t* row = info.Picture.data[0] + y * info.Picture.linesize[0];
      rows.insert(rows.end(), row, row + info.Width);
    }
    return rows;
  }

  test::TempDir dir_;
};

TEST_F(VideoDecode, EveryPictureInOrderThenEndOfStream) {
  for (const std::string format : {"mp4", "matroska", "mpegts"}) {
    SCOPED_TRACE(format);
    const std::string path = MakeClip("clip_" + format, format);
    TRIDarivir decoder;
    ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
    for (int i = 0; i < kFrames; ++i) {
      ASSERT_TRUE(decoder.Decode()) << "picture " << i << ": " << decoder.LastErrMsg();
      const TFrameInfo& info = decoder.FrameInfo();
      ASSERT_EQ(info.PTS, i * kFrameUs) << "picture " << i;
      EXPECT_EQ(info.IsKeyFrame, i % kGop == 0) << "picture " << i;
      EXPECT_EQ(info.Width, 320);
      EXPECT_EQ(info.PixFmt, AV_PIX_FMT_YUV420P);
      EXPECT_EQ(info.StreamIndex, 0);
      EXPECT_TRUE(info.Ready);
      EXPECT_FALSE(decoder.Eof());
    }
    for (int i = 0; i < 2; ++i) {
      EXPECT_FALSE(decoder.Decode());
      EXPECT_EQ(decoder.LastErrMsg(), "TRIDarivir.Decode() for video: stream eof reached.");
      EXPECT_TRUE(decoder.Eof());
    }
    // A seek to the start clears the end of input.
    ASSERT_TRUE(decoder.Seek(0, {})) << decoder.LastErrMsg();
    EXPECT_FALSE(decoder.Eof());
    ASSERT_TRUE(decoder.Decode()) << decoder.LastErrMsg();
    EXPECT_EQ(decoder.FrameInfo().PTS, 0);
  }
}

TEST_F(VideoDecode, PicturesWithBFramesKeepTheirDisplayTimes) {
  test::ClipSpec spec = test::Mp4H264Aac(1.0);
  spec.video->max_b_frames = 2;
  const std::string path = dir_.File("bframes.mp4");
  test::MakeClip(path, spec);
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  for (int i = 0; i < 25; ++i) {
    ASSERT_TRUE(decoder.Decode()) << "picture " << i << ": " << decoder.LastErrMsg();
    EXPECT_EQ(decoder.FrameInfo().PTS, i * kFrameUs) << "picture " << i;
  }
  EXPECT_FALSE(decoder.Decode());
  EXPECT_TRUE(decoder.Eof());
}

TEST_F(VideoDecode, SeekToTheStartByTimeAndByByte) {
  struct Case {
    std::string format;
    TSeekFlags flags;
    bool works;
    std::string text;
  } cases[] = {
      {"mp4", {}, true, ""},
      {"mpegts", {}, true, ""},
      {"mpegts", {TSeekFlag::sfByte}, true, ""},
      {"mp4", {TSeekFlag::sfByte}, false, "TRIDarivir.Seek(): could not seek to position 0 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format + (c.flags.Contains(TSeekFlag::sfByte) ? " by byte" : " by time"));
    const std::string path = MakeClip("seek_" + c.format, c.format);
    TRIDarivir decoder;
    ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
    DecodePictures(decoder, 20);
    EXPECT_EQ(decoder.Seek(0, c.flags), c.works);
    if (!c.works) {
      EXPECT_EQ(decoder.LastErrMsg(), c.text);
      continue;
    }
    EXPECT_FALSE(decoder.FrameInfo().Ready);
    ASSERT_TRUE(decoder.Decode()) << decoder.LastErrMsg();
    EXPECT_EQ(decoder.FrameInfo().PTS, 0);
    ASSERT_TRUE(decoder.Decode()) << decoder.LastErrMsg();
    EXPECT_EQ(decoder.FrameInfo().PTS, kFrameUs);
  }
}

TEST_F(VideoDecode, SeekByTimeLandsOnTheKeyFrameAtOrAfterIt) {
  const std::string path = MakeClip("clip.mp4");
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  ASSERT_TRUE(decoder.Decode());
  ASSERT_TRUE(decoder.Seek(500000, {}));
  ASSERT_TRUE(decoder.Decode());
  EXPECT_EQ(decoder.FrameInfo().PTS, 2 * kGop * kFrameUs);
  ASSERT_TRUE(decoder.Seek(500000, {TSeekFlag::sfBackward}));
  ASSERT_TRUE(decoder.Decode());
  EXPECT_EQ(decoder.FrameInfo().PTS, kGop * kFrameUs);
}

TEST_F(VideoDecode, StepsToNextAndPreviousKeyFrames) {
  const std::string path = MakeClip("clip.mp4");
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  // With nothing decoded, the search starts from the end of the file.
  ASSERT_TRUE(decoder.DecodePreviousKeyFrame()) << decoder.LastErrMsg();
  EXPECT_EQ(decoder.FrameInfo().PTS, 4 * kGop * kFrameUs);
  EXPECT_TRUE(decoder.FrameInfo().IsKeyFrame);

  ASSERT_TRUE(decoder.Seek(0, {}));
  ASSERT_TRUE(decoder.Decode());
  ASSERT_EQ(decoder.FrameInfo().PTS, 0);
  for (int key = 1; key <= 4; ++key) {
    ASSERT_TRUE(decoder.DecodeNextKeyFrame()) << decoder.LastErrMsg();
    EXPECT_EQ(decoder.FrameInfo().PTS, key * kGop * kFrameUs);
    EXPECT_TRUE(decoder.FrameInfo().IsKeyFrame);
  }
  for (int key = 3; key >= 0; --key) {
    ASSERT_TRUE(decoder.DecodePreviousKeyFrame()) << decoder.LastErrMsg();
    EXPECT_EQ(decoder.FrameInfo().PTS, key * kGop * kFrameUs);
  }
  // Picture 14 -> key frame 12.
  ASSERT_TRUE(decoder.Seek(0, {}));
  DecodePictures(decoder, 15);
  ASSERT_EQ(decoder.FrameInfo().PTS, 14 * kFrameUs);
  ASSERT_TRUE(decoder.DecodePreviousKeyFrame()) << decoder.LastErrMsg();
  EXPECT_EQ(decoder.FrameInfo().PTS, 12 * kFrameUs);
}

TEST_F(VideoDecode, StepsBackOnePictureAtATime) {
  const std::string path = MakeClip("clip.mp4");
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  DecodePictures(decoder, 15);
  ASSERT_EQ(decoder.FrameInfo().PTS, 14 * kFrameUs);
  // Across a key frame (12) and into the previous group of pictures.
  for (int expected = 13; expected >= 9; --expected) {
    ASSERT_TRUE(decoder.DecodePreviousFrame()) << decoder.LastErrMsg();
    EXPECT_EQ(decoder.FrameInfo().PTS, expected * kFrameUs);
  }
  // And forward again from there.
  ASSERT_TRUE(decoder.Decode());
  EXPECT_EQ(decoder.FrameInfo().PTS, 10 * kFrameUs);
}

TEST_F(VideoDecode, FiltersMirrorPicturesAndCanBeSwitchedOff) {
  const std::string path = MakeClip("clip.mp4");
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  ASSERT_TRUE(decoder.Decode());
  const std::vector<std::uint8_t> plain = Luma(decoder.FrameInfo());
  const int width = decoder.FrameInfo().Width;

  decoder.SetVideoFilters("hflip");
  ASSERT_TRUE(decoder.Seek(0, {}));
  ASSERT_TRUE(decoder.Decode()) << decoder.LastErrMsg();
  const TFrameInfo& flipped = decoder.FrameInfo();
  EXPECT_EQ(flipped.PixFmt, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(flipped.PTS, 0);
  const std::vector<std::uint8_t> mirrored = Luma(flipped);
  ASSERT_EQ(mirrored.size(), plain.size());
  EXPECT_NE(mirrored, plain);
  for (std::size_t row = 0; row < plain.size() / width; ++row)
    for (int x = 0; x < width; ++x)
      ASSERT_EQ(mirrored[row * width + x], plain[row * width + (width - 1 - x)]) << row << "," << x;
  ASSERT_TRUE(decoder.Decode());
  EXPECT_EQ(decoder.FrameInfo().PTS, kFrameUs);

  decoder.SetVideoFilters("");
  ASSERT_TRUE(decoder.Seek(0, {}));
  ASSERT_TRUE(decoder.Decode());
  EXPECT_EQ(Luma(decoder.FrameInfo()), plain);
}

TEST_F(VideoDecode, BrokenFilterTextPassesPicturesUnfiltered) {
  const std::string path = MakeClip("clip.mp4");
  test::LogCapture log;
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  decoder.SetVideoFilters("no_such_filter=1");
  ASSERT_TRUE(decoder.Decode()) << decoder.LastErrMsg();
  EXPECT_EQ(decoder.FrameInfo().PTS, 0);
  EXPECT_GE(log.Count("Error while configuring the filtergraph"), 1);
}

TEST_F(VideoDecode, CopyToBitmapNeedsAPictureAndCopiesRowsExactly) {
  // A 101-pixel-wide BGR24 picture: rows of 303 bytes in 304-byte bitmap rows.
  test::ClipSpec spec;
  spec.format = "avi";
  spec.duration_s = 0.2;
  spec.video = test::VideoSpec{};
  spec.video->codec = "rawvideo";
  spec.video->pix_fmt = "bgr24";
  spec.video->width = 101;
  spec.video->height = 37;
  const std::string path = dir_.File("raw.avi");
  test::MakeClip(path, spec);

  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  TBitmap bitmap;
  EXPECT_FALSE(decoder.CopyToBitmap(bitmap));
  EXPECT_EQ(decoder.LastErrMsg(), "picture not ready, please decode first");
  EXPECT_EQ(decoder.GetBitmapPtr(), nullptr);
  EXPECT_TRUE(bitmap.Empty());

  ASSERT_TRUE(decoder.Decode()) << decoder.LastErrMsg();
  const TFrameInfo& info = decoder.FrameInfo();
  ASSERT_EQ(info.PixFmt, AV_PIX_FMT_BGR24);
  decoder.SetBitmapBitsPixel(24);
  ASSERT_TRUE(decoder.CopyToBitmap(bitmap)) << decoder.LastErrMsg();
  ASSERT_EQ(bitmap.Width(), 101);
  ASSERT_EQ(bitmap.Height(), 37);
  EXPECT_EQ(bitmap.PixelFormat(), TBMPPixelFormat::pf24bit);
  for (int y = 0; y < 37; ++y)
    ASSERT_EQ(std::memcmp(bitmap.ScanLine(y), info.Picture.data[0] + y * info.Picture.linesize[0], 303), 0)
        << "row " << y;

  decoder.SetBitmapBitsPixel(32);
  const TDIB* dib = decoder.GetBitmapPtr();
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(dib->Width, 101);
  EXPECT_EQ(dib->BitsPixel, 32);
  EXPECT_EQ(dib->WidthBytes, 404);
  const std::uint8_t* source = info.Picture.data[0] + 5 * info.Picture.linesize[0] + 3 * 50;
  const std::uint8_t* pixel = dib->Bits + 5 * dib->WidthBytes + 4 * 50;
  EXPECT_EQ(std::memcmp(pixel, source, 3), 0);
  EXPECT_EQ(pixel[3], 255);
}

TEST_F(VideoDecode, StillPictureIsDecodedOnceAndCannotBeSought) {
  const std::string path = dir_.File("still.png");
  test::MakeClip(path, test::PngStill());
  for (const std::string format : {"", "image2"}) {
    SCOPED_TRACE(format.empty() ? "probed" : format);
    TRIDarivir decoder;
    ASSERT_TRUE(decoder.LoadFile(path, format)) << decoder.LastErrMsg();
    ASSERT_TRUE(decoder.Decode()) << decoder.LastErrMsg();
    const std::vector<std::uint8_t> first(decoder.FrameInfo().Buffer,
                                          decoder.FrameInfo().Buffer + decoder.FrameInfo().Size);
    EXPECT_EQ(decoder.FrameInfo().Width, 320);
    ASSERT_TRUE(decoder.Decode()) << decoder.LastErrMsg();
    const std::vector<std::uint8_t> second(decoder.FrameInfo().Buffer,
                                           decoder.FrameInfo().Buffer + decoder.FrameInfo().Size);
    EXPECT_EQ(first, second);
    EXPECT_FALSE(decoder.Seek(0, {}));
    EXPECT_EQ(decoder.LastErrMsg(), "\"image2\" format cannot to be seeked.");
    TBitmap bitmap;
    EXPECT_TRUE(decoder.CopyToBitmap(bitmap)) << decoder.LastErrMsg();
    EXPECT_EQ(bitmap.Width(), 320);
  }
}

TEST_F(VideoDecode, AdoptedHandleRefusesDecodingAndSeeking) {
  const std::string path = MakeClip("clip.mp4");
  AVInputFormatContextPtr file;
  ASSERT_GE(ff::avformat_open_input(OutPtr(file), path.c_str(), nullptr, nullptr), 0);
  ASSERT_GE(ff::avformat_find_stream_info(file.get(), nullptr), 0);
  TRIDarivir decoder;
  decoder.SetFileHandle(file.get());
  EXPECT_EQ(decoder.VideoStreamCount(), 1);
  try {
    decoder.Decode();
    ADD_FAILURE() << "Decode on an adopted handle did not raise";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "file cannot be seeked, handle is readonly.");
  }
  EXPECT_THROW(decoder.Seek(0, {}), std::runtime_error);
  EXPECT_THROW(decoder.DecodeAudio(), std::runtime_error);
  decoder.CloseFile();
  EXPECT_FALSE(decoder.Decode());
  EXPECT_EQ(decoder.LastErrMsg(), "file not loaded.");
}

TEST_F(VideoDecode, BadStreamChoicesFailWithTheirText) {
  const std::string path = MakeClip("clip.mp4");
  test::MakeClip(dir_.File("tone.wav"), test::WavS16(0.5));
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  EXPECT_FALSE(decoder.Decode(1));
  EXPECT_EQ(decoder.LastErrMsg(), "stream #1 is not video stream.");
  EXPECT_FALSE(decoder.Decode(7));
  EXPECT_EQ(decoder.LastErrMsg(), "stream index #7 is invalid.");
  ASSERT_TRUE(decoder.LoadFile(dir_.File("tone.wav"))) << decoder.LastErrMsg();
  EXPECT_FALSE(decoder.Decode());
  EXPECT_EQ(decoder.LastErrMsg(), "no video stream.");
  EXPECT_FALSE(decoder.DecodeNextKeyFrame());
  EXPECT_EQ(decoder.Position(), decoder.Position());
  decoder.CloseFile();
  EXPECT_EQ(decoder.Position(), -1);
  EXPECT_EQ(decoder.LastErrMsg(), "file not loaded.");
}

TEST_F(VideoDecode, TruncatedClipDecodesWhatItHasThenEnds) {
  const std::string path = MakeClip("clip.ts", "mpegts");
  const std::string half = dir_.File("half.ts");
  test::MakeTruncatedCopy(path, half, 0.5);
  const auto size_before = std::filesystem::file_size(half);
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(half)) << decoder.LastErrMsg();
  int pictures = 0;
  std::int64_t last = -1;
  while (decoder.Decode()) {
    EXPECT_GT(decoder.FrameInfo().PTS, last);
    last = decoder.FrameInfo().PTS;
    ASSERT_LT(++pictures, kFrames + 1);
  }
  EXPECT_TRUE(decoder.Eof());
  EXPECT_GT(pictures, 5);
  EXPECT_LT(pictures, kFrames);
  decoder.CloseFile();
  EXPECT_EQ(std::filesystem::file_size(half), size_before);  // the input is never written
}

}  // namespace
}  // namespace zentrova
