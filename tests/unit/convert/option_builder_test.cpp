#include "convert/option_builder.h"

#include <gtest/gtest.h>
#include <functional>
#include <string>

#include "builder_fixture.h"

namespace zentrova::app {
namespace {

constexpr std::int64_t kSecond = 1000000;
const std::string R = " -b:a 128k -b:v  1000k";                              // the bit rates, first
const std::string T = " -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -sn";  // the default codecs, last
const std::string A = " -c:a libmp3lame -sn";                                // MP3: the audio codec alone
const std::string kMp4 = "/m/x_(new).mp4";
const std::string kWatermarkTail =
    ":f=image2pipe [watermark]; [in] null [main]; [watermark] [main] "
    "scale2ref=w=min(main_w\\,iw/4):h=ow/main_a "
    "[mark] [base]; [base] [mark] overlay=main_w-overlay_w-10:10 [out]";

struct Case {
  const char* name;
  std::function<void(BuilderFixture&)> change;
  std::string input;   ///< input option string
  std::string output;  ///< output option string
  std::string file;    ///< output file name
};

void Format(BuilderFixture& f, TOutputFormat format) {
  f.Settings.Format = format;
}
void Clip(BuilderFixture& f, double start_s, double end_s) {
  f.Settings.CutClipEnabled = true;
  f.Settings.CutClipChecked = true;
  f.Source.StartTime = static_cast<std::int64_t>(start_s * kSecond);
  f.Source.EndTime = static_cast<std::int64_t>(end_s * kSecond);
}

const Case kCases[] = {
    {"defaults", [](auto&) {}, "", R + T, kMp4},
    {"audio bit rate", [](auto& f) { f.Settings.AudioBitRate = "96"; }, "", " -b:a 96k -b:v  1000k" + T,
     kMp4},
    // Texts the engine cannot use pass through; it reports them when the task is added.
    {"video bit rate not a number", [](auto& f) { f.Settings.VideoBitRate = "abc"; }, "",
     " -b:a 128k -b:v abck" + T, kMp4},
    {"format index out of range", [](auto& f) { f.Settings.Format = static_cast<TOutputFormat>(99); }, "",
     R + T, kMp4},

    // Every output format with the other settings at their defaults.
    {"VCD", [](auto& f) { Format(f, TOutputFormat::VCD); }, "", " -target vcd -pix_fmt yuv420p -sn",
     "/m/x_(new)_auto_vcd.mpg"},
    {"DVD", [](auto& f) { Format(f, TOutputFormat::DVD); }, "", R + " -target dvd -pix_fmt yuv420p -sn",
     "/m/x_(new)_auto_dvd.mpg"},
    {"3GP", [](auto& f) { Format(f, TOutputFormat::ThreeGP); }, "",
     R + " -b:a 12.2k -ac 1 -ar 8000 -c:a aac -astrict experimental -c:v h263 -pix_fmt yuv420p -vf \"scale=128:96\" -sn",
     "/m/x_(new).3gp"},
    {"AVI", [](auto& f) { Format(f, TOutputFormat::AVI); }, "", R + T, "/m/x_(new).avi"},
    {"FLV", [](auto& f) { Format(f, TOutputFormat::FLV); }, "", R + " -ar 44100" + T, "/m/x_(new).flv"},
    {"iPod", [](auto& f) { Format(f, TOutputFormat::iPod); }, "",
     R + " -r 15000/1001 -c:a aac -astrict experimental -c:v mpeg4 -pix_fmt yuv420p -vf \"scale=320:240\" -sn",
     "/m/x_(new)_ipod.mp4"},
    {"MKV", [](auto& f) { Format(f, TOutputFormat::MKV); }, "", R + T, "/m/x_(new).mkv"},
    {"MOV", [](auto& f) { Format(f, TOutputFormat::MOV); }, "", R + T, "/m/x_(new).mov"},
    {"MP4", [](auto& f) { Format(f, TOutputFormat::MP4); }, "", R + T, kMp4},
    {"OGG", [](auto& f) { Format(f, TOutputFormat::OGG); }, "", R + " -c:a libvorbis -c:v libtheora -pix_fmt yuv420p -sn",
     "/m/x_(new).ogg"},
    {"PSP", [](auto& f) { Format(f, TOutputFormat::PSP); }, "",
     R + " -f psp -ar 24000 -r 15000/1001 -c:a aac -astrict experimental -c:v mpeg4 -pix_fmt yuv420p -vf \"scale=320:240\" "
         "-sn",
     "/m/x_(new)_psp.mp4"},
    {"RM10", [](auto& f) { Format(f, TOutputFormat::RM10); }, "", R + " -c:a ac3 -c:v rv10 -pix_fmt yuv420p -sn",
     "/m/x_(new)_rv10.rm"},
    {"RM20", [](auto& f) { Format(f, TOutputFormat::RM20); }, "", R + " -c:a ac3 -c:v rv20 -pix_fmt yuv420p -sn",
     "/m/x_(new)_rv20.rm"},
    {"SWF", [](auto& f) { Format(f, TOutputFormat::SWF); }, "", R + " -ar 44100 -c:a libmp3lame -c:v flv -pix_fmt yuv420p -sn", "/m/x_(new).swf"},
    {"WMV", [](auto& f) { Format(f, TOutputFormat::WMV); }, "", R + " -c:a wmav2 -c:v wmv2 -pix_fmt yuv420p -sn",
     "/m/x_(new).wmv"},
    {"WebM", [](auto& f) { Format(f, TOutputFormat::WebM); }, "",
     R + " -f webm -c:a libvorbis -c:v libvpx -pix_fmt yuv420p -sn", "/m/x_(new).webm"},
    {"M1V", [](auto& f) { Format(f, TOutputFormat::M1V); }, "", R + " -c:v mpeg1video -pix_fmt yuv420p -sn", "/m/x_(new).m1v"},
    {"M2V", [](auto& f) { Format(f, TOutputFormat::M2V); }, "", R + " -c:v mpeg2video -pix_fmt yuv420p -sn", "/m/x_(new).m2v"},
    {"AAC", [](auto& f) { Format(f, TOutputFormat::AAC); }, " -vn", R + " -c:a aac -astrict experimental -sn", "/m/x_(new).aac"},
    {"AC3", [](auto& f) { Format(f, TOutputFormat::AC3); }, " -vn", R + " -c:a ac3 -sn", "/m/x_(new).ac3"},
    {"MP2", [](auto& f) { Format(f, TOutputFormat::MP2); }, " -vn", R + " -c:a mp2 -sn", "/m/x_(new).mp2"},
    {"MP3", [](auto& f) { Format(f, TOutputFormat::MP3); }, "", R + A, "/m/x_(new).mp3"},
    {"WAV", [](auto& f) { Format(f, TOutputFormat::WAV); }, " -vn", R + " -c:a pcm_s16le -sn", "/m/x_(new).wav"},
    {"WMA", [](auto& f) { Format(f, TOutputFormat::WMA); }, " -vn",
     R + " -vn -c:a wmav2 -sn", "/m/x_(new).wma"},

    // Format rules meeting other settings.
    {"PSP with libfdk_aac",
     [](auto& f) {
       Format(f, TOutputFormat::PSP);
       f.Encoders = {"libfdk_aac", "libfaac"};
     },
     "", R + " -f psp -ar 24000 -r 15000/1001 -c:a libfdk_aac -c:v mpeg4 -pix_fmt yuv420p -vf \"scale=320:240\" -sn",
     "/m/x_(new)_psp.mp4"},
    {"PSP overrides rate and sample rate",
     [](auto& f) {
       Format(f, TOutputFormat::PSP);
       f.Settings.FrameRate = 3;
       f.Settings.AudioSampleRate = 4;
     },
     "",
     R + " -f psp -ar 24000 -r 15000/1001 -c:a aac -astrict experimental -c:v mpeg4 -pix_fmt yuv420p -vf \"scale=320:240\" "
         "-sn",
     "/m/x_(new)_psp.mp4"},
    {"iPod keeps a chosen rate",
     [](auto& f) {
       Format(f, TOutputFormat::iPod);
       f.Settings.FrameRate = 3;
     },
     "", R + " -r 25 -c:a aac -astrict experimental -c:v mpeg4 -pix_fmt yuv420p -vf \"scale=320:240\" -sn",
     "/m/x_(new)_ipod.mp4"},
    {"iPod overrides the size",
     [](auto& f) {
       Format(f, TOutputFormat::iPod);
       f.Settings.FrameSize = 7;
     },
     "", R + " -r 15000/1001 -c:a aac -astrict experimental -c:v mpeg4 -pix_fmt yuv420p -vf \"scale=320:240\" -sn",
     "/m/x_(new)_ipod.mp4"},
    {"FLV 8000 Hz",
     [](auto& f) {
       Format(f, TOutputFormat::FLV);
       f.Settings.AudioSampleRate = 1;
     },
     "", R + " -ar 44100" + T, "/m/x_(new).flv"},
    {"FLV 11025 Hz",
     [](auto& f) {
       Format(f, TOutputFormat::FLV);
       f.Settings.AudioSampleRate = 2;
     },
     "", R + " -ar 11025" + T, "/m/x_(new).flv"},
    {"FLV 22050 Hz",
     [](auto& f) {
       Format(f, TOutputFormat::FLV);
       f.Settings.AudioSampleRate = 3;
     },
     "", R + " -ar 22050" + T, "/m/x_(new).flv"},
    {"SWF 8000 Hz",
     [](auto& f) {
       Format(f, TOutputFormat::SWF);
       f.Settings.AudioSampleRate = 1;
     },
     "", R + " -ar 44100 -c:a libmp3lame -c:v flv -pix_fmt yuv420p -sn", "/m/x_(new).swf"},
    {"VCD PAL",
     [](auto& f) {
       Format(f, TOutputFormat::VCD);
       f.Settings.Norm = TNorm::PAL;
     },
     "", " -target pal-vcd -pix_fmt yuv420p -sn", "/m/x_(new)_pal_vcd.mpg"},
    {"VCD NTSC",
     [](auto& f) {
       Format(f, TOutputFormat::VCD);
       f.Settings.Norm = TNorm::NTSC;
     },
     "", " -target ntsc-vcd -pix_fmt yuv420p -sn", "/m/x_(new)_ntsc_vcd.mpg"},
    {"DVD PAL",
     [](auto& f) {
       Format(f, TOutputFormat::DVD);
       f.Settings.Norm = TNorm::PAL;
     },
     "", R + " -target pal-dvd -pix_fmt yuv420p -sn", "/m/x_(new)_pal_dvd.mpg"},
    {"DVD NTSC",
     [](auto& f) {
       Format(f, TOutputFormat::DVD);
       f.Settings.Norm = TNorm::NTSC;
     },
     "", R + " -target ntsc-dvd -pix_fmt yuv420p -sn", "/m/x_(new)_ntsc_dvd.mpg"},
    // Norm Auto: the engine guesses from 25 fps; a rate it cannot guess from takes the nearest norm.
    {"VCD Auto from 25 fps",
     [](auto& f) {
       Format(f, TOutputFormat::VCD);
       f.Source.FrameRateNum = 25;
     },
     "", " -target vcd -pix_fmt yuv420p -sn", "/m/x_(new)_auto_vcd.mpg"},
    {"VCD Auto from 50 fps",
     [](auto& f) {
       Format(f, TOutputFormat::VCD);
       f.Source.FrameRateNum = 50;
     },
     "", " -target pal-vcd -pix_fmt yuv420p -sn", "/m/x_(new)_auto_vcd.mpg"},
    // A source without pictures: the disc gets a black picture and, for want of a rate, PAL.
    {"VCD Auto without video",
     [](auto& f) {
       Format(f, TOutputFormat::VCD);
       f.Source.VideoStreamIndex = -1;
     },
     "", " -target pal-vcd -filter_complex color=c=black[v] -map [v] -map 0:a:0 -shortest -sn",
     "/m/x_(new)_auto_vcd.mpg"},
    {"DVD NTSC without video",
     [](auto& f) {
       Format(f, TOutputFormat::DVD);
       f.Settings.Norm = TNorm::NTSC;
       f.Source.VideoStreamIndex = -1;
     },
     "", R + " -target ntsc-dvd -filter_complex color=c=black[v] -map [v] -map 0:a:0 -shortest -sn",
     "/m/x_(new)_ntsc_dvd.mpg"},
    // PSP holds one picture and one sound: what the source lacks is made.
    {"PSP without video",
     [](auto& f) {
       Format(f, TOutputFormat::PSP);
       f.Source.VideoStreamIndex = -1;
     },
     "",
     R + " -f psp -filter_complex color=c=black:s=320x240:r=15000/1001[v] -map [v] -map 0:a:0 -shortest -ar 24000 "
         "-r 15000/1001 -c:a aac -astrict experimental -c:v mpeg4 -sn",
     "/m/x_(new)_psp.mp4"},
    {"PSP without video, with a watermark",
     [](auto& f) {
       Format(f, TOutputFormat::PSP);
       f.Source.VideoStreamIndex = -1;
       f.Settings.WaterMark = true;
       f.Settings.WaterMarkFile = "/w/a.png";
       f.Existing = {"/w/a.png"};
     },
     "",
     R + " -f psp -filter_complex color=c=black:s=320x240:r=15000/1001[v] -map [v] -map 0:a:0 -shortest -ar 24000 "
         "-r 15000/1001 -c:a aac -astrict experimental -c:v mpeg4 -sn",
     "/m/x_(new)_psp.mp4"},
    {"PSP without audio",
     [](auto& f) {
       Format(f, TOutputFormat::PSP);
       f.Source.AudioStreamIndex = -1;
     },
     "",
     R + " -f psp -filter_complex anullsrc[a] -map 0:v:0 -map [a] -shortest -ar 24000 -r 15000/1001 -c:a aac "
         "-astrict experimental -c:v mpeg4 -pix_fmt yuv420p -vf \"scale=320:240\" -sn",
     "/m/x_(new)_psp.mp4"},
    {"MP4 without video",
     [](auto& f) { f.Source.VideoStreamIndex = -1; },
     "", R + " -c:a libmp3lame -c:v libx264 -sn", kMp4},
    // The audio is fitted to what encoder and container take (see audio_limits_test.cpp).
    {"MP4 from 8 kHz sound",
     [](auto& f) { f.Source.SampleRate = 8000; },
     "", R + " -ar 16000" + T, kMp4},
    {"WMA from 5.1",
     [](auto& f) {
       Format(f, TOutputFormat::WMA);
       f.Source.Channels = 6;
     },
     " -vn", R + " -vn -ac 2 -c:a wmav2 -sn", "/m/x_(new).wma"},
    {"DVD Auto from 24 fps",
     [](auto& f) {
       Format(f, TOutputFormat::DVD);
       f.Source.FrameRateNum = 24;
     },
     "", R + " -target ntsc-dvd -pix_fmt yuv420p -sn", "/m/x_(new)_auto_dvd.mpg"},
    {"DVD PAL from 60 fps",
     [](auto& f) {
       Format(f, TOutputFormat::DVD);
       f.Settings.Norm = TNorm::PAL;
       f.Source.FrameRateNum = 60;
     },
     "", R + " -target pal-dvd -pix_fmt yuv420p -sn", "/m/x_(new)_pal_dvd.mpg"},
    {"3GP overrides channels and sample rate",
     [](auto& f) {
       Format(f, TOutputFormat::ThreeGP);
       f.Settings.AudioChannels = TAudioChannels::Stereo;
       f.Settings.AudioSampleRate = 4;
     },
     "", R + " -b:a 12.2k -ac 1 -ar 8000 -c:a aac -astrict experimental -c:v h263 -pix_fmt yuv420p -vf \"scale=128:96\" -sn",
     "/m/x_(new).3gp"},
    {"MKV with video codec Auto",
     [](auto& f) {
       Format(f, TOutputFormat::MKV);
       f.Settings.VideoCodec = TVideoCodec::Auto;
     },
     "", R + T, "/m/x_(new).mkv"},

    // Codecs the user chose are kept with every format; "Auto" leaves the format's own.
    {"VCD with chosen codecs",
     [](auto& f) {
       Format(f, TOutputFormat::VCD);
       f.Settings.AudioCodecChosen = f.Settings.VideoCodecChosen = true;
     },
     "", " -target vcd -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -sn", "/m/x_(new)_auto_vcd.mpg"},
    {"AC3 with audio Auto chosen",
     [](auto& f) {
       Format(f, TOutputFormat::AC3);
       f.Settings.AudioCodec = TAudioCodec::Auto;
       f.Settings.AudioCodecChosen = true;
     },
     " -vn", R + " -c:a ac3 -sn", "/m/x_(new).ac3"},
    {"WebM with XviD chosen",
     [](auto& f) {
       Format(f, TOutputFormat::WebM);
       f.Settings.VideoCodec = TVideoCodec::XviD;
       f.Settings.VideoCodecChosen = true;
     },
     "", R + " -f webm -c:a libvorbis -c:v libxvid -pix_fmt yuv420p -sn", "/m/x_(new).webm"},
    {"MP4 with video Auto chosen",
     [](auto& f) {
       f.Settings.VideoCodec = TVideoCodec::Auto;
       f.Settings.VideoCodecChosen = true;
     },
     "", R + " -c:a libmp3lame -pix_fmt yuv420p -sn", kMp4},
    // The disc targets: their sizes and rates stand; DVD caps the source's bit rate.
    {"VCD with size, rates and channels",
     [](auto& f) {
       Format(f, TOutputFormat::VCD);
       f.Settings.FrameSize = 6;
       f.Settings.FrameRate = 2;
       f.Settings.AudioSampleRate = 1;
       f.Settings.AudioChannels = TAudioChannels::Mono;
     },
     "", " -target vcd -pix_fmt yuv420p -sn", "/m/x_(new)_auto_vcd.mpg"},
    {"DVD caps a bit rate above its maximum",
     [](auto& f) {
       Format(f, TOutputFormat::DVD);
       f.Settings.VideoBitRate = " 12000";
     },
     "", " -b:a 128k -b:v 9000k -target dvd -pix_fmt yuv420p -sn", "/m/x_(new)_auto_dvd.mpg"},
    {"DVD keeps a bit rate at its maximum",
     [](auto& f) {
       Format(f, TOutputFormat::DVD);
       f.Settings.VideoBitRate = "9000";
     },
     "", " -b:a 128k -b:v 9000k -target dvd -pix_fmt yuv420p -sn", "/m/x_(new)_auto_dvd.mpg"},
    // Frame sizes a 4:2:0 encoder takes, the display aspect kept.
    {"odd source size",
     [](auto& f) {
       f.Source.Width = 853;
       f.Source.Height = 479;
     },
     "", R + " -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -vf \"scale=852:478,setsar=203867/204054\" -sn",
     kMp4},
    {"odd size after crop",
     [](auto& f) {
       f.Settings.Crop = true;
       f.Settings.CropEdges.Left = "1";
     },
     "", R + " -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -vf \"crop=639:480:1:0,scale=638:480,setsar=639/638\" -sn",
     kMp4},
    {"RM10 sides made multiples of 16",
     [](auto& f) {
       Format(f, TOutputFormat::RM10);
       f.Source.Height = 360;
       f.Source.SarNum = 1;
       f.Source.SarDen = 1;
     },
     "", R + " -c:a ac3 -c:v rv10 -pix_fmt yuv420p -vf \"scale=640:352,setsar=44/45\" -sn", "/m/x_(new)_rv10.rm"},
    {"RM20 with a chosen size",
     [](auto& f) {
       Format(f, TOutputFormat::RM20);
       f.Settings.FrameSize = 15;  // 852x480
     },
     "", R + " -c:a ac3 -c:v rv20 -pix_fmt yuv420p -vf \"scale=848:480\" -sn", "/m/x_(new)_rv20.rm"},
    // Interlaced sources: only the interlaced frames, before anything scales; the box still means every frame.
    {"interlaced source",
     [](auto& f) {
       f.Source.Interlaced = true;
       f.Settings.FrameSize = 6;
     },
     "", R + " -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -vf \"yadif=deint=interlaced,scale=320:240\" -sn",
     kMp4},
    {"interlaced source with the Deinterlace box",
     [](auto& f) {
       f.Source.Interlaced = true;
       f.Settings.FrameSize = 6;
       f.Settings.Deinterlace = true;
     },
     "", R + " -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -vf \"scale=320:240,yadif\" -sn", kMp4},

    // Audio hook: the sample format the hook's routines expect.
    {"MP3 with audio hook",
     [](auto& f) {
       Format(f, TOutputFormat::MP3);
       f.Settings.AudioHook = true;
     },
     "", R + A + " -sample_fmt s16p", "/m/x_(new).mp3"},
    {"MP3 with audio hook and audio Auto",
     [](auto& f) {
       Format(f, TOutputFormat::MP3);
       f.Settings.AudioHook = true;
       f.Settings.AudioCodec = TAudioCodec::Auto;
     },
     "", R + A + " -sample_fmt s16p", "/m/x_(new).mp3"},
    {"MP4 with audio hook", [](auto& f) { f.Settings.AudioHook = true; }, "", R + T + " -sample_fmt s16p",
     kMp4},
    {"AAC audio with audio hook",
     [](auto& f) {
       f.Settings.AudioHook = true;
       f.Settings.AudioCodec = TAudioCodec::AAC;
     },
     "", R + " -c:a aac -astrict experimental -c:v libx264 -pix_fmt yuv420p -sn", kMp4},
    {"PSP with libvo_aacenc and audio hook",
     [](auto& f) {
       Format(f, TOutputFormat::PSP);
       f.Encoders = {"libvo_aacenc"};
       f.Settings.AudioHook = true;
     },
     "",
     R + " -f psp -ar 24000 -r 15000/1001 -c:a libvo_aacenc -c:v mpeg4 -pix_fmt yuv420p -vf \"scale=320:240\" -sn -sample_fmt "
         "s16",
     "/m/x_(new)_psp.mp4"},

    // Codecs.
    {"DivX without rate", [](auto& f) { f.Settings.VideoCodec = TVideoCodec::DivX; }, "",
     R + " -c:a libmp3lame -c:v mpeg4 -tag:v DIVX -vstrict unofficial -r 15000/1001 -pix_fmt yuv420p -sn", kMp4},
    {"DivX at 25",
     [](auto& f) {
       f.Settings.VideoCodec = TVideoCodec::DivX;
       f.Settings.FrameRate = 3;
     },
     "", R + " -r 25 -c:a libmp3lame -c:v mpeg4 -tag:v DIVX -vstrict unofficial -pix_fmt yuv420p -sn", kMp4},
    {"XviD", [](auto& f) { f.Settings.VideoCodec = TVideoCodec::XviD; }, "",
     R + " -c:a libmp3lame -c:v libxvid -pix_fmt yuv420p -sn", kMp4},
    {"QSV", [](auto& f) { f.Settings.VideoCodec = TVideoCodec::QSV; }, "",
     R + " -c:a libmp3lame -c:v h264_qsv -sn", kMp4},
    {"video codec Auto", [](auto& f) { f.Settings.VideoCodec = TVideoCodec::Auto; }, "",
     R + " -c:a libmp3lame -pix_fmt yuv420p -sn", kMp4},
    {"audio AAC", [](auto& f) { f.Settings.AudioCodec = TAudioCodec::AAC; }, "",
     R + " -c:a aac -astrict experimental -c:v libx264 -pix_fmt yuv420p -sn", kMp4},
    {"audio AC3", [](auto& f) { f.Settings.AudioCodec = TAudioCodec::AC3; }, "",
     R + " -c:a ac3 -c:v libx264 -pix_fmt yuv420p -sn", kMp4},
    {"audio FLAC", [](auto& f) { f.Settings.AudioCodec = TAudioCodec::FLAC; }, "",
     R + " -c:a flac -c:v libx264 -pix_fmt yuv420p -sn", kMp4},
    {"audio Auto", [](auto& f) { f.Settings.AudioCodec = TAudioCodec::Auto; }, "",
     R + " -c:v libx264 -pix_fmt yuv420p -sn", kMp4},

    // Channels, sample rate, rate, aspect and volume, in their order.
    {"mono 44100 25 16:9 volume 512",
     [](auto& f) {
       f.Settings.AudioChannels = TAudioChannels::Mono;
       f.Settings.AudioSampleRate = 4;
       f.Settings.FrameRate = 3;
       f.Settings.AspectRatio = 2;
       f.Settings.AudioVolume = true;
       f.Settings.AudioVolumeText = "512";
     },
     "", R + " -af volume=2 -aspect 16:9 -ac 1 -ar 44100 -r 25" + T, kMp4},
    {"stereo 37:20",
     [](auto& f) {
       f.Settings.AudioChannels = TAudioChannels::Stereo;
       f.Settings.AspectRatio = 3;
     },
     "", R + " -aspect 37:20 -ac 2" + T, kMp4},
    {"volume text without its box", [](auto& f) { f.Settings.AudioVolumeText = "512"; }, "", R + T, kMp4},
    {"volume 128 halves the sound",
     [](auto& f) {
       f.Settings.AudioVolume = true;
       f.Settings.AudioVolumeText = "128";
     },
     "", R + " -af volume=0.5" + T, kMp4},
    {"volume that is no number reaches the filter as typed",
     [](auto& f) {
       f.Settings.AudioVolume = true;
       f.Settings.AudioVolumeText = "a:b";
     },
     "", R + " -af \"volume=a\\\\:b\"" + T, kMp4},

    // The filter chain in the option string.
    {"crop",
     [](auto& f) {
       f.Settings.Crop = true;
       f.Settings.CropEdges.Top = "10";
       f.Settings.CropEdges.Bottom = "10";
     },
     "", R + " -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -vf \"crop=640:460:0:10\" -sn", kMp4},
    {"frame size", [](auto& f) { f.Settings.FrameSize = 6; }, "",
     R + " -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -vf \"scale=320:240\" -sn", kMp4},
    {"frame size without video",
     [](auto& f) {
       f.Settings.FrameSize = 6;
       f.Source.VideoStreamIndex = -1;
     },
     "", R + " -c:a libmp3lame -c:v libx264 -sn", kMp4},
    {"watermark",
     [](auto& f) {
       f.Settings.WaterMark = true;
       f.Settings.WaterMarkFile = "/w/a.png";
       f.Existing = {"/w/a.png"};
     },
     "",
     R + " -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -vf \"movie=file\\\\:/w/a.png" + kWatermarkTail + "\" -sn",
     kMp4},
    {"watermark with a colon",
     [](auto& f) {
       f.Settings.WaterMark = true;
       f.Settings.WaterMarkFile = "/w/a:b.png";
       f.Existing = {"/w/a:b.png"};
     },
     "",
     R + " -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -vf \"movie=file\\\\:/w/a\\\\:b.png" + kWatermarkTail +
         "\" -sn",
     kMp4},
    {"watermark with a quote",
     [](auto& f) {
       f.Settings.WaterMark = true;
       f.Settings.WaterMarkFile = "/w/a\"b.png";
       f.Existing = {"/w/a\"b.png"};
     },
     "",
     R + " -c:a libmp3lame -c:v libx264 -pix_fmt yuv420p -vf \"movie=file\\\\:/w/a\\\"b.png" + kWatermarkTail +
         "\" -sn",
     kMp4},
    {"watermark file missing",
     [](auto& f) {
       f.Settings.WaterMark = true;
       f.Settings.WaterMarkFile = "/w/a.png";
     },
     "", R + T, kMp4},

    // Clip: seek in the input, duration in the output.
    {"clip", [](auto& f) { Clip(f, 2.5, 7.5); }, " -ss 2.5", R + " -t 5" + T, kMp4},
    {"clip after volume and aspect",
     [](auto& f) {
       Clip(f, 2.5, 7.5);
       f.Settings.AudioVolume = true;
       f.Settings.AudioVolumeText = "512";
       f.Settings.AspectRatio = 1;
     },
     " -ss 2.5", R + " -af volume=2 -aspect 4:3 -t 5" + T, kMp4},
    {"clip of a source starting below zero",
     [](auto& f) {
       Clip(f, 2.5, 7.5);
       f.Source.FirstPTS = -kSecond;
     },
     " -ss 3.5", R + " -t 5" + T, kMp4},
    {"clip of a source starting above zero",
     [](auto& f) {
       Clip(f, 2.5, 7.5);
       f.Source.FirstPTS = kSecond / 2;
     },
     " -ss 2.5", R + " -t 5" + T, kMp4},
    {"clip with start after end", [](auto& f) { Clip(f, 7.5, 2.5); }, "", R + T, kMp4},
    {"clip with start at end", [](auto& f) { Clip(f, 2.5, 2.5); }, "", R + T, kMp4},
    {"clip not enabled",
     [](auto& f) {
       Clip(f, 2.5, 7.5);
       f.Settings.CutClipEnabled = false;
     },
     "", R + T, kMp4},
    {"clip not checked",
     [](auto& f) {
       Clip(f, 2.5, 7.5);
       f.Settings.CutClipChecked = false;
     },
     "", R + T, kMp4},
    {"forced input format", [](auto& f) { f.Source.ForceFormat = "mpegts"; }, " -f mpegts", R + T, kMp4},
    {"forced format, clip and MP3",
     [](auto& f) {
       f.Source.ForceFormat = "mpegts";
       Clip(f, 2.5, 7.5);
       Format(f, TOutputFormat::MP3);
     },
     " -f mpegts -ss 2.5", R + " -t 5" + A, "/m/x_(new).mp3"},

    // Output names.
    {"output folder", [](auto& f) { f.Settings.OutPath = "/out/"; }, "", R + T, "/out/x_(new).mp4"},
    {"output folder without delimiter", [](auto& f) { f.Settings.OutPath = "/out"; }, "", R + T,
     "/out/x_(new).mp4"},
    {"dot in a folder name", [](auto& f) { f.Source.FileName = "/m/v1.0/clip"; }, "", R + T,
     "/m/v1.0/clip_(new).mp4"},
    {"folder and dotted folder",
     [](auto& f) {
       f.Source.FileName = "/m/v1.0/clip";
       f.Settings.OutPath = "/out/";
     },
     "", R + T, "/out/clip_(new).mp4"},
    {"two dots", [](auto& f) { f.Source.FileName = "/m/a.b.mkv"; }, "", R + T, "/m/a.b_(new).mp4"},
    {"hidden file", [](auto& f) { f.Source.FileName = "/m/.x"; }, "", R + T, "/m/.x_(new).mp4"},
    {"existing outputs, overwrite off",
     [](auto& f) {
       f.Settings.Overwrite = false;
       f.Existing = {"/m/x_(new).mp4", "/m/x_(new_1).mp4"};
     },
     "", R + T, "/m/x_(new_2).mp4"},
    {"existing output, overwrite on", [](auto& f) { f.Existing = {"/m/x_(new).mp4"}; }, "", R + T, kMp4},
    {"name claimed by another task", [](auto& f) { f.Claimed = {"/m/x_(new).mp4"}; }, "", R + T,
     "/m/x_(new_1).mp4"},
};

TEST(BuildOptions, OptionStringsAndNamesForEverySetting) {
  for (const Case& c : kCases) {
    BuilderFixture f;
    c.change(f);
    const TInputOptions input = BuildInputOptions(f.Settings, f.Source);
    const TOutputOptions output = BuildOutputOptions(f.Settings, f.Source, f.Env());
    EXPECT_EQ(input.Options, c.input) << c.name;
    EXPECT_EQ(input.FileName, f.Source.FileName) << c.name;
    EXPECT_EQ(output.Options, c.output) << c.name;
    EXPECT_EQ(output.FileName, c.file) << c.name;
  }
}

TEST(BuildOutputOptions, HookBoxesSetTheRecordsFlagsOnly) {
  struct HookCase {
    bool video_in, video_out, audio;
  } cases[] = {{false, false, false},
               {true, false, false},
               {false, true, false},
               {false, false, true},
               {true, true, true}};
  for (const HookCase& c : cases) {
    BuilderFixture f;
    f.Settings.VideoInputHook = c.video_in;
    f.Settings.VideoOutputHook = c.video_out;
    f.Settings.AudioHook = c.audio;
    const TOutputOptions output = BuildOutputOptions(f.Settings, f.Source, f.Env());
    EXPECT_EQ(output.VideoInputHook, c.video_in);
    EXPECT_EQ(output.VideoOutputHook, c.video_out);
    EXPECT_EQ(output.AudioOutputHook, c.audio);
    EXPECT_FALSE(output.AudioInputHook);
    EXPECT_FALSE(output.FrameInputHook);
    EXPECT_FALSE(output.FrameOutputHook);
    EXPECT_FALSE(output.Join);
    EXPECT_EQ(output.VideoHookBitsPixel, 32);
    EXPECT_TRUE(output.Presets.empty());
  }
}

TEST(ChooseAacEncoder, FirstPresentOfThePreferredElseTheLibrarysOwn) {
  struct AacCase {
    std::set<std::string, std::less<>> present;
    const char* chosen;
  } cases[] = {
      {{}, "aac"},
      {{"libvo_aacenc"}, "libvo_aacenc"},
      {{"libfaac", "libvo_aacenc"}, "libfaac"},
      {{"libaacplus", "libfaac"}, "libaacplus"},
      {{"libfdk_aac", "libaacplus", "libfaac", "libvo_aacenc"}, "libfdk_aac"},
      {{"aac_mf", "aac_at"}, "aac"},
  };
  for (const AacCase& c : cases) {
    EXPECT_EQ(choose_aac_encoder([&](std::string_view name) { return c.present.count(name) != 0; }),
              c.chosen);
  }
  EXPECT_EQ(choose_aac_encoder(nullptr), "aac");
}

}  // namespace
}  // namespace zentrova::app
