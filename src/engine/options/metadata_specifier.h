// The metadata specifiers of -metadata and -map_metadata ("g", "s:a:0",
// "c:1", "p:0").
#pragma once

#include <string>
#include <string_view>

namespace zentrova {

struct TMetadataSpecifier {
  char type = 'g';          ///< 'g' global, 's' stream, 'c' chapter, 'p' program
  std::string stream_spec;  ///< 's': the stream specifier ("" matches every stream)
  int index = 0;            ///< 'c', 'p': the chapter or program index
  std::string error;        ///< not empty: the text is invalid and this says why
};

/// Reads a specifier. An empty text is 'g'. Errors: "Invalid metadata
/// specifier %s." (a stream type letter not followed by ':'), "Invalid
/// metadata type %s." (an unknown type letter).
TMetadataSpecifier ParseMetadataSpecifier(std::string_view text);

}  // namespace zentrova
