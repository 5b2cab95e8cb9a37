// The open-codec lists: which decoders and encoders an engine has opened,
// so that every path out of a run (finished, stopped, failed, destroyed)
// closes exactly those. One lock guards the lists of every engine.
#include <algorithm>

#include "engine/custom_ffmpeg.h"
#include "log/logger.h"

namespace zentrova {

std::mutex& CodecListLock() {
  static std::mutex lock;
  return lock;
}

void TCustomFFmpeg::AddToCodecList(std::list<TOutputStream*>& list, TOutputStream* ost) {
  std::lock_guard guard(CodecListLock());
  list.push_front(ost);
}

void TCustomFFmpeg::AddToCodecList(std::list<TInputStream*>& list, TInputStream* ist) {
  std::lock_guard guard(CodecListLock());
  list.push_front(ist);
}

void TCustomFFmpeg::RemoveFromCodecList(std::list<TOutputStream*>& list, TOutputStream* ost) {
  std::lock_guard guard(CodecListLock());
  list.remove(ost);
}

void TCustomFFmpeg::RemoveFromCodecList(std::list<TInputStream*>& list, TInputStream* ist) {
  std::lock_guard guard(CodecListLock());
  list.remove(ist);
}

void TCustomFFmpeg::ReleaseEncoderList() {
  std::lock_guard guard(CodecListLock());
  // The encoder contexts themselves are freed with their stream records.
  FEncoderList.clear();
}

void TCustomFFmpeg::CloseDecoderList() {
  std::lock_guard guard(CodecListLock());
  for (TInputStream* ist : FDecoderList) {
    if (!ist->decoding_needed || ist->decoder_closed) continue;
    ist->decoder_closed = 1;
    if (ist->hwaccel_uninit) ist->hwaccel_uninit(ist->dec_ctx.get());
    // Freed and forgotten: the release steps may run more than once.
    ist->dec_ctx.reset();
  }
  FDecoderList.clear();
}

void TCustomFFmpeg::ReleaseTranscodeState() {
  CloseDecoderList();
  ReleaseEncoderList();
  for (const std::unique_ptr<TOutputStream>& ost : Foutput_streams) {
    if (ost && ost->logfile) {
      if (std::fflush(ost->logfile.get()) != 0)
        Log(TLogLevel::llError, "Error closing logfile, loss of information possible");
    }
  }
  FTranscodeCleanuped = true;
}

}  // namespace zentrova
