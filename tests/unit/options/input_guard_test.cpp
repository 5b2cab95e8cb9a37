#include "options/input_guard.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>

#include "support/libraries.h"
#include "support/temp_dir.h"

namespace zentrova {
namespace {

bool Lists(const std::string& list, const std::string& name) {
  return ("," + list + ",").find("," + name + ",") != std::string::npos;
}

TEST(InputGuardProtocol, ReadsTheProtocolAsTheLibraryDoes) {
  struct Case {
    std::string name, protocol;
  };
  const Case cases[] = {
      {"clip.mp4", ""},
      {"/a/12:30 meeting.mkv", ""},
      {"12:30 meeting.mkv", "12"},
      {"data:x.ts", "data"},
      {"file:12:30 x.mkv", "file"},
      {"http://h/x.m3u8", "http"},
      {"crypto+http://h/k", "crypto+http"},
      {"concat:a.ts|b.ts", "concat"},
      {"subfile,,0,100,:x.ts", "subfile"},
      {"C:", "C"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TInputGuard::ProtocolOf(c.name), c.protocol) << c.name;
}

TEST(InputGuardProtocol, NetworkProtocolsOnly) {
  EXPECT_TRUE(TInputGuard::IsNetworkProtocol("http"));
  EXPECT_TRUE(TInputGuard::IsNetworkProtocol("crypto+https"));
  EXPECT_TRUE(TInputGuard::IsNetworkProtocol("udp"));
  EXPECT_FALSE(TInputGuard::IsNetworkProtocol("crypto"));
  EXPECT_FALSE(TInputGuard::IsNetworkProtocol("crypto+file"));
  EXPECT_FALSE(TInputGuard::IsNetworkProtocol("file"));
  EXPECT_FALSE(TInputGuard::IsNetworkProtocol("cache"));
  EXPECT_FALSE(TInputGuard::IsNetworkProtocol(""));
}

class InputGuard : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadMediaLibraries(); }
  test::TempDir dir_;
};

TEST_F(InputGuard, FormatsThatReadOneFileUnlessTheNameAnnouncesAPlaylist) {
  struct Case {
    std::string name;
    std::string allowed;  // the playlist demuxer the name admits, or empty
  };
  const Case cases[] = {
      {"clip.mp4", ""},        {"list.M3U8", "hls"},
      {"list.m3u", "hls"},     {"s.ffconcat", "concat"},
      {"session.sdp", "sdp"},  {"http://h/live.m3u8?x=1", "hls"},
      {"file:a.m3u8.mp4", ""}, {"file:dir/a.ffconcat", "concat"},
  };
  for (const Case& c : cases) {
    const std::string list = TInputGuard::FormatWhitelist(c.name);
    EXPECT_TRUE(Lists(list, "mpegts")) << c.name;
    EXPECT_TRUE(Lists(list, "matroska,webm")) << c.name;
    EXPECT_TRUE(Lists(list, "png_pipe")) << c.name;
    for (const char* playlist : {"hls", "concat", "sdp"})
      EXPECT_EQ(Lists(list, playlist), c.allowed == playlist) << c.name << " " << playlist;
    // Image sequences, devices and sessions open names of their own.
    for (const char* other : {"image2", "rtsp", "vobsub", "lavfi"})
      EXPECT_FALSE(Lists(list, other)) << c.name;
  }
}

TEST_F(InputGuard, FullPolicyRefusesNothing) {
  EXPECT_EQ(TInputGuard(TInputPolicy::Full, "concat:a|b").Refusal(), "");
  EXPECT_EQ(TInputGuard(TInputPolicy::Full, "/dev/zero").Refusal(), "");
}

TEST_F(InputGuard, RefusesWhatIsNotALocalRegularFileBeforeOpening) {
  const std::string fifo = dir_.File("fifo.mp4");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string socket_path = dir_.File("s.mp4");
  const int socket_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socket_path.copy(address.sun_path, sizeof(address.sun_path) - 1);
  ASSERT_EQ(::bind(socket_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  const std::string file = dir_.File("a.mp4");
  test::WriteFile(file, "x");

  struct Case {
    TInputPolicy policy;
    std::string name;
    std::string refusal;  // empty: may be opened
  };
  const Case cases[] = {
      {TInputPolicy::LocalFiles, fifo, fifo + ": a FIFO, not a regular file; only files can be converted"},
      {TInputPolicy::LocalFiles, "file:" + fifo,
       fifo + ": a FIFO, not a regular file; only files can be converted"},
      {TInputPolicy::LocalFiles, "/dev/null",
       "/dev/null: a character device, not a regular file; only files can be converted"},
      {TInputPolicy::LocalFiles, socket_path,
       socket_path + ": a socket, not a regular file; only files can be converted"},
      {TInputPolicy::LocalFiles, dir_.Path().string(),
       dir_.Path().string() + ": a folder, not a regular file; only files can be converted"},
      {TInputPolicy::LocalFiles, "concat:a.ts|b.ts",
       "concat:a.ts|b.ts: the \"concat\" protocol is not allowed for an input"},
      {TInputPolicy::LocalFiles, "cache:" + file,
       "cache:" + file + ": the \"cache\" protocol is not allowed for an input"},
      {TInputPolicy::LocalFilesAndNetwork, "subfile,,0,1,:" + file,
       "subfile,,0,1,:" + file + ": the \"subfile\" protocol is not allowed for an input"},
      {TInputPolicy::LocalFiles, "http://127.0.0.1/x.mp4",
       "http://127.0.0.1/x.mp4: network addresses are not opened (network inputs are off)"},
      {TInputPolicy::LocalFilesAndNetwork, "http://127.0.0.1/x.mp4", ""},
      {TInputPolicy::LocalFiles, file, ""},
      {TInputPolicy::LocalFiles, "file:" + file, ""},
      {TInputPolicy::LocalFiles, dir_.File("missing.mp4"), ""},  // the library says it is missing
  };
  for (const Case& c : cases) EXPECT_EQ(TInputGuard(c.policy, c.name).Refusal(), c.refusal) << c.name;
  ::close(socket_fd);
}

}  // namespace
}  // namespace zentrova
