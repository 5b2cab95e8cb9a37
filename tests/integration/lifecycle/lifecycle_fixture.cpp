#include "lifecycle_fixture.h"

#include <filesystem>
#include <iostream>
#include <numeric>
#include <stdexcept>
#include <system_error>

#include "log/main_thread.h"
#include "media/av_ptr.h"
#include "media/error_text.h"
#include "support/engine_open.h"

namespace zentrova::test {

LogRecorder::LogRecorder() {
  logger_.SetTriggerEventInMainThread(false);
  logger_.SetLogLevel(TLogLevel::llInfo);
  logger_.SetOnLog([this](const void*, int, TLogLevel, const std::string& msg) {
    std::lock_guard lock(mutex_);
    lines_.push_back(msg);
  });
}

LogRecorder::~LogRecorder() {
  logger_.SetOnLog(nullptr);
}

std::vector<std::string> LogRecorder::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

int LogRecorder::Count(const std::string& text) const {
  std::lock_guard lock(mutex_);
  int n = 0;
  for (const std::string& line : lines_)
    if (line.find(text) != std::string::npos) ++n;
  return n;
}

double LumaPicture::Mean() const {
  return Mean(0, 0, width, height);
}

double LumaPicture::Mean(int x, int y, int w, int h) const {
  double sum = 0;
  for (int row = y; row < y + h; ++row)
    for (int col = x; col < x + w; ++col) sum += luma[static_cast<std::size_t>(row) * width + col];
  return w * h > 0 ? sum / (w * h) : 0;
}

namespace {

void Check(int ret, const std::string& what) {
  if (ret < 0) throw std::runtime_error(error_code_text(ret, what));
}

LumaPicture ToLuma(const AVFrame* frame) {
  LumaPicture picture;
  picture.width = frame->width;
  picture.height = frame->height;
  picture.luma.resize(static_cast<std::size_t>(frame->width) * frame->height);
  SwsContextPtr sws(ff::sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                       frame->width, frame->height, AV_PIX_FMT_GRAY8, SWS_POINT, nullptr,
                                       nullptr, nullptr));
  if (!sws) throw std::runtime_error("no scaler context for the luma plane");
  std::uint8_t* dst[4] = {picture.luma.data(), nullptr, nullptr, nullptr};
  int dst_linesize[4] = {frame->width, 0, 0, 0};
  ff::sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, dst, dst_linesize);
  return picture;
}

}  // namespace

std::vector<LumaPicture> DecodeLuma(const std::string& path) {
  AVInputFormatContextPtr input;
  Check(ff::avformat_open_input(OutPtr(input), path.c_str(), nullptr, nullptr), "open " + path);
  Check(ff::avformat_find_stream_info(input.get(), nullptr), "probe " + path);
  const int index = ff::av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  Check(index, "find the video stream of " + path);
  const AVCodecParameters* par = input->streams[index]->codecpar;
  const AVCodec* codec = ff::avcodec_find_decoder(par->codec_id);
  if (!codec) throw std::runtime_error("no decoder for " + path);
  AVCodecContextPtr dec(ff::avcodec_alloc_context3(codec));
  Check(ff::avcodec_parameters_to_context(dec.get(), par), "decoder parameters");
  dec->thread_count = 1;
  Check(ff::avcodec_open2(dec.get(), codec, nullptr), "open the decoder");
  AVPacketPtr packet = MakePacket();
  AVFramePtr frame = MakeFrame();
  std::vector<LumaPicture> pictures;
  auto drain = [&] {
    while (ff::avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
      pictures.push_back(ToLuma(frame.get()));
      ff::av_frame_unref(frame.get());
    }
  };
  while (ff::av_read_frame(input.get(), packet.get()) >= 0) {
    if (packet->stream_index == index) {
      Check(ff::avcodec_send_packet(dec.get(), packet.get()), "decode " + path);
      drain();
    }
    ff::av_packet_unref(packet.get());
  }
  ff::avcodec_send_packet(dec.get(), nullptr);
  drain();
  return pictures;
}

std::int64_t FileSize(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? 0 : static_cast<std::int64_t>(size);
}

void LifecycleTest::TearDown() {
  if (!HasFailure()) return;
  const std::vector<std::string> lines = log_.Lines();
  const std::size_t from = lines.size() > 40 ? lines.size() - 40 : 0;
  for (std::size_t i = from; i < lines.size(); ++i) std::cerr << "log: " << lines[i] << "\n";
}

std::string LifecycleTest::Clip(const std::string& name, const ClipSpec& spec) {
  const std::string path = dir_.File(name);
  if (!std::filesystem::exists(path)) MakeClip(path, spec);
  return path;
}

std::unique_ptr<TFFmpegTask> LifecycleTest::MakeTask(const std::string& input,
                                                     const std::string& input_options,
                                                     const std::string& output,
                                                     const std::string& output_options) {
  auto task = std::make_unique<TFFmpegTask>();
  auto open = [&](const std::function<int(TFileOptionContext&)>& fn, const std::string& what) {
    std::string error;
    EXPECT_GE(OpenEngineFile(*task, fn, error), 0) << what << ": " << error;
  };
  open([&](TFileOptionContext& o) { return task->OpenInputFile(o, input_options, input, ""); }, "input");
  if (!output.empty())
    open([&](TFileOptionContext& o) { return task->OpenOutputFile(o, output_options, false, output, ""); },
         "output");
  return task;
}

bool LifecycleTest::WaitFor(const std::function<bool()>& done, int timeout_ms) {
  return MainThreadWait(done, timeout_ms);
}

}  // namespace zentrova::test
