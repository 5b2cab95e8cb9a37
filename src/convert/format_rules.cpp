#include "convert/format_rules.h"

#include <array>
#include <cmath>

#include "convert/number_text.h"
#include "log/plain_text.h"

namespace zentrova::app {
namespace {

enum class TTarget { None, VCD, DVD };
enum class TSampleRateRule { Keep, FlashRates };
enum class TFrameRateRule { Override, WhenUnset };

// Where an output stream's codec comes from.
struct TCodecRule {
  enum class TKind {
    Setting,  ///< the collected codec (the hidden default unless chosen)
    Own,      ///< the format's own codec, `Name`; empty: none given (the muxer's or the target's)
    Aac,      ///< the chosen AAC encoder
  } Kind;
  std::string_view Name;
};

// One row per output format. Empty texts override nothing.
struct TFormatRule {
  TOutputFormat Format;
  std::string_view Option;  ///< appended by the format step
  TTarget Target;
  TCodecRule VideoCodec;
  TCodecRule AudioCodec;
  std::string_view FrameSize;
  std::string_view SampleRate;
  TSampleRateRule SampleRateRule;
  std::string_view FrameRate;
  TFrameRateRule FrameRateRule;
  std::string_view Channels;
  std::string_view Extension;
  bool AudioOnly;
  int SizeMultiple;  ///< see FrameSizeMultiple
};

using F = TOutputFormat;
constexpr TTarget kNo = TTarget::None;
constexpr TSampleRateRule kKeep = TSampleRateRule::Keep;
constexpr TSampleRateRule kFlash = TSampleRateRule::FlashRates;
constexpr TFrameRateRule kSet = TFrameRateRule::Override;
constexpr TFrameRateRule kUnset = TFrameRateRule::WhenUnset;
constexpr TCodecRule kSetting{TCodecRule::TKind::Setting, ""};
constexpr TCodecRule kNone{TCodecRule::TKind::Own, ""};
constexpr TCodecRule kAac{TCodecRule::TKind::Aac, ""};
constexpr TCodecRule Own(std::string_view name) {
  return {TCodecRule::TKind::Own, name};
}

// The DVD target's maximum video bit rate, kb/s.
constexpr double kDvdMaxVideoKbps = 9000;

// clang-format off
constexpr std::array<TFormatRule, 24> kFormatRules{{
  // format      option        target        video              audio                 size       rate     rate rule fps           fps rule ch   extension     audio only multiple
  {F::VCD,     "",            TTarget::VCD, kNone,             kNone,               "",        "",      kKeep,  "",           kSet,   "",  "",           false, 0},
  {F::DVD,     "",            TTarget::DVD, kNone,             kNone,               "",        "",      kKeep,  "",           kSet,   "",  "",           false, 0},
  {F::ThreeGP, "-b:a 12.2k",  kNo,          Own("h263"),       kAac,                "128x96",  "8000",  kKeep,  "",           kSet,   "1", "",           false, 2},
  {F::AVI,     "",            kNo,          kSetting,          kSetting,            "",        "",      kKeep,  "",           kSet,   "",  "",           false, 2},
  {F::FLV,     "",            kNo,          kSetting,          kSetting,            "",        "",      kFlash, "",           kSet,   "",  "",           false, 2},
  {F::iPod,    "",            kNo,          Own("mpeg4"),      kAac,                "320x240", "",      kKeep,  "15000/1001", kUnset, "",  "_ipod.mp4",  false, 2},
  {F::MKV,     "",            kNo,          Own("libx264"),    kSetting,            "",        "",      kKeep,  "",           kSet,   "",  "",           false, 2},
  {F::MOV,     "",            kNo,          kSetting,          kSetting,            "",        "",      kKeep,  "",           kSet,   "",  "",           false, 2},
  {F::MP4,     "",            kNo,          kSetting,          kSetting,            "",        "",      kKeep,  "",           kSet,   "",  "",           false, 2},
  {F::OGG,     "",            kNo,          Own("libtheora"),  Own("libvorbis"),    "",        "",      kKeep,  "",           kSet,   "",  "",           false, 2},
  {F::PSP,     "-f psp",      kNo,          Own("mpeg4"),      kAac,                "320x240", "24000", kKeep,  "15000/1001", kSet,   "",  "_psp.mp4",   false, 2},
  {F::RM10,    "",            kNo,          Own("rv10"),       Own("ac3"),          "",        "",      kKeep,  "",           kSet,   "",  "_rv10.rm",   false, 16},
  {F::RM20,    "",            kNo,          Own("rv20"),       Own("ac3"),          "",        "",      kKeep,  "",           kSet,   "",  "_rv20.rm",   false, 16},
  {F::SWF,     "",            kNo,          Own("flv"),        Own("libmp3lame"),   "",        "",      kFlash, "",           kSet,   "",  "",           false, 2},
  {F::WMV,     "",            kNo,          Own("wmv2"),       Own("wmav2"),        "",        "",      kKeep,  "",           kSet,   "",  "",           false, 2},
  {F::WebM,    "-f webm",     kNo,          Own("libvpx"),     Own("libvorbis"),    "",        "",      kKeep,  "",           kSet,   "",  "",           false, 2},
  {F::M1V,     "",            kNo,          Own("mpeg1video"), kNone,               "",        "",      kKeep,  "",           kSet,   "",  "",           false, 2},
  {F::M2V,     "",            kNo,          Own("mpeg2video"), kNone,               "",        "",      kKeep,  "",           kSet,   "",  "",           false, 2},
  {F::AAC,     "",            kNo,          kNone,             kAac,                "",        "",      kKeep,  "",           kSet,   "",  "",           true,  0},
  {F::AC3,     "",            kNo,          kNone,             Own("ac3"),          "",        "",      kKeep,  "",           kSet,   "",  "",           true,  0},
  {F::MP2,     "",            kNo,          kNone,             Own("mp2"),          "",        "",      kKeep,  "",           kSet,   "",  "",           true,  0},
  {F::MP3,     "",            kNo,          kNone,             Own("libmp3lame"),   "",        "",      kKeep,  "",           kSet,   "",  "",           true,  0},
  {F::WAV,     "",            kNo,          kNone,             Own("pcm_s16le"),    "",        "",      kKeep,  "",           kSet,   "",  "",           true,  0},
  {F::WMA,     "-vn",         kNo,          kNone,             Own("wmav2"),        "",        "",      kKeep,  "",           kSet,   "",  "",           true,  0},
}};
// clang-format on

constexpr bool RulesFollowTheFormatOrder() {
  for (std::size_t i = 0; i < kFormatRules.size(); ++i)
    if (static_cast<std::size_t>(kFormatRules[i].Format) != i) return false;
  return kFormatRules.size() == kOutputFormatItems.size();
}
static_assert(RulesFollowTheFormatOrder());

const TFormatRule& RuleOf(TOutputFormat format) {
  return kFormatRules[static_cast<std::size_t>(ValidIndex(TChoice::OutputFormat, static_cast<int>(format)))];
}

// The norm's prefix of a target name: "", "pal-" or "ntsc-".
std::string_view NormPrefix(TNorm norm) {
  switch (norm) {
    case TNorm::PAL:
      return "pal-";
    case TNorm::NTSC:
      return "ntsc-";
    default:
      return "";
  }
}

// A codec the user chose (other than "Auto") is kept; otherwise the rule decides.
void ApplyCodecRule(const TCodecRule& rule, bool chosen, std::string_view aac_encoder, std::string& codec) {
  if (chosen && !codec.empty()) return;
  switch (rule.Kind) {
    case TCodecRule::TKind::Setting:
      break;
    case TCodecRule::TKind::Own:
      codec = rule.Name;
      break;
    case TCodecRule::TKind::Aac:
      codec = aac_encoder;
      break;
  }
}

// How far `fps` lies from the nearest rate of a family `base` x 2^k, as the
// magnitude of the base-2 logarithm of their ratio.
double RateFamilyDistance(double fps, double base) {
  const double octaves = std::log2(fps / base);
  return std::abs(octaves - std::round(octaves));
}

// Whether the engine's own guess knows `fps` (it compares in thousandths).
bool EngineGuessesNorm(double fps) {
  const long long millihertz = std::llround(fps * 1000);
  return millihertz == 25000 || millihertz == 29970 || millihertz == 23976;
}

}  // namespace

TNorm TargetNorm(TNorm chosen, double fps) {
  if (chosen != TNorm::Auto || !(fps > 0) || EngineGuessesNorm(fps)) return chosen;
  const double pal = RateFamilyDistance(fps, 25);
  const double ntsc =
      std::min(RateFamilyDistance(fps, 30000.0 / 1001), RateFamilyDistance(fps, 24000.0 / 1001));
  return pal < ntsc ? TNorm::PAL : TNorm::NTSC;
}

std::string ApplyFormatRules(TOutputFormat format, TNorm norm, std::string_view aac_encoder,
                             TCollectedValues& values) {
  const TFormatRule& rule = RuleOf(format);
  auto override_with = [](std::string& value, std::string_view with) {
    if (!with.empty()) value = with;
  };
  ApplyCodecRule(rule.VideoCodec, values.VideoCodecChosen, aac_encoder, values.VideoCodec);
  ApplyCodecRule(rule.AudioCodec, values.AudioCodecChosen, aac_encoder, values.AudioCodec);
  override_with(values.FrameSize, rule.FrameSize);
  override_with(values.SampleRate, rule.SampleRate);
  override_with(values.Channels, rule.Channels);
  override_with(values.Extension, rule.Extension);
  if (rule.FrameRateRule == TFrameRateRule::Override || values.FrameRate.empty())
    override_with(values.FrameRate, rule.FrameRate);
  // Flash audio takes 11025, 22050 or 44100 Hz only.
  if (rule.SampleRateRule == TSampleRateRule::FlashRates && values.SampleRate != "11025" &&
      values.SampleRate != "22050" && values.SampleRate != "44100")
    values.SampleRate = "44100";

  if (rule.Target == TTarget::None) return std::string(rule.Option);
  // The disc's sizes and rates stand: an option after -target would replace them.
  values.FrameSize.clear();
  values.FrameRate.clear();
  values.SampleRate.clear();
  values.Channels.clear();
  if (rule.Target == TTarget::VCD) {
    // A VCD player expects exactly the target's constant bit rates.
    values.AudioBitRate.reset();
    values.VideoBitRate.reset();
    return "-target " + std::string(NormPrefix(norm)) + "vcd";
  }
  CapNumberText(values.VideoBitRate, kDvdMaxVideoKbps);
  return "-target " + std::string(NormPrefix(norm)) + "dvd";
}

std::string TargetExtension(TOutputFormat format, TNorm norm, std::string_view extension) {
  if (RuleOf(format).Target == TTarget::None) return std::string(extension);
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  return "_" + LowerAscii(ItemText(norm)) + "_" + std::string(extension) + ".mpg";
}

bool IsAudioOnlyFormat(TOutputFormat format) {
  return RuleOf(format).AudioOnly;
}

bool InputDropsVideo(TOutputFormat format) {
  return IsAudioOnlyFormat(format) && RuleOf(format).Format != TOutputFormat::MP3;
}

bool NeedsPicture(TOutputFormat format) {
  return RuleOf(format).Target != TTarget::None || format == TOutputFormat::PSP;
}

bool NeedsSound(TOutputFormat format) {
  return format == TOutputFormat::PSP;
}

int FrameSizeMultiple(TOutputFormat format) {
  return RuleOf(format).SizeMultiple;
}

}  // namespace zentrova::app
