#include "cli/info_command.h"

#include "cli/info_json.h"
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

int RunInfo(const std::vector<std::string>& files, TInfoForm form, std::ostream& out, std::ostream& err) {
  TRIDarivir decoder;
  int failed = 0;
  bool first = true;
  for (const std::string& file : files) {
    if (!decoder.LoadFile(file)) {
      ++failed;
      if (form == TInfoForm::ifJson)
        out << InfoLine(FileErrorJson(file, decoder.LastErrMsg())) << '\n';
      else
        err << "zentrova-cli: " << decoder.LastErrMsg() << '\n';
      continue;
    }
    if (form == TInfoForm::ifJson) {
      out << InfoLine(FileInfoJson(decoder, file)) << '\n';
    } else {
      if (!first) out << '\n';
      first = false;
      out << UnixLines(decoder.FileInfoText()) << '\n';
    }
    decoder.CloseFile();
  }
  out.flush();
  return failed == 0 ? 0 : 1;
}

}  // namespace zentrova::cli
