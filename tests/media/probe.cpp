// Reading back what the generator (or anything else) wrote.
#include <fmt/format.h>

#include <cmath>

#include "media/av_ptr.h"
#include "media/media_error.h"
#include "media/test_media.h"

namespace zentrova::test {
namespace {

AVInputFormatContextPtr OpenInput(const std::string& path) {
  AVInputFormatContextPtr ic;
  Check(ff::avformat_open_input(OutPtr(ic), path.c_str(), nullptr, nullptr),
        fmt::format("Cannot open \"{}\"", path));
  Check(ff::avformat_find_stream_info(ic.get(), nullptr),
        fmt::format("Cannot read the streams of \"{}\"", path));
  return ic;
}

std::map<std::string, std::string> Tags(const AVDictionary* dictionary) {
  std::map<std::string, std::string> tags;
  const AVDictionaryEntry* entry = nullptr;
  while ((entry = ff::av_dict_get(dictionary, "", entry, AV_DICT_IGNORE_SUFFIX)))
    tags[entry->key] = entry->value;
  return tags;
}

// The clockwise turn of the stream's display matrix in [0, 360); the library
// reports the counter-clockwise angle.
double Rotation(const AVStream* st) {
  size_t size = 0;
  const uint8_t* matrix = ff::av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (!matrix || size < 9 * sizeof(int32_t)) return 0;
  double degrees = -ff::av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
  if (std::isnan(degrees)) return 0;
  degrees = std::fmod(degrees, 360.0);
  if (degrees < 0) degrees += 360.0;
  return degrees == 360.0 ? 0.0 : degrees + 0.0;  // + 0.0 turns -0 into 0
}

int ProgramOf(const AVFormatContext* ic, unsigned stream_index) {
  for (unsigned p = 0; p < ic->nb_programs; ++p)
    for (unsigned i = 0; i < ic->programs[p]->nb_stream_indexes; ++i)
      if (ic->programs[p]->stream_index[i] == stream_index) return ic->programs[p]->id;
  return -1;
}

ProbedStream Probe(const AVFormatContext* ic, const AVStream* st) {
  const AVCodecParameters* par = st->codecpar;
  ProbedStream probed;
  probed.type = par->codec_type;
  probed.codec = ff::avcodec_get_name(par->codec_id);
  probed.disposition = st->disposition;
  probed.frames = st->nb_frames;
  probed.program = ProgramOf(ic, static_cast<unsigned>(st->index));
  probed.metadata = Tags(st->metadata);
  if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
    probed.width = par->width;
    probed.height = par->height;
    if (const char* name = ff::av_get_pix_fmt_name(static_cast<AVPixelFormat>(par->format)))
      probed.pix_fmt = name;
    probed.frame_rate = st->avg_frame_rate;
    probed.video_delay = par->video_delay;
    probed.rotation_degrees = Rotation(st);
  } else if (par->codec_type == AVMEDIA_TYPE_ATTACHMENT && par->extradata) {
    probed.attachment.assign(reinterpret_cast<const char*>(par->extradata),
                             static_cast<size_t>(par->extradata_size));
  } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
    probed.sample_rate = par->sample_rate;
    probed.channels = par->ch_layout.nb_channels;
    if (const char* name = ff::av_get_sample_fmt_name(static_cast<AVSampleFormat>(par->format)))
      probed.sample_fmt = name;
  }
  return probed;
}

}  // namespace

ProbedFile ProbeFile(const std::string& path) {
  RequireMediaLibraries();
  AVInputFormatContextPtr ic = OpenInput(path);
  ProbedFile probed;
  probed.format = ic->iformat->name;
  probed.duration_us = ic->duration == AV_NOPTS_VALUE ? 0 : ic->duration;
  probed.chapters = static_cast<int>(ic->nb_chapters);
  probed.programs = static_cast<int>(ic->nb_programs);
  probed.metadata = Tags(ic->metadata);
  for (unsigned i = 0; i < ic->nb_chapters; ++i) {
    const AVDictionaryEntry* title = ff::av_dict_get(ic->chapters[i]->metadata, "title", nullptr, 0);
    probed.chapter_titles.emplace_back(title ? title->value : "");
  }
  for (unsigned i = 0; i < ic->nb_streams; ++i) probed.streams.push_back(Probe(ic.get(), ic->streams[i]));
  return probed;
}

int64_t CountVideoFrames(const std::string& path) {
  RequireMediaLibraries();
  AVInputFormatContextPtr ic = OpenInput(path);
  const AVStream* video = nullptr;
  for (unsigned i = 0; i < ic->nb_streams && !video; ++i)
    if (ic->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
        !(ic->streams[i]->disposition & AV_DISPOSITION_ATTACHED_PIC))
      video = ic->streams[i];
  if (!video) Fail(fmt::format("\"{}\" has no video stream", path));
  const AVCodec* codec = ff::avcodec_find_decoder(video->codecpar->codec_id);
  if (!codec)
    Fail(fmt::format("No decoder for {} video in \"{}\"", ff::avcodec_get_name(video->codecpar->codec_id),
                     path));
  AVCodecContextPtr dec(ff::avcodec_alloc_context3(codec));
  if (!dec) Fail("Cannot allocate a decoder context");
  Check(ff::avcodec_parameters_to_context(dec.get(), video->codecpar),
        fmt::format("Cannot set up the video decoder for \"{}\"", path));
  dec->pkt_timebase = video->time_base;
  dec->thread_count = 1;
  Check(ff::avcodec_open2(dec.get(), codec, nullptr),
        fmt::format("Cannot open the video decoder for \"{}\"", path));

  int64_t pictures = 0;
  AVFramePtr frame = MakeFrame();
  auto drain = [&] {
    for (;;) {
      int err = ff::avcodec_receive_frame(dec.get(), frame.get());
      if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) return;
      Check(err, fmt::format("Cannot decode the video of \"{}\"", path));
      ++pictures;
      ff::av_frame_unref(frame.get());
    }
  };
  AVPacketPtr packet = MakePacket();
  for (;;) {
    int err = ff::av_read_frame(ic.get(), packet.get());
    if (err == AVERROR_EOF) break;
    Check(err, fmt::format("Cannot read \"{}\"", path));
    if (packet->stream_index == video->index) {
      err = ff::avcodec_send_packet(dec.get(), packet.get());
      if (err == AVERROR(EAGAIN)) {  // pictures still waiting: take them, then resend
        drain();
        err = ff::avcodec_send_packet(dec.get(), packet.get());
      }
      // A damaged packet yields no picture; the count says how many decoded.
      if (err != AVERROR_INVALIDDATA) Check(err, fmt::format("Cannot decode the video of \"{}\"", path));
      drain();
    }
    ff::av_packet_unref(packet.get());
  }
  Check(ff::avcodec_send_packet(dec.get(), nullptr), fmt::format("Cannot decode the video of \"{}\"", path));
  drain();
  return pictures;
}

int64_t CountPackets(const std::string& path, int stream_index) {
  RequireMediaLibraries();
  AVInputFormatContextPtr ic = OpenInput(path);
  if (stream_index < 0 || static_cast<unsigned>(stream_index) >= ic->nb_streams)
    Fail(fmt::format("\"{}\" has no stream #{}", path, stream_index));
  int64_t packets = 0;
  AVPacketPtr packet = MakePacket();
  for (;;) {
    int err = ff::av_read_frame(ic.get(), packet.get());
    if (err == AVERROR_EOF) return packets;
    Check(err, fmt::format("Cannot read \"{}\"", path));
    if (packet->stream_index == stream_index) ++packets;
    ff::av_packet_unref(packet.get());
  }
}

}  // namespace zentrova::test
