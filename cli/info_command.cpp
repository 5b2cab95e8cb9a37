#include "cli/info_command.h"

#include "cli/info_json.h"
#include "cli/terminal_text.h"
#include "convert/library_names.h"
#include "decoder/ridarivir.h"

namespace zentrova::cli {

int RunInfo(const std::vector<std::string>& files, TInputPolicy policy, TInfoForm form, std::ostream& out,
            std::ostream& err) {
  TRIDarivir decoder;
  decoder.SetInputPolicy(policy);
  int failed = 0;
  bool first = true;
  for (const std::string& file : files) {
    if (!decoder.LoadFile(app::InputUrl(file))) {
      ++failed;
      if (form == TInfoForm::ifJson)
        out << InfoLine(FileErrorJson(file, decoder.LastErrMsg())) << '\n';
      else
        err << "zentrova-cli: " << TerminalText(decoder.LastErrMsg()) << '\n';
      continue;
    }
    if (form == TInfoForm::ifJson) {
      out << InfoLine(FileInfoJson(decoder, file)) << '\n';
    } else {
      if (!first) out << '\n';
      first = false;
      // Tags and names may hold control characters; the lines end in "\r\n".
      out << TerminalText(decoder.FileInfoText()) << '\n';
    }
    decoder.CloseFile();
  }
  out.flush();
  return failed == 0 ? 0 : 1;
}

}  // namespace zentrova::cli
