#include "encoder_fixture.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "log/main_thread.h"
#include "log/threads.h"
#include "media/av_ptr.h"
#include "media/error_text.h"

namespace zentrova::test {

void TerminateRecorder::Attach(TCustomEncoder& encoder) {
  encoder.SetOnTerminate([this](TCustomEncoder*, const TTerminateInfo& info) {
    {
      std::lock_guard lock(mutex_);
      max_overlap_ = std::max(max_overlap_, ++running_);
      records_.push_back(TerminateRecord{info, CurrentThreadId(), inside_start_});
    }
    std::lock_guard lock(mutex_);
    --running_;
  });
}

std::vector<TerminateRecord> TerminateRecorder::Records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

int TerminateRecorder::Count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(records_.size());
}

bool TerminateRecorder::RunEnded() const {
  std::lock_guard lock(mutex_);
  return std::any_of(records_.begin(), records_.end(), [](const auto& r) { return r.info.TaskIndex == -1; });
}

void TerminateRecorder::SetInsideStart(bool inside) {
  std::lock_guard lock(mutex_);
  inside_start_ = inside;
}

int TerminateRecorder::MaxOverlap() const {
  std::lock_guard lock(mutex_);
  return max_overlap_;
}

namespace {

void Check(int ret, const std::string& what) {
  if (ret < 0) throw std::runtime_error(error_code_text(ret, what));
}

double MeanOfFrame(const AVFrame* frame, int x, int y, int w, int h) {
  std::vector<std::uint8_t> luma(static_cast<std::size_t>(frame->width) * frame->height);
  SwsContextPtr sws(ff::sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                       frame->width, frame->height, AV_PIX_FMT_GRAY8, SWS_POINT, nullptr,
                                       nullptr, nullptr));
  if (!sws) throw std::runtime_error("no scaler for the luma plane");
  std::uint8_t* dst[4] = {luma.data(), nullptr, nullptr, nullptr};
  int dst_linesize[4] = {frame->width, 0, 0, 0};
  ff::sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, dst, dst_linesize);
  double sum = 0;
  for (int row = y; row < y + h; ++row) {
    for (int col = x; col < x + w; ++col) sum += luma[static_cast<std::size_t>(row) * frame->width + col];
  }
  return w * h > 0 ? sum / (w * h) : 0;
}

}  // namespace

double MeanLuma(const std::string& path, int index, int x, int y, int w, int h) {
  AVInputFormatContextPtr input;
  Check(ff::avformat_open_input(OutPtr(input), path.c_str(), nullptr, nullptr), "open " + path);
  Check(ff::avformat_find_stream_info(input.get(), nullptr), "probe " + path);
  const int stream = ff::av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  Check(stream, "find the video stream of " + path);
  const AVCodecParameters* par = input->streams[stream]->codecpar;
  const AVCodec* codec = ff::avcodec_find_decoder(par->codec_id);
  if (!codec) throw std::runtime_error("no decoder for " + path);
  AVCodecContextPtr dec(ff::avcodec_alloc_context3(codec));
  Check(ff::avcodec_parameters_to_context(dec.get(), par), "decoder parameters");
  Check(ff::avcodec_open2(dec.get(), codec, nullptr), "open the decoder");
  AVPacketPtr packet = MakePacket();
  AVFramePtr frame = MakeFrame();
  int seen = 0;
  double result = -1;
  auto drain = [&] {
    while (result < 0 && ff::avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
      if (seen++ == index) result = MeanOfFrame(frame.get(), x, y, w, h);
      ff::av_frame_unref(frame.get());
    }
  };
  while (result < 0 && ff::av_read_frame(input.get(), packet.get()) >= 0) {
    if (packet->stream_index == stream) {
      Check(ff::avcodec_send_packet(dec.get(), packet.get()), "decode " + path);
      drain();
    }
    ff::av_packet_unref(packet.get());
  }
  if (result < 0) {
    ff::avcodec_send_packet(dec.get(), nullptr);
    drain();
  }
  if (result < 0) throw std::runtime_error("no picture " + std::to_string(index) + " in " + path);
  return result;
}

void EncoderTest::SetUp() {
  LoadMediaLibraries();
  encoder_ = std::make_unique<TDERodorir>();
}

void EncoderTest::TearDown() {
  encoder_.reset();
}

std::string EncoderTest::Clip(const std::string& name, int frames, int width, int height) {
  const std::string path = dir_.File(name);
  if (!std::filesystem::exists(path)) {
    ClipSpec spec;
    spec.format = "mp4";
    spec.duration_s = frames / 25.0;
    VideoSpec video;
    video.codec = "mpeg4";
    video.width = width;
    video.height = height;
    spec.video = video;
    MakeClip(path, spec);
  }
  return path;
}

int EncoderTest::AddConversion(const std::string& input, const std::string& output,
                               const std::string& output_options) {
  const int index = encoder_->AddTask(input);
  EXPECT_GE(index, 0) << encoder_->LastErrMsg();
  if (index < 0) return -1;
  const int ret = encoder_->SetOutput(index, output, output_options, "");
  EXPECT_GE(ret, 0) << encoder_->LastErrMsg();
  return ret < 0 ? -1 : index;
}

bool EncoderTest::WaitFor(const std::function<bool()>& done, int timeout_ms) {
  return MainThreadWait(done, timeout_ms);
}

}  // namespace zentrova::test
