// Text of JSON built in memory: a byte buffer that appends without a call per piece, the
// writing of any bytes as a JSON string, and the sink that takes the text. The tree's JSON, the
// diff reports and the page of mpgtree html all write through these.
#pragma once

#include <string_view>

#include "zyn/reader/ByteBuffer.h"

namespace zyn::reader {

/// Bytes of JSON text, appended to without a call per piece.
using JsonText = ByteBuffer;

/// Appends iText as a JSON string, quotes included. Bytes that are not UTF-8 become U+FFFD;
/// control characters are escaped.
void AppendJsonString(std::string_view iText, JsonText* oJson);

/// Where JSON text goes. Answers false when it cannot write; the writer then stops the reading.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual bool Write(std::string_view iText) = 0;
};

}  // namespace zyn::reader
