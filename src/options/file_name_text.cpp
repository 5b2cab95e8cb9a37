#include "options/file_name_text.h"

#include <iterator>

#include "log/plain_text.h"

namespace zentrova {
namespace {

struct TImageExtension {
  std::string_view extension;
  AVCodecID id;
};

// Picture extensions of image sequences, first match wins.
constexpr TImageExtension kImageExtensions[] = {
    {"jpeg", AV_CODEC_ID_MJPEG},
    {"jpg", AV_CODEC_ID_MJPEG},
    {"jps", AV_CODEC_ID_MJPEG},
    {"mpo", AV_CODEC_ID_MJPEG},
    {"ljpg", AV_CODEC_ID_LJPEG},
    {"jls", AV_CODEC_ID_JPEGLS},
    {"png", AV_CODEC_ID_PNG},
    {"pns", AV_CODEC_ID_PNG},
    {"mng", AV_CODEC_ID_APNG},
    {"ppm", AV_CODEC_ID_PPM},
    {"pnm", AV_CODEC_ID_PGM},
    {"pgm", AV_CODEC_ID_PGM},
    {"pgmyuv", AV_CODEC_ID_PGMYUV},
    {"pbm", AV_CODEC_ID_PBM},
    {"pam", AV_CODEC_ID_PAM},
    {"pix", AV_CODEC_ID_BRENDER_PIX},
    {"dds", AV_CODEC_ID_DDS},
    {"mpg1-img", AV_CODEC_ID_MPEG1VIDEO},
    {"mpg2-img", AV_CODEC_ID_MPEG2VIDEO},
    {"mpg4-img", AV_CODEC_ID_MPEG4},
    {"ffv1-img", AV_CODEC_ID_FFV1},
    {"y", AV_CODEC_ID_RAWVIDEO},
    {"raw", AV_CODEC_ID_RAWVIDEO},
    {"bmp", AV_CODEC_ID_BMP},
    {"tga", AV_CODEC_ID_TARGA},
    {"tiff", AV_CODEC_ID_TIFF},
    {"tif", AV_CODEC_ID_TIFF},
    {"sgi", AV_CODEC_ID_SGI},
    {"ptx", AV_CODEC_ID_PTX},
    {"pcx", AV_CODEC_ID_PCX},
    {"pic", AV_CODEC_ID_QDRAW},
    {"pct", AV_CODEC_ID_QDRAW},
    {"pict", AV_CODEC_ID_QDRAW},
    {"sun", AV_CODEC_ID_SUNRAST},
    {"ras", AV_CODEC_ID_SUNRAST},
    {"rs", AV_CODEC_ID_SUNRAST},
    {"im1", AV_CODEC_ID_SUNRAST},
    {"im8", AV_CODEC_ID_SUNRAST},
    {"im24", AV_CODEC_ID_SUNRAST},
    {"im32", AV_CODEC_ID_SUNRAST},
    {"sunras", AV_CODEC_ID_SUNRAST},
    {"j2c", AV_CODEC_ID_JPEG2000},
    {"jp2", AV_CODEC_ID_JPEG2000},
    {"jpc", AV_CODEC_ID_JPEG2000},
    {"j2k", AV_CODEC_ID_JPEG2000},
    {"dpx", AV_CODEC_ID_DPX},
    {"exr", AV_CODEC_ID_EXR},
    {"pic", AV_CODEC_ID_PICTOR},
    {"yuv10", AV_CODEC_ID_AVRP},
    {"webp", AV_CODEC_ID_WEBP},
    {"xbm", AV_CODEC_ID_XBM},
    {"xface", AV_CODEC_ID_XFACE},
    {"xwd", AV_CODEC_ID_XWD},
};

}  // namespace

AVCodecID image_sequence_codec(std::string_view file_name) {
  const std::size_t dot = file_name.rfind('.');
  if (dot == std::string_view::npos) return AV_CODEC_ID_NONE;
  const std::string_view extension = file_name.substr(dot + 1);
  for (const TImageExtension& e : kImageExtensions)
    if (EqualsIgnoringCase(extension, e.extension)) return e.id;
  return AV_CODEC_ID_NONE;
}

std::string library_file_name(std::string_view file_name) {
  return std::string(file_name);
}

std::string displayed_file_name(std::string_view library_name) {
  constexpr std::string_view kFilePrefix = "file:";
  if (library_name.substr(0, kFilePrefix.size()) == kFilePrefix)
    library_name.remove_prefix(kFilePrefix.size());
  return std::string(library_name);
}

std::string library_text_to_string(std::string_view text) {
  return std::string(text);
}

}  // namespace zentrova
