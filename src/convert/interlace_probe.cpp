#include "convert/interlace_probe.h"

#include "convert/library_names.h"
#include "decoder/ridarivir.h"
#include "media/ff.h"

namespace zentrova::app {
namespace {

bool FieldOrderInterlaced(AVFieldOrder order) {
  return order == AV_FIELD_TT || order == AV_FIELD_BB || order == AV_FIELD_TB || order == AV_FIELD_BT;
}

}  // namespace

bool SourceLooksInterlaced(TCustomDecoder& decoder) {
  const int video = decoder.FirstVideoStreamIndex();
  const AVFormatContext* file = decoder.FileHandle();
  if (video < 0 || !file || static_cast<unsigned>(video) >= file->nb_streams) return false;
  const AVStream* stream = file->streams[video];
  if (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) return false;
  // The field order the probe found is the container's word or the
  // decoder's look at the first pictures: only when neither said anything
  // are pictures decoded here.
  if (stream->codecpar->field_order != AV_FIELD_UNKNOWN)
    return FieldOrderInterlaced(stream->codecpar->field_order);

  // A decoder of its own, so the probe's position is untouched; it may open
  // only what the probe could.
  TRIDarivir pictures;
  pictures.SetInputPolicy(decoder.InputPolicy());
  if (!pictures.LoadFile(InputUrl(decoder.FileName()), decoder.ForceFormat())) return false;
  for (int i = 0; i < kInterlaceProbePictures && pictures.Decode(video); ++i)
    if (pictures.FrameInfo().IsInterlaced) return true;
  return false;
}

}  // namespace zentrova::app
