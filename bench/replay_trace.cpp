// The floor of a dump's Trace form: the same trace-tool calls, replayed from a trace log into the
// same kind of file output that mpgdump installs for --trace-out.
//
// Usage: replay_trace --out FILE [--bytes-out FILE] [--repeat K] [LOG]   (the log from standard
// input when LOG is absent; with --repeat, K replays, each into FILE afresh, the fastest
// reported; with --bytes-out, the byte floor too: the texts alone fwritten into that file)
// Loads every trace-tool record of the log into memory first ({"sink":"tool",...}; the records
// of named traces are skipped: the floor is the trace tool's), then times the replay alone:
// TraPut(level, text) as logged, and TraPrint(level, format, values...) with the logged format
// and the values recovered from the formatted text. A TraPrint whose values cannot be recovered
// with certainty (a conversion other than %d, %u, %s and %%, two conversions with no text
// between, or a text that the recovered values do not re-create exactly) is replayed as
// TraPrint(level, "%s", text). On standard error: "byte floor seconds: S" (with --bytes-out),
// "replay seconds: S", then the counts.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "TraceSinks.h"
#include "byte_floor.h"
#include "zyn/ZynMappingInfra.h"

namespace {

/// The most values one replayed TraPrint passes; formats with more fall back to "%s".
constexpr int kMaxValues = 4;

/// All texts of the log (texts, formats, %s values), NUL-terminated, in blocks that never move,
/// so that calls hold plain pointers and no block is ever copied while the log is read.
class Arena {
 public:
  const char* Add(std::string_view iText) {
    if (blocks_.empty() || used_ + iText.size() + 1 > blockSize_) {
      const std::size_t size = std::max(kBlockSize, iText.size() + 1);
      blocks_.push_back(std::make_unique<char[]>(size));
      blockSize_ = size;
      used_ = 0;
    }
    char* text = blocks_.back().get() + used_;
    std::memcpy(text, iText.data(), iText.size());
    text[iText.size()] = '\0';
    used_ += iText.size() + 1;
    return text;
  }

 private:
  static constexpr std::size_t kBlockSize = 1 << 24;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t blockSize_ = 0;
  std::size_t used_ = 0;
};

struct Value {
  bool isNumber;
  int number;
  const char* text;  // for %s
};

enum class CallKind : std::uint8_t { Put, PrintValues, PrintText };

struct Call {
  CallKind kind;
  std::uint8_t valueCount;
  int level;
  // TraPut's text, the formatted text of a TraPrint replayed as "%s", or the format of a
  // TraPrint replayed with values.
  const char* text;
  std::size_t firstValue;
};

/// One flat JSON object of the log: string, integer and boolean members.
struct Record {
  std::string sink, op, format, text;
  long level = 0;
  bool hasFormat = false;
};

/// Appends the UTF-8 form of iCodePoint.
void AppendUtf8(std::uint32_t iCodePoint, std::string* ioText) {
  if (iCodePoint < 0x80) {
    ioText->push_back(static_cast<char>(iCodePoint));
  } else if (iCodePoint < 0x800) {
    ioText->push_back(static_cast<char>(0xC0 | (iCodePoint >> 6)));
    ioText->push_back(static_cast<char>(0x80 | (iCodePoint & 0x3F)));
  } else if (iCodePoint < 0x10000) {
    ioText->push_back(static_cast<char>(0xE0 | (iCodePoint >> 12)));
    ioText->push_back(static_cast<char>(0x80 | ((iCodePoint >> 6) & 0x3F)));
    ioText->push_back(static_cast<char>(0x80 | (iCodePoint & 0x3F)));
  } else {
    ioText->push_back(static_cast<char>(0xF0 | (iCodePoint >> 18)));
    ioText->push_back(static_cast<char>(0x80 | ((iCodePoint >> 12) & 0x3F)));
    ioText->push_back(static_cast<char>(0x80 | ((iCodePoint >> 6) & 0x3F)));
    ioText->push_back(static_cast<char>(0x80 | (iCodePoint & 0x3F)));
  }
}

/// Reads the flat JSON objects of a trace log. A general JSON library would do, but takes
/// minutes over the tens of millions of records of the largest tables.
class LogParser {
 public:
  explicit LogParser(std::string_view iLine) : line_(iLine) {}

  bool Parse(Record* oRecord) {
    if (!Eat('{')) return false;
    if (Eat('}')) return AtEnd();
    do {
      std::string key;
      if (!ParseString(&key) || !Eat(':')) return false;
      if (Peek() == '"') {
        std::string value;
        if (!ParseString(&value)) return false;
        if (key == "sink") {
          oRecord->sink = std::move(value);
        } else if (key == "op") {
          oRecord->op = std::move(value);
        } else if (key == "format") {
          oRecord->format = std::move(value);
          oRecord->hasFormat = true;
        } else if (key == "text") {
          oRecord->text = std::move(value);
        }
      } else if (line_.compare(position_, 4, "true") == 0) {
        position_ += 4;
      } else if (line_.compare(position_, 5, "false") == 0) {
        position_ += 5;
      } else {
        long number = 0;
        if (!ParseInteger(&number)) return false;
        if (key == "level") oRecord->level = number;
      }
    } while (Eat(','));
    return Eat('}') && AtEnd();
  }

 private:
  char Peek() const { return position_ < line_.size() ? line_[position_] : '\0'; }
  bool Eat(char iChar) {
    if (Peek() != iChar) return false;
    ++position_;
    return true;
  }
  bool AtEnd() const { return position_ == line_.size(); }

  bool ParseInteger(long* oNumber) {
    const std::size_t start = position_;
    if (Peek() == '-') ++position_;
    while (Peek() >= '0' && Peek() <= '9') ++position_;
    if (position_ == start) return false;
    *oNumber =
        std::strtol(std::string(line_.substr(start, position_ - start)).c_str(), nullptr, 10);
    return true;
  }

  bool ParseHex4(std::uint32_t* oUnit) {
    if (position_ + 4 > line_.size()) return false;
    std::uint32_t unit = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = line_[position_++];
      unit <<= 4;
      if (c >= '0' && c <= '9') {
        unit |= static_cast<std::uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        unit |= static_cast<std::uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        unit |= static_cast<std::uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    *oUnit = unit;
    return true;
  }

  bool ParseString(std::string* oText) {
    if (!Eat('"')) return false;
    while (position_ < line_.size()) {
      const char c = line_[position_++];
      if (c == '"') return true;
      if (c != '\\') {
        oText->push_back(c);
        continue;
      }
      if (position_ >= line_.size()) return false;
      const char escaped = line_[position_++];
      // The escapes of one character each, and the characters they stand for.
      static constexpr std::string_view kEscapes = "\"\\/bfnrt";
      static constexpr std::string_view kEscaped = "\"\\/\b\f\n\r\t";
      if (const std::size_t at = kEscapes.find(escaped); at != std::string_view::npos) {
        oText->push_back(kEscaped[at]);
        continue;
      }
      if (escaped != 'u') return false;
      std::uint32_t unit = 0;
      if (!ParseHex4(&unit)) return false;
      if (unit >= 0xD800 && unit < 0xDC00 && line_.compare(position_, 2, "\\u") == 0) {
        position_ += 2;
        std::uint32_t low = 0;
        if (!ParseHex4(&low)) return false;
        unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      }
      AppendUtf8(unit, oText);
    }
    return false;
  }

  std::string_view line_;
  std::size_t position_ = 0;
};

/// One piece of a format: a literal text, or a conversion ('d', 'u' or 's').
struct FormatPiece {
  char conversion;  // 0 for a literal
  std::string literal;
};

/// The pieces of iFormat, or false when it holds a conversion other than %d, %u, %s and %%.
bool SplitFormat(const std::string& iFormat, std::vector<FormatPiece>* oPieces) {
  std::string literal;
  for (std::size_t i = 0; i < iFormat.size(); ++i) {
    if (iFormat[i] != '%') {
      literal.push_back(iFormat[i]);
      continue;
    }
    if (i + 1 >= iFormat.size()) return false;
    const char conversion = iFormat[++i];
    if (conversion == '%') {
      literal.push_back('%');
      continue;
    }
    if (conversion != 'd' && conversion != 'u' && conversion != 's') return false;
    if (!literal.empty()) oPieces->push_back({0, std::move(literal)});
    literal.clear();
    oPieces->push_back({conversion, {}});
  }
  if (!literal.empty()) oPieces->push_back({0, std::move(literal)});
  return true;
}

/// Calls TraPrint with the values as arguments, their types chosen at run time among int and
/// text. The format has been checked to hold exactly these conversions, in this order.
template <class... Arguments>
void PrintWithValues(int iLevel, const char* iFormat, const Value* iValues, int iCount,
                     Arguments... iArguments) {
  if constexpr (sizeof...(Arguments) < kMaxValues) {
    if (iCount > 0) {
      if (iValues->isNumber)
        return PrintWithValues(iLevel, iFormat, iValues + 1, iCount - 1, iArguments...,
                               iValues->number);
      return PrintWithValues(iLevel, iFormat, iValues + 1, iCount - 1, iArguments...,
                             iValues->text);
    }
  }
  ZynDCIMpgTraceTool::TraPrint(iLevel, iFormat, iArguments...);
}

/// The text that iFormat gives with the values, made the way the trace tool makes it.
template <class... Arguments>
std::string FormatWithValues(const char* iFormat, const std::vector<Value>& iValues,
                             std::size_t iNext, Arguments... iArguments) {
  if constexpr (sizeof...(Arguments) < kMaxValues) {
    if (iNext < iValues.size()) {
      const Value& value = iValues[iNext];
      if (value.isNumber)
        return FormatWithValues(iFormat, iValues, iNext + 1, iArguments..., value.number);
      return FormatWithValues(iFormat, iValues, iNext + 1, iArguments..., value.text);
    }
  }
  const int length = std::snprintf(nullptr, 0, iFormat, iArguments...);
  if (length < 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), iFormat, iArguments...);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

/// The replayable calls of a log, with what could be recovered of each TraPrint.
class Replay {
 public:
  bool Load(std::FILE* iLog, std::string* oError) {
    std::string line;
    std::vector<char> chunk(1 << 20);
    long lineNumber = 0;
    std::size_t got = 0;
    std::string pending;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), iLog)) > 0) {
      pending.append(chunk.data(), got);
      std::size_t start = 0;
      for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos;
           start = end + 1) {
        ++lineNumber;
        if (!AddLine(std::string_view(pending).substr(start, end - start), lineNumber, oError))
          return false;
      }
      pending.erase(0, start);
    }
    if (std::ferror(iLog)) {
      *oError = "cannot read the log";
      return false;
    }
    if (!pending.empty()) return AddLine(pending, lineNumber + 1, oError);
    return true;
  }

  /// The timed part: every call, in log order.
  void Run() const {
    for (const Call& call : calls_) {
      switch (call.kind) {
        case CallKind::Put:
          ZynDCIMpgTraceTool::TraPut(call.level, call.text);
          break;
        case CallKind::PrintValues:
          PrintWithValues(call.level, call.text, &values_[call.firstValue], call.valueCount);
          break;
        case CallKind::PrintText:
          ZynDCIMpgTraceTool::TraPrint(call.level, "%s", call.text);
          break;
      }
    }
  }

  std::size_t CountCalls() const { return calls_.size(); }
  long puts = 0, printsRecovered = 0, printsAsText = 0, skipped = 0;
  std::size_t bytes = 0;
  /// Every text of the log, for the floor that writes the bytes alone.
  bench::ByteFloor byteFloor;

 private:
  bool AddLine(std::string_view iLine, long iLineNumber, std::string* oError) {
    if (iLine.empty()) return true;
    Record record;
    if (!LogParser(iLine).Parse(&record)) {
      *oError = "line " + std::to_string(iLineNumber) + ": not a trace-log record";
      return false;
    }
    if (record.sink != "tool") {
      ++skipped;
      return true;
    }
    bytes += record.text.size();
    byteFloor.Add(arena_.Add(record.text), record.text.size());
    const int level = static_cast<int>(record.level);
    if (record.op == "TraPut") {
      calls_.push_back({CallKind::Put, 0, level, arena_.Add(record.text), 0});
      ++puts;
      return true;
    }
    if (record.op != "TraPrint" || !record.hasFormat) {
      *oError = "line " + std::to_string(iLineNumber) + ": unknown trace-tool operation";
      return false;
    }
    if (!AddPrintWithValues(level, record.format, record.text)) {
      calls_.push_back({CallKind::PrintText, 0, level, arena_.Add(record.text), 0});
      ++printsAsText;
    }
    return true;
  }

  /// Recovers the values of one TraPrint from its formatted text; false when it cannot be
  /// done with certainty.
  bool AddPrintWithValues(int iLevel, const std::string& iFormat, const std::string& iText) {
    std::vector<FormatPiece>* pieces = Pieces(iFormat);
    if (!pieces) return false;
    std::vector<Value> values;
    std::size_t at = 0;
    for (std::size_t i = 0; i < pieces->size(); ++i) {
      const FormatPiece& piece = (*pieces)[i];
      if (piece.conversion == 0) {
        if (iText.compare(at, piece.literal.size(), piece.literal) != 0) return false;
        at += piece.literal.size();
      } else if (piece.conversion == 's') {
        // A text runs to the next literal, or to the end; two conversions in a row are
        // ambiguous.
        std::size_t end = iText.size();
        if (i + 1 < pieces->size()) {
          if ((*pieces)[i + 1].conversion != 0) return false;
          end = iText.find((*pieces)[i + 1].literal, at);
          if (end == std::string::npos) return false;
        }
        values.push_back({false, 0, arena_.Add(std::string_view(iText).substr(at, end - at))});
        at = end;
      } else {
        const char* start = iText.c_str() + at;
        char* stop = nullptr;
        errno = 0;
        const long number = piece.conversion == 'd'
                                ? std::strtol(start, &stop, 10)
                                : static_cast<long>(std::strtoul(start, &stop, 10));
        if (stop == start || errno != 0) return false;
        values.push_back({true, static_cast<int>(number), nullptr});
        at += static_cast<std::size_t>(stop - start);
      }
    }
    if (at != iText.size() || values.size() > kMaxValues) return false;
    const char* format = Format(iFormat);
    if (FormatWithValues(format, values, 0) != iText) return false;
    calls_.push_back({CallKind::PrintValues, static_cast<std::uint8_t>(values.size()), iLevel,
                      format, values_.size()});
    values_.insert(values_.end(), values.begin(), values.end());
    ++printsRecovered;
    return true;
  }

  /// The pieces of a format, split once per distinct format; null for a format not replayed
  /// with values.
  std::vector<FormatPiece>* Pieces(const std::string& iFormat) {
    auto found = pieces_.find(iFormat);
    if (found == pieces_.end()) {
      auto pieces = std::make_unique<std::vector<FormatPiece>>();
      if (!SplitFormat(iFormat, pieces.get())) pieces.reset();
      found = pieces_.emplace(iFormat, std::move(pieces)).first;
    }
    return found->second.get();
  }

  /// The format's one copy in the arena.
  const char* Format(const std::string& iFormat) {
    auto found = formats_.find(iFormat);
    if (found == formats_.end()) found = formats_.emplace(iFormat, arena_.Add(iFormat)).first;
    return found->second;
  }

  Arena arena_;
  std::vector<Call> calls_;
  std::vector<Value> values_;
  std::unordered_map<std::string, std::unique_ptr<std::vector<FormatPiece>>> pieces_;
  std::unordered_map<std::string, const char*> formats_;
};

/// The fastest of iRepeat replays of iReplay into the file iOutPath, in seconds; -1 when the
/// file cannot be written. As in mpgdump, the last flush of the file, made once the dump is
/// over, is not timed.
double TimeRounds(Replay& iReplay, const std::string& iOutPath, int iRepeat) {
  double best = 0;
  for (int round = 0; round < iRepeat; ++round) {
    int openError = 0;
    std::unique_ptr<zyn::toolio::OutputBuffer> file =
        zyn::toolio::OutputBuffer::OpenFile(iOutPath, &openError);
    if (!file) {
      std::fprintf(stderr, "replay_trace: cannot write %s: %s\n", iOutPath.c_str(),
                   std::strerror(openError));
      return -1;
    }
    mpgdump::TraceToolSink sink(*file, nullptr);
    ZynDCIMpgTraceTool::SetOutput(&sink);
    const auto begin = std::chrono::steady_clock::now();
    iReplay.Run();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - begin;
    ZynDCIMpgTraceTool::SetOutput(nullptr);
    if (round == 0 || seconds.count() < best) best = seconds.count();
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outPath, logPath, bytesPath;
  int repeat = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--out" && i + 1 < argc) {
      outPath = argv[++i];
    } else if (argument == "--bytes-out" && i + 1 < argc) {
      bytesPath = argv[++i];
    } else if (argument == "--repeat" && i + 1 < argc) {
      repeat = std::atoi(argv[++i]);
    } else if (logPath.empty() && argument.rfind("--", 0) != 0) {
      logPath = argument;
    } else {
      outPath.clear();
      break;
    }
  }
  if (outPath.empty() || repeat < 1) {
    std::fprintf(stderr, "usage: replay_trace --out FILE [--bytes-out FILE] [--repeat K] [LOG]\n");
    return 2;
  }

  std::FILE* log = logPath.empty() ? stdin : std::fopen(logPath.c_str(), "rb");
  if (!log) {
    std::fprintf(stderr, "replay_trace: cannot open %s: %s\n", logPath.c_str(),
                 std::strerror(errno));
    return 2;
  }
  Replay replay;
  std::string error;
  if (!replay.Load(log, &error)) {
    std::fprintf(stderr, "replay_trace: %s\n", error.c_str());
    return 2;
  }
  if (log != stdin) std::fclose(log);

  const double best = TimeRounds(replay, outPath, repeat);
  if (best < 0) return 2;
  if (!bytesPath.empty()) {
    const double bytesSeconds = replay.byteFloor.Run(bytesPath, repeat);
    if (bytesSeconds < 0) {
      std::fprintf(stderr, "replay_trace: cannot write %s\n", bytesPath.c_str());
      return 2;
    }
    std::fprintf(stderr, "byte floor seconds: %.6f\n", bytesSeconds);
  }
  std::fprintf(stderr,
               "replay seconds: %.6f\ncalls: %zu\nTraPut: %ld\nTraPrint with recovered values: "
               "%ld\nTraPrint as %%s: %ld\nnamed-trace records skipped: %ld\nbytes: %zu\n",
               best, replay.CountCalls(), replay.puts, replay.printsRecovered, replay.printsAsText,
               replay.skipped, replay.bytes);
  return 0;
}
