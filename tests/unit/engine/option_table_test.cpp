// The engine's option table applied through ParseOptions: where each option's
// value lands, the handlers' limits and messages, and the error convention.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "engine/filters/filter_graph.h"
#include "engine_test_support.h"
#include "options/dictionary.h"
#include "options/option_apply.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova {
namespace {

using test::FileOptions;
using test::LogRecorder;
using test::TestEngine;

class EngineOptionTable : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadMediaLibraries(); }
};

TEST_F(EngineOptionTable, InitOptionDefsBuildsOneTableOf179RowsOnce) {
  TestEngine engine;  // builds the table
  const TOptionDef* first = engine.OptionTable().data();
  engine.InitOptionDefs();
  ASSERT_EQ(engine.OptionTable().size(), 179u);
  EXPECT_EQ(engine.OptionTable().data(), first);
  EXPECT_EQ(engine.OptionTable().front().name, "L");
  EXPECT_EQ(engine.OptionTable().back().name, "Join");
  EXPECT_NO_THROW(check_option_table(engine.OptionTable()));
}

TEST_F(EngineOptionTable, EveryTaskHasItsOwnTableAndValues) {
  TestEngine a;
  TestEngine b;
  FileOptions oa(a);
  ASSERT_EQ(a.ParseOutput(oa.Context(), "-y -vol 512"), 0);
  EXPECT_EQ(a.Ffile_overwrite, 1);
  EXPECT_EQ(a.Faudio_volume, 512);
  EXPECT_EQ(b.Ffile_overwrite, 0);
  EXPECT_EQ(b.Faudio_volume, 256);
}

// The table as data: every row's name and flags, in table order, written as
// the numbers the option language fixes (not through the OPTF_* names, so a
// misspelt name in the table shows here).
TEST_F(EngineOptionTable, EveryRowKeepsItsNameAndFlags) {
  struct Row {
    const char* name;
    std::int32_t flags;
  };
  const Row rows[] = {
      {"L", 0x800},
      {"h", 0x800},
      {"?", 0x800},
      {"help", 0x800},
      {"-help", 0x800},
      {"version", 0x800},
      {"buildconf", 0x800},
      {"formats", 0x800},
      {"devices", 0x800},
      {"codecs", 0x800},
      {"decoders", 0x800},
      {"encoders", 0x800},
      {"bsfs", 0x800},
      {"protocols", 0x800},
      {"filters", 0x800},
      {"pix_fmts", 0x800},
      {"layouts", 0x800},
      {"sample_fmts", 0x800},
      {"colors", 0x800},
      {"loglevel", 0x1},
      {"v", 0x1},
      {"report", 0x0},
      {"max_alloc", 0x1},
      {"cpuflags", 0x1},
      {"hide_banner", 0x6},
      {"f", 0xc4009},
      {"y", 0x2},
      {"n", 0x2},
      {"ignore_unknown", 0x2},
      {"copy_unknown", 0x6},
      {"c", 0xc8009},
      {"codec", 0xc8009},
      {"pre", 0x800},
      {"map", 0x82005},
      {"map_channel", 0x82005},
      {"map_metadata", 0x88009},
      {"map_chapters", 0x84085},
      {"t", 0xd4001},
      {"t_microsecond", 0xc4401},
      {"to", 0x94001},
      {"to_microsecond", 0x84401},
      {"fs", 0x84401},
      {"ss", 0xd4001},
      {"ss_microsecond", 0xc4401},
      {"sseof", 0xd4001},
      {"seek_timestamp", 0x44081},
      {"accurate_seek", 0x44006},
      {"itsoffset", 0x54005},
      {"itsoffset_microsecond", 0x44405},
      {"itsscale", 0x68005},
      {"timestamp", 0x82001},
      {"metadata", 0x88009},
      {"program", 0x88009},
      {"dframes", 0x82005},
      {"benchmark", 0x800},
      {"benchmark_all", 0x800},
      {"progress", 0x5},
      {"stdin", 0x800},
      {"timelimit", 0x800},
      {"dump", 0x6},
      {"hex", 0x6},
      {"re", 0x44006},
      {"target", 0x82001},
      {"vsync", 0x5},
      {"frame_drop_threshold", 0x105},
      {"async", 0x85},
      {"adrift_threshold", 0x105},
      {"copyts", 0x6},
      {"start_at_zero", 0x6},
      {"copytb", 0x85},
      {"shortest", 0x84006},
      {"apad", 0x88009},
      {"dts_delta_threshold", 0x105},
      {"dts_error_threshold", 0x105},
      {"xerror", 0x6},
      {"abort_on", 0x5},
      {"copyinkf", 0x88006},
      {"copypriorss", 0x88085},
      {"frames", 0x88401},
      {"tag", 0xc800d},
      {"q", 0xa8005},
      {"qscale", 0x82005},
      {"profile", 0x82005},
      {"filter", 0x88009},
      {"filter_script", 0x88009},
      {"reinit_filter", 0x48081},
      {"filter_complex", 0x5},
      {"lavfi", 0x5},
      {"filter_complex_script", 0x5},
      {"stats", 0x2},
      {"attach", 0x82005},
      {"dump_attachment", 0x4800d},
      {"stream_loop", 0x44085},
      {"debug_ts", 0x6},
      {"max_error_rate", 0x101},
      {"discard", 0x48009},
      {"disposition", 0x88009},
      {"thread_queue_size", 0x44085},
      {"vframes", 0x82011},
      {"r", 0xc8019},
      {"s", 0xc8219},
      {"aspect", 0x88019},
      {"pix_fmt", 0xc801d},
      {"bits_per_raw_sample", 0x91},
      {"intra", 0x16},
      {"vn", 0xc4012},
      {"rc_override", 0x8801d},
      {"vcodec", 0xc2011},
      {"sameq", 0x14},
      {"same_quant", 0x14},
      {"timecode", 0x82011},
      {"pass", 0x88091},
      {"passlogfile", 0x8801d},
      {"deinterlace", 0x16},
      {"psnr", 0x16},
      {"vstats", 0x14},
      {"vstats_file", 0x15},
      {"vf", 0x82011},
      {"intra_matrix", 0x8801d},
      {"inter_matrix", 0x8801d},
      {"chroma_intra_matrix", 0x8801d},
      {"top", 0xc8095},
      {"vtag", 0x82015},
      {"qphist", 0x16},
      {"force_fps", 0x88016},
      {"streamid", 0x82015},
      {"force_key_frames", 0x8801d},
      {"ab", 0x82021},
      {"b", 0x82011},
      {"hwaccel", 0x4801d},
      {"hwaccel_device", 0x4801d},
      {"hwaccel_output_format", 0x4801d},
      {"hwaccels", 0x800},
      {"autorotate", 0x48007},
      {"aframes", 0x82021},
      {"aq", 0x82021},
      {"ar", 0xc80a1},
      {"ac", 0xc80a1},
      {"an", 0xc4022},
      {"acodec", 0xc2021},
      {"atag", 0x82025},
      {"vol", 0xa1},
      {"sample_fmt", 0xc802d},
      {"channel_layout", 0xc2025},
      {"af", 0x82021},
      {"guess_layout_max", 0x480a5},
      {"sn", 0xc4202},
      {"scodec", 0xc2201},
      {"stag", 0x82205},
      {"fix_sub_duration", 0x48206},
      {"canvas_size", 0x48209},
      {"vc", 0x15},
      {"tvstd", 0x15},
      {"isync", 0x6},
      {"muxdelay", 0x84105},
      {"muxpreload", 0x84105},
      {"override_ffserver", 0x80006},
      {"sdp_file", 0x80005},
      {"bsf", 0x8800d},
      {"absf", 0x82025},
      {"vbsf", 0x82015},
      {"apre", 0x82025},
      {"vpre", 0x82015},
      {"spre", 0x82205},
      {"fpre", 0x82005},
      {"dcodec", 0xc3005},
      {"dn", 0xc4012},
      {"VideoHookBitsPixel", 0x15},
      {"TimeStart", 0xc2001},
      {"timestart", 0xc2001},
      {"TimeLength", 0xc2001},
      {"timelength", 0xc2001},
      {"AudioInputHook", 0x800},
      {"AudioOutputHook", 0x800},
      {"VideoInputHook", 0x800},
      {"VideoOutputHook", 0x800},
      {"FrameInputHook", 0x800},
      {"FrameOutputHook", 0x800},
      {"Join", 0x800},
  };
  TestEngine engine;
  const TOptionTable table = engine.OptionTable();
  ASSERT_EQ(table.size(), std::size(rows));
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].name, rows[i].name) << "row " << i;
    EXPECT_EQ(table[i].flags, rows[i].flags) << std::hex << "row " << i << " (" << table[i].name << "): 0x"
                                             << table[i].flags << " instead of 0x" << rows[i].flags;
  }
}

// One option string and what it must leave behind.
struct ParseCase {
  const char* options;
  std::int32_t kind;  // OPTF_INPUT or OPTF_OUTPUT
  int result;
  const char* last_error;  // a part of FLastErrMsg when the parse fails
  std::function<void(TestEngine&, const TFileOptionContext&)> check;
};

template <typename T>
std::vector<std::pair<std::string, T>> Entries(const TSpecifierList<T>& list) {
  std::vector<std::pair<std::string, T>> out;
  for (const auto& e : list) out.emplace_back(e.specifier, e.value);
  return out;
}
using S = std::vector<std::pair<std::string, std::string>>;
using I = std::vector<std::pair<std::string, std::int32_t>>;
using L = std::vector<std::pair<std::string, std::int64_t>>;
using D = std::vector<std::pair<std::string, double>>;
constexpr std::int32_t kIn = OPTF_INPUT;
constexpr std::int32_t kOut = OPTF_OUTPUT;

void RunCases(const std::vector<ParseCase>& cases) {
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.options);
    TestEngine engine;
    FileOptions o(engine);
    const int r = c.kind == kIn ? engine.ParseInput(o.Context(), c.options)
                                : engine.ParseOutput(o.Context(), c.options);
    EXPECT_EQ(r, c.result);
    if (c.last_error) {
      EXPECT_NE(engine.FLastErrMsg.find(c.last_error), std::string::npos) << engine.FLastErrMsg;
    }
    if (c.check) c.check(engine, o.Context());
  }
}

TEST_F(EngineOptionTable, PerStreamOptionsKeepTheirSpecifiers) {
  RunCases({
      {"-c:v libx264 -codec:a aac -c copy", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(Entries(o.codec), (S{{"v", "libx264"}, {"a", "aac"}, {"", "copy"}}));
       }},
      {"-s 640x480", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(Entries(o.s), (S{{"", "640x480"}}));
         EXPECT_EQ(o.ss, AV_NOPTS_VALUE);
       }},
      {"-vcodec mpeg4 -acodec mp2 -scodec mov_text -dcodec copy", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(Entries(o.codec), (S{{"v", "mpeg4"}, {"a", "mp2"}, {"s", "mov_text"}, {"d", "copy"}}));
       }},
      {"-vf hflip -af volume=2 -filter:v:1 vflip", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(Entries(o.filter), (S{{"v", "hflip"}, {"a", "volume=2"}, {"v:1", "vflip"}}));
       }},
      {"-vframes 10 -aframes 5 -dframes 1 -frames:v 7", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(Entries(o.frames), (L{{"v", 10}, {"a", 5}, {"d", 1}, {"v", 7}}));
       }},
      {"-qscale 3 -qscale:a 4 -aq 5 -q:v 2.5", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(Entries(o.q), (D{{"v", 3.0}, {"a", 4.0}, {"a", 5.0}, {"v", 2.5}}));
       }},
      {"-vtag xvid -atag 0x55 -stag tx3g -vtag:0 DX50", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         // A written specifier selects the streams itself ("vtag:0" -> "tag:0").
         EXPECT_EQ(Entries(o.tag), (S{{"v", "xvid"}, {"a", "0x55"}, {"s", "tx3g"}, {"0", "DX50"}}));
       }},
      {"-vbsf h264_mp4toannexb -absf aac_adtstoasc -bsf:s:0 null", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(Entries(o.bsf), (S{{"v", "h264_mp4toannexb"}, {"a", "aac_adtstoasc"}, {"s:0", "null"}}));
       }},
      {"-ar 44100 -ac:a:1 1 -pix_fmt yuv420p -r 30000/1001 -aspect 16:9 -sample_fmt s16", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(Entries(o.ar), (I{{"", 44100}}));
         EXPECT_EQ(Entries(o.ac), (I{{"a:1", 1}}));
         EXPECT_EQ(Entries(o.pix_fmt), (S{{"", "yuv420p"}}));
         EXPECT_EQ(Entries(o.r), (S{{"", "30000/1001"}}));
         EXPECT_EQ(Entries(o.aspect), (S{{"", "16:9"}}));
         EXPECT_EQ(Entries(o.sample_fmt), (S{{"", "s16"}}));
       }},
      {"-hwaccel vaapi -hwaccel_device /dev/dri/renderD128 -autorotate 0 -itsscale:v 1.5 -discard:a all", kIn,
       0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(Entries(o.hwaccel), (S{{"", "vaapi"}}));
         EXPECT_EQ(Entries(o.hwaccel_device), (S{{"", "/dev/dri/renderD128"}}));
         EXPECT_EQ(Entries(o.autorotate), (I{{"", 0}}));
         EXPECT_EQ(Entries(o.itsscale), (D{{"v", 1.5}}));
         EXPECT_EQ(Entries(o.discard), (S{{"a", "all"}}));
       }},
      {"-metadata title=x -metadata:s:a:0 language=eng -disposition:a default -pass 1 -passlogfile log", kOut,
       0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(Entries(o.metadata), (S{{"", "title=x"}, {"s:a:0", "language=eng"}}));
         EXPECT_EQ(Entries(o.disposition), (S{{"a", "default"}}));
         EXPECT_EQ(Entries(o.pass), (I{{"", 1}}));
         EXPECT_EQ(Entries(o.passlogfile), (S{{"", "log"}}));
       }},
  });
}

TEST_F(EngineOptionTable, PerFileAndEngineValuesLandInTheirFields) {
  RunCases({
      {"-ss 1.5 -itsoffset 2 -re -stream_loop 2 -noaccurate_seek -f lavfi -sseof -3", kIn, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(o.ss, 1500000);
         EXPECT_EQ(o.itsoffset, 2000000);
         EXPECT_EQ(o.re, 1);
         EXPECT_EQ(o.stream_loop, 2);
         EXPECT_EQ(o.accurate_seek, 0);
         EXPECT_EQ(o.f, "lavfi");
         EXPECT_EQ(o.sseof, -3000000);
       }},
      {"-ss_microsecond 42 -t_microsecond 7 -itsoffset_microsecond 9", kIn, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(o.ss, 42);
         EXPECT_EQ(o.t, 7);
         EXPECT_EQ(o.itsoffset, 9);
       }},
      {"-t 5 -to 6 -fs 1000 -map_chapters 1 -shortest -muxdelay 0.5 -muxpreload 0.25 -vn -an -sn -dn", kOut,
       0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(o.t, 5000000);
         EXPECT_EQ(o.to, 6000000);
         EXPECT_EQ(o.fs, 1000);
         EXPECT_EQ(o.map_chapters, 1);
         EXPECT_EQ(o.shortest, 1);
         EXPECT_FLOAT_EQ(o.muxdelay, 0.5f);
         EXPECT_FLOAT_EQ(o.muxpreload, 0.25f);
         EXPECT_EQ(o.vn + o.an + o.sn + o.dn, 4);
       }},
      {"", kOut, 0, nullptr,
       [](TestEngine& e, const TFileOptionContext& o) {
         EXPECT_EQ(o.ss, AV_NOPTS_VALUE);
         EXPECT_EQ(o.t, INT64_MAX);
         EXPECT_EQ(o.fs, INT64_MAX);
         EXPECT_EQ(o.map_chapters, INT32_MAX);
         EXPECT_EQ(o.accurate_seek, 1);
         EXPECT_FLOAT_EQ(o.muxdelay, 0.7f);
         EXPECT_EQ(e.Fvideo_sync_method, -1);
         EXPECT_EQ(e.Faudio_volume, 256);
         EXPECT_FLOAT_EQ(e.Fmax_error_rate, 2.0f / 3.0f);
         EXPECT_FLOAT_EQ(e.Fdts_error_threshold, 108000.0f);
         EXPECT_EQ(e.FReadTimeout, 30000);
         EXPECT_EQ(e.FWriteTimeout, 30000);
       }},
      {"-y -n -copyts -start_at_zero -vol 512 -async 1 -dts_delta_threshold 5 -nostats -copytb 1 -xerror "
       "-override_ffserver -max_error_rate 0.5 -frame_drop_threshold 1.5 -bits_per_raw_sample 10",
       kOut, 0, nullptr,
       [](TestEngine& e, const TFileOptionContext&) {
         EXPECT_EQ(e.Ffile_overwrite, 1);
         EXPECT_EQ(e.Fno_file_overwrite, 1);
         EXPECT_EQ(e.Fcopy_ts, 1);
         EXPECT_EQ(e.Fstart_at_zero, 1);
         EXPECT_EQ(e.Faudio_volume, 512);
         EXPECT_EQ(e.Faudio_sync_method, 1);
         EXPECT_FLOAT_EQ(e.Fdts_delta_threshold, 5.0f);
         EXPECT_EQ(e.Fprint_stats, 0);
         EXPECT_EQ(e.Fcopy_tb, 1);
         EXPECT_EQ(e.Fexit_on_error, 1);
         EXPECT_EQ(e.Foverride_ffserver, 1);
         EXPECT_FLOAT_EQ(e.Fmax_error_rate, 0.5f);
         EXPECT_FLOAT_EQ(e.Fframe_drop_threshold, 1.5f);
         EXPECT_EQ(e.Fframe_bits_per_raw_sample, 10);
       }},
      {"-attach cover.jpg -attach \"字体 1.ttf\"", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(o.attach, (std::vector<std::string>{"cover.jpg", "字体 1.ttf"}));
       }},
      {"-VideoHookBitsPixel 24 -AudioInputHook -VideoOutputHook -FrameInputHook -Join", kOut, 0, nullptr,
       [](TestEngine& e, const TFileOptionContext&) { EXPECT_EQ(e.hook_bits_per_pixel, 24); }},
      {"-vstats_file v.log -sdp_file s.sdp", kOut, 0, nullptr,
       [](TestEngine& e, const TFileOptionContext&) {
         EXPECT_EQ(e.Fvstats_filename, "v.log");
         EXPECT_EQ(e.Fsdp_filename, "s.sdp");
       }},
      {"-vstats", kOut, 0, nullptr,
       [](TestEngine& e, const TFileOptionContext&) {
         EXPECT_TRUE(std::regex_match(e.Fvstats_filename, std::regex("vstats_[0-9]{6}\\.log")))
             << e.Fvstats_filename;
       }},
      {"-filter_complex \"[0:v]hflip[out]\" -lavfi anullsrc", kOut, 0, nullptr,
       [](TestEngine& e, const TFileOptionContext&) {
         ASSERT_EQ(e.Ffiltergraphs.size(), 2u);
         EXPECT_EQ(e.Ffiltergraphs[0]->index, 0);
         EXPECT_EQ(e.Ffiltergraphs[0]->graph_desc, "[0:v]hflip[out]");
         EXPECT_EQ(e.Ffiltergraphs[1]->index, 1);
         EXPECT_EQ(e.Finput_stream_potentially_available, 1);
       }},
  });
}

TEST_F(EngineOptionTable, HandlerLimitsAndMessages) {
  RunCases({
      {"-vsync drop", kOut, 0, nullptr, [](TestEngine& e, auto&) { EXPECT_EQ(e.Fvideo_sync_method, 255); }},
      {"-vsync 2", kOut, 0, nullptr, [](TestEngine& e, auto&) { EXPECT_EQ(e.Fvideo_sync_method, 2); }},
      {"-vsync CFR", kOut, 0, nullptr, [](TestEngine& e, auto&) { EXPECT_EQ(e.Fvideo_sync_method, 1); }},
      {"-vsync passthrough", kOut, 0, nullptr,
       [](TestEngine& e, auto&) { EXPECT_EQ(e.Fvideo_sync_method, 0); }},
      {"-vsync cfr -vsync foo", kOut, 0, nullptr,
       [](TestEngine& e, auto&) { EXPECT_EQ(e.Fvideo_sync_method, 1); }},
      {"-vsync 3", kOut, -22, "The value for \"vsync\" was \"3\" which is invalid", nullptr},
      {"-vsync foo", kOut, -22, "The value for \"vsync\" was \"foo\" which is invalid", nullptr},
      {"-streamid 1024:5", kOut, -22, "The value for \"streamid\" was \"1024\" which is not within 0 - 1023",
       nullptr},
      {"-streamid 2:-1", kOut, -22,
       "The value for \"streamid\" was \"-1\" which is not within 0 - 2147483647", nullptr},
      {"-streamid 2", kOut, -22,
       "Invalid value \"2\" for option \"streamid\", required syntax is \"index:value\"", nullptr},
      {"-streamid x:1", kOut, -22, "required syntax is \"index:value\"", nullptr},
      {"-streamid 3:7", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(o.streamid, (std::vector<std::int32_t>{0, 0, 0, 7}));
       }},
      {"-streamid 3:7 -streamid 1:4", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(o.streamid, (std::vector<std::int32_t>{0, 4, 0, 7}));
       }},
      {"-TimeStart 1.5", kIn, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) { EXPECT_EQ(o.ss, 1500000); }},
      {"-timestart 0.25 -timelength 2", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         EXPECT_EQ(o.ss, 250000);
         EXPECT_EQ(o.t, 2000000);
       }},
      {"-TimeLength 2.0000004", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) { EXPECT_EQ(o.t, 2000000); }},
      {"-TimeLength abc", kOut, -22, "Expected double for \"TimeLength\" but found \"abc\"", nullptr},
      {"-TimeStart nan", kIn, -22, "\"nan\"", nullptr},
      {"-TimeStart inf", kIn, -22, "\"inf\"", nullptr},
      {"-TimeStart 1e300", kIn, -22, "\"1e300\"", nullptr},
      {"-channel_layout stereo", kOut, 0, nullptr,
       [](TestEngine& e, const TFileOptionContext& o) {
         EXPECT_EQ(Entries(o.ac), (I{{"", 2}}));
         EXPECT_EQ(e.CodecOption("ch_layout"), "stereo");
       }},
      {"-channel_layout:a 5.1", kOut, 0, nullptr,
       [](TestEngine& e, const TFileOptionContext& o) {
         EXPECT_EQ(Entries(o.ac), (I{{"a", 6}}));
         EXPECT_EQ(e.CodecOption("ch_layout:a"), "5.1");
       }},
      {"-channel_layout nonsense", kOut, -22, "Unknown channel layout: nonsense", nullptr},
      {"-timecode 01:00:00:00", kOut, 0, nullptr,
       [](TestEngine& e, const TFileOptionContext& o) {
         EXPECT_EQ(Entries(o.metadata), (S{{"g", "timecode=01:00:00:00"}}));
         EXPECT_EQ(e.CodecOption("gop_timecode"), "01:00:00:00");
       }},
      {"-timestamp 2020-01-02T03:04:05Z", kOut, 0, nullptr,
       [](TestEngine&, const TFileOptionContext& o) {
         ASSERT_EQ(o.metadata.size(), 1u);
         EXPECT_TRUE(std::regex_match(o.metadata[0].value,
                                      std::regex("creation_time=2020-01-0[12] [0-9]{2}:[0-9]{2}:05 UTC.*")))
             << o.metadata[0].value;
       }},
      {"-srcw 100", kOut, -22,
       "Directly using swscale dimensions/format options is not supported, please use the -s or -pix_fmt "
       "options",
       nullptr},
      {"-re", kOut, -22,
       "Option re (read input at native frame rate) cannot be applied to output file out.mp4", nullptr},
      {"-ma 1", kOut, AVERROR_OPTION_NOT_FOUND, nullptr, nullptr},
      {"-flags +global_header -flags +bitexact", kOut, 0, nullptr,
       [](TestEngine& e, auto&) { EXPECT_EQ(e.CodecOption("flags"), "+global_header+bitexact"); }},
      {"-max_alloc 12x", kOut, -22, "Invalid max_alloc \"12x\".", nullptr},
      {"-max_alloc 2147483647", kOut, 0, nullptr, nullptr},  // the library's own default
      {"-cpuflags +nonsense", kOut, -22, "Failed to parse cpu flags \"+nonsense\"", nullptr},
      {"-progress /no/such/folder/progress.txt", kOut, -2, "Failed to open progress URL \"/no/such/folder/",
       nullptr},
      {"-sameq", kOut, -22, "Option \"sameq\" was removed.", nullptr},
      {"-filter_complex_script /no/such/graph.txt", kOut, -22, "Error opening file /no/such/graph.txt.",
       nullptr},
  });
}

TEST_F(EngineOptionTable, BitrateAndProfileAliasesGoToTheFileGroupCodecOptions) {
  LogRecorder log;
  RunCases({
      {"-b 800k", kOut, 0, nullptr, [](TestEngine& e, auto&) { EXPECT_EQ(e.CodecOption("b:v"), "800k"); }},
      {"-ab 128k", kOut, 0, nullptr, [](TestEngine& e, auto&) { EXPECT_EQ(e.CodecOption("b:a"), "128k"); }},
      {"-b:v 1M", kOut, 0, nullptr, [](TestEngine& e, auto&) { EXPECT_EQ(e.CodecOption("b:v"), "1M"); }},
      {"-profile high", kOut, 0, nullptr,
       [](TestEngine& e, auto&) { EXPECT_EQ(e.CodecOption("profile:v"), "high"); }},
      {"-profile:a aac_low", kOut, 0, nullptr,
       [](TestEngine& e, auto&) { EXPECT_EQ(e.CodecOption("profile:a"), "aac_low"); }},
  });
  EXPECT_EQ(log.Count(TLogLevel::llWarning, "Please use -b:a or -b:v, -b is ambiguous"), 1);
  EXPECT_EQ(log.Count(TLogLevel::llWarning, "Please use -profile:a or -profile:v, -profile is ambiguous"), 1);
}

TEST_F(EngineOptionTable, QscaleWarnsOnlyWhenAmbiguous) {
  LogRecorder log;
  TestEngine engine;
  {
    FileOptions o(engine);
    ASSERT_EQ(engine.ParseOutput(o.Context(), "-qscale:a 4"), 0);
  }
  EXPECT_FALSE(log.Contains("-qscale is ambiguous"));
  FileOptions o(engine);
  ASSERT_EQ(engine.ParseOutput(o.Context(), "-qscale 3"), 0);
  EXPECT_EQ(log.Count(TLogLevel::llWarning, "Please use -q:a or -q:v, -qscale is ambiguous"), 1);
}

TEST_F(EngineOptionTable, OverrideFfserverIsStoredAndPointedOutOnce) {
  LogRecorder log;
  TestEngine engine;
  {
    FileOptions o(engine);
    ASSERT_EQ(engine.ParseOutput(o.Context(), "-nooverride_ffserver"), 0);
    EXPECT_EQ(engine.Foverride_ffserver, 0);
  }
  EXPECT_EQ(log.Count(TLogLevel::llWarning, "has no effect"), 0);
  for (int i = 0; i < 2; ++i) {
    FileOptions o(engine);
    ASSERT_EQ(engine.ParseOutput(o.Context(), "-override_ffserver"), 0);
    EXPECT_EQ(engine.Foverride_ffserver, 1);
  }
  EXPECT_EQ(log.Count(TLogLevel::llWarning, "\"override_ffserver\" has no effect"), 1) << log.All();
}

TEST_F(EngineOptionTable, OutputOnlyOptionInAnInputStringFails) {
  TestEngine engine;
  FileOptions o(engine);
  EXPECT_EQ(engine.ParseInput(o.Context(), "-map 0:v"), -22);
  EXPECT_NE(
      engine.FLastErrMsg.find("Option map (set input stream mapping) cannot be applied to input file in.mp4"),
      std::string::npos)
      << engine.FLastErrMsg;
  EXPECT_TRUE(o.Context().map.empty());
}

TEST_F(EngineOptionTable, UnsupportedOptionsAreIgnoredOrRefused) {
  struct Case {
    const char* options;
    bool halt;
    int result;
    TLogLevel level;
    const char* line;
    int overwrite;  // whether "-y" after it was still applied
  };
  const Case cases[] = {
      {"-h -y", true, 0, TLogLevel::llWarning, "options \"h\" not supported, ignore", 1},
      {"-hide_banner -y", true, 0, TLogLevel::llWarning, "options \"hide_banner\" not supported, ignore", 1},
      {"-abort_on empty_output -y", true, 0, TLogLevel::llWarning,
       "options \"abort_on\" not supported, ignore", 1},
      {"-report -y", true, -22, TLogLevel::llError, "options \"report\" not supported", 0},
      {"-report -y", false, 0, TLogLevel::llError, "options \"report\" not supported", 0},
      {"-benchmark -y", true, -22, TLogLevel::llError, "options \"benchmark\" not supported", 0},
      {"-hwaccels -y", true, -22, TLogLevel::llError, "options \"hwaccels\" not supported", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    LogRecorder log;
    TestEngine engine;
    engine.HaltOnInvalidOption = c.halt;
    FileOptions o(engine);
    EXPECT_EQ(engine.ParseOutput(o.Context(), c.options), c.result);
    EXPECT_EQ(log.Count(c.level, c.line), 1) << log.All();
    // Ignored options let parsing go on; a refused one stops the group.
    EXPECT_EQ(engine.Ffile_overwrite, c.overwrite);
    if (c.result < 0) {
      EXPECT_NE(engine.FLastErrMsg.find(c.line), std::string::npos) << engine.FLastErrMsg;
    }
  }
}

TEST_F(EngineOptionTable, StrayWordsFailOnlyWhenHalting) {
  {
    TestEngine engine;
    FileOptions o(engine);
    EXPECT_EQ(engine.ParseOutput(o.Context(), "foo -y"), -22);
    EXPECT_NE(engine.FLastErrMsg.find("Failed to parse options on \"foo\""), std::string::npos);
    EXPECT_EQ(engine.Ffile_overwrite, 0);
  }
  {
    LogRecorder log;
    TestEngine engine;
    engine.HaltOnInvalidOption = false;
    FileOptions o(engine);
    EXPECT_EQ(engine.ParseOutput(o.Context(), "foo -y"), 0);
    EXPECT_TRUE(log.Contains("Invalid option \"foo\" found while parsing options, ignore")) << log.All();
    EXPECT_EQ(engine.Ffile_overwrite, 1);
    EXPECT_TRUE(engine.FLastErrMsg.empty());
  }
}

TEST_F(EngineOptionTable, VideoChannelRoutesTheDeviceOptionIntoTheFileGroup) {
  LogRecorder log;
  TestEngine engine;
  FileOptions o(engine);
  ASSERT_EQ(engine.ParseInput(o.Context(), "-vc 1 -tvstd pal"), 0) << engine.FLastErrMsg;
  EXPECT_TRUE(log.Contains("This option is deprecated, use -channel."));
  EXPECT_TRUE(log.Contains("This option is deprecated, use -standard."));
  const TOptionGroup& group = *o.Context().group;
  const char* channel = DictGet(group.format_opts, "channel");
  const char* standard = DictGet(group.format_opts, "standard");
  ASSERT_NE(channel, nullptr);
  ASSERT_NE(standard, nullptr);
  EXPECT_STREQ(channel, "1");
  EXPECT_STREQ(standard, "pal");
  // The working dictionaries hold nothing of it.
  EXPECT_EQ(DictGet(engine.Options().format_opts(), "channel"), nullptr);
}

TEST_F(EngineOptionTable, ProgressOpensItsTargetForWriting) {
  test::TempDir dir;
  TestEngine engine;
  FileOptions o(engine);
  const std::string path = dir.File("进度 1.txt");
  ASSERT_EQ(engine.ParseOutput(o.Context(), "-progress \"" + path + "\""), 0) << engine.FLastErrMsg;
  ASSERT_NE(engine.Fprogress_avio, nullptr);
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(path)));
  EXPECT_GT(engine.FLastWrite.load(), 0);
}

TEST_F(EngineOptionTable, ValueParserFailureInTheMiddleOfAGroupLeaksNothing) {
  const char* cases[] = {"-c:v libx264 -frames:v abc -s 640x480", "-b:v 1M -ss 12:xx", "-timestamp notadate",
                         "-crf 23 -vol loud"};
  for (const char* options : cases) {
    SCOPED_TRACE(options);
    TestEngine engine;
    FileOptions o(engine);
    EXPECT_THROW(engine.ParseOutput(o.Context(), options), std::runtime_error);
  }
}

TEST_F(EngineOptionTable, NothingIsLeftAfterFreeFileOptions) {
  TestEngine engine;
  TFileOptionContext o;
  engine.InitFileOptions(o);
  ASSERT_EQ(engine.ParseOutput(
                o, "-c:v mpeg4 -b:v 1M -map_channel -1 -attach a.png -streamid 0:1 -sws_flags lanczos"),
            0);
  EXPECT_EQ(o.group, &engine.Options().OptionParseContext().file_opts);
  EXPECT_EQ(engine.CodecOption("b:v"), "1M");
  engine.FreeFileOptions(o);
  EXPECT_TRUE(o.codec.empty());
  EXPECT_TRUE(o.map_channel.empty());
  EXPECT_TRUE(o.attach.empty());
  EXPECT_TRUE(o.streamid.empty());
  EXPECT_EQ(engine.CodecOption("b:v"), "");
  EXPECT_EQ(DictCount(engine.Options().sws_dict()), 0);
}

}  // namespace
}  // namespace zentrova
