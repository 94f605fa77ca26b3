// The dump channel's standard-output writes against plain insertion of the same pieces into
// std::ostream, in each state a host may leave the stream in: same bytes, same width left, same
// number of syncs.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <iomanip>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include "frame/DumpChannel.h"

namespace {

using zyn_mpg::OutputLine;

/// A stream buffer that counts its syncs.
class CountingBuffer : public std::stringbuf {
 public:
  int syncs = 0;

 protected:
  int sync() override {
    ++syncs;
    return 0;
  }
};

/// Digits in groups of three, apart with commas: a locale of the test's own.
struct GroupingPunctuation : std::numpunct<char> {
  char do_thousands_sep() const override { return ','; }
  std::string do_grouping() const override { return "\3"; }
};

/// Counts written between brackets.
struct BracketedNumbers : std::num_put<char> {
  iter_type do_put(iter_type out, std::ios_base& str, char fill, long value) const override {
    *out++ = '[';
    out = std::num_put<char>::do_put(out, str, fill, value);
    *out++ = ']';
    return out;
  }
  iter_type do_put(iter_type out, std::ios_base& str, char fill,
                   unsigned long value) const override {
    *out++ = '{';
    out = std::num_put<char>::do_put(out, str, fill, value);
    *out++ = '}';
    return out;
  }
};

/// One state of the stream, set on a fresh stream; iTied is a stream to tie it to.
struct StreamState {
  const char* name;
  std::function<void(std::ostream&, std::ostream& iTied)> set;
};

const std::vector<StreamState>& States() {
  static const std::vector<StreamState> states = {
      {"default", [](std::ostream&, std::ostream&) {}},
      {"width and fill",
       [](std::ostream& s, std::ostream&) { s << std::setw(25) << std::setfill('*'); }},
      {"left width", [](std::ostream& s, std::ostream&) { s << std::left << std::setw(9); }},
      {"showpos", [](std::ostream& s, std::ostream&) { s << std::showpos; }},
      {"hex", [](std::ostream& s, std::ostream&) { s << std::hex << std::showbase; }},
      {"unitbuf", [](std::ostream& s, std::ostream&) { s << std::unitbuf; }},
      {"tied", [](std::ostream& s, std::ostream& tied) { s.tie(&tied); }},
      {"grouping locale",
       [](std::ostream& s, std::ostream&) {
         s.imbue(std::locale(std::locale::classic(), new GroupingPunctuation));
       }},
      {"num_put facet",
       [](std::ostream& s, std::ostream&) {
         s.imbue(std::locale(std::locale::classic(), new BracketedNumbers));
       }},
  };
  return states;
}

/// The same pieces twice: as the dump writes them through its channel, and as plain insertion.
struct Pieces {
  const char* name;
  std::function<void(OutputLine&)> channel;
  std::function<void(std::ostream&)> insertion;
};

const std::string kLong(300, 'x');  // longer than the line's gathering room
const std::string kRoomful(256, 'y');

const std::vector<Pieces>& Scripts() {
  static const std::vector<Pieces> scripts = {
      {"text and line end", [](OutputLine& o) { o << "<Orv component>" << std::endl; },
       [](std::ostream& s) { s << "<Orv component>" << std::endl; }},
      {"text ending a line", [](OutputLine& o) { zyn_mpg::OutputText(o, "</Orv component>\n"); },
       [](std::ostream& s) { s << "</Orv component>" << std::endl; }},
      {"line end alone", [](OutputLine& o) { zyn_mpg::OutputText(o, "\n"); },
       [](std::ostream& s) { s << std::endl; }},
      {"UINT_MAX", [](OutputLine& o) { o << "    Hash key: " << UINT_MAX << std::endl; },
       [](std::ostream& s) { s << "    Hash key: " << UINT_MAX << std::endl; }},
      {"INT_MIN first", [](OutputLine& o) { o << INT_MIN << "," << 0 << std::endl; },
       [](std::ostream& s) { s << INT_MIN << "," << 0 << std::endl; }},
      {"ordinal",
       [](OutputLine& o) {
         zyn_mpg::OutputOrdinal(o, {"<RMTElement>  %d --- uuid: ", "-"}, 1234);
       },
       [](std::ostream& s) { s << "<RMTElement>  " << 1234 << " --- uuid: "; }},
      {"no ordinal",
       [](OutputLine& o) {
         zyn_mpg::OutputOrdinal(o, {"%d", "<RMTElement>  --- uuid: "}, 0);
       },
       [](std::ostream& s) { s << "<RMTElement>  --- uuid: "; }},
      {"long texts",
       [](OutputLine& o) {
         o << "a" << kLong.c_str() << kRoomful.c_str() << 7u << "b" << std::endl << kLong.c_str();
       },
       [](std::ostream& s) {
         s << "a" << kLong.c_str() << kRoomful.c_str() << 7u << "b" << std::endl << kLong.c_str();
       }},
      {"lines without end", [](OutputLine& o) { o << "x" << -5 << 12345678u; },
       [](std::ostream& s) { s << "x" << -5 << 12345678u; }},
  };
  return scripts;
}

/// What a stream shows after a script.
struct Outcome {
  std::string bytes;
  std::streamsize width;
  int syncs;
  int tiedSyncs;
};

template <class Write>
Outcome RunIn(const StreamState& iState, Write&& iWrite) {
  CountingBuffer buffer, tiedBuffer;
  std::ostream stream(&buffer), tied(&tiedBuffer);
  iState.set(stream, tied);
  iWrite(stream);
  return {buffer.str(), stream.width(), buffer.syncs, tiedBuffer.syncs};
}

TEST(OutputLineTest, WritesWhatInsertionWritesInEveryStreamState) {
  for (const StreamState& state : States()) {
    for (const Pieces& script : Scripts()) {
      SCOPED_TRACE(std::string(state.name) + ", " + script.name);
      const Outcome expected = RunIn(state, script.insertion);
      const Outcome actual = RunIn(state, [&](std::ostream& s) {
        OutputLine out(s);
        script.channel(out);
      });
      EXPECT_EQ(actual.bytes, expected.bytes);
      EXPECT_EQ(actual.width, expected.width) << "width left on the stream";
      EXPECT_EQ(actual.syncs, expected.syncs) << "syncs of the stream";
      EXPECT_EQ(actual.tiedSyncs, expected.tiedSyncs) << "syncs of the tied stream";
    }
  }
}

}  // namespace
