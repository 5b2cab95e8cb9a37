#include "engine_test_support.h"

#include <charconv>
#include <gtest/gtest.h>

#include "engine/open/input_file.h"
#include "media/error_text.h"
#include "options/dictionary.h"

namespace zentrova::test {

int TestEngine::ParseOutput(TFileOptionContext& o, const std::string& options, const std::string& presets) {
  return ParseOptions(o, options, OPTF_OUTPUT, "out.mp4", "output file", presets);
}

int TestEngine::ParseInput(TFileOptionContext& o, const std::string& options, const std::string& presets) {
  return ParseOptions(o, options, OPTF_INPUT, "in.mp4", "input file", presets);
}

void TestEngine::AddLavfiInput(const std::string& graph) {
  auto file = std::make_unique<TInputFile>();
  const int opened =
      ff::avformat_open_input(OutPtr(file->ctx), graph.c_str(), ff::av_find_input_format("lavfi"), nullptr);
  ASSERT_GE(opened, 0) << error_code_text(opened, graph);
  const int probed = ff::avformat_find_stream_info(file->ctx.get(), nullptr);
  ASSERT_GE(probed, 0) << error_code_text(probed, graph);
  file->nb_streams = static_cast<int>(file->ctx->nb_streams);
  Finput_files.push_back(std::move(file));
}

std::string TestEngine::CodecOption(const std::string& key) {
  const char* value = DictGet(Options().OptionParseContext().file_opts.codec_opts, key);
  return value ? value : "";
}

std::string TestEngine::FormatOption(const std::string& key) {
  const char* value = DictGet(Options().OptionParseContext().file_opts.format_opts, key);
  return value ? value : "";
}

int TestEngine::opt_VideoHookBitsPixel(Ctx*, Str, Str arg) {
  const auto [end, ec] = std::from_chars(arg.data(), arg.data() + arg.size(), hook_bits_per_pixel);
  return ec == std::errc() && end == arg.data() + arg.size() ? 0 : AVERROR(EINVAL);
}

LogRecorder::LogRecorder()
    : logger_(std::make_unique<TZOVuzodi>()), lines_(std::make_shared<std::vector<Line>>()) {
  logger_->SetTriggerEventInMainThread(false);
  logger_->SetLogLevel(TLogLevel::llTrace);
  logger_->SetOnLog([lines = lines_](const void*, int, TLogLevel level, const std::string& msg) {
    lines->push_back({level, msg});
  });
  logger_->SetActive(true);
}

LogRecorder::~LogRecorder() {
  logger_.reset();
  // Library lines below this level are dropped by the library itself; leave
  // it where the next test expects it.
  DefaultLogger()->SetLogLevel(TLogLevel::llInfo);
}

bool LogRecorder::Contains(const std::string& text) const {
  for (const Line& line : *lines_)
    if (line.text.find(text) != std::string::npos) return true;
  return false;
}

int LogRecorder::Count(TLogLevel level, const std::string& text) const {
  int n = 0;
  for (const Line& line : *lines_)
    if (line.level == level && line.text.find(text) != std::string::npos) ++n;
  return n;
}

std::string LogRecorder::All() const {
  std::string all;
  for (const Line& line : *lines_) all += line.text + "\n";
  return all;
}

}  // namespace zentrova::test
