// The dump channel's standard-output writes against plain insertion of the same pieces into
// std::ostream, in each state a host may leave the stream in (its buffer's failures included):
// same bytes, same state and width left, same number of syncs, the same exception.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <iomanip>
#include <limits>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame/DumpChannel.h"

namespace {

using zyn_mpg::OutputLine;

/// A stream buffer that keeps what it is given and counts its syncs, and fails as a state
/// asks: it takes at most `room` bytes, its syncs fail, or it throws from its writes and syncs.
/// Unbuffered unless given a put area, whose bytes join the text before anything else does.
class CountingBuffer : public std::streambuf {
 public:
  std::string text;
  int syncs = 0;
  std::size_t room = std::numeric_limits<std::size_t>::max();
  bool syncFails = false;
  bool throws = false;

  /// A put area of iSize bytes from now on.
  void GiveArea(std::size_t iSize) {
    area_.resize(iSize);
    Drain();
  }
  /// Moves what the put area holds to the text.
  void Drain() {
    if (pbase()) text.append(pbase(), pptr());
    setp(area_.data(), area_.data() + area_.size());
  }

 protected:
  int sync() override {
    Drain();
    ++syncs;
    if (throws) throw std::runtime_error("sync");
    return syncFails ? -1 : 0;
  }
  std::streamsize xsputn(const char* iText, std::streamsize iCount) override {
    if (throws) throw std::runtime_error("write");
    Drain();
    const std::size_t taken = std::min(room, static_cast<std::size_t>(iCount));
    room -= taken;
    text.append(iText, taken);
    return static_cast<std::streamsize>(taken);
  }
  int_type overflow(int_type iChar) override {
    if (traits_type::eq_int_type(iChar, traits_type::eof())) return traits_type::not_eof(iChar);
    const char c = traits_type::to_char_type(iChar);
    return xsputn(&c, 1) == 1 ? iChar : traits_type::eof();
  }

 private:
  std::vector<char> area_;
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

/// One state of the stream, set on a fresh stream and its buffer; iTied is a stream to tie it
/// to.
struct StreamState {
  const char* name;
  std::function<void(std::ostream&, std::ostream& iTied, CountingBuffer&)> set;
};

constexpr auto kBad = std::ios_base::badbit;
constexpr auto kFail = std::ios_base::failbit;

const std::vector<StreamState>& States() {
  static const std::vector<StreamState> states = {
      {"default", [](std::ostream&, std::ostream&, CountingBuffer&) {}},
      {"width and fill", [](std::ostream& s, std::ostream&,
                            CountingBuffer&) { s << std::setw(25) << std::setfill('*'); }},
      {"left width",
       [](std::ostream& s, std::ostream&, CountingBuffer&) { s << std::left << std::setw(9); }},
      {"showpos", [](std::ostream& s, std::ostream&, CountingBuffer&) { s << std::showpos; }},
      {"hex",
       [](std::ostream& s, std::ostream&, CountingBuffer&) { s << std::hex << std::showbase; }},
      {"unitbuf", [](std::ostream& s, std::ostream&, CountingBuffer&) { s << std::unitbuf; }},
      {"tied", [](std::ostream& s, std::ostream& tied, CountingBuffer&) { s.tie(&tied); }},
      {"grouping locale",
       [](std::ostream& s, std::ostream&, CountingBuffer&) {
         s.imbue(std::locale(std::locale::classic(), new GroupingPunctuation));
       }},
      {"num_put facet",
       [](std::ostream& s, std::ostream&, CountingBuffer&) {
         s.imbue(std::locale(std::locale::classic(), new BracketedNumbers));
       }},
      {"failed", [](std::ostream& s, std::ostream&, CountingBuffer&) { s.setstate(kFail); }},
      {"no buffer", [](std::ostream& s, std::ostream&, CountingBuffer&) { s.rdbuf(nullptr); }},
      {"buffer full after 5 bytes",
       [](std::ostream&, std::ostream&, CountingBuffer& b) { b.room = 5; }},
      {"buffer full after 16 bytes, exceptions on failbit",
       [](std::ostream& s, std::ostream&, CountingBuffer& b) {
         b.room = 16;
         s.exceptions(kFail);
       }},
      {"buffer full, exceptions on badbit",
       [](std::ostream& s, std::ostream&, CountingBuffer& b) {
         b.room = 0;
         s.exceptions(kBad);
       }},
      {"put area of 40 bytes",
       [](std::ostream&, std::ostream&, CountingBuffer& b) { b.GiveArea(40); }},
      {"put area, syncs fail",
       [](std::ostream&, std::ostream&, CountingBuffer& b) {
         b.GiveArea(400);
         b.syncFails = true;
       }},
      {"syncs fail", [](std::ostream&, std::ostream&, CountingBuffer& b) { b.syncFails = true; }},
      {"buffer throws", [](std::ostream&, std::ostream&, CountingBuffer& b) { b.throws = true; }},
      {"buffer throws, exceptions on badbit",
       [](std::ostream& s, std::ostream&, CountingBuffer& b) {
         b.throws = true;
         s.exceptions(kBad);
       }},
      {"buffer throws, exceptions on failbit",
       [](std::ostream& s, std::ostream&, CountingBuffer& b) {
         b.throws = true;
         s.exceptions(kFail);
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
      {"text ending a line after others",
       [](OutputLine& o) {
         o << "x" << 5;
         zyn_mpg::OutputText(o, "</Orv component>\n");
       },
       [](std::ostream& s) { s << "x" << 5 << "</Orv component>" << std::endl; }},
      {"text ending a line after a roomful",
       [](OutputLine& o) {
         o << kRoomful.c_str();
         zyn_mpg::OutputText(o, "z\n");
       },
       [](std::ostream& s) { s << kRoomful.c_str() << "z" << std::endl; }},
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
  std::ios_base::iostate state;
  std::streamsize width;
  int syncs;
  int tiedSyncs;
  std::string thrown;  // what the script threw, if anything
};

template <class Write>
Outcome RunIn(const StreamState& iState, Write&& iWrite) {
  CountingBuffer buffer, tiedBuffer;
  std::ostream stream(&buffer), tied(&tiedBuffer);
  iState.set(stream, tied, buffer);
  std::string thrown;
  try {
    iWrite(stream);
  } catch (const std::ios_base::failure&) {
    thrown = "the stream's failure";
  } catch (const std::exception& e) {
    thrown = e.what();
  }
  stream.exceptions(std::ios_base::goodbit);
  buffer.Drain();
  return {buffer.text, stream.rdstate(), stream.width(), buffer.syncs, tiedBuffer.syncs, thrown};
}

TEST(OutputLineTest, WritesWhatInsertionWritesInEveryStreamState) {
  for (const StreamState& state : States()) {
    for (const Pieces& script : Scripts()) {
      SCOPED_TRACE(std::string(state.name) + ", " + script.name);
      const Outcome expected = RunIn(state, script.insertion);
      const Outcome actual = RunIn(state, [&](std::ostream& s) {
        // As an emission does: what is pending is written at its end.
        OutputLine out(s);
        script.channel(out);
        out.WritePending();
      });
      EXPECT_EQ(actual.bytes, expected.bytes);
      EXPECT_EQ(actual.state, expected.state) << "state left on the stream";
      EXPECT_EQ(actual.thrown, expected.thrown) << "exception";
      EXPECT_EQ(actual.width, expected.width) << "width left on the stream";
      EXPECT_EQ(actual.syncs, expected.syncs) << "syncs of the stream";
      EXPECT_EQ(actual.tiedSyncs, expected.tiedSyncs) << "syncs of the tied stream";
    }
  }
}

}  // namespace
