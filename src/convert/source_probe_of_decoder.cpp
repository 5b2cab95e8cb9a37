#include "convert/source_probe_of_decoder.h"

#include "convert/interlace_probe.h"
#include "decoder/custom_decoder.h"
#include "media/ff.h"

namespace zentrova::app {
namespace {

TSourceTracks TracksOf(TCustomDecoder& decoder) {
  TSourceTracks tracks;
  for (int index = 0; index < decoder.StreamCount(); ++index) {
    if (decoder.IsAudioStream(index)) {
      const TAudioStreamInfo audio = decoder.GetAudioStreamInfo(index);
      tracks.Audio.push_back({audio.Language, audio.Channels});
    } else if (decoder.IsSubtitleStream(index)) {
      const int coding = decoder.GetSubtitleStreamInfo(index).SubFormat;
      tracks.Subtitles.push_back(
          {coding == 0   ? TSubtitleCoding::scBitmap
           : coding == 1 ? TSubtitleCoding::scText
                         : TSubtitleCoding::scOther,
           ff::avcodec_get_name(decoder.FileHandle()->streams[index]->codecpar->codec_id)});
    }
  }
  return tracks;
}

}  // namespace

TSourceProbe ProbeOfDecoder(TCustomDecoder& decoder) {
  TSourceProbe probe;
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
    probe.SarNum = video.SAR.num;
    probe.SarDen = video.SAR.den;
    probe.Interlaced = SourceLooksInterlaced(decoder);
  }
  if (probe.FirstAudioStreamIndex >= 0) {
    const TAudioStreamInfo audio = decoder.FirstAudioStreamInfo();
    probe.SampleRate = audio.SampleRate;
    probe.Channels = audio.Channels;
  }
  probe.Tracks = TracksOf(decoder);
  return probe;
}

}  // namespace zentrova::app
