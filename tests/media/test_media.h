// The test-media generator: small clips made at test time from the media
// libraries' synthetic sources (testsrc2 pictures, a sine tone) through the
// project's own binding, plus deliberately bad files and a probing helper.
//
// MakeClip and the probing functions need the media libraries loaded (tests:
// support/libraries.h `LoadMediaLibraries()`); without them they throw
// std::runtime_error "Library %s not loaded.". The bad-file makers need no
// library. Failures throw std::runtime_error with a message naming the
// action, the file and the library's error text.
//
// Threads: any thread, one call at a time per output file. Nothing here keeps
// state between calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "media/ff.h"

namespace zentrova::test {

/// One video stream: testsrc2 pictures encoded with `codec`.
struct VideoSpec {
  std::string codec = "libx264";  ///< encoder name ("libx264", "mpeg4", "png", "mjpeg", ...)
  int width = 320;
  int height = 240;
  AVRational rate{25, 1};  ///< frames per second
  int gop = 12;            ///< key frame interval in frames
  std::string pix_fmt = "yuv420p";
  int64_t bit_rate = 0;         ///< bits per second; 0: the encoder's default
  int max_b_frames = 0;         ///< B-frames between references (gives the stream a decoding delay)
  double rotation_degrees = 0;  ///< display matrix side data when != 0: the clockwise turn a player
                                ///< applies (av_display_rotation_set(m, degrees); "rotate" tag sense)
  std::string language;         ///< stream "language" tag when not empty
  bool interlaced = false;      ///< pictures flagged interlaced (top field first) and coded as fields
};

/// One audio stream: a 440 Hz sine tone encoded with `codec`.
struct AudioSpec {
  std::string codec = "aac";  ///< encoder name ("aac", "libmp3lame", "pcm_s16le", "flac", "mp2", ...)
  int sample_rate = 48000;
  int channels = 2;        ///< the default layout of this many channels
  std::string sample_fmt;  ///< empty: the encoder's first supported format
  std::string language;    ///< stream "language" tag when not empty
  int64_t bit_rate = 0;    ///< bits per second; 0: the encoder's default
};

/// A file carried in the container (Matroska attachments: fonts, pictures...).
struct AttachmentSpec {
  std::string filename;  ///< the stream's "filename" tag
  std::string mimetype;  ///< the stream's "mimetype" tag; image types read back as attached pictures
  std::string bytes;     ///< the file's contents
};

/// What MakeClip writes.
struct ClipSpec {
  std::string format;       ///< muxer short name ("mp4", "avi", "matroska", "mpegts", "wav", "flac",
                            ///< "image2"...); empty: guessed from the file name
  double duration_s = 2.0;  ///< video frames = round(duration * rate); audio samples = round(duration * rate)
  std::optional<VideoSpec> video;
  std::vector<VideoSpec> extra_video;  ///< further video streams after `video` (e.g. another size)
  std::vector<AudioSpec> audio;        ///< any number of audio streams, after the video stream
  int subtitle_streams = 0;  ///< text subtitles (subrip in Matroska, mov_text in MP4), a cue per second
  int bitmap_subtitle_streams = 0;  ///< DVD bitmap subtitles after the text ones (Matroska), a cue per
                                    ///< second: a white 144x16 bar at (8, 88) of a 160x120 canvas
  bool cover_art = false;  ///< a 160x120 PNG attached picture after the streams above (MP4, Matroska)
  std::vector<AttachmentSpec> attachments;      ///< attachment streams, last (Matroska only)
  int chapters = 0;                             ///< evenly spaced chapters titled "Chapter N" (N from 1)
  int programs = 0;                             ///< MPEG-TS programs 1..N, each taking the next run of
                                                ///< streams (3 streams, 2 programs: {0, 1}, {2})
  std::map<std::string, std::string> metadata;  ///< container tags
};

/// Writes a clip to `path` (created or replaced). The clip is written to
/// "<path>.partial" and renamed over `path` when complete (a numbered picture
/// pattern such as "img%03d.png" is written in place). Throws
/// std::runtime_error with a clear message (missing encoder, unknown format,
/// write failure); a failure leaves no partial file and `path` as it was.
void MakeClip(const std::string& path, const ClipSpec& spec);

/// Ready-made specs.
ClipSpec Mp4H264Aac(double duration_s = 2.0);             ///< H.264 320x240 25 fps + AAC 48 kHz stereo, MP4
ClipSpec AviMpeg4Mp3(double duration_s = 2.0);            ///< MPEG-4 video (mpeg4) + MP3 44.1 kHz stereo, AVI
ClipSpec MatroskaWithSubtitles(double duration_s = 2.0);  ///< H.264 + AAC "eng" + SubRip + 2 chapters + title
/// H.264 + AAC "eng" in MPEG-TS program 1, AAC "fra" in program 2.
ClipSpec TsTwoPrograms(double duration_s = 2.0);
ClipSpec WavS16(double duration_s = 2.0);  ///< PCM s16 44.1 kHz stereo WAV
ClipSpec Flac(double duration_s = 2.0);    ///< FLAC 44.1 kHz stereo
ClipSpec PngStill();                       ///< one 320x240 RGB PNG picture (image2)
/// Mp4H264Aac with a display matrix on the video stream (see VideoSpec::rotation_degrees).
ClipSpec Mp4Rotated(double rotation_degrees = 90, double duration_s = 2.0);
ClipSpec Mp4H264Hd(double duration_s = 2.0);  ///< H.264 1920x1080 25 fps, no audio (for benchmarks)

/// Hard sources (hard_sources.cpp), each with AAC 48 kHz stereo where it has video:
ClipSpec Mp4Yuv444(double duration_s = 1.0);  ///< H.264 High 4:4:4 160x120, MP4
ClipSpec Mp4TenBit(double duration_s = 1.0);  ///< H.264 10-bit 4:2:0 160x120, MP4
/// 853x479 pictures at 10 fps by `codec` in `pix_fmt` (FFV1 "yuv420p", MJPEG "yuvj444p"), Matroska.
ClipSpec MatroskaOddSize(const std::string& codec, const std::string& pix_fmt, double duration_s = 1.0);
/// H.264 160x128 coded as fields, every picture flagged interlaced, MPEG-TS.
ClipSpec TsInterlaced(double duration_s = 1.0);
ClipSpec Mp3WithCover(double duration_s = 1.0);  ///< MP3 44.1 kHz stereo with a PNG picture in its ID3 tag
ClipSpec M4aWithCover(
    double duration_s = 1.0);  ///< AAC 44.1 kHz stereo in MP4 with a PNG cover (name it .m4a)

/// The ready-made specs by name ("mp4", "avi", "mkv", "ts", "wav", "flac", "png", "rotated", "1080p",
/// and the hard sources "yuv444", "10bit", "odd", "odd444", "interlaced", "cover-mp3", "cover-m4a");
/// throws std::runtime_error naming the known presets for any other name.
ClipSpec PresetByName(const std::string& name, double duration_s = 2.0);
/// The names PresetByName knows, in a stable order.
std::vector<std::string> PresetNames();

/// Bad files: 0 bytes; the first `fraction` (0..1) of a real file's bytes;
/// `bytes` pseudo-random bytes from `seed` (the same seed gives the same bytes).
/// Each replaces `path`/`target`; MakeTruncatedCopy refuses target == source.
void MakeEmptyFile(const std::string& path);
void MakeTruncatedCopy(const std::string& source, const std::string& target, double fraction);
void MakeGarbageFile(const std::string& path, size_t bytes, unsigned seed = 1);

/// What the demuxer reports about one stream.
struct ProbedStream {
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  std::string codec;  ///< codec name ("h264", "aac", "subrip", ...)
  int width = 0, height = 0, sample_rate = 0, channels = 0;
  int disposition = 0;          ///< AV_DISPOSITION_* flags (AV_DISPOSITION_ATTACHED_PIC for cover art)
  int64_t frames = 0;           ///< nb_frames when the container knows it; 0 otherwise
  std::string pix_fmt;          ///< video: pixel format name; empty when unknown
  std::string sample_fmt;       ///< audio: sample format name; empty when unknown
  AVRational frame_rate{0, 1};  ///< video: average frame rate when known
  int video_delay = 0;          ///< video: frames of reordering delay (B-frames)
  double rotation_degrees = 0;  ///< video: clockwise turn of the display matrix in [0, 360)
                                ///< (the VideoSpec sense: 90 reads back as 90), 0 when none
  int program = -1;             ///< id of the first program that carries the stream; -1: none
  std::string attachment;       ///< attachment: the carried file's bytes
  std::map<std::string, std::string> metadata;  ///< stream tags ("language", "filename", ...)
};

/// What the demuxer reports about a file.
struct ProbedFile {
  std::string format;  ///< demuxer short name list ("mov,mp4,m4a,3gp,3g2,mj2", "avi", ...)
  int64_t duration_us = 0;
  std::vector<ProbedStream> streams;
  int chapters = 0;
  int programs = 0;
  std::vector<std::string> chapter_titles;
  std::map<std::string, std::string> metadata;  ///< container tags
};

/// Opens `path` and reads its stream information (avformat_find_stream_info).
/// Throws std::runtime_error when the file cannot be opened or probed.
ProbedFile ProbeFile(const std::string& path);

/// Decodes the first video stream of `path` to its end and returns the number
/// of pictures. Throws std::runtime_error when there is no video stream or
/// the file cannot be read.
int64_t CountVideoFrames(const std::string& path);

/// Reads `path` to its end and returns the number of packets of stream
/// `stream_index` (subtitle cues, audio packets...). Throws std::runtime_error
/// when the file cannot be read or has no such stream.
int64_t CountPackets(const std::string& path, int stream_index);

}  // namespace zentrova::test
