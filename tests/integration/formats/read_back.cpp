#include "read_back.h"

#include <gtest/gtest.h>

#include "decoder/ridarivir.h"

namespace zentrova::test {

double ReadStream::DisplayAspect() const {
  if (height <= 0) return 0;
  const double pixel = sar.num > 0 && sar.den > 0 ? static_cast<double>(sar.num) / sar.den : 1.0;
  return width * pixel / height;
}

std::vector<const ReadStream*> ReadFile::Moving(AVMediaType type) const {
  std::vector<const ReadStream*> found;
  for (const ReadStream& s : streams)
    if (s.type == type && !s.attached_picture) found.push_back(&s);
  return found;
}

const ReadStream* ReadFile::AttachedPicture() const {
  for (const ReadStream& s : streams)
    if (s.attached_picture) return &s;
  return nullptr;
}

ReadFile ReadBack(const std::string& path) {
  ReadFile file;
  TRIDarivir decoder;
  if (!decoder.LoadFile(path)) {
    ADD_FAILURE() << path << ": " << decoder.LastErrMsg();
    return file;
  }
  file.format = decoder.FormatName();
  const TFileStreamInfo info = decoder.FileStreamInfo();
  if (info.Duration >= 0) file.container_duration_s = info.Duration / 1e6;
  const AVFormatContext* ic = decoder.FileHandle();
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    const AVStream* st = ic->streams[i];
    const AVCodecParameters* par = st->codecpar;
    ReadStream s;
    s.type = par->codec_type;
    s.codec = ff::avcodec_get_name(par->codec_id);
    s.attached_picture = (st->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
    if (const AVDictionaryEntry* tag = ff::av_dict_get(st->metadata, "mimetype", nullptr, 0))
      s.mimetype = tag->value;
    if (s.type == AVMEDIA_TYPE_VIDEO) {
      const TVideoStreamInfo video = decoder.GetVideoStreamInfo(static_cast<int>(i));
      s.width = video.Width;
      s.height = video.Height;
      s.sar = video.SAR;
      const char* name = ff::av_get_pix_fmt_name(video.PixFmt);
      s.pix_fmt = name ? name : "";
    } else if (s.type == AVMEDIA_TYPE_AUDIO) {
      const TAudioStreamInfo audio = decoder.GetAudioStreamInfo(static_cast<int>(i));
      s.sample_rate = audio.SampleRate;
      s.channels = audio.Channels;
    }
    file.streams.push_back(s);
  }
  return file;
}

double DecodedDuration(const std::string& path, AVMediaType type) {
  TRIDarivir decoder;
  if (!decoder.LoadFile(path)) return -1;
  if (type == AVMEDIA_TYPE_VIDEO) {
    const AVRational rate = decoder.FirstVideoStreamInfo().FrameRate;
    if (rate.num <= 0 || rate.den <= 0) return -1;
    int pictures = 0;
    while (decoder.Decode()) ++pictures;
    return pictures * static_cast<double>(rate.den) / rate.num;
  }
  std::int64_t duration_us = 0;
  while (decoder.DecodeAudio())
    if (decoder.WaveInfo().Duration > 0) duration_us += decoder.WaveInfo().Duration;
  return duration_us > 0 ? duration_us / 1e6 : -1;
}

bool AnyPictureInterlaced(const std::string& path, int pictures) {
  TRIDarivir decoder;
  if (!decoder.LoadFile(path)) return false;
  for (int i = 0; i < pictures && decoder.Decode(); ++i)
    if (decoder.FrameInfo().IsInterlaced) return true;
  return false;
}

}  // namespace zentrova::test
