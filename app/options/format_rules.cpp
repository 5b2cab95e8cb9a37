#include "app/options/format_rules.h"

#include <array>

namespace zentrova::app {
namespace {

enum class TTarget { None, VCD, DVD };
enum class TSampleRateRule { Keep, FlashRates };
enum class TFrameRateRule { Override, WhenUnset };

// One row per output format. Empty texts override nothing.
struct TFormatRule {
  TOutputFormat Format;
  std::string_view Option;  ///< appended by the format step
  TTarget Target;
  std::string_view VideoCodec;
  std::string_view AudioCodec;
  bool AacAudio;  ///< audio codec: the chosen AAC encoder
  std::string_view FrameSize;
  std::string_view SampleRate;
  TSampleRateRule SampleRateRule;
  std::string_view FrameRate;
  TFrameRateRule FrameRateRule;
  std::string_view Channels;
  std::string_view Extension;
  bool AudioOnly;
};

using F = TOutputFormat;
constexpr TTarget kNo = TTarget::None;
constexpr TSampleRateRule kKeep = TSampleRateRule::Keep;
constexpr TSampleRateRule kFlash = TSampleRateRule::FlashRates;
constexpr TFrameRateRule kSet = TFrameRateRule::Override;
constexpr TFrameRateRule kUnset = TFrameRateRule::WhenUnset;

// clang-format off
constexpr std::array<TFormatRule, 24> kFormatRules{{
  // format      option        target        video        audio        aac    size       rate     rate rule fps           fps rule ch   extension     audio only
  {F::VCD,     "",            TTarget::VCD, "",          "",          false, "",        "",      kKeep,  "",           kSet,   "",  "",           false},
  {F::DVD,     "",            TTarget::DVD, "",          "",          false, "",        "",      kKeep,  "",           kSet,   "",  "",           false},
  {F::ThreeGP, "-b:a 12.2k",  kNo,          "",          "",          false, "128x96",  "8000",  kKeep,  "",           kSet,   "1", "",           false},
  {F::AVI,     "",            kNo,          "",          "",          false, "",        "",      kKeep,  "",           kSet,   "",  "",           false},
  {F::FLV,     "",            kNo,          "",          "",          false, "",        "",      kFlash, "",           kSet,   "",  "",           false},
  {F::iPod,    "",            kNo,          "mpeg4",     "",          true,  "320x240", "",      kKeep,  "15000/1001", kUnset, "",  "_ipod.mp4",  false},
  {F::MKV,     "",            kNo,          "libx264",   "",          false, "",        "",      kKeep,  "",           kSet,   "",  "",           false},
  {F::MOV,     "",            kNo,          "",          "",          false, "",        "",      kKeep,  "",           kSet,   "",  "",           false},
  {F::MP4,     "",            kNo,          "",          "",          false, "",        "",      kKeep,  "",           kSet,   "",  "",           false},
  {F::OGG,     "",            kNo,          "libtheora", "libvorbis", false, "",        "",      kKeep,  "",           kSet,   "",  "",           false},
  {F::PSP,     "-f psp",      kNo,          "mpeg4",     "",          true,  "320x240", "24000", kKeep,  "15000/1001", kSet,   "",  "_psp.mp4",   false},
  {F::RM10,    "",            kNo,          "rv10",      "",          false, "",        "",      kKeep,  "",           kSet,   "",  "_rv10.rm",   false},
  {F::RM20,    "",            kNo,          "rv20",      "",          false, "",        "",      kKeep,  "",           kSet,   "",  "_rv20.rm",   false},
  {F::SWF,     "",            kNo,          "",          "",          false, "",        "",      kFlash, "",           kSet,   "",  "",           false},
  {F::WMV,     "",            kNo,          "wmv2",      "wmav2",     false, "",        "",      kKeep,  "",           kSet,   "",  "",           false},
  {F::WebM,    "-f webm",     kNo,          "libvpx",    "libvorbis", false, "",        "",      kKeep,  "",           kSet,   "",  "",           false},
  {F::M1V,     "",            kNo,          "",          "",          false, "",        "",      kKeep,  "",           kSet,   "",  "",           false},
  {F::M2V,     "",            kNo,          "",          "",          false, "",        "",      kKeep,  "",           kSet,   "",  "",           false},
  {F::AAC,     "",            kNo,          "",          "",          false, "",        "",      kKeep,  "",           kSet,   "",  "",           true},
  {F::AC3,     "",            kNo,          "",          "",          false, "",        "",      kKeep,  "",           kSet,   "",  "",           true},
  {F::MP2,     "",            kNo,          "",          "",          false, "",        "",      kKeep,  "",           kSet,   "",  "",           true},
  {F::MP3,     "",            kNo,          "",          "",          false, "",        "",      kKeep,  "",           kSet,   "",  "",           true},
  {F::WAV,     "",            kNo,          "",          "",          false, "",        "",      kKeep,  "",           kSet,   "",  "",           true},
  {F::WMA,     "-vn",         kNo,          "",          "wmav2",     false, "",        "",      kKeep,  "",           kSet,   "",  "",           true},
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

}  // namespace

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string ApplyFormatRules(TOutputFormat format, TNorm norm, std::string_view aac_encoder,
                             TCollectedValues& values) {
  const TFormatRule& rule = RuleOf(format);
  auto override_with = [](std::string& value, std::string_view with) {
    if (!with.empty()) value = with;
  };
  override_with(values.VideoCodec, rule.VideoCodec);
  override_with(values.AudioCodec, rule.AudioCodec);
  if (rule.AacAudio) values.AudioCodec = aac_encoder;
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

  switch (rule.Target) {
    case TTarget::VCD:
      return "-target " + std::string(NormPrefix(norm)) + "vcd";
    case TTarget::DVD:
      return "-target " + std::string(NormPrefix(norm)) + "dvd";
    case TTarget::None:
      break;
  }
  return std::string(rule.Option);
}

std::string TargetExtension(TOutputFormat format, TNorm norm, std::string_view extension) {
  if (RuleOf(format).Target == TTarget::None) return std::string(extension);
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  return "_" + LowerAscii(ItemText(norm)) + "_" + std::string(extension) + ".mpg";
}

bool IsAudioOnlyFormat(TOutputFormat format) {
  return RuleOf(format).AudioOnly;
}

}  // namespace zentrova::app
