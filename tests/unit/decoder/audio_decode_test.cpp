#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "decoder/ridarivir.h"
#include "log_capture.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova {
namespace {

// The sample bytes of a canonical PCM WAV file (its "data" chunk).
std::vector<std::uint8_t> WavData(const std::string& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::size_t at = 12;  // after "RIFF" size "WAVE"
  while (at + 8 <= bytes.size()) {
    std::uint32_t size = 0;
    std::memcpy(&size, &bytes[at + 4], 4);
    if (std::memcmp(&bytes[at], "data", 4) == 0) {
      const std::size_t end = std::min(bytes.size(), at + 8 + size);
      return {bytes.begin() + static_cast<std::ptrdiff_t>(at + 8),
              bytes.begin() + static_cast<std::ptrdiff_t>(end)};
    }
    at += 8 + size + (size & 1);
  }
  ADD_FAILURE() << "no data chunk in " << path;
  return {};
}

class AudioDecode : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadMediaLibraries(); }

  std::string MakeWav(const std::string& name, const std::string& codec, int rate, double seconds) {
    test::ClipSpec spec;
    spec.format = "wav";
    spec.duration_s = seconds;
    test::AudioSpec audio;
    audio.codec = codec;
    audio.sample_rate = rate;
    spec.audio = {audio};
    const std::string path = dir_.File(name);
    test::MakeClip(path, spec);
    return path;
  }

  test::TempDir dir_;
};

TEST_F(AudioDecode, FloatAt48kIsResampledTo16BitAt44k) {
  const std::string path = MakeWav("float.wav", "pcm_f32le", 48000, 2.0);
  test::LogCapture log;
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  std::int64_t total = 0;
  int packets = 0;
  while (decoder.DecodeAudio()) {
    const TWaveInfo& wave = decoder.WaveInfo();
    ASSERT_TRUE(wave.Ready);
    EXPECT_EQ(wave.Channels, 2);
    EXPECT_EQ(wave.SampleRate, 44100);
    EXPECT_EQ(wave.SampleFormat, AV_SAMPLE_FMT_S16);
    EXPECT_EQ(wave.BytesPerSample, 2);
    EXPECT_EQ(wave.BytesPerSecond, 176400);
    EXPECT_EQ(wave.Duration, std::llround(wave.Size * 1000000.0 / 176400)) << "packet " << packets;
    EXPECT_EQ(wave.Size % 4, 0);
    total += wave.Size;
    ++packets;
  }
  EXPECT_EQ(decoder.LastErrMsg(), "TRIDarivir.DecodeAudio(): stream eof reached.");
  EXPECT_NEAR(static_cast<double>(total), 352800.0, 3528.0);
  EXPECT_EQ(log.Count("need resample 48000 Hz flt 2 channels to 44100 Hz s16 2 channels"), 1);
  EXPECT_GT(packets, 10);
}

TEST_F(AudioDecode, MatchingSourcePassesThroughByteIdentical) {
  const std::string path = dir_.File("s16.wav");
  test::MakeClip(path, test::WavS16(1.0));
  test::LogCapture log;
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  std::vector<std::uint8_t> decoded;
  while (decoder.DecodeAudio())
    decoded.insert(decoded.end(), decoder.WaveInfo().Buffer,
                   decoder.WaveInfo().Buffer + decoder.WaveInfo().Size);
  EXPECT_EQ(log.Count("need resample"), 0);
  const std::vector<std::uint8_t> source = WavData(path);
  ASSERT_EQ(decoded.size(), source.size());
  EXPECT_TRUE(decoded == source);
}

TEST_F(AudioDecode, ReadAudioServesPacketsAsAByteStream) {
  const std::string path = dir_.File("s16.wav");
  test::MakeClip(path, test::WavS16(1.0));
  const std::vector<std::uint8_t> source = WavData(path);
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  std::vector<std::uint8_t> buffer(1000);
  // A null buffer only tells what is available.
  EXPECT_EQ(decoder.ReadAudio(nullptr, 1000), 1000);
  ASSERT_EQ(decoder.WaveInfo().Size, 4096);  // the WAV reader's packet
  EXPECT_EQ(decoder.ReadAudio(nullptr, 5000), 4096);
  std::vector<std::uint8_t> read;
  const int expected[] = {1000, 1000, 1000, 1000, 96, 1000};
  for (int n : expected) {
    ASSERT_EQ(decoder.ReadAudio(buffer.data(), 1000), n);
    read.insert(read.end(), buffer.begin(), buffer.begin() + n);
  }
  ASSERT_LE(read.size(), source.size());
  EXPECT_TRUE(std::equal(read.begin(), read.end(), source.begin()));
  EXPECT_EQ(decoder.ReadAudio(buffer.data(), -1), -1);
  // To the end, then -1.
  std::size_t total = read.size();
  int n = 0;
  while ((n = decoder.ReadAudio(buffer.data(), 1000)) > 0) total += static_cast<std::size_t>(n);
  EXPECT_EQ(n, -1);
  EXPECT_EQ(total, source.size());
}

TEST_F(AudioDecode, MonoOutputHalvesTheByteRate) {
  const std::string path = dir_.File("s16.wav");
  test::MakeClip(path, test::WavS16(0.5));
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  ASSERT_TRUE(decoder.DecodeAudio());
  EXPECT_EQ(decoder.WaveInfo().Size, 4096);
  decoder.SetDesireAudioChannels(1);
  EXPECT_EQ(decoder.WaveInfo().Channels, 1);
  EXPECT_EQ(decoder.WaveInfo().BytesPerSecond, 88200);
  EXPECT_FALSE(decoder.WaveInfo().Ready);
  ASSERT_TRUE(decoder.DecodeAudio());
  EXPECT_EQ(decoder.WaveInfo().Channels, 1);
  EXPECT_NEAR(decoder.WaveInfo().Size, 2048, 2);
  decoder.SetDesireAudioSampleRate(22050);
  EXPECT_EQ(decoder.WaveInfo().BytesPerSecond, 44100);
  std::int64_t bytes = 0;
  while (decoder.DecodeAudio()) bytes += decoder.WaveInfo().Size;
  // What was left of the half second after two 1024-sample packets, at 22.05 kHz mono.
  EXPECT_NEAR(static_cast<double>(bytes), (22050 - 2048) / 2 * 2.0, 300.0);
  EXPECT_THROW(decoder.SetDesireAudioChannels(0), std::invalid_argument);
  EXPECT_THROW(decoder.SetDesireAudioSampleRate(-44100), std::invalid_argument);
  EXPECT_EQ(decoder.DesireAudioChannels(), 1);
}

TEST_F(AudioDecode, ReadAudioAfterSeekStartsNearTheTarget) {
  const std::string path = dir_.File("s16.wav");
  test::MakeClip(path, test::WavS16(2.0));
  const std::vector<std::uint8_t> source = WavData(path);
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  std::vector<std::uint8_t> buffer(1000);
  ASSERT_EQ(decoder.ReadAudio(buffer.data(), 1000), 1000);
  ASSERT_TRUE(decoder.Seek(1000000, {})) << decoder.LastErrMsg();
  EXPECT_FALSE(decoder.WaveInfo().Ready);
  ASSERT_EQ(decoder.ReadAudio(buffer.data(), 1000), 1000);
  const std::int64_t pts = decoder.WaveInfo().PTS;
  EXPECT_NEAR(static_cast<double>(pts), 1000000.0, 30000.0);
  // The bytes are the source's at that time.
  const auto offset = static_cast<std::size_t>(pts * 176400 / 1000000);
  ASSERT_LE(offset + 1000, source.size());
  EXPECT_EQ(std::memcmp(buffer.data(), source.data() + offset, 1000), 0);
  // An outside decode also ends what ReadAudio was handing out.
  ASSERT_TRUE(decoder.DecodeAudio());
  const int size = decoder.WaveInfo().Size;
  EXPECT_EQ(decoder.ReadAudio(buffer.data(), 1000), std::min(1000, size));
}

TEST_F(AudioDecode, DecodeBothDeliversEveryPictureAndTheWholeAudio) {
  const std::string path = dir_.File("clip.mp4");
  test::MakeClip(path, test::Mp4H264Aac(2.0));
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  int pictures = 0;
  std::int64_t audio_bytes = 0;
  for (;;) {
    const TDecodeResult result = decoder.Decode(TDecodeType::dtBoth);
    if (result == TDecodeResult::drError) break;
    if (result == TDecodeResult::drVideo) {
      EXPECT_EQ(decoder.FrameInfo().PTS, pictures * 40000);
      ++pictures;
    } else {
      audio_bytes += decoder.WaveInfo().Size;
    }
    ASSERT_LT(pictures, 1000);
  }
  EXPECT_EQ(decoder.LastErrMsg(), "TRIDarivir.Decode() for video and/or audio: stream eof reached.");
  EXPECT_TRUE(decoder.Eof());
  EXPECT_EQ(pictures, 50);
  EXPECT_NEAR(static_cast<double>(audio_bytes), 352800.0, 3528.0);
}

TEST_F(AudioDecode, DecodeAudioOnlyDrainsToTheEnd) {
  const std::string path = dir_.File("tone.flac");
  test::MakeClip(path, test::Flac(1.0));
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  EXPECT_EQ(decoder.Decode(TDecodeType::dtVideo), TDecodeResult::drError);
  EXPECT_EQ(decoder.LastErrMsg(), "no video stream.");
  std::int64_t bytes = 0;
  std::int64_t last_pts = -1;
  TDecodeResult result;
  while ((result = decoder.Decode(TDecodeType::dtAudio)) == TDecodeResult::drAudio) {
    EXPECT_GT(decoder.WaveInfo().PTS, last_pts);
    last_pts = decoder.WaveInfo().PTS;
    bytes += decoder.WaveInfo().Size;
  }
  EXPECT_EQ(bytes, 176400);  // FLAC is lossless and 44.1 kHz stereo passes through
  EXPECT_TRUE(decoder.Eof());
  EXPECT_EQ(decoder.Decode(TDecodeType::dtBoth), TDecodeResult::drError);
}

}  // namespace
}  // namespace zentrova
