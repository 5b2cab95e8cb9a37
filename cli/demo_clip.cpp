#include "cli/demo_clip.h"

#include <fmt/format.h>

#include <array>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "media/av_ptr.h"
#include "media/error_text.h"
#include "media/ff.h"

namespace zentrova::cli {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 360;
constexpr int kFrameRate = 25;
constexpr int kSampleRate = 44100;

void Check(int code, const std::string& action) {
  if (code < 0) throw std::runtime_error(error_code_text(code, "Demo clip: cannot " + action));
}

template <typename T>
T* CheckNotNull(T* pointer, const std::string& action) {
  if (!pointer) throw std::runtime_error("Demo clip: cannot " + action);
  return pointer;
}

// One stream of the clip: a source graph, its encoder and its output stream.
struct TTrack {
  AVFilterGraphPtr graph;
  AVFilterContext* sink = nullptr;
  AVCodecContextPtr codec;
  AVStream* stream = nullptr;
  std::int64_t next_pts = 0;  ///< in the codec's time base
  bool done = false;
};

void BuildGraph(TTrack& track, const std::string& description, bool audio) {
  track.graph.reset(CheckNotNull(ff::avfilter_graph_alloc(), "allocate a filter graph"));
  const char* sink_name = audio ? "abuffersink" : "buffersink";
  Check(ff::avfilter_graph_create_filter(&track.sink, ff::avfilter_get_by_name(sink_name), "out", nullptr,
                                         nullptr, track.graph.get()),
        std::string("create ") + sink_name);
  // The description's last output goes into the sink's input, labelled "out".
  AVFilterInOutPtr inputs(CheckNotNull(ff::avfilter_inout_alloc(), "allocate a filter link"));
  inputs->name = CheckNotNull(ff::av_strdup("out"), "allocate a filter label");
  inputs->filter_ctx = track.sink;
  inputs->pad_idx = 0;
  AVFilterInOutPtr outputs;
  const int parsed = ff::avfilter_graph_parse_ptr(track.graph.get(), description.c_str(), InOutPtr(inputs),
                                                  OutPtr(outputs), nullptr);
  Check(parsed, "read the filter graph \"" + description + "\"");
  Check(ff::avfilter_graph_config(track.graph.get(), nullptr), "configure \"" + description + "\"");
}

const AVCodec* FirstEncoder(const std::array<const char*, 2>& names) {
  for (const char* name : names)
    if (const AVCodec* codec = ff::avcodec_find_encoder_by_name(name)) return codec;
  throw std::runtime_error(
      fmt::format("Demo clip: the media library has neither {} nor {}", names[0], names[1]));
}

void OpenVideo(TTrack& track, AVFormatContext* muxer, double seconds) {
  BuildGraph(track,
             fmt::format("testsrc2=size={}x{}:rate={}:duration={},format=yuv420p", kWidth, kHeight,
                         kFrameRate, seconds),
             false);
  const AVCodec* encoder = FirstEncoder({"libx264", "mpeg4"});
  track.codec.reset(CheckNotNull(ff::avcodec_alloc_context3(encoder), "allocate the video encoder"));
  AVCodecContext* c = track.codec.get();
  c->width = ff::av_buffersink_get_w(track.sink);
  c->height = ff::av_buffersink_get_h(track.sink);
  c->pix_fmt = static_cast<AVPixelFormat>(ff::av_buffersink_get_format(track.sink));
  c->time_base = AVRational{1, kFrameRate};
  c->framerate = AVRational{kFrameRate, 1};
  c->gop_size = kFrameRate;
  c->bit_rate = 1000000;
  if (muxer->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (c->priv_data) ff::av_opt_set(c->priv_data, "preset", "veryfast", 0);  // absent option: ignored
  Check(ff::avcodec_open2(c, encoder, nullptr), std::string("open the video encoder ") + encoder->name);
}

void OpenAudio(TTrack& track, AVFormatContext* muxer, double seconds) {
  BuildGraph(track,
             fmt::format("sine=frequency=440:sample_rate={}:duration={},"
                         "aformat=sample_fmts=fltp:channel_layouts=stereo",
                         kSampleRate, seconds),
             true);
  const AVCodec* encoder = FirstEncoder({"libmp3lame", "aac"});
  track.codec.reset(CheckNotNull(ff::avcodec_alloc_context3(encoder), "allocate the audio encoder"));
  AVCodecContext* c = track.codec.get();
  c->sample_rate = ff::av_buffersink_get_sample_rate(track.sink);
  c->sample_fmt = static_cast<AVSampleFormat>(ff::av_buffersink_get_format(track.sink));
  Check(ff::av_buffersink_get_ch_layout(track.sink, &c->ch_layout), "read the tone's channel layout");
  c->time_base = AVRational{1, c->sample_rate};
  c->bit_rate = 128000;
  if (muxer->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  Check(ff::avcodec_open2(c, encoder, nullptr), std::string("open the audio encoder ") + encoder->name);
  // The encoder takes whole frames of its own size.
  if (c->frame_size > 0 && !(encoder->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE))
    ff::av_buffersink_set_frame_size(track.sink, static_cast<unsigned>(c->frame_size));
}

void AddStream(TTrack& track, AVFormatContext* muxer) {
  track.stream = CheckNotNull(ff::avformat_new_stream(muxer, nullptr), "add a stream");
  Check(ff::avcodec_parameters_from_context(track.stream->codecpar, track.codec.get()), "describe a stream");
  track.stream->time_base = track.codec->time_base;
}

// Sends `frame` (null: the end) and writes every packet that comes out.
void Encode(TTrack& track, AVFormatContext* muxer, AVFrame* frame, AVPacket* packet) {
  Check(ff::avcodec_send_frame(track.codec.get(), frame), "encode");
  for (;;) {
    const int received = ff::avcodec_receive_packet(track.codec.get(), packet);
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
    Check(received, "encode");
    ff::av_packet_rescale_ts(packet, track.codec->time_base, track.stream->time_base);
    packet->stream_index = track.stream->index;
    Check(ff::av_interleaved_write_frame(muxer, packet), "write a packet");
  }
}

// Moves the track on by one frame: pulls it from the graph and encodes it.
void Step(TTrack& track, AVFormatContext* muxer, AVFrame* frame, AVPacket* packet) {
  const int got = ff::av_buffersink_get_frame(track.sink, frame);
  if (got == AVERROR_EOF) {
    Encode(track, muxer, nullptr, packet);
    track.done = true;
    return;
  }
  Check(got, "make the test signal");
  frame->pts =
      ff::av_rescale_q(frame->pts, ff::av_buffersink_get_time_base(track.sink), track.codec->time_base);
  frame->pict_type = AV_PICTURE_TYPE_NONE;
  track.next_pts = frame->pts + (frame->nb_samples > 0 ? frame->nb_samples : 1);
  Encode(track, muxer, frame, packet);
  ff::av_frame_unref(frame);
}

void WriteClip(const std::string& path, double seconds) {
  AVOutputFormatContextPtr muxer;
  Check(ff::avformat_alloc_output_context2(OutPtr(muxer), nullptr, "mp4", path.c_str()),
        "create an MP4 muxer");
  std::array<TTrack, 2> tracks;
  OpenVideo(tracks[0], muxer.get(), seconds);
  OpenAudio(tracks[1], muxer.get(), seconds);
  for (TTrack& track : tracks) AddStream(track, muxer.get());
  Check(ff::avio_open(&muxer->pb, path.c_str(), AVIO_FLAG_WRITE), "create " + path);
  Check(ff::avformat_write_header(muxer.get(), nullptr), "write the header of " + path);

  AVFramePtr frame = MakeFrame();
  AVPacketPtr packet = MakePacket();
  // The track that is behind goes next, so the streams stay interleaved.
  for (;;) {
    TTrack* next = nullptr;
    for (TTrack& track : tracks) {
      if (track.done) continue;
      if (!next || ff::av_compare_ts(track.next_pts, track.codec->time_base, next->next_pts,
                                     next->codec->time_base) < 0)
        next = &track;
    }
    if (!next) break;
    Step(*next, muxer.get(), frame.get(), packet.get());
  }
  Check(ff::av_write_trailer(muxer.get()), "finish " + path);
}

}  // namespace

void MakeDemoClip(const std::string& path, double seconds) {
  const std::string partial = path + ".partial";
  try {
    WriteClip(partial, seconds);
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(partial, ignored);
    throw;
  }
  std::error_code error;
  std::filesystem::rename(partial, path, error);
  if (error) {
    std::filesystem::remove(partial, error);
    throw std::runtime_error("Demo clip: cannot rename the finished clip to " + path);
  }
}

}  // namespace zentrova::cli
