// Opening an input or output of an engine in a test, with the reason kept
// when it fails (a returned error or a raised one).
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "engine/options/file_options_scope.h"

namespace zentrova::test {

/// Runs `opener` (an OpenInputFile or OpenOutputFile call) on a fresh option
/// context of `engine` and returns its result; on failure `error` holds the
/// reason.
inline int OpenEngineFile(TCustomFFmpegOpt& engine, const std::function<int(TFileOptionContext&)>& opener,
                          std::string& error) {
  TFileOptionsScope scope(engine);
  try {
    const int ret = opener(scope.Context());
    if (ret < 0) error = engine.FLastErrMsg;
    return ret;
  } catch (const std::exception& e) {
    engine.FLastErrMsg = e.what();
    error = e.what();
    return -1;
  }
}

}  // namespace zentrova::test
