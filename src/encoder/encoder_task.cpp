#include "encoder/encoder_task.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "encoder/custom_encoder.h"
#include "engine/options/file_options_scope.h"
#include "options/file_name_text.h"

namespace zentrova {

TFFmpeg::TFFmpeg() = default;

TFFmpeg::~TFFmpeg() {
  // The decoders read the inputs the run uses: the run ends first.
  Stop(TStopWait::swWait);
  DetachDecoders();
}

TRIDarivir* TFFmpeg::Decoder(int index) const {
  return FDecoders.Get(index);
}

void TFFmpeg::AttachDecoder(int index) {
  if (index < 0 || index >= static_cast<int>(Finput_files.size())) return;  // none, or deferred
  FDecoders.Attach(index, Finput_files[static_cast<std::size_t>(index)]->ctx.get());
}

int TFFmpeg::PendingCount(TFileKind kind) const {
  return static_cast<int>(std::count_if(FPendingOpens.begin(), FPendingOpens.end(),
                                        [kind](const TPendingOpen& open) { return open.Kind == kind; }));
}

bool TFFmpeg::OpenAll(const std::vector<TPendingOpen>& opens, TNameClaim claim) {
  for (const TPendingOpen& open : opens) {
    FLastErrMsg.clear();
    std::string file_name = open.FileName;
    std::unique_ptr<TOutputTarget> target;
    if (open.Kind == TFileKind::fkOutput && claim == TNameClaim::ncNow && !ClaimOutputName(file_name, target))
      return false;
    TFileOptionsScope scope(*this);
    const int ret = open.Kind == TFileKind::fkOutput
                        ? OpenOutputFile(scope.Context(), open.Options, open.Join, file_name, open.Presets)
                        : OpenInputFile(scope.Context(), open.Options, file_name, open.Presets);
    if (ret < 0) {
      if (FLastErrMsg.empty()) FLastErrMsg = fmt::format("{}: {}", file_name, error_code_text(ret));
      return false;
    }
    // The output's writer takes the claim; a format that writes no file of
    // its own needs none (the `.part` file goes with `target`).
    if (target) {
      // `ret` is the output's index (a join adds a record per segment after it).
      TOutputFile& of = *Foutput_files.at(static_cast<std::size_t>(ret));
      const AVFormatContext* oc = of.ctx.get();
      if (oc && oc->oformat && !(oc->oformat->flags & AVFMT_NOFILE)) of.target = std::move(target);
    }
  }
  return true;
}

bool TFFmpeg::ClaimOutputName(std::string& name, std::unique_ptr<TOutputTarget>& target) {
  // Each name offered is claimed or found held; a caller that keeps offering
  // held names is stopped at some point.
  constexpr int kMaxNames = 1000;
  for (int attempt = 0; attempt < kMaxNames; ++attempt) {
    const std::optional<std::filesystem::path> path = TOutputTarget::PlainLocalPath(name);
    if (!path) return true;
    bool held = false;
    target = TOutputTarget::Acquire(*path, FLastErrMsg, &held);
    // A finished output of another conversion (or an earlier run) under the
    // name is kept with -n: the name counts as held.
    std::error_code error;
    if (target && Fno_file_overwrite && std::filesystem::exists(*path, error)) {
      target.reset();
      held = true;
      FLastErrMsg = fmt::format("File \"{}\" already exists. Ignore.", displayed_file_name(name));
    }
    if (target) return true;
    if (!held || !FParent) return false;
    std::string next = FParent->HandleOutputNameHeld(this, name);
    if (next.empty()) return false;
    Log(TLogLevel::llInfo,
        fmt::format("\"{}\" is being written by another conversion or kept: writing \"{}\" instead",
                    displayed_file_name(name), displayed_file_name(next)));
    name = std::move(next);
  }
  return false;
}

bool TFFmpeg::OpenFilesForRun() {
  const std::vector<TPendingOpen> opens = std::move(FPendingOpens);
  FPendingOpens.clear();
  return OpenAll(opens, TNameClaim::ncNow);
}

bool TFFmpeg::HasOutputs() const {
  return TFFmpegTask::HasOutputs() || PendingCount(TFileKind::fkOutput) > 0;
}

void TFFmpeg::DetachDecoders() {
  FDecoders.DetachAll();
}

}  // namespace zentrova
