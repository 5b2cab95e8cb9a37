#include "encoder/encoder_task.h"

#include <algorithm>

#include "engine/file_options_scope.h"

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

bool TFFmpeg::OpenAll(const std::vector<TPendingOpen>& opens) {
  for (const TPendingOpen& open : opens) {
    FLastErrMsg.clear();
    TFileOptionsScope scope(*this);
    const int ret =
        open.Kind == TFileKind::fkOutput
            ? OpenOutputFile(scope.Context(), open.Options, open.Join, open.FileName, open.Presets)
            : OpenInputFile(scope.Context(), open.Options, open.FileName, open.Presets);
    if (ret < 0) {
      if (FLastErrMsg.empty()) FLastErrMsg = fmt::format("{}: {}", open.FileName, error_code_text(ret));
      return false;
    }
  }
  return true;
}

bool TFFmpeg::OpenFilesForRun() {
  const std::vector<TPendingOpen> opens = std::move(FPendingOpens);
  FPendingOpens.clear();
  return OpenAll(opens);
}

bool TFFmpeg::HasOutputs() const {
  return TFFmpegTask::HasOutputs() || PendingCount(TFileKind::fkOutput) > 0;
}

void TFFmpeg::DetachDecoders() {
  FDecoders.DetachAll();
}

}  // namespace zentrova
