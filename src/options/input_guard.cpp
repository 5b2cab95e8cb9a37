#include "options/input_guard.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fmt/format.h>
#include <fstream>
#include <iterator>

#include "media/av_ptr.h"
#include "options/concat_script.h"
#include "options/dictionary.h"

namespace zentrova {
namespace {

// Demuxers that open further resources by what the file says (playlists,
// scripts, session descriptions, index files naming a sibling, manifests).
// Demuxers that open their name themselves (AVFMT_NOFILE: image sequences,
// devices, streaming sessions) are left out by their flag.
constexpr std::array<std::string_view, 10> kMultiResourceDemuxers{
    "hls", "concat", "sdp", "rtsp", "rtp", "sap", "dash", "imf", "vobsub", "avisynth",
};

// Names whose extension announces a playlist or a script, and its demuxer.
struct TPlaylistExtension {
  std::string_view extension;
  std::string_view demuxer;
};
constexpr std::array<TPlaylistExtension, 4> kPlaylistExtensions{{
    {".m3u8", "hls"},
    {".m3u", "hls"},
    {".ffconcat", "concat"},
    {".sdp", "sdp"},
}};

// A concat script is read whole to vet its entries; a longer one is refused.
constexpr std::size_t kMaxScriptBytes = 4 << 20;

// Protocols of an explicit network address.
constexpr std::array<std::string_view, 14> kNetworkProtocols{
    "http", "https", "tls",   "tcp", "udp", "rtp",  "rtsp",
    "rtmp", "rtmps", "rtmpt", "srt", "ftp", "mmsh", "mmst",
};
// What a network input may use on the way (keys of HLS, proxies).
constexpr std::string_view kNetworkWhitelist =
    "http,https,tls,tcp,udp,rtp,rtsp,rtmp,rtmps,rtmpt,srt,ftp,mmsh,mmst,crypto,httpproxy";

bool Contains(const auto& list, std::string_view name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  return std::equal(
      tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()), [](char a, char b) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return lower(a) == lower(b);
      });
}

}  // namespace

bool TInputGuard::IsNetworkProtocol(std::string_view protocol) {
  if (protocol.empty()) return false;
  std::size_t start = 0;
  for (;;) {
    const std::size_t plus = protocol.find('+', start);
    const std::string_view part = protocol.substr(start, plus - start);
    // "crypto" only wraps another network protocol.
    const bool network = Contains(kNetworkProtocols, part);
    if (plus == std::string_view::npos) return network;
    if (!network && part != "crypto") return false;
    start = plus + 1;
  }
}

namespace {

// The playlist demuxer a name announces, or empty. A network address is
// judged by its path (before any query).
std::string_view AnnouncedPlaylist(std::string_view name) {
  if (TInputGuard::IsNetworkProtocol(TInputGuard::ProtocolOf(name)))
    name = name.substr(0, name.find_first_of("?#"));
  for (const TPlaylistExtension& p : kPlaylistExtensions)
    if (EndsWithIgnoringCase(name, p.extension)) return p.demuxer;
  return {};
}

// "a FIFO", "a folder"... for a file that is not a regular one.
std::string_view KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISDIR(mode)) return "a folder";
  return "not a regular file";
}

// The canonical path of an existing file, or empty.
std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

std::string_view WithoutFilePrefix(std::string_view url) {
  return url.substr(0, 5) == "file:" ? url.substr(5) : url;
}

// The demuxer the library picks for the content of the local file `path`
// (as avformat_open_input would probe it), or null.
const AVInputFormat* ProbedFormat(const std::string& path) {
  const std::string url = "file:" + path;
  AVIOContextPtr pb;
  if (ff::avio_open2(OutPtr(pb), url.c_str(), AVIO_FLAG_READ, nullptr, nullptr) < 0) return nullptr;
  const AVInputFormat* format = nullptr;
  if (ff::av_probe_input_buffer2(pb.get(), &format, url.c_str(), nullptr, 0, 0) < 0) format = nullptr;
  return format;
}

// Up to `limit` + 1 bytes of the local file `path` (empty when unreadable).
std::string ReadStart(const std::string& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::string text;
  std::istreambuf_iterator<char> it(in);
  for (const std::istreambuf_iterator<char> end; it != end && text.size() <= limit; ++it) text += *it;
  return text;
}

}  // namespace

std::string_view TInputGuard::ProtocolOf(std::string_view name) {
  constexpr std::string_view kSchemeChars =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-.";
  const std::size_t length = std::min(name.find_first_not_of(kSchemeChars), name.size());
  // The library reads "subfile,,start,...,end,:name" as the subfile protocol.
  if (name.substr(0, 8) == "subfile," && name.find(':', 8) != std::string_view::npos) return "subfile";
  if (length == 0 || length == name.size() || name[length] != ':') return {};
  return name.substr(0, length);
}

std::string TInputGuard::FormatWhitelist(std::string_view name) {
  std::string list;
  void* state = nullptr;
  while (const AVInputFormat* format = ff::av_demuxer_iterate(&state)) {
    if (format->flags & AVFMT_NOFILE) continue;
    if (Contains(kMultiResourceDemuxers, format->name)) continue;
    if (!list.empty()) list += ',';
    list += format->name;  // may itself be a list ("mov,mp4,m4a,...")
  }
  if (const std::string_view playlist = AnnouncedPlaylist(name); !playlist.empty()) {
    list += ',';
    list += playlist;
  }
  return list;
}

TInputGuard::TInputGuard(TInputPolicy policy, std::string_view name) : policy_(policy), name_(name) {
  if (policy_ == TInputPolicy::Full) return;
  playlist_ = !AnnouncedPlaylist(name).empty();
  const std::string_view protocol = ProtocolOf(name);
  if (!protocol.empty() && protocol != "file") {
    network_ = IsNetworkProtocol(protocol);
    if (!network_)
      refusal_ = fmt::format("{}: the \"{}\" protocol is not allowed for an input", name, protocol);
    else if (policy_ != TInputPolicy::LocalFilesAndNetwork)
      refusal_ = fmt::format("{}: network addresses are not opened (network inputs are off)", name);
    return;
  }
  path_ = std::string(WithoutFilePrefix(name));
  struct stat status {};
  if (::stat(path_.c_str(), &status) != 0) return;  // the library says why it cannot open it
  if (!S_ISREG(status.st_mode)) {
    refusal_ =
        fmt::format("{}: {}, not a regular file; only files can be converted", path_, KindOf(status.st_mode));
    return;
  }
  real_path_ = RealPath(path_);
  if (playlist_) {
    if (!real_path_.empty()) folder_ = real_path_.substr(0, real_path_.rfind('/') + 1);
    if (AnnouncedPlaylist(name) == "concat") refusal_ = VetScriptEntries();
    return;
  }
  // The whitelist would refuse it too; said here in so many words.
  const AVInputFormat* format = ProbedFormat(path_);
  if (format && (Contains(kMultiResourceDemuxers, format->name) || (format->flags & AVFMT_NOFILE)))
    refusal_ = fmt::format(
        "{}: holds \"{}\" data, which opens other files; a playlist or script is opened only "
        "when its name says so: .m3u8, .m3u, .ffconcat, .sdp",
        path_, format->name);
}

void TInputGuard::Apply(AVFormatContext& ctx, AVDictionaryPtr& format_opts) {
  if (policy_ == TInputPolicy::Full) return;
  DictSet(format_opts, "format_whitelist", FormatWhitelist(name_));
  DictSet(format_opts, "protocol_whitelist", network_ ? std::string(kNetworkWhitelist) : "file");
  default_open_ = ctx.io_open;
  ctx.opaque = this;
  ctx.io_open = &TInputGuard::IoOpen;
}

int TInputGuard::IoOpen(AVFormatContext* s, AVIOContext** pb, const char* url, int flags,
                        AVDictionary** options) noexcept {
  // A nested context that copied the callback but not the guard: refuse.
  auto* guard = static_cast<TInputGuard*>(s->opaque);
  if (!guard || !guard->default_open_) return AVERROR(EPERM);
  try {
    if (const int refused = guard->Vet(url, flags); refused < 0) {
      if (refused != AVERROR(EPERM)) return refused;
      guard->refused_url_ = url;
      ff::av_log(s, AV_LOG_ERROR, "Opening \"%s\" refused: the input may not reach it\n", url);
      return refused;
    }
  } catch (...) {
    return AVERROR(ENOMEM);
  }
  return guard->default_open_(s, pb, url, flags, options);
}

std::string TInputGuard::Explain(std::string text, int code) const {
  if (policy_ == TInputPolicy::Full || network_) return text;
  if (!refused_url_.empty())
    return fmt::format("{} (refused to open \"{}\": {})", text, WithoutFilePrefix(refused_url_),
                       playlist_ ? "a playlist reaches only files under its own folder"
                                 : "a media file may not open other files");
  if (code == AVERROR(EINVAL) && !playlist_)
    return text +
           " (a playlist or script is opened only when its name says so: .m3u8, .m3u, .ffconcat, .sdp)";
  return text;
}

int TInputGuard::Vet(std::string_view url, int flags) const {
  if (flags & AVIO_FLAG_WRITE) return AVERROR(EPERM);
  const std::string_view protocol = ProtocolOf(url);
  if (network_) return IsNetworkProtocol(protocol) ? 0 : AVERROR(EPERM);
  if (!protocol.empty() && protocol != "file") return AVERROR(EPERM);
  return VetLocal(WithoutFilePrefix(url));
}

std::string TInputGuard::VetScriptEntries() const {
  const std::string script = ReadStart(path_, kMaxScriptBytes);
  if (script.size() > kMaxScriptBytes)
    return fmt::format("{}: a script longer than {} MB is not opened", path_, kMaxScriptBytes >> 20);
  // Names are taken as the demuxer takes them: relative to the script's
  // folder as named.
  const std::string base = path_.substr(0, path_.rfind('/') + 1);
  for (const std::string& entry : ConcatScriptFiles(script)) {
    const std::string_view protocol = ProtocolOf(entry);
    if (!protocol.empty() && protocol != "file")
      return fmt::format("{}: the script names \"{}\": a script opens only local files", path_, entry);
    const std::string_view local = WithoutFilePrefix(entry);
    const std::string path = local.substr(0, 1) == "/" ? std::string(local) : base + std::string(local);
    const int vetted = VetLocal(path);
    if (vetted == AVERROR(ENOENT)) continue;  // the demuxer says so when it gets there
    if (vetted < 0)
      return fmt::format(
          "{}: the script names \"{}\", which is not a file under the script's own folder; "
          "a script reaches only files under its own folder",
          path_, entry);
    // Its entries would be opened unvetted again.
    const AVInputFormat* format = ProbedFormat(path);
    if (format && Contains(kMultiResourceDemuxers, format->name))
      return fmt::format("{}: the script names \"{}\", which is itself a playlist or script", path_, entry);
  }
  return {};
}

int TInputGuard::VetLocal(std::string_view path) const {
  const std::string real = RealPath(std::string(path));
  if (real.empty()) return AVERROR(ENOENT);
  struct stat status {};
  if (::stat(real.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return AVERROR(EPERM);
  if (real == real_path_) return 0;
  if (playlist_ && !folder_.empty() && real.compare(0, folder_.size(), folder_) == 0) return 0;
  return AVERROR(EPERM);
}

}  // namespace zentrova
