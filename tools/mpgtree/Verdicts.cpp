// The reading of a dump with its verdict, and the messages and statuses of the verdict, shared by
// the commands that read one.
#include "Verdicts.h"

#include "Commands.h"
#include "Io.h"

namespace mpgtree {

namespace {

std::string Count(std::uint64_t iCount, const char* iWhat) {
  return std::to_string(iCount) + " " + iWhat + (iCount == 1 ? "" : "s");
}

/// ", the first at line 12", or nothing for a fault of the input as a whole.
std::string First(const zyn::reader::Finding& iFault) {
  return iFault.line ? ", the first at line " + std::to_string(iFault.line) : std::string();
}

}  // namespace

JudgedReading ReadJudged(zyn::reader::ByteSource& iSource, const zyn::reader::ReadOptions& iOptions,
                         zyn::reader::DumpVisitor& ioVisitor) {
  zyn::reader::WholenessChecker checker([](const zyn::reader::Finding&) {}, &ioVisitor,
                                        iOptions.lenient);
  JudgedReading reading;
  reading.outcome = zyn::reader::ReadDump(iSource, iOptions, checker);
  reading.verdict = checker.Finish(reading.outcome);
  return reading;
}

int StatusOfVerdict(const std::string& iName, const zyn::reader::Verdict& iVerdict, bool iLenient) {
  using Kind = zyn::reader::Verdict::Kind;
  switch (iVerdict.kind) {
    case Kind::Whole:
      return kExitOk;
    case Kind::CannotTell:
      Complain(iName + ": cannot tell whether the dump is whole: " + iVerdict.cannotTell);
      return kExitTrouble;
    case Kind::NotWhole:
      break;
  }
  const std::string faults = Count(iVerdict.faults, "fault");
  if (!iLenient) {
    Complain(iName + ": not whole (" + faults + First(iVerdict.firstFault) +
             "); --lenient reads it anyway");
    return kExitTrouble;
  }
  std::string raw = iVerdict.rawLines
                        ? Count(iVerdict.rawLines, "line") + " kept raw, the first at line " +
                              std::to_string(iVerdict.firstRawLine)
                        : std::string("no line kept raw");
  const zyn::reader::Finding& first = iVerdict.firstFault;
  Complain(iName + ": not whole: " + faults + ", " + raw + "; the first fault" +
           (first.line ? ", at line " + std::to_string(first.line) : std::string()) + ": " +
           first.message);
  return kExitNo;
}

}  // namespace mpgtree
