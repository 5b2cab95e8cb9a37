#include "engine_io_fixture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/options/file_options_scope.h"
#include "log/logger.h"

namespace zentrova::test {

namespace {

template <typename Open>
OpenResult RunOpen(TestEngine& engine, Open&& open) {
  TFileOptionsScope scope(engine);
  OpenResult result;
  try {
    result.code = open(scope.Context());
    if (result.code < 0) result.error = engine.FLastErrMsg;
  } catch (const std::exception& e) {
    result.raised = true;
    result.code = -1;
    result.error = e.what();
  }
  return result;
}

}  // namespace

OpenResult OpenInput(TestEngine& engine, const std::string& options, const std::string& file_name) {
  return RunOpen(engine,
                 [&](TFileOptionContext& o) { return engine.OpenInputFile(o, options, file_name, ""); });
}

OpenResult OpenOutput(TestEngine& engine, const std::string& options, const std::string& file_name, bool join,
                      const std::string& presets) {
  return RunOpen(engine, [&](TFileOptionContext& o) {
    return engine.OpenOutputFile(o, options, join, file_name, presets);
  });
}

LogCapture::LogCapture() {
  TZOVuzodi* logger = DefaultLogger();
  was_active_ = logger->Active();
  was_main_thread_ = logger->TriggerEventInMainThread();
  old_level_ = logger->LogLevel();
  logger->SetTriggerEventInMainThread(false);
  logger->SetLogLevel(TLogLevel::llVerbose);
  logger->SetOnLog([this](const void*, int, TLogLevel, const std::string& msg) {
    std::string line = msg;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
  });
  logger->SetActive(true);
}

LogCapture::~LogCapture() {
  TZOVuzodi* logger = DefaultLogger();
  logger->SetOnLog(nullptr);
  logger->SetLogLevel(old_level_);
  logger->SetTriggerEventInMainThread(was_main_thread_);
  logger->SetActive(was_active_);
}

std::vector<std::string> LogCapture::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

int LogCapture::Count(const std::string& text) const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(std::count(lines_.begin(), lines_.end(), text));
}

std::string EngineIoTest::Clip(const std::string& name, const ClipSpec& spec) {
  const std::string path = dir_.File(name);
  if (!std::filesystem::exists(path)) MakeClip(path, spec);
  return path;
}

std::string EngineIoTest::ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace zentrova::test
