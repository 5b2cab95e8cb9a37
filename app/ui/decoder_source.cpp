#include "app/ui/decoder_source.h"

namespace zentrova::ui {

app::TSourceProbe ProbeSource(TRIDarivir& decoder) {
  app::TSourceProbe probe;
  probe.FileName = decoder.FileName();
  probe.ForceFormat = decoder.ForceFormat();
  probe.FormatName = decoder.FormatName();
  probe.FileInfoText = decoder.FileInfoText();
  const TFileStreamInfo file = decoder.FileStreamInfo();
  probe.FileStartTime = file.StartTime;
  probe.FileDuration = file.Duration;
  probe.FirstVideoStreamIndex = decoder.FirstVideoStreamIndex();
  probe.FirstAudioStreamIndex = decoder.FirstAudioStreamIndex();
  if (probe.FirstVideoStreamIndex >= 0) {
    const TVideoStreamInfo video = decoder.FirstVideoStreamInfo();
    probe.Width = video.Width;
    probe.Height = video.Height;
    probe.VideoDurationScaled = video.DurationScaled;
    probe.FrameRateNum = video.FrameRate.num;
    probe.FrameRateDen = video.FrameRate.den;
  }
  return probe;
}

bool TDecoderFrameSource::DecodeNext() {
  return decoder_.Decode(-1);
}

bool TDecoderFrameSource::DecodePrevious() {
  return decoder_.DecodePreviousFrame(-1);
}

bool TDecoderFrameSource::Seek(std::int64_t pts, TPreviewSeek mode) {
  switch (mode) {
    case TPreviewSeek::Plain:
      return decoder_.Seek(pts, {});
    case TPreviewSeek::Backward:
      return decoder_.Seek(pts, {TSeekFlag::sfBackward});
    case TPreviewSeek::Any:
      return decoder_.Seek(pts, {TSeekFlag::sfAny});
  }
  return false;
}

std::int64_t TDecoderFrameSource::CurrentPTS() const {
  return decoder_.FrameInfo().PTS;
}

bool TDecoderFrameSource::CopyToBitmap(TBitmap& bitmap) {
  return decoder_.CopyToBitmap(bitmap);
}

}  // namespace zentrova::ui
