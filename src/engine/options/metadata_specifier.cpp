#include "engine/options/metadata_specifier.h"

#include <fmt/format.h>

#include "engine/options/c_integer.h"

namespace zentrova {

TMetadataSpecifier ParseMetadataSpecifier(std::string_view text) {
  TMetadataSpecifier result;
  if (text.empty()) return result;
  result.type = text[0];
  switch (text[0]) {
    case 'g':
      break;
    case 's':
      if (text.size() > 1 && text[1] != ':') {
        result.error = fmt::format("Invalid metadata specifier {}.", text.substr(1));
        break;
      }
      if (text.size() > 2) result.stream_spec = std::string(text.substr(2));
      break;
    case 'c':
    case 'p':
      if (text.size() > 1 && text[1] == ':') result.index = ReadCInt(text.substr(2));
      break;
    default:
      result.error = fmt::format("Invalid metadata type {}.", text[0]);
      break;
  }
  return result;
}

}  // namespace zentrova
