#include "transcode/packet_probe.h"

#include <stdexcept>

#include "media/av_ptr.h"
#include "media/error_text.h"

namespace zentrova::test {

std::vector<ProbedPacket> ReadPackets(const std::string& path) {
  AVInputFormatContextPtr ctx;
  int ret = ff::avformat_open_input(OutPtr(ctx), path.c_str(), nullptr, nullptr);
  if (ret < 0) throw std::runtime_error(error_code_text(ret, "Could not open " + path));
  ret = ff::avformat_find_stream_info(ctx.get(), nullptr);
  if (ret < 0) throw std::runtime_error(error_code_text(ret, "Could not probe " + path));
  std::vector<ProbedPacket> packets;
  AVPacketPtr pkt = MakePacket();
  while ((ret = ff::av_read_frame(ctx.get(), pkt.get())) >= 0) {
    const AVStream* st = ctx->streams[pkt->stream_index];
    packets.push_back({pkt->stream_index, st->codecpar->codec_type, pkt->pts, pkt->dts,
                       (pkt->flags & AV_PKT_FLAG_KEY) != 0, st->time_base, pkt->pos, pkt->size,
                       pkt->duration});
    ff::av_packet_unref(pkt.get());
  }
  if (ret != AVERROR_EOF) throw std::runtime_error(error_code_text(ret, "Could not read " + path));
  return packets;
}

std::int64_t StreamBitRate(const std::string& path, int index) {
  AVInputFormatContextPtr ctx;
  int ret = ff::avformat_open_input(OutPtr(ctx), path.c_str(), nullptr, nullptr);
  if (ret < 0) throw std::runtime_error(error_code_text(ret, "Could not open " + path));
  ret = ff::avformat_find_stream_info(ctx.get(), nullptr);
  if (ret < 0) throw std::runtime_error(error_code_text(ret, "Could not probe " + path));
  if (index < 0 || static_cast<unsigned>(index) >= ctx->nb_streams)
    throw std::runtime_error("No such stream");
  return ctx->streams[index]->codecpar->bit_rate;
}

std::vector<ProbedPacket> PacketsOf(const std::vector<ProbedPacket>& packets, AVMediaType type) {
  std::vector<ProbedPacket> of_type;
  int stream = -1;
  for (const ProbedPacket& p : packets) {
    if (p.type != type || (stream >= 0 && p.stream != stream)) continue;
    stream = p.stream;
    of_type.push_back(p);
  }
  return of_type;
}

}  // namespace zentrova::test
