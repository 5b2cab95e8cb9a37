// frames_to_bitmaps FILE FOLDER [COUNT]
//
// Opens FILE with the decoder component, prints what it holds, then steps
// through its video pictures and writes the first COUNT (default 10) as
// 24-bit BMP files FOLDER/frame_NNNN.bmp. Exit code 0 when at least one
// picture was written.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <zentrova/decoder/ridarivir.h>
#include <zentrova/log/main_thread.h>
#include <zentrova/picture/bitmap.h>

namespace {

void PutLittleEndian(std::ofstream& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xff));
}

// A top-down 24-bit BMP: the bitmap's rows are already 4-byte aligned.
bool WriteBmp(const zentrova::TBitmap& bitmap, const std::string& file_name) {
  std::ofstream out(file_name, std::ios::binary);
  const auto pixel_bytes = static_cast<std::uint32_t>(bitmap.SizeInBytes());
  out.write("BM", 2);
  PutLittleEndian(out, 54 + pixel_bytes, 4);
  PutLittleEndian(out, 0, 4);
  PutLittleEndian(out, 54, 4);  // offset of the pixels
  PutLittleEndian(out, 40, 4);  // BITMAPINFOHEADER
  PutLittleEndian(out, static_cast<std::uint32_t>(bitmap.Width()), 4);
  PutLittleEndian(out, static_cast<std::uint32_t>(-bitmap.Height()), 4);  // negative: top row first
  PutLittleEndian(out, 1, 2);
  PutLittleEndian(out, 24, 2);
  PutLittleEndian(out, 0, 4);  // no compression
  PutLittleEndian(out, pixel_bytes, 4);
  for (int i = 0; i < 4; ++i) PutLittleEndian(out, 0, 4);
  out.write(reinterpret_cast<const char*>(bitmap.Bits()), pixel_bytes);
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fprintf(stderr, "usage: frames_to_bitmaps FILE FOLDER [COUNT]\n");
    return 2;
  }
  const std::string folder = argv[2];
  const int count = argc > 3 ? std::atoi(argv[3]) : 10;
  zentrova::AttachMainThread();

  zentrova::TRIDarivir decoder;
  if (!decoder.LoadAVLib("") || !decoder.LoadFile(argv[1])) {
    std::fprintf(stderr, "%s\n", decoder.LastErrMsg().c_str());
    return 1;
  }
  std::printf("%s: %s, %d streams (%d video, %d audio)\n", argv[1], decoder.FormatName().c_str(),
              decoder.StreamCount(), decoder.VideoStreamCount(), decoder.AudioStreamCount());
  const zentrova::TVideoStreamInfo video = decoder.FirstVideoStreamInfo();
  std::printf("video: %s %dx%d\n", video.CodecName.c_str(), video.Width, video.Height);

  decoder.SetBitmapBitsPixel(24);
  zentrova::TBitmap bitmap;
  int written = 0;
  while (written < count && decoder.Decode()) {  // the next picture of the first video stream
    if (!decoder.CopyToBitmap(bitmap)) break;
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%04d.bmp", written);
    if (!WriteBmp(bitmap, folder + name)) {
      std::fprintf(stderr, "cannot write %s%s\n", folder.c_str(), name);
      return 1;
    }
    std::printf("frame %d: %lld us, %dx%d%s -> %s%s\n", written,
                static_cast<long long>(decoder.FrameInfo().PTS), bitmap.Width(), bitmap.Height(),
                decoder.FrameInfo().IsKeyFrame ? " key" : "", folder.c_str(), name);
    ++written;
  }
  if (written < count && !decoder.Eof()) std::fprintf(stderr, "%s\n", decoder.LastErrMsg().c_str());
  return written > 0 ? 0 : 1;
}
