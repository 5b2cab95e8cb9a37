// Settings, source and machine answers for builder tests: an MP4 with the
// dialog's defaults, a 640x480 source "/m/x.mov" whose stream reported
// " 1000" kb/s, four processors, no optional AAC encoder, no existing files.
#pragma once

#include <set>
#include <string>

#include "convert/build_env.h"
#include "convert/output_settings.h"
#include "convert/source_facts.h"

namespace zentrova::app {

struct BuilderFixture {
  OutputSettings Settings;
  SourceFacts Source;
  std::set<std::string, std::less<>> Existing;  ///< files that exist
  std::set<std::string, std::less<>> Encoders;  ///< optional encoders present
  std::set<std::string, std::less<>> Claimed;   ///< names other tasks use

  BuilderFixture() {
    Settings.VideoBitRate = " 1000";
    Source.FileName = "/m/x.mov";
    Source.VideoStreamIndex = 0;
    Source.Width = 640;
    Source.Height = 480;
    Source.AudioStreamIndex = 1;
    Source.SampleRate = 44100;
    Source.Channels = 2;
  }

  /// Answers from the sets above; valid while the fixture lives.
  BuildEnv Env() const {
    BuildEnv env;
    env.FileExists = [this](const std::string& path) { return Existing.count(path) != 0; };
    env.NameClaimed = [this](const std::string& path) { return Claimed.count(path) != 0; };
    env.HasEncoder = [this](std::string_view name) { return Encoders.count(name) != 0; };
    return env;
  }
};

}  // namespace zentrova::app
