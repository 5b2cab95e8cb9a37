#include "cli/info_command.h"

#include "app/options/library_names.h"
#include "decoder/ridarivir.h"

namespace zentrova::cli {
namespace {

// The decoder's lines end in "\r\n"; a terminal wants "\n".
std::string UnixLines(const std::string& text) {
  std::string lines;
  lines.reserve(text.size());
  for (char c : text)
    if (c != '\r') lines += c;
  return lines;
}

}  // namespace

int RunInfo(const std::vector<std::string>& files, TInputPolicy policy, std::ostream& out,
            std::ostream& err) {
  TRIDarivir decoder;
  decoder.SetInputPolicy(policy);
  int failed = 0;
  bool first = true;
  for (const std::string& file : files) {
    if (!decoder.LoadFile(app::InputUrl(file))) {
      err << "zentrova-cli: " << decoder.LastErrMsg() << '\n';
      ++failed;
      continue;
    }
    if (!first) out << '\n';
    first = false;
    out << UnixLines(decoder.FileInfoText()) << '\n';
    decoder.CloseFile();
  }
  out.flush();
  return failed == 0 ? 0 : 1;
}

}  // namespace zentrova::cli
