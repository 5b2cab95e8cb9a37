#include "convert/build_env.h"

#include <filesystem>
#include <system_error>

#include "convert/output_naming.h"
#include "media/ff.h"
#include "media/library_loader.h"

namespace zentrova::app {

bool LibraryHasEncoder(std::string_view name) {
  if (!FFLoader().Loaded(TLibrary::avCodec) || !ff::avcodec_find_encoder_by_name) return false;
  const std::string zero_terminated(name);
  return ff::avcodec_find_encoder_by_name(zero_terminated.c_str()) != nullptr;
}

BuildEnv SystemBuildEnv(const TClaimedNames* claimed) {
  BuildEnv env;
  env.FileExists = [](const std::string& path) {
    // A dangling symbolic link counts: writing through it would create its target.
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(std::filesystem::path(path), error));
  };
  if (claimed) env.NameClaimed = [claimed](const std::string& path) { return claimed->Contains(path); };
  env.HasEncoder = LibraryHasEncoder;
  return env;
}

}  // namespace zentrova::app
