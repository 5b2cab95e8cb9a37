#include "transcode/remux_fixture.h"

#include <fstream>
#include <stdexcept>

#include "media/av_ptr.h"
#include "media/error_text.h"

namespace zentrova::test {
namespace {

void Check(int ret, const std::string& what) {
  if (ret < 0) throw std::runtime_error(error_code_text(ret, what));
}

}  // namespace

void RemuxPackets(const std::string& source, const std::string& target,
                  const std::function<bool(const AVStream& stream, AVPacket& pkt)>& edit,
                  const std::string& format) {
  AVInputFormatContextPtr in;
  Check(ff::avformat_open_input(OutPtr(in), source.c_str(), nullptr, nullptr), "Could not open " + source);
  Check(ff::avformat_find_stream_info(in.get(), nullptr), "Could not probe " + source);
  AVOutputFormatContextPtr out;
  Check(ff::avformat_alloc_output_context2(OutPtr(out), nullptr, format.empty() ? nullptr : format.c_str(),
                                           target.c_str()),
        "Could not create " + target);
  for (unsigned i = 0; i < in->nb_streams; ++i) {
    AVStream* st = ff::avformat_new_stream(out.get(), nullptr);
    if (!st) throw std::bad_alloc();
    Check(ff::avcodec_parameters_copy(st->codecpar, in->streams[i]->codecpar), "Could not copy parameters");
    st->codecpar->codec_tag = 0;
    st->time_base = in->streams[i]->time_base;
  }
  Check(ff::avio_open(&out->pb, target.c_str(), AVIO_FLAG_WRITE), "Could not create " + target);
  Check(ff::avformat_write_header(out.get(), nullptr), "Could not write the header of " + target);
  AVPacketPtr pkt = MakePacket();
  int ret = 0;
  while ((ret = ff::av_read_frame(in.get(), pkt.get())) >= 0) {
    const AVStream& st = *in->streams[pkt->stream_index];
    if (edit(st, *pkt)) {
      ff::av_packet_rescale_ts(pkt.get(), st.time_base, out->streams[pkt->stream_index]->time_base);
      Check(ff::av_interleaved_write_frame(out.get(), pkt.get()), "Could not write " + target);
    }
    ff::av_packet_unref(pkt.get());
  }
  if (ret != AVERROR_EOF) Check(ret, "Could not read " + source);
  Check(ff::av_write_trailer(out.get()), "Could not finish " + target);
}

void ConcatenateFiles(const std::vector<std::string>& parts, const std::string& target) {
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  for (const std::string& part : parts) {
    std::ifstream in(part, std::ios::binary);
    if (!in) throw std::runtime_error("Could not read " + part);
    out << in.rdbuf();
  }
  if (!out) throw std::runtime_error("Could not write " + target);
}

}  // namespace zentrova::test
