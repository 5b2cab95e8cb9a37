// TInputGuard: what one input of the application or zentrova-cli may make
// the media libraries open.
//
// Given a name and the file's content, the libraries open much more than
// the file: a playlist or script detected by its content pulls in other
// files and network addresses, protocol names ("concat:", "subfile:",
// "cache:") read or write files by name, and a FIFO or device blocks an
// open for good. Under `TInputPolicy::LocalFiles` an input is
//   * a local regular file (checked with stat before anything is opened),
//     named plainly or with "file:";
//   * opened only by demuxers that read that one file; playlist and script
//     formats (HLS, concat, SDP) only when the name says so (.m3u8, .m3u,
//     .ffconcat, .sdp), and then every further open must be a local regular
//     file under the playlist's own folder (a concat script's entries are
//     read from the script and vetted before the open: the demuxer opens
//     them without the hooks);
//   * never a network address (LocalFilesAndNetwork admits one, opened
//     with network protocols only).
// The library's own hooks carry the rules: the format and protocol
// whitelists (nested demuxers inherit them) and the context's `io_open`,
// which sees every open the demuxer makes, the first one included.
//
// Lifetime: a guard applied to a format context must outlive it (the
// context calls back into the guard through `opaque`); the engine keeps it
// in the input's record, the decoder beside the file it opened.
// Threads: the thread that opens and reads the input.
#pragma once

#include <string>
#include <string_view>

#include "log/base_component.h"
#include "media/av_deleters.h"

namespace zentrova {

class TInputGuard {
 public:
  /// Checks `name` (as it will be handed to the library) under `policy`.
  TInputGuard(TInputPolicy policy, std::string_view name);
  TInputGuard(const TInputGuard&) = delete;
  TInputGuard& operator=(const TInputGuard&) = delete;

  /// Why the input must not be opened at all (not a regular file, a
  /// protocol or a network address the policy refuses, content the library
  /// would read as a playlist or script that the name does not announce);
  /// empty when it may.
  const std::string& Refusal() const { return refusal_; }

  /// Before `avformat_open_input(ctx, name, ...)`: puts the format and
  /// protocol whitelists into `format_opts` (replacing any given there) and
  /// routes every open of `ctx` through this guard. Does nothing under
  /// `TInputPolicy::Full`.
  void Apply(AVFormatContext& ctx, AVDictionaryPtr& format_opts);
  /// `text`, the message of an open that failed with `code`, with what the
  /// guard did to make it fail (a refused nested open, a format the name
  /// does not announce).
  std::string Explain(std::string text, int code) const;

  /// The demuxers allowed for a name: every demuxer that reads only the
  /// one file it is given, plus the playlist or script format the name's
  /// extension announces. A comma-separated list for `format_whitelist`.
  static std::string FormatWhitelist(std::string_view name);
  /// The protocol part of `name` as the library reads it ("http" of
  /// "http://h/x", "crypto+file" of "crypto+file:x"); empty for a plain name.
  static std::string_view ProtocolOf(std::string_view name);
  /// Every part of `protocol` ("crypto+http") is a network protocol.
  static bool IsNetworkProtocol(std::string_view protocol);

 private:
  using TIoOpen = int (*)(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**);
  static int IoOpen(AVFormatContext* s, AVIOContext** pb, const char* url, int flags,
                    AVDictionary** options) noexcept;
  /// 0 when the demuxer may open `url`, else the library error to give it.
  int Vet(std::string_view url, int flags) const;
  std::string refused_url_;  // the last open the guard refused
  int VetLocal(std::string_view url) const;
  /// Why a concat script may not be opened: an entry leads outside its
  /// folder (a symbolic link, "..", an absolute name), is not a regular
  /// file, or is a script itself. The demuxer opens its entries without
  /// `io_open`, so they are vetted here, before the open. Empty when none.
  std::string VetScriptEntries() const;

  TInputPolicy policy_;
  std::string name_;
  bool network_ = false;   // the input is a network address
  bool playlist_ = false;  // the name announces a playlist or script
  std::string path_;       // the local file's path (the name without "file:")
  std::string real_path_;  // its canonical path; empty when it does not exist yet
  std::string folder_;     // canonical folder of a playlist, with a trailing '/'
  std::string refusal_;
  TIoOpen default_open_ = nullptr;
};

}  // namespace zentrova
