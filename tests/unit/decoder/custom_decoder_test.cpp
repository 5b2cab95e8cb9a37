#include "decoder/custom_decoder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "decoder/info_text.h"
#include "decoder/ridarivir.h"
#include "log/main_thread.h"
#include "log_capture.h"
#include "media/av_ptr.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova {
namespace {

using test::ClipSpec;

class CustomDecoder : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadMediaLibraries(); }

  // Video, audio, audio, subtitle in Matroska, with two chapters and a title.
  std::string MakeFourStreamClip() {
    ClipSpec spec = test::MatroskaWithSubtitles(1.0);
    spec.audio.push_back(test::AudioSpec{});
    spec.audio[1].language = "fra";
    const std::string path = dir_.File("four.mkv");
    test::MakeClip(path, spec);
    return path;
  }

  test::TempDir dir_;
};

TEST_F(CustomDecoder, WithoutFileEveryQueryAnswersClearedValues) {
  test::LogCapture log;
  TCustomDecoder decoder;
  EXPECT_EQ(decoder.StreamCount(), -1);
  EXPECT_EQ(decoder.FileSize(), -1);
  EXPECT_EQ(decoder.FirstVideoStreamIndex(), -1);
  EXPECT_EQ(decoder.FirstAudioStreamIndex(), -1);
  EXPECT_EQ(decoder.FirstSubtitleStreamIndex(), -1);
  const TFileStreamInfo info = decoder.FileStreamInfo();
  EXPECT_EQ(info.Duration, -1);
  EXPECT_EQ(info.StartTime, AV_NOPTS_VALUE);
  EXPECT_EQ(info.BitRate, -1);
  EXPECT_EQ(decoder.LastErrMsg(), "file not loaded.");
  EXPECT_EQ(decoder.FileInfoText(), "");
  EXPECT_EQ(decoder.FileName(), "");
  EXPECT_FALSE(decoder.IsVideoStream(0));
  EXPECT_EQ(decoder.GetAudioStreamInfo(0).Channels, -1);
  EXPECT_EQ(decoder.LastErrMsg(), "file not loaded.");
  EXPECT_GE(log.Count("file not loaded."), 3);
}

TEST_F(CustomDecoder, CountsAndFirstIndexesPerStreamType) {
  const std::string path = MakeFourStreamClip();
  TCustomDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  EXPECT_EQ(decoder.StreamCount(), 4);
  EXPECT_EQ(decoder.VideoStreamCount(), 1);
  EXPECT_EQ(decoder.AudioStreamCount(), 2);
  EXPECT_EQ(decoder.SubtitleStreamCount(), 1);
  EXPECT_EQ(decoder.FirstVideoStreamIndex(), 0);
  EXPECT_EQ(decoder.FirstAudioStreamIndex(), 1);
  EXPECT_EQ(decoder.FirstSubtitleStreamIndex(), 3);
  EXPECT_EQ(decoder.FileSize(), static_cast<std::int64_t>(std::filesystem::file_size(path)));
  EXPECT_EQ(decoder.FileName(), path);
  EXPECT_EQ(decoder.FormatName(), "matroska,webm");
  EXPECT_TRUE(decoder.IsAudioStream(2));
  EXPECT_TRUE(decoder.IsSubtitleStream(3));
  EXPECT_FALSE(decoder.IsAudioStream(0));
  decoder.CloseFile();
  EXPECT_EQ(decoder.StreamCount(), -1);
  EXPECT_EQ(decoder.FirstSubtitleStreamIndex(), -1);
}

TEST_F(CustomDecoder, StreamIndexAndTypeErrors) {
  const std::string path = MakeFourStreamClip();
  test::LogCapture log;
  TCustomDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  struct Case {
    std::function<bool()> query;  // true when the answer is the cleared value
    const char* text;
  } cases[] = {
      {[&] { return !decoder.IsVideoStream(4); }, "stream index #4 is invalid."},
      {[&] { return !decoder.IsAudioStream(-1); }, "stream index #-1 is invalid."},
      {[&] { return decoder.GetAudioStreamInfo(0).Channels == -1; }, "stream #0 is not audio stream."},
      {[&] { return decoder.GetVideoStreamInfo(1).Width == -1; }, "stream #1 is not video stream."},
      {[&] { return decoder.GetSubtitleStreamInfo(2).SubFormat == -1; }, "stream #2 is not subtitle stream."},
      {[&] { return decoder.GetVideoStreamInfo(9).PixFmt == AV_PIX_FMT_NONE; },
       "stream index #9 is invalid."},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(c.query()) << c.text;
    EXPECT_EQ(decoder.LastErrMsg(), c.text);
    EXPECT_EQ(log.Count(c.text), 1) << c.text;
  }
}

TEST_F(CustomDecoder, StreamInformationRecords) {
  const std::string path = MakeFourStreamClip();
  TCustomDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  const TVideoStreamInfo video = decoder.FirstVideoStreamInfo();
  EXPECT_EQ(video.Width, 320);
  EXPECT_EQ(video.Height, 240);
  EXPECT_EQ(video.PixFmt, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(video.FrameRate.num, 25);
  EXPECT_EQ(video.FrameRate.den, 1);
  EXPECT_EQ(video.CodecName.rfind("h264", 0), 0u) << video.CodecName;
  EXPECT_NE(video.CodecName.find('('), std::string::npos) << "long name expected: " << video.CodecName;
  EXPECT_EQ(video.StartTimeScaled, video.StartTime * 1000);  // Matroska counts milliseconds
  // Matroska streams carry no duration of their own.
  EXPECT_EQ(video.Duration, AV_NOPTS_VALUE);
  EXPECT_EQ(video.DurationScaled, -1);

  const TAudioStreamInfo first = decoder.GetAudioStreamInfo(-1);
  const TAudioStreamInfo second = decoder.GetAudioStreamInfo(2);
  EXPECT_EQ(first.Language, "eng");
  EXPECT_EQ(second.Language, "fra");
  EXPECT_EQ(first.Channels, 2);
  EXPECT_EQ(first.SampleRate, 48000);
  EXPECT_EQ(first.SampleFormat, AV_SAMPLE_FMT_FLTP);
  decoder.SetGetLongCodecName(false);
  EXPECT_EQ(decoder.GetAudioStreamInfo(1).CodecName, "aac");

  const TSubtitleStreamInfo subtitle = decoder.FirstSubtitleStreamInfo();
  EXPECT_EQ(subtitle.SubFormat, 1);  // SubRip is text
  EXPECT_EQ(subtitle.CodecName, ff::avcodec_find_decoder(AV_CODEC_ID_SUBRIP)->name);

  const TFileStreamInfo file = decoder.FileStreamInfo();
  EXPECT_EQ(file.Title, "Generated clip");
  EXPECT_NEAR(static_cast<double>(file.Duration), 1000000.0, 100000.0);
  EXPECT_EQ(file.Year, 0);
}

TEST_F(CustomDecoder, VideoInfoOnAudioOnlyFileIsCleared) {
  const std::string path = dir_.File("tone.wav");
  test::MakeClip(path, test::WavS16(0.5));
  TCustomDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  const TVideoStreamInfo video = decoder.GetVideoStreamInfo(-1);
  EXPECT_EQ(decoder.LastErrMsg(), "no video stream.");
  EXPECT_EQ(video.FrameRate.num, 0);
  EXPECT_EQ(video.FrameRate.den, 1);
  EXPECT_EQ(video.SampleAspectRatio, -1.0f);
  EXPECT_EQ(video.DisplayAspectRatio, -1.0f);
  EXPECT_EQ(video.Width, -1);
  EXPECT_EQ(decoder.GetSubtitleStreamInfo(-1).SubFormat, -1);
  EXPECT_EQ(decoder.LastErrMsg(), "no subtitle stream.");
  const TAudioStreamInfo audio = decoder.FirstAudioStreamInfo();
  EXPECT_EQ(audio.SampleRate, 44100);
  EXPECT_EQ(audio.SampleFormat, AV_SAMPLE_FMT_S16);
  EXPECT_EQ(audio.BitRate, 44100 * 2 * 16);
  EXPECT_EQ(audio.DurationScaled, 500000);  // the WAV stream counts samples
}

TEST_F(CustomDecoder, BadInputsFailCleanlyWithTheirReason) {
  const std::string good = dir_.File("good.mp4");
  test::MakeClip(good, test::Mp4H264Aac(1.0));
  test::WriteFile(dir_.File("notes.txt"), "This is a plain text file, not media.\n");
  test::MakeEmptyFile(dir_.File("empty.mp4"));
  test::MakeTruncatedCopy(good, dir_.File("half.mp4"), 0.5);
  test::MakeGarbageFile(dir_.File("garbage.avi"), 20000);
  struct Case {
    std::string file;
    std::string format;
    std::string text;
  } cases[] = {
      {dir_.File("missing.mp4"), "", dir_.File("missing.mp4") + ": No such file or directory"},
      {dir_.File("notes.txt"), "", dir_.File("notes.txt") + ": Invalid data found when processing input"},
      {dir_.File("empty.mp4"), "", dir_.File("empty.mp4") + ": Invalid data found when processing input"},
      {dir_.File("half.mp4"), "", dir_.File("half.mp4") + ": Invalid data found when processing input"},
      {dir_.File("garbage.avi"), "", dir_.File("garbage.avi") + ": Invalid data found when processing input"},
      {good, "nosuchfmt", "Unknown input format: nosuchfmt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TCustomDecoder decoder;
    EXPECT_FALSE(decoder.LoadFile(c.file, c.format));
    EXPECT_EQ(decoder.LastErrMsg(), c.text);
    EXPECT_EQ(decoder.FileHandle(), nullptr);
    EXPECT_EQ(decoder.StreamCount(), -1);
    decoder.CloseFile();
    decoder.CloseFile();
    // The decoder is usable again after a failure.
    EXPECT_TRUE(decoder.LoadFile(good)) << decoder.LastErrMsg();
  }
  EXPECT_TRUE(std::filesystem::exists(dir_.File("half.mp4")));
}

TEST_F(CustomDecoder, OpensNonAsciiFileNames) {
  const std::string path = dir_.File("视频 1.mp4");
  test::MakeClip(path, test::Mp4H264Aac(0.5));
  TCustomDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  EXPECT_EQ(decoder.FileName(), path);
  EXPECT_NE(decoder.FileInfoText().find("File Name: " + path), std::string::npos);
}

TEST_F(CustomDecoder, DefaultOptionsApplyToTheNextLoadOnly) {
  const std::string path = dir_.File("tone.wav");
  test::MakeClip(path, test::WavS16(0.5));
  test::LogCapture log;
  TCustomDecoder decoder;
  EXPECT_TRUE(decoder.DefaultOptions(""));
  EXPECT_TRUE(decoder.DefaultOptions("-analyzeduration 100 x"));
  EXPECT_EQ(log.Count("Invalid option found while parsing options, ignore"), 1);
  EXPECT_EQ(log.Count("ParseOptions: -analyzeduration 100 x"), 1);
  EXPECT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();

  EXPECT_FALSE(decoder.DefaultOptions("-no_such_opt 1"));
  EXPECT_FALSE(decoder.opt_default("no_such_opt", "1"));

  // Skipping the first byte breaks the RIFF header: the option is in force...
  ASSERT_TRUE(decoder.DefaultOptions("-skip_initial_bytes 1"));
  EXPECT_FALSE(decoder.LoadFile(path));
  // ...for that one load only.
  EXPECT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
}

TEST_F(CustomDecoder, UnusedFormatOptionsAreLogged) {
  const std::string path = dir_.File("tone.wav");
  test::MakeClip(path, test::WavS16(0.5));
  test::LogCapture log;
  TCustomDecoder decoder;
  // A matroska demuxer option reaches the WAV demuxer, which does not use it.
  ASSERT_TRUE(decoder.DefaultOptions("-live 1"));
  ASSERT_TRUE(decoder.LoadFile(path, "wav")) << decoder.LastErrMsg();
  EXPECT_EQ(log.Count("Option live not found, ignored."), 1);
  EXPECT_EQ(decoder.ForceFormat(), "wav");
  decoder.CloseFile();
  EXPECT_EQ(decoder.ForceFormat(), "");
}

TEST_F(CustomDecoder, WithoutLibrariesOptionsFailAndLoadingRaises) {
  const std::string path = dir_.File("tone.wav");
  test::MakeClip(path, test::WavS16(0.5));
  test::LogCapture log;
  TCustomDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  EXPECT_TRUE(decoder.opt_default("probesize", "5000000"));
  decoder.UnloadAVLib();  // closes the file first
  EXPECT_FALSE(decoder.AVLibLoaded());
  EXPECT_EQ(decoder.FileHandle(), nullptr);
  EXPECT_FALSE(decoder.opt_default("probesize", "5000000"));
  EXPECT_EQ(decoder.LastErrMsg(), "FFmpeg libraries not loaded.");
  try {
    decoder.LoadFile(path);
    ADD_FAILURE() << "LoadFile without libraries did not raise";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Library avcodec not loaded.");
  }
  ASSERT_TRUE(decoder.LoadAVLib("")) << decoder.LastErrMsg();
  EXPECT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  decoder.CloseFile();
  test::LoadMediaLibraries();  // the encoder's set again, for the tests that follow
}

TEST_F(CustomDecoder, FileInfoTextDescribesFileChaptersAndStreams) {
  const std::string path = MakeFourStreamClip();
  TCustomDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  const std::string text = decoder.FileInfoText();
  const std::string size_line =
      "File Size: " + SizeText(static_cast<std::int64_t>(std::filesystem::file_size(path)));
  for (const std::string& expected : {
           "File Name: " + path,
           std::string("\r\nFormat Name: matroska,webm\r\n"),
           std::string("Format Long Name: Matroska / WebM"),
           size_line,
           std::string("\r\nMetadata:\r\n"),
           std::string("  title           : Generated clip"),
           std::string("Duration: 00:00:01.0"),
           std::string("Chapter #0: start 0.000000, end 0.500000"),
           std::string("Chapter #1: start 0.500000, end 1.000000"),
           std::string("  Stream #0, 1/1000: Video: h264"),
           std::string("25 fps, 25 tbr, 1k tbn"),
           std::string("  Stream #1(eng), 1/1000: Audio: aac"),
           std::string("  Stream #2(fra), 1/1000: Audio: aac"),
           std::string("  Stream #3, 1/1000: Subtitle: subrip"),
           std::string("    title           : Subtitles 1"),
       })
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n---\n" << text;
  EXPECT_EQ(text.find("No Program"), std::string::npos);
}

TEST_F(CustomDecoder, FileInfoTextListsProgramsAndTheirStreams) {
  const std::string path = dir_.File("programs.ts");
  test::MakeClip(path, test::TsTwoPrograms(1.0));
  TCustomDecoder decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  EXPECT_EQ(decoder.ProgramCount(), 2);
  const std::string text = decoder.FileInfoText();
  int programs = 0;
  for (std::size_t at = text.find("\r\nProgram "); at != std::string::npos;
       at = text.find("\r\nProgram ", at + 1))
    ++programs;
  EXPECT_EQ(programs, 2) << text;
  for (int i = 0; i < 3; ++i) {
    const std::string stream = "  Stream #" + std::to_string(i) + "[0x";
    const std::size_t first = text.find(stream);
    ASSERT_NE(first, std::string::npos) << stream << "\n" << text;
    EXPECT_EQ(text.find(stream, first + 1), std::string::npos) << "shown twice: " << stream;
  }
  EXPECT_NE(text.find("90k tbn"), std::string::npos) << text;
  EXPECT_NE(text.find(", start: 0."), std::string::npos) << text;
  EXPECT_NE(text.find(", duration: 00:00:01.0"), std::string::npos) << text;
}

TEST_F(CustomDecoder, AdoptedHandleIsReadButNeverClosedOrChanged) {
  const std::string path = dir_.File("clip.mp4");
  test::MakeClip(path, test::Mp4H264Aac(0.5));
  AVInputFormatContextPtr file;
  ASSERT_GE(ff::avformat_open_input(OutPtr(file), path.c_str(), nullptr, nullptr), 0);
  ASSERT_GE(ff::avformat_find_stream_info(file.get(), nullptr), 0);
  AVStream* video = file->streams[0];
  video->sample_aspect_ratio = AVRational{0, 1};
  video->codecpar->sample_aspect_ratio = AVRational{4, 3};
  {
    TCustomDecoder decoder;
    decoder.SetFileHandle(file.get());
    EXPECT_FALSE(decoder.OwnHandle());
    EXPECT_EQ(decoder.StreamCount(), 2);
    EXPECT_EQ(decoder.FileSize(), static_cast<std::int64_t>(std::filesystem::file_size(path)));
    const TVideoStreamInfo info = decoder.GetVideoStreamInfo(0);
    EXPECT_EQ(info.SAR.num, 4);
    EXPECT_EQ(info.SAR.den, 3);
    EXPECT_EQ(info.DAR.num, 16);
    EXPECT_EQ(info.DAR.den, 9);
    EXPECT_FLOAT_EQ(info.DisplayAspectRatio, 16.0f / 9.0f);
    // A picture without height has no display aspect (and no division by zero).
    video->codecpar->height = 0;
    const TVideoStreamInfo flat = decoder.GetVideoStreamInfo(0);
    EXPECT_EQ(flat.DAR.num, 0);
    EXPECT_EQ(flat.DisplayAspectRatio, -1.0f);
    video->codecpar->height = 240;
    video->disposition = AV_DISPOSITION_DEFAULT | AV_DISPOSITION_FORCED;
    const std::string text = decoder.FileInfoText();
    EXPECT_NE(text.find(" (default) (forced)"), std::string::npos) << text;
    decoder.CloseFile();
    EXPECT_EQ(decoder.FileHandle(), nullptr);
    decoder.SetFileHandle(file.get());
  }  // destroyed while adopting: the handle stays open
  AVPacketPtr packet = MakePacket();
  EXPECT_GE(ff::av_read_frame(file.get(), packet.get()), 0);
}

TEST_F(CustomDecoder, BeforeFindStreamInfoRunsOnTheMainThread) {
  const std::string path = dir_.File("clip.mp4");
  test::MakeClip(path, test::Mp4H264Aac(0.5));
  TCustomDecoder decoder;
  int calls = 0;
  bool on_main = false;
  AVFormatContext* seen = nullptr;
  decoder.SetOnBeforeFindStreamInfo([&](TCustomDecoder* sender, AVFormatContext* file) {
    EXPECT_EQ(sender, &decoder);
    ++calls;
    on_main = IsMainThread();
    seen = file;
  });
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(seen, decoder.FileHandle());

  // From a worker, the event is handed to the main thread.
  std::atomic<bool> done{false};
  bool loaded = false;
  std::thread worker([&] {
    loaded = decoder.LoadFile(path);
    done = true;
  });
  EXPECT_TRUE(MainThreadWait([&] { return done.load(); }, 30000));
  worker.join();
  EXPECT_TRUE(loaded);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(on_main);

  decoder.SetTriggerEventInMainThread(false);
  done = false;
  std::thread direct([&] {
    loaded = decoder.LoadFile(path);
    done = true;
  });
  direct.join();
  EXPECT_EQ(calls, 3);
  EXPECT_FALSE(on_main);
}

// Feeds `bytes` into the FIFO `path`: `head` bytes at once, `head` more
// after `pause`, the rest after another `pause`. Runs on its own thread; a reader that gives up early
// makes the writes fail (EPIPE), never kills the process.
void FeedFifo(const std::string& path, const std::string& bytes, std::size_t head,
              std::chrono::milliseconds pause) {
  sigset_t pipe_signal;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);
  const int fd = ::open(path.c_str(), O_WRONLY);
  if (fd < 0) return;
  const auto write_all = [fd](const char* data, std::size_t size) {
    while (size > 0) {
      const ssize_t n = ::write(fd, data, size);
      if (n <= 0) return false;
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  };
  if (write_all(bytes.data(), head)) {
    std::this_thread::sleep_for(pause);
    if (write_all(bytes.data() + head, head)) {
      std::this_thread::sleep_for(pause);
      write_all(bytes.data() + 2 * head, bytes.size() - 2 * head);
    }
  }
  ::close(fd);
}

TEST_F(CustomDecoder, ReadTimeOutAbortsAStalledOpen) {
  const std::string wav = dir_.File("tone.wav");
  test::MakeClip(wav, test::WavS16(0.2));
  std::ifstream in(wav, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  struct Case {
    int timeout_ms;
    bool loads;
  } cases[] = {{100, false}, {0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.timeout_ms);
    const std::string fifo = dir_.File("stall" + std::to_string(c.timeout_ms));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    test::LogCapture log;
    TCustomDecoder decoder;
    decoder.SetReadTimeout(c.timeout_ms);
    // The WAV header is 44 bytes: the reader stalls inside it.
    std::thread writer(FeedFifo, fifo, bytes, 16, std::chrono::milliseconds(300));
    const bool loaded = decoder.LoadFile(fifo, "wav");
    decoder.CloseFile();
    writer.join();
    EXPECT_EQ(loaded, c.loads) << decoder.LastErrMsg();
    if (!c.loads) {
      // The demuxer words the aborted read its own way; the file name leads.
      EXPECT_EQ(decoder.LastErrMsg().rfind(fifo + ": ", 0), 0u) << decoder.LastErrMsg();
      EXPECT_GE(log.Count("connecting/reading timeout"), 1);
    } else {
      EXPECT_EQ(log.Count("connecting/reading timeout"), 0);
    }
  }
}

TEST_F(CustomDecoder, AStopCheckThatSaysStopEndsTheOpen) {
  const std::string clip = dir_.File("clip.mp4");
  test::MakeClip(clip, test::Mp4H264Aac(0.5));
  for (const bool stop : {true, false}) {
    TCustomDecoder decoder;
    decoder.SetReadTimeout(0);  // no time-out: only the stop check ends a read
    int checks = 0;
    decoder.SetStopCheck([&checks, stop] {
      ++checks;
      return stop;
    });
    EXPECT_EQ(decoder.LoadFile(clip), !stop) << decoder.LastErrMsg();
    EXPECT_GT(checks, 0);
  }
}

// The front ends' policy: the probe opens what the engine would, no more.
TEST_F(CustomDecoder, LocalFilesPolicyOpensOnlyTheNamedFile) {
  const std::string clip = dir_.File("12:30 clip.mp4");
  test::MakeClip(clip, test::Mp4H264Aac(0.5));
  const std::string disguised = dir_.File("list.mp4");
  test::WriteFile(disguised, "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:1,\n" + clip + "\n#EXT-X-ENDLIST\n");
  const std::string fifo = dir_.File("fifo.mp4");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string name;
    bool loads;
    std::string message;  // LastErrMsg starts so; for a loaded file, FileName()
  } cases[] = {
      {"file:" + clip, true, clip},
      {disguised, false, disguised + ": holds \"hls\" data"},
      {fifo, false, fifo + ": a FIFO, not a regular file"},
      {"subfile,,0,100,:" + clip, false, "subfile,,0,100,:" + clip + ": the \"subfile\" protocol"},
  };
  test::LogCapture log;
  TCustomDecoder decoder;
  decoder.SetInputPolicy(TInputPolicy::LocalFiles);
  for (const Case& c : cases) {
    EXPECT_EQ(decoder.LoadFile(c.name), c.loads) << c.name << ": " << decoder.LastErrMsg();
    const std::string message = c.loads ? decoder.FileName() : decoder.LastErrMsg();
    EXPECT_EQ(message.rfind(c.message, 0), 0u) << message;
    decoder.CloseFile();
  }
}

TEST_F(CustomDecoder, ScalingFlagsOptionReachesThePictureConverter) {
  const std::string path = dir_.File("clip.mp4");
  test::MakeClip(path, test::Mp4H264Aac(0.2));
  TRIDarivir decoder;
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  EXPECT_EQ(decoder.FormatConverter().sws_flags(), SWS_BICUBIC);
  ASSERT_TRUE(decoder.DefaultOptions("-sws_flags neighbor"));
  ASSERT_TRUE(decoder.LoadFile(path)) << decoder.LastErrMsg();
  EXPECT_EQ(decoder.FormatConverter().sws_flags(), SWS_POINT);
}

}  // namespace
}  // namespace zentrova
