// The decoders an encoder keeps: one per task input (adopting the input the
// engine opened, read only) and the component's own.
//
// They are held behind a forward declaration so that the encoder's headers
// do not pull the decoder's headers into every engine translation unit.
//
// Threads: owner's thread (the main thread) only.
#pragma once

#include <memory>
#include <vector>

#include "media/ff.h"

namespace zentrova {

class TRIDarivir;

/// One decoder, created with its holder.
class TDecoderHolder {
 public:
  TDecoderHolder();
  ~TDecoderHolder();
  TDecoderHolder(TDecoderHolder&&) noexcept;
  TDecoderHolder& operator=(TDecoderHolder&&) noexcept;

  TRIDarivir& Get() const { return *decoder_; }
  /// The decoder's file, or null.
  AVFormatContext* FileHandle() const;
  /// Adopts `input` (read only: never closed by the decoder).
  void Adopt(AVFormatContext* input);
  /// Forgets the file (closing it when the decoder opened it itself).
  void Close();

 private:
  std::unique_ptr<TRIDarivir> decoder_;
};

/// One decoder per input of a task, made on demand.
class TInputDecoders {
 public:
  /// Decoder `index` (created when missing) adopts `input`.
  void Attach(int index, AVFormatContext* input);
  /// Every decoder forgets its input.
  void DetachAll();
  /// Decoder `index` while it holds an input; null otherwise.
  TRIDarivir* Get(int index) const;

 private:
  std::vector<TDecoderHolder> decoders_;
};

}  // namespace zentrova
