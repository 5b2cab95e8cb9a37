#include "convert/source_information.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zentrova::app {
namespace {

using Lines = std::vector<std::string>;

TEST(SplitStreamLine, SplitsOnlyAtCommasOutsideParenthesesAndBrackets) {
  struct Case {
    const char* line;
    Lines fields;
  } cases[] = {
      {"a, b,c", {"a", " b", "c"}},
      {"yuv420p(tv, bt709, progressive), 1280x720", {"yuv420p(tv, bt709, progressive)", " 1280x720"}},
      {"640x480 [SAR 1:1, DAR 4:3], 25 fps", {"640x480 [SAR 1:1, DAR 4:3]", " 25 fps"}},
      {"a((b, c), d), e", {"a((b, c), d)", " e"}},
      {"a), b", {"a)", " b"}},
      {"a (b, c", {"a (b, c"}},
      {"a,", {"a", ""}},
      {"", {""}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitStreamLine(c.line), c.fields) << c.line;
}

struct Case {
  const char* name;
  std::string text;
  Lines lines;
  std::string bit_rate;
  bool estimated;
};

const std::string kMp4Head =
    "File Name: /tmp/clip.mp4\r\nFormat Name: mov,mp4,m4a,3gp,3g2,mj2\r\nFormat Long Name: QuickTime / "
    "MOV\r\n"
    "File Size: 1.23 MB\r\nMetadata:\r\n  major_brand     : isom\r\n  title           : Stream #9 of "
    "nothing\r\n";
const std::string kMp4Video =
    "  Stream #0(und), 1/12800: Video: h264 (High) (avc1 / 0x31637661), yuv420p(tv, bt709, progressive), "
    "1280x720 [SAR 1:1 DAR 16:9], 996 kb/s, 25 fps, 25 tbr, 12800 tbn, 50 tbc (default), start: 0.000000, "
    "duration: 00:00:10.00";
const std::string kMp4Audio =
    "  Stream #1(und), 1/44100: Audio: mp3 (mp4a / 0x6134706D), 44100 Hz, stereo, fltp, 128 kb/s (default), "
    "start: 0.000000, duration: 00:00:10.00";
const std::string kMkvVideo =
    "  Stream #0, 1/1000: Video: h264 (High), yuv420p(progressive), 640x480 [SAR 1:1 DAR 4:3], 25 fps, 25 "
    "tbr, "
    "1k tbn, 50 tbc (default), start: 0.000000";

const Case kCases[] = {
    {"the dialog's example",
     "Stream #0(und), 1/25: Video: h264 (High), yuv420p, 1280x720, 1000 kb/s, 25 fps",
     {"视频编码: 1/25: Video: h264 (High)", "分辨率: 1280x720", "码率: 1000 kb/s", "帧数: 25 fps",
      "时长:Stream #0(und), 1/25: Video: h264 (High), yuv420p, 1280x720, 1000 kb/s, 25 fps"},
     " 1000",
     false},
    {"an MP4 file",
     kMp4Head + "Duration: 00:00:10.00, start: 0.000000, bitrate: 1128 kb/s\r\n" + kMp4Video +
         "\r\n    Metadata:\r\n      handler_name    : VideoHandler\r\n" + kMp4Audio + "\r\n",
     {"视频编码: 1/12800: Video: h264 (High) (avc1 / 0x31637661)", "分辨率: 1280x720 [SAR 1:1 DAR 16:9]",
      "码率: 996 kb/s", "帧数: 25 fps", "时长: 00:00:10.00"},
     " 996",
     false},
    {"audio listed before video: the video stream's line is read",
     "Duration: 00:00:10.00, start: 0.000000, bitrate: 1128 kb/s\n" + kMp4Audio + "\n" + kMp4Video + "\n",
     {"视频编码: 1/12800: Video: h264 (High) (avc1 / 0x31637661)", "分辨率: 1280x720 [SAR 1:1 DAR 16:9]",
      "码率: 996 kb/s", "帧数: 25 fps", "时长: 00:00:10.00"},
     " 996",
     false},
    {"Matroska: no stream bit rate, the file's less the audio's",
     "Duration: 00:00:05.00, start: 0.000000, bitrate: 850 kb/s\n" + kMkvVideo +
         "\n  Stream #1, 1/1000: Audio: mp3, 44100 Hz, stereo, fltp, 128 kb/s (default), start: 0.000000\n",
     {"视频编码: 1/1000: Video: h264 (High)", "分辨率: 640x480 [SAR 1:1 DAR 4:3]", "码率: 722 kb/s",
      "帧数: 25 fps", "时长:" + kMkvVideo},
     "722",
     true},
    {"audio without a known bit rate is not subtracted",
     "Duration: 00:00:05.00, start: 0.000000, bitrate: 850 kb/s\n" + kMkvVideo +
         "\n  Stream #1, 1/1000: Audio: opus, 48000 Hz, stereo, fltp (default)\n",
     {"视频编码: 1/1000: Video: h264 (High)", "分辨率: 640x480 [SAR 1:1 DAR 4:3]", "码率: 850 kb/s",
      "帧数: 25 fps", "时长:" + kMkvVideo},
     "850",
     true},
    {"no bit rate anywhere",
     "Duration: 00:00:05.00, start: 0.000000, bitrate: N/A\n" + kMkvVideo + "\n",
     {"视频编码: 1/1000: Video: h264 (High)", "分辨率: 640x480 [SAR 1:1 DAR 4:3]", "帧数: 25 fps",
      "时长:" + kMkvVideo},
     "",
     false},
    {"audio at least the file's bit rate gives no estimate",
     "Duration: 00:00:05.00, start: 0.000000, bitrate: 100 kb/s\n" + kMkvVideo +
         "\n  Stream #1, 1/1000: Audio: mp3, 44100 Hz, stereo, fltp, 128 kb/s\n",
     {"视频编码: 1/1000: Video: h264 (High)", "分辨率: 640x480 [SAR 1:1 DAR 4:3]", "帧数: 25 fps",
      "时长:" + kMkvVideo},
     "",
     false},
    {"fewer than six fields: what exists",
     "  Stream #0, 1/25: Video: rawvideo (RGB[24] / 0x18424752), rgb24, 64x64\n",
     {"视频编码: 1/25: Video: rawvideo (RGB[24] / 0x18424752)", "分辨率: 64x64",
      "时长:  Stream #0, 1/25: Video: rawvideo (RGB[24] / 0x18424752), rgb24, 64x64"},
     "",
     false},
    {"a data stream only",
     "  Stream #0, 1/90000: Data: none\n",
     {"视频编码: 1/90000: Data: none", "时长:  Stream #0, 1/90000: Data: none"},
     "",
     false},
    {"no stream line", "File Name: /tmp/empty\nDuration: N/A, bitrate: N/A\n", {}, "", false},
    {"empty text", "", {}, "", false},
    {"stars are removed",
     "Stream #0, 1/25: Video: h264*, yuv420p, 320x240, 500 kb/s*, 25 fps",
     {"视频编码: 1/25: Video: h264", "分辨率: 320x240", "码率: 500 kb/s", "帧数: 25 fps",
      "时长:Stream #0, 1/25: Video: h264, yuv420p, 320x240, 500 kb/s, 25 fps"},
     " 500",
     false},
    {"a maximum bit rate gives its number",
     "Stream #0, 1/25: Video: mpeg2video, yuv420p, 720x576, max. 9800 kb/s, 25 fps",
     {"视频编码: 1/25: Video: mpeg2video", "分辨率: 720x576", "码率: max. 9800 kb/s", "帧数: 25 fps",
      "时长:Stream #0, 1/25: Video: mpeg2video, yuv420p, 720x576, max. 9800 kb/s, 25 fps"},
     "9800",
     false},
};

TEST(ParseSourceInformation, LinesAndVideoBitRate) {
  for (const Case& c : kCases) {
    const TSourceInformation info = ParseSourceInformation(c.text);
    EXPECT_EQ(info.Lines, c.lines) << c.name;
    EXPECT_EQ(info.VideoBitRate, c.bit_rate) << c.name;
    EXPECT_EQ(info.BitRateEstimated, c.estimated) << c.name;
  }
}

}  // namespace
}  // namespace zentrova::app
