#include "encoder/encoder_task.h"

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
  if (index < 0 || index >= InputCount()) return;
  FDecoders.Attach(index, Finput_files[static_cast<std::size_t>(index)]->ctx.get());
}

void TFFmpeg::DetachDecoders() {
  FDecoders.DetachAll();
}

}  // namespace zentrova
