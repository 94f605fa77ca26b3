// What a command of mpgtree says about the one verdict on a dump it read, and the exit status
// that verdict gives: the same for json, find, diff and html (check writes its own lines).
#pragma once

#include <string>

#include "zyn/reader/DumpReader.h"
#include "zyn/reader/Wholeness.h"

namespace mpgtree {

/// A reading of one dump and the verdict on it.
struct JudgedReading {
  zyn::reader::ReadOutcome outcome;
  zyn::reader::Verdict verdict;
};

/// Reads the dump of iSource into ioVisitor and judges it on the way (WholenessChecker, lenient
/// as iOptions), leaving the findings to the verdict: only check writes them one by one.
JudgedReading ReadJudged(zyn::reader::ByteSource& iSource, const zyn::reader::ReadOptions& iOptions,
                         zyn::reader::DumpVisitor& ioVisitor);

/// Says on standard error what iVerdict on the dump iName means for a command that read it
/// (nothing when the dump is whole), and answers the status it gives (Commands.h):
///  - 0: whole;
///  - 1: not whole, read with --lenient: the faults and the lines kept raw are counted;
///  - 2: not whole without --lenient (the refusal says that --lenient reads it anyway), or
///    the verdict cannot be told (an unreadable input, a dump split between its two sinks, a
///    wrong --form), which --lenient does not change.
int StatusOfVerdict(const std::string& iName, const zyn::reader::Verdict& iVerdict, bool iLenient);

/// The worse of two statuses of verdicts (0 < 1 < 2).
inline int WorseStatus(int iA, int iB) { return iA > iB ? iA : iB; }

}  // namespace mpgtree
