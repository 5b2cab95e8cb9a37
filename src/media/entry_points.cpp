#include "media/entry_points.h"

#include "media/ff.h"

namespace zentrova {

std::vector<TEntryPointState> EntryPoints(TLibrary library) {
  std::vector<TEntryPointState> states;
#define ZENTROVA_STATE(name) states.push_back({#name, ff::name != nullptr});
  switch (library) {
    case TLibrary::avCodec:
      ZENTROVA_AVCODEC_ENTRY_POINTS(ZENTROVA_STATE) break;
    case TLibrary::avDevice:
      ZENTROVA_AVDEVICE_ENTRY_POINTS(ZENTROVA_STATE) break;
    case TLibrary::avFilter:
      ZENTROVA_AVFILTER_ENTRY_POINTS(ZENTROVA_STATE) break;
    case TLibrary::avFormat:
      ZENTROVA_AVFORMAT_ENTRY_POINTS(ZENTROVA_STATE) break;
    case TLibrary::avUtil:
      ZENTROVA_AVUTIL_ENTRY_POINTS(ZENTROVA_STATE) break;
    case TLibrary::swResample:
      ZENTROVA_SWRESAMPLE_ENTRY_POINTS(ZENTROVA_STATE) break;
    case TLibrary::swScale:
      ZENTROVA_SWSCALE_ENTRY_POINTS(ZENTROVA_STATE) break;
    case TLibrary::libMFX:
      states.push_back({"MFXInit", ff::MFXInit != nullptr});
      break;
    case TLibrary::myUtil:
    case TLibrary::libSoundTouch:
      break;
  }
#undef ZENTROVA_STATE
  return states;
}

}  // namespace zentrova
