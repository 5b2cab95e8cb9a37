#include "encoder/input_decoders.h"

#include "decoder/ridarivir.h"

namespace zentrova {

TDecoderHolder::TDecoderHolder() : decoder_(std::make_unique<TRIDarivir>()) {}
TDecoderHolder::~TDecoderHolder() = default;
TDecoderHolder::TDecoderHolder(TDecoderHolder&&) noexcept = default;
TDecoderHolder& TDecoderHolder::operator=(TDecoderHolder&&) noexcept = default;

AVFormatContext* TDecoderHolder::FileHandle() const {
  return decoder_ ? decoder_->FileHandle() : nullptr;
}

void TDecoderHolder::Adopt(AVFormatContext* input) {
  decoder_->SetFileHandle(input);
}

void TDecoderHolder::Close() {
  if (decoder_) decoder_->CloseFile();
}

void TInputDecoders::Attach(int index, AVFormatContext* input) {
  if (index < 0) return;
  const auto slot = static_cast<std::size_t>(index);
  while (decoders_.size() <= slot) decoders_.emplace_back();
  decoders_[slot].Adopt(input);
}

void TInputDecoders::DetachAll() {
  for (TDecoderHolder& decoder : decoders_) decoder.Close();
}

TRIDarivir* TInputDecoders::Get(int index) const {
  if (index < 0 || index >= static_cast<int>(decoders_.size())) return nullptr;
  const TDecoderHolder& holder = decoders_[static_cast<std::size_t>(index)];
  return holder.FileHandle() ? &holder.Get() : nullptr;
}

}  // namespace zentrova
