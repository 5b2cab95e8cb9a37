// zentrova-cli end to end on inputs that must not steer it: playlists and
// scripts (disguised and honest) with files they may and may not reach,
// sources that are not files, network addresses, names that read as
// protocols, and signals while an open is stuck.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "cli/interrupt.h"
#include "cli_process.h"
#include "media/test_media.h"
#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova::test {
namespace {

namespace fs = std::filesystem;

const std::string kCli = ZENTROVA_CLI_PROGRAM;
constexpr const char* kNameHint = "a playlist or script is opened only when its name says so";

// The working folder for one block (relative names on the command line).
class ScopedWorkingFolder {
 public:
  explicit ScopedWorkingFolder(const fs::path& folder) : previous_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~ScopedWorkingFolder() { fs::current_path(previous_); }
  ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
  ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

 private:
  fs::path previous_;
};

// A TCP socket on 127.0.0.1 that listens and never accepts: a connection
// completes, and the request waits for an answer that never comes.
class SilentServer {
 public:
  SilentServer() : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(fd_, 4) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      ADD_FAILURE() << "cannot listen on 127.0.0.1";
    port_ = ntohs(address.sin_port);
  }
  ~SilentServer() { ::close(fd_); }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;

  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/clip.mp4"; }
  int Port() const { return port_; }
  int Fd() const { return fd_; }
  /// True when a client connected within `timeout_ms`.
  bool Connected(int timeout_ms) const {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, timeout_ms) == 1;
  }

 private:
  int fd_;
  int port_ = 0;
};

// A minimal HTTP server on 127.0.0.1 that answers every request with one
// file (whole, no ranges) until it is destroyed.
class FileServer {
 public:
  explicit FileServer(std::string body) : body_(std::move(body)) {
    thread_ = std::thread([this] { Serve(); });
  }
  ~FileServer() {
    stop_ = true;
    thread_.join();
  }
  FileServer(const FileServer&) = delete;
  FileServer& operator=(const FileServer&) = delete;

  std::string Url(const std::string& name) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + name;
  }
  int Requests() const { return requests_; }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{listener_.Fd(), POLLIN, 0};
      if (::poll(&p, 1, 50) != 1) continue;
      const int client = ::accept(listener_.Fd(), nullptr, nullptr);
      if (client < 0) continue;
      std::string request;
      char buffer[1024];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = ::recv(client, buffer, sizeof(buffer), 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
      }
      ++requests_;
      const std::string response =
          "HTTP/1.0 200 OK\r\nContent-Type: video/mp2t\r\nContent-Length: " + std::to_string(body_.size()) +
          "\r\n\r\n" + body_;
      for (std::size_t sent = 0; sent < response.size();) {
        const ssize_t n = ::send(client, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<std::size_t>(n);
      }
      ::close(client);
    }
  }

  SilentServer listener_;  // accepts here
  int port_ = listener_.Port();
  std::string body_;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

class CliInputs : public ::testing::Test {
 protected:
  void SetUp() override { LoadMediaLibraries(); }

  // A small MPEG-TS clip (H.264 + AAC) of `seconds` at `path`.
  static void TsClip(const std::string& path, double seconds) {
    ClipSpec spec = Mp4H264Aac(seconds);
    spec.format = "mpegts";
    spec.video->width = 160;
    spec.video->height = 120;
    MakeClip(path, spec);
  }

  // What every refused source leaves: exit 1, the reason, no output.
  void ExpectRefused(const std::vector<std::string>& args, const std::string& reason,
                     const std::string& output) {
    const CliResult result = RunCli(kCli, args, 60000);
    EXPECT_EQ(result.exit_code, 1) << result.out << result.err;
    EXPECT_NE((result.out + result.err).find(reason), std::string::npos) << result.out << result.err;
    EXPECT_FALSE(fs::exists(output)) << output;
  }

  TempDir dir_;
};

TEST_F(CliInputs, PlaylistsAndScriptsDisguisedAsMediaFilesAreNotOpened) {
  TsClip(dir_.File("seg.ts"), 1.0);
  const std::string playlist =
      "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:1,\n" + dir_.File("seg.ts") + "\n#EXT-X-ENDLIST\n";
  const std::string script = "ffconcat version 1.0\nfile seg.ts\n";
  for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
           {"hls.mp4", playlist}, {"hls.ts", playlist}, {"concat.mp4", script}, {"concat.avi", script}}) {
    WriteFile(dir_.File(name), text);
    const std::string output = dir_.File(fs::path(name).stem().string() + "_(new).mp4");
    ExpectRefused({"-q", dir_.File(name)}, kNameHint, output);
  }
}

TEST_F(CliInputs, AnHonestPlaylistReachesOnlyFilesUnderItsFolder) {
  fs::create_directories(dir_.Path() / "list" / "sub");
  TsClip(dir_.File("list/seg.ts"), 1.0);
  TsClip(dir_.File("list/sub/inner.ts"), 1.0);
  TsClip(dir_.File("outside.ts"), 4.0);  // long: the output would show it
  fs::create_symlink(dir_.File("outside.ts"), dir_.File("list/link.ts"));
  WriteFile(dir_.File("list/honest.m3u8"),
            "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:1,\nseg.ts\n#EXTINF:1,\n" + dir_.File("outside.ts") +
                "\n#EXTINF:1,\nlink.ts\n#EXTINF:1,\nsub/inner.ts\n#EXT-X-ENDLIST\n");

  const CliResult result = RunCli(kCli, {"-q", dir_.File("list/honest.m3u8")}, 120000);
  ASSERT_EQ(result.exit_code, 0) << result.err;
  // seg.ts and sub/inner.ts, not the file outside nor the link pointing there.
  EXPECT_NE(result.err.find("\"file:" + dir_.File("outside.ts") + "\" refused"), std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("link.ts\" refused"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("inner.ts\" refused"), std::string::npos) << result.err;
  const ProbedFile probed = ProbeFile(dir_.File("list/honest_(new).mp4"));
  EXPECT_GT(probed.duration_us, 1500000);
  EXPECT_LT(probed.duration_us, 3500000);
}

TEST_F(CliInputs, AnHonestConcatScriptConvertsItsFiles) {
  fs::create_directories(dir_.Path() / "sub");
  TsClip(dir_.File("a.ts"), 1.0);
  TsClip(dir_.File("sub/b.ts"), 1.0);
  WriteFile(dir_.File("join.ffconcat"), "ffconcat version 1.0\nfile a.ts\nfile sub/b.ts\n");
  const CliResult result = RunCli(kCli, {"-q", dir_.File("join.ffconcat")}, 120000);
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_NEAR(ProbeFile(dir_.File("join_(new).mp4")).duration_us / 1e6, 2.0, 0.3);
}

TEST_F(CliInputs, AConcatScriptReachesOnlyFilesUnderItsFolder) {
  fs::create_directories(dir_.Path() / "list");
  TsClip(dir_.File("list/a.ts"), 1.0);
  TsClip(dir_.File("outside.ts"), 1.0);
  fs::create_symlink(dir_.File("outside.ts"), dir_.File("list/link.ts"));
  WriteFile(dir_.File("list/out.ffconcat"), "ffconcat version 1.0\nfile a.ts\nfile 'link.ts'\n");
  const std::string refused =
      "the script names \"link.ts\", which is not a file under the script's own folder";
  ExpectRefused({"-q", dir_.File("list/out.ffconcat")}, refused, dir_.File("list/out_(new).mp4"));
  ExpectRefused({"--info", dir_.File("list/out.ffconcat")}, refused, dir_.File("none"));
  // An entry that is itself a script would open its own entries unvetted.
  WriteFile(dir_.File("list/inner.ts"), "ffconcat version 1.0\nfile link.ts\n");
  WriteFile(dir_.File("list/nested.ffconcat"), "ffconcat version 1.0\nfile a.ts\nfile inner.ts\n");
  ExpectRefused({"-q", dir_.File("list/nested.ffconcat")},
                "the script names \"inner.ts\", which is itself a playlist or script",
                dir_.File("list/nested_(new).mp4"));
}

TEST_F(CliInputs, SourcesThatAreNotFilesAreRefusedBeforeAnyOpen) {
  const std::string fifo = dir_.File("fifo.mp4");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Nobody writes to the FIFO: an open would wait for ever (the run's limit is the test's).
  ExpectRefused({"-q", fifo}, "a FIFO, not a regular file", dir_.File("fifo_(new).mp4"));
  ExpectRefused({"-q", "-o", dir_.File("null.mp4"), "/dev/null"}, "a character device, not a regular file",
                dir_.File("null.mp4"));
  ExpectRefused({"--info", fifo}, "a FIFO, not a regular file", dir_.File("none"));
}

TEST_F(CliInputs, ProtocolsNamingLocalFilesAndTheNetworkAreRefused) {
  TsClip(dir_.File("a.ts"), 1.0);
  const ScopedWorkingFolder here(dir_.Path());
  // Names that only read as protocols are local files that do not exist.
  for (const std::string name : {"concat:a.ts|a.ts", "subfile,,0,1000,:a.ts", "cache:a.ts"})
    ExpectRefused({"-q", "-o", dir_.File("out.mp4"), name}, "No such file or directory",
                  dir_.File("out.mp4"));
  SilentServer server;
  ExpectRefused({"-q", "-o", dir_.File("out.mp4"), server.Url()}, "--allow-network", dir_.File("out.mp4"));
  EXPECT_FALSE(server.Connected(0));
}

TEST_F(CliInputs, NamesThatReadAsProtocolsAreLocalFiles) {
  TsClip(dir_.File("12:30 meeting.ts"), 1.0);
  TsClip(dir_.File("data:x.ts"), 1.0);
  const ScopedWorkingFolder here(dir_.Path());
  const CliResult result = RunCli(kCli, {"-q", "12:30 meeting.ts", "data:x.ts"}, 120000);
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.err.find("file:"), std::string::npos) << result.err;  // names shown as given
  for (const std::string name : {"12:30 meeting_(new).mp4", "data:x_(new).mp4"})
    EXPECT_NEAR(ProbeFile(dir_.File(name)).duration_us / 1e6, 1.0, 0.2) << name;
  const CliResult info = RunCli(kCli, {"--info", "12:30 meeting.ts"}, 60000);
  EXPECT_EQ(info.exit_code, 0) << info.err;
  EXPECT_NE(info.out.find("File Name: 12:30 meeting.ts"), std::string::npos) << info.out;
}

TEST_F(CliInputs, AWatermarkNamedLikeAPatternIsTheOneFile) {
  TsClip(dir_.File("clip.ts"), 1.0);
  MakeClip(dir_.File("logo.png"), PngStill());
  fs::rename(dir_.File("logo.png"), dir_.File("logo%d.png"));
  const CliResult result =
      RunCli(kCli, {"-q", "--watermark", dir_.File("logo%d.png"), dir_.File("clip.ts")}, 120000);
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_GT(CountVideoFrames(dir_.File("clip_(new).mp4")), 20);
}

TEST_F(CliInputs, ALongOutputNameIsShortenedAndNamesAreShownEscaped) {
  const std::string long_stem(246, 'a');             // "aaa….ts": 249 bytes, its output would have 256
  const std::string escaped_stem = "e\\x1b[31mred";  // as shown
  TsClip(dir_.File("long.ts"), 1.0);                 // the generator's temporary name would be too long
  fs::rename(dir_.File("long.ts"), dir_.File(long_stem + ".ts"));
  TsClip(dir_.File("e\x1b[31mred.ts"), 1.0);
  const CliResult result = RunCli(kCli, {dir_.File(long_stem + ".ts"), dir_.File("e\x1b[31mred.ts")}, 120000);
  ASSERT_EQ(result.exit_code, 0) << result.err;
  const std::string shortened = std::string(240, 'a') + "_(new).mp4";
  EXPECT_NEAR(ProbeFile(dir_.File(shortened)).duration_us / 1e6, 1.0, 0.2);
  EXPECT_FALSE(fs::exists(dir_.File(shortened + ".part")));
  // The escape sequence of the name is shown, not obeyed.
  EXPECT_EQ((result.out + result.err).find('\x1b'), std::string::npos) << result.out;
  EXPECT_NE(result.out.find(escaped_stem + "_(new).mp4"), std::string::npos) << result.out;
}

TEST_F(CliInputs, ALineFeedOrAnEscapeInANameStaysOnItsLine) {
  const std::string good = "line\nzqfeed \x1b[31mred.ts";
  const std::string bad = "bad\nzqfile\x1b[31m.mp4";  // cannot be read: a "not added" message
  TsClip(dir_.File("good.ts"), 1.0);
  fs::rename(dir_.File("good.ts"), dir_.File(good));
  WriteFile(dir_.File(bad), "not a media file");
  const ScopedWorkingFolder here(dir_.Path());
  // Without -q: progress and end lines, the message and the summary.
  const CliResult result = RunCli(kCli, {good, bad}, 120000);
  EXPECT_EQ(result.exit_code, 1) << result.err;
  EXPECT_NEAR(ProbeFile(dir_.File("line\nzqfeed \x1b[31mred_(new).mp4")).duration_us / 1e6, 1.0, 0.2);
  const CliResult info = RunCli(kCli, {"--info", good}, 60000);
  EXPECT_EQ(info.exit_code, 0) << info.err;

  const std::string shown = result.out + result.err + info.out + info.err;
  EXPECT_EQ(shown.find('\x1b'), std::string::npos) << shown;
  EXPECT_EQ(shown.find("\nzq"), std::string::npos) << shown;  // what follows the line feeds
  EXPECT_NE(result.out.find("line\\x0azqfeed \\x1b[31mred_(new).mp4"), std::string::npos) << result.out;
  EXPECT_NE(result.err.find("bad\\x0azqfile\\x1b[31m.mp4: not added"), std::string::npos) << result.err;
  EXPECT_NE(info.out.find("line\\x0azqfeed \\x1b[31mred.ts"), std::string::npos) << info.out;
}

TEST_F(CliInputs, ANetworkAddressIsConvertedWhenAllowed) {
  TsClip(dir_.File("clip.ts"), 1.0);
  std::ifstream in(dir_.File("clip.ts"), std::ios::binary);
  FileServer server(std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
  const std::string output = dir_.File("net.mp4");
  ExpectRefused({"-q", "-o", output, server.Url("clip.ts")}, "--allow-network", output);
  EXPECT_EQ(server.Requests(), 0);
  const CliResult result =
      RunCli(kCli, {"-q", "--allow-network", "-o", output, server.Url("clip.ts")}, 120000);
  ASSERT_EQ(result.exit_code, 0) << result.err;
  EXPECT_GE(server.Requests(), 2);  // the probe and the conversion
  EXPECT_NEAR(ProbeFile(output).duration_us / 1e6, 1.0, 0.2);
}

TEST_F(CliInputs, AStopRequestEndsAStalledNetworkProbe) {
  SilentServer server;
  CliProcess process(kCli, {"-q", "--allow-network", "-o", dir_.File("net.mp4"), server.Url()});
  ASSERT_TRUE(server.Connected(60000));
  process.Signal(SIGTERM);
  // Well before the read time-out (30 s): the stop ended the wait.
  const CliResult result = process.Wait(15000);
  EXPECT_EQ(result.exit_code, 1) << result.err;
  EXPECT_NE(result.err.find("not added"), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(dir_.File("net.mp4")));
}

TEST_F(CliInputs, AStalledNetworkInputEndsOnTheSecondSignal) {
  // Two different signals: the same one sent twice may arrive as one.
  for (const auto& [first, second] : {std::pair{SIGHUP, SIGTERM}, std::pair{SIGTERM, SIGINT}}) {
    SilentServer server;
    CliProcess process(kCli, {"-q", "--allow-network", "-o", dir_.File("net.mp4"), server.Url()});
    // The probe is connected and waits for an answer (its read time-out is 30 s).
    ASSERT_TRUE(server.Connected(60000));
    process.Signal(first);
    process.Signal(second);
    const CliResult result = process.Wait(5000);
    EXPECT_EQ(result.exit_code, cli::kAbortExitCode) << result.err;
    EXPECT_NE(result.err.find("aborted"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir_.File("net.mp4")));
  }
}

}  // namespace
}  // namespace zentrova::test
