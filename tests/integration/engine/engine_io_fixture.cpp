#include "engine_io_fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace zentrova::test {

namespace {

template <typename Open>
OpenResult RunOpen(TestEngine& engine, Open&& open) {
  TFileOptionContext o;
  engine.InitFileOptions(o);
  OpenResult result;
  try {
    result.code = open(o);
    if (result.code < 0) result.error = engine.FLastErrMsg;
  } catch (const std::exception& e) {
    result.raised = true;
    result.code = -1;
    result.error = e.what();
  }
  engine.FreeFileOptions(o);
  return result;
}

}  // namespace

OpenResult OpenInput(TestEngine& engine, const std::string& options, const std::string& file_name) {
  return RunOpen(engine,
                 [&](TFileOptionContext& o) { return engine.OpenInputFile(o, options, file_name, ""); });
}

OpenResult OpenOutput(TestEngine& engine, const std::string& options, const std::string& file_name,
                      bool join) {
  return RunOpen(
      engine, [&](TFileOptionContext& o) { return engine.OpenOutputFile(o, options, join, file_name, ""); });
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
