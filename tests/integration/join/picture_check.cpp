#include "join/picture_check.h"

#include <cstdlib>
#include <stdexcept>

#include "media/av_ptr.h"
#include "media/error_text.h"
#include "media/ff.h"

namespace zentrova::test {
namespace {

constexpr int kStep = 4;

std::vector<std::uint8_t> Samples(const LumaPicture& picture) {
  std::vector<std::uint8_t> out;
  for (int y = 0; y < picture.height; y += kStep)
    for (int x = 0; x < picture.width; x += kStep) out.push_back(picture.At(x, y));
  return out;
}

LumaPicture LumaOf(const AVFrame* frame) {
  LumaPicture picture{frame->width, frame->height, {}};
  picture.luma.reserve(static_cast<std::size_t>(frame->width) * frame->height);
  for (int y = 0; y < frame->height; ++y) {
    const std::uint8_t* row = frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0];
    picture.luma.insert(picture.luma.end(), row, row + frame->width);
  }
  return picture;
}

// The opened and probed file and the index of its first video stream.
struct OpenedVideo {
  AVInputFormatContextPtr ic;
  int stream = -1;
};

OpenedVideo OpenVideo(const std::string& path) {
  OpenedVideo opened;
  int ret = ff::avformat_open_input(OutPtr(opened.ic), path.c_str(), nullptr, nullptr);
  if (ret < 0) throw std::runtime_error(error_code_text(ret, "Could not open " + path));
  if ((ret = ff::avformat_find_stream_info(opened.ic.get(), nullptr)) < 0)
    throw std::runtime_error(error_code_text(ret, "Could not probe " + path));
  opened.stream = ff::av_find_best_stream(opened.ic.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (opened.stream < 0) throw std::runtime_error("No video stream in " + path);
  return opened;
}

}  // namespace

VideoShape ProbeVideoShape(const std::string& path) {
  const OpenedVideo opened = OpenVideo(path);
  const AVStream* st = opened.ic->streams[opened.stream];
  return {st->codecpar->width, st->codecpar->height, st->sample_aspect_ratio,
          st->codecpar->sample_aspect_ratio};
}

std::vector<LumaPicture> DecodeLumaPictures(const std::string& path) {
  const auto [ic, stream] = OpenVideo(path);
  const AVCodecParameters* par = ic->streams[stream]->codecpar;
  const AVCodec* codec = ff::avcodec_find_decoder(par->codec_id);
  if (!codec) throw std::runtime_error("No decoder for " + path);
  AVCodecContextPtr dec(ff::avcodec_alloc_context3(codec));
  ff::avcodec_parameters_to_context(dec.get(), par);
  if (const int ret = ff::avcodec_open2(dec.get(), codec, nullptr); ret < 0)
    throw std::runtime_error(error_code_text(ret, "Could not open the decoder of " + path));
  std::vector<LumaPicture> pictures;
  AVPacketPtr pkt = MakePacket();
  AVFramePtr frame = MakeFrame();
  auto drain = [&] {
    while (ff::avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
      pictures.push_back(LumaOf(frame.get()));
      ff::av_frame_unref(frame.get());
    }
  };
  while (ff::av_read_frame(ic.get(), pkt.get()) >= 0) {
    if (pkt->stream_index == stream) {
      ff::avcodec_send_packet(dec.get(), pkt.get());
      drain();
    }
    ff::av_packet_unref(pkt.get());
  }
  ff::avcodec_send_packet(dec.get(), nullptr);
  drain();
  return pictures;
}

std::vector<std::vector<std::uint8_t>> DecodeLumaSamples(const std::string& path) {
  std::vector<std::vector<std::uint8_t>> samples;
  for (const LumaPicture& picture : DecodeLumaPictures(path)) samples.push_back(Samples(picture));
  return samples;
}

double MeanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 255.0;
  std::int64_t sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int{a[i]} - int{b[i]});
  return static_cast<double>(sum) / static_cast<double>(a.size());
}

}  // namespace zentrova::test
