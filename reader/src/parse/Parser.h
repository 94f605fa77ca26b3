// The reader's parser: a descent over the lines of a dump, one function per kind of block,
// sharing the line cursor, the form, the problems and the lenient recovery.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "parse/DumpTexts.h"
#include "parse/Expected.h"
#include "parse/LineSource.h"
#include "parse/Spares.h"
#include "parse/Text.h"
#include "zyn/reader/DumpReader.h"

namespace zyn::reader {

struct RowMarks;

/// The most lines joined to one text that holds line ends.
inline constexpr std::uint32_t kMaxJoinedLines = 256;

class Parser {
 public:
  Parser(LineSource& iLines, const ReadOptions& iOptions, DumpVisitor& iVisitor);
  ReadOutcome Run();

  // ---- Shared by the block parsers ----

  /// The current line, or null at the end of the input or once reading has stopped.
  const Line* Current() {
    if (stopped_) return nullptr;
    return lines_.Peek();
  }
  /// Moves past the current line, adding it to the texts being kept.
  void Take() {
    const Line* line = lines_.Peek();
    if (!line) return;
    if (!kept_.empty()) Keep(*line);
    if (const Form form = text::RevealedFormAmong(line->text, *formWatch_); form != Form::Unknown)
      Saw(form, *line);
    lastTaken_ = line->number;
    lines_.Advance();
  }
  /// Makes the rest of the current line, from byte iOffset, the current line.
  void KeepRest(std::size_t iOffset);
  std::uint64_t LastTakenLine() const { return lastTaken_; }
  bool Stopped() const { return stopped_; }

  /// The current line when iAccept accepts it. Otherwise reports that iExpected was expected
  /// there and, when reading leniently, keeps lines as raw nodes until one is accepted or one
  /// belongs to an enclosing block (left for it). Null when no line was accepted.
  /// iDescribe is an Expected, or a callable that answers one when a line does not fit.
  template <class Describe, class Accept>
  const Line* Expect(const Describe& iDescribe, Accept iAccept) {
    const Line* line = Current();
    if (line && iAccept(line->text)) return line;
    return ExpectAfterMismatch(Expected::Of(iDescribe), iAccept);
  }
  /// The current line when it starts with iLead; otherwise as Expect.
  template <class Describe>
  const Line* ExpectLead(std::string_view iLead, const Describe& iDescribe) {
    return Expect(iDescribe,
                  [iLead](std::string_view iText) { return text::StartsWith(iText, iLead); });
  }
  /// Expect once the current line did not fit, or there was none.
  template <class Accept>
  const Line* ExpectAfterMismatch(const Expected& iExpected, Accept iAccept) {
    for (const Line* line = Current(); line; line = Current()) {
      if (iAccept(line->text)) return line;
      NotExpected(*line, iExpected, iAccept);
      if (!options_.lenient || IsStructural(*line)) return nullptr;
      KeepRaw();
    }
    if (!stopped_) EndedInside(iExpected);
    return nullptr;
  }
  /// Where the reading stands: the current line's number and column (0 at the end).
  std::pair<std::uint64_t, std::uint32_t> Position() {
    const Line* line = Current();
    return line ? std::make_pair(line->number, line->column) : std::make_pair(std::uint64_t{0}, 0u);
  }
  /// After a block that could not use the line it started at: keeps that line as a raw node, so
  /// that the reading always moves on.
  void MoveOnFrom(std::pair<std::uint64_t, std::uint32_t> iStart) {
    if (iStart.first != 0 && Position() == iStart) KeepRaw();
  }
  /// Reports that the current line cannot be placed, at byte iOffset of it, and what was
  /// expected; in strict reading this ends the reading.
  void Unplaced(const Line& iLine, std::size_t iOffset, const Expected& iExpected);
  /// Reports that the current line iLine is not iExpected (what iAccept accepts): as lines out
  /// of order when iLine opens or closes a block and the next line is iExpected, else as a
  /// line that cannot be placed (a stray line of other text is not taken for a swap).
  template <class Accept>
  void NotExpected(const Line& iLine, const Expected& iExpected, Accept iAccept) {
    std::optional<std::string_view> next;
    if (IsStructural(iLine) && (next = LineAfterCurrent()) && iAccept(*next))
      OutOfOrder(iLine, iExpected);
    else
      Unplaced(iLine, 0, iExpected);
  }
  /// The text of the line after the current one, read ahead until its line end (whatever the
  /// sizes of the reads that bring it); null when the current line is the last one ended.
  std::optional<std::string_view> LineAfterCurrent();
  /// Reports that the current line holds what belongs after the next one, which holds
  /// iExpected: lines out of order. In strict reading this ends the reading.
  void OutOfOrder(const Line& iLine, const Expected& iExpected);
  /// Reports that the input ended where iExpected was expected.
  void EndedInside(const Expected& iExpected);
  /// Keeps the current line as a raw node and moves past it.
  void KeepRaw();
  void Note(std::uint64_t iLine, std::string iMessage);
  /// Reports a sign that the dump's lines were split between its two sinks.
  void SplitBetweenSinks(std::uint64_t iLine, std::uint32_t iColumn, std::string iMessage);
  /// A line was written in iForm only: decides the form, or reports a split between sinks.
  void Saw(Form iForm, const Line& iLine);
  Form CurrentForm() const { return form_; }

  /// Whether a line opens or closes a block of a row or of the manager, or opens a component:
  /// the lines at which lenient reading hands over to an enclosing block.
  static bool IsStructural(const Line& iLine) { return text::IsStructural(iLine.text); }

  /// Joins to iValue the lines after it that are not yet iIsNext and not structural: a text
  /// holding line ends. Counts them in oReading.
  template <class IsNext>
  void JoinContinuation(std::string* ioValue, Reading* oReading, IsNext iIsNext) {
    for (const Line* line = Current(); line && oReading->joinedLines < kMaxJoinedLines;
         line = Current()) {
      if (iIsNext(line->text) || IsStructural(*line)) return;
      ioValue->push_back('\n');
      ioValue->append(line->text);
      ++oReading->joinedLines;
      Note(line->number, "joined to the text on the line before (a text holding a line end)");
      Take();
    }
  }

  /// Takes the current line and answers its text, joining the next lines to it (with "\n") in
  /// ioBuffer while iComplete(text) says the text still lacks the fixed text that ends its line,
  /// or while iContinues(text, next) says that the next line holds that fixed text again: the
  /// free text then holds a line end, and its line's own ending is further down. Stops at a
  /// structural line and once oReading has joined as many lines as allowed. A text of one line
  /// is answered in place, without a copy. The answer stays valid until the next Gather, or
  /// until the line after the current one is read.
  template <class Complete, class Continues>
  std::string_view Gather(std::string* ioBuffer, Reading* oReading, Complete iComplete,
                          Continues iContinues) {
    if (!Current()) return {};
    Take();
    const Line* line = Current();
    // The line taken stays in place while the next one is current.
    const std::string_view first = lines_.Taken();
    if (!line || oReading->joinedLines >= kMaxJoinedLines || IsStructural(*line) ||
        (iComplete(first) && !iContinues(first, line->text)))
      return first;
    ioBuffer->assign(first);
    for (; line && oReading->joinedLines < kMaxJoinedLines; line = Current()) {
      if (IsStructural(*line) || (iComplete(*ioBuffer) && !iContinues(*ioBuffer, line->text)))
        break;
      ioBuffer->push_back('\n');
      ioBuffer->append(line->text);
      ++oReading->joinedLines;
      Note(line->number, "joined to the text on the line before (a text holding a line end)");
      Take();
    }
    return *ioBuffer;
  }

  /// Gathers a PLMID's own text, which this form writes before the piece that follows it: the
  /// lines from the current one up to where iNextPiece finds that piece (at the start of a line,
  /// or within one, whose rest is then kept as the current line), joined with "\n". Stops at a
  /// structural line, and once oReading has joined as many lines as allowed. Nothing when the
  /// next piece opens the current line.
  template <class NextPiece>
  std::optional<std::string> TakeTextBefore(const Reading& iReading, NextPiece iNextPiece) {
    std::optional<std::string> text = spares_.TakeText();  // written into a spare's room
    text->clear();
    bool written = false;
    for (const Line* line = Current(); line; line = Current()) {
      const std::size_t start = iNextPiece(line->text);
      if (start == 0 || IsStructural(*line) || iReading.joinedLines >= kMaxJoinedLines) break;
      if (written) text->push_back('\n');
      written = true;
      if (start != std::string_view::npos) {
        text->append(line->text.substr(0, start));
        KeepRest(start);
        break;
      }
      text->append(line->text);
      Take();
    }
    if (!written) spares_.RetireText(&text);
    return text;
  }

  /// A text for messages: the line, cut short.
  static std::string Quote(std::string_view iText);

  // ---- Blocks (one source file each) ----

  /// Whether a line opens a component.
  static bool OpensComponent(std::string_view iText);
  /// The kind of component that an opening line opens (a dummy for any other line).
  static NodeKind ComponentKindOf(std::string_view iOpening);
  /// The places of a row about to be read: those that the row's lines do not fill are left
  /// Absent by SettlePlaces(frame), where frame is the answer. Until then each keeps the
  /// component it held, whose storage the row's component reuses.
  std::size_t AwaitPlaces(std::initializer_list<ComponentPlace*> iPlaces);
  void SettlePlaces(std::size_t iFrame);
  /// Fills a place as iPresence says; when a component is dumped there, answers it: the one the
  /// place held, else a new one. A place left empty gives its component's storage to spares_.
  Component* FillPlace(ComponentPlace* ioPlace, ComponentPresence iPresence);
  /// Reads the component whose opening line is current.
  void ParseComponent(Component* oComponent);

  void ParseDmtRow(DmtRow* oRow);
  void ParseRmtRow(RmtRow* oRow);
  /// Whether a line opens a DMT row or an RMT row.
  static bool OpensDmtRow(std::string_view iText);
  static bool OpensRmtRow(std::string_view iText);

  static bool OpensManager(std::string_view iText);
  /// Whether a line opens a dump of any kind (a manager, an environment, a row, a component).
  static bool OpensDump(std::string_view iText);
  void ParseManager();
  void ParseEnvironment();

 private:
  // Components (ComponentParser.cpp, IdentifiedComponentParser.cpp).
  bool ReadHashKey(const Line& iLine, std::size_t iOffset, std::string_view iDigits,
                   std::uint32_t* oKey);
  void ParseFileBased(Component* oComponent);
  /// The opening line of a file-based component: its name, document type and uuid, and whether
  /// the closing tag ends it (oShortForm). False when the line cannot be read.
  bool ReadFileNameLine(FileBasedFields* oFields, Reading* oReading, bool* oShortForm);
  /// The path line of a file-based component; false when reading stops.
  bool ReadFilePathLine(FileSaveDetails* oDetails, Reading* oReading);
  /// The last-save line: the name, the time and the path at the last save.
  bool ReadLastSaveLine(FileSaveDetails* oDetails, Reading* oReading);
  void ParseRmtFileBased(Component* oComponent);
  /// The alias and the techno string of an RMT file-based component.
  bool ReadAliasLine(RmtFileBasedFields* oFields, Reading* oReading);
  /// The link sequence's length and value, or its emptiness.
  bool ReadLinkSequence(RmtFileBasedFields* oFields, Reading* oReading);
  /// The PX1 id's lines: its hash key and value, or its emptiness. False when reading stops.
  bool ParsePx1Id(RmtFileBasedFields* oFields, Reading* oReading);
  void ParseOctetValue(OctetValue* oValue, Reading* oReading, bool (*iIsNext)(std::string_view));
  void ParseOrv(Component* oComponent);
  void ParseOrvIdentity(Component* oComponent, OrvFields* oFields);
  /// Reads the identity pieces of iLine; oAmbiguous: the element pieces fit at more than one
  /// place after the workspace uuid (the first is taken).
  bool ReadOrvIdentityLine(const Line& iLine, OrvIdentity* oIdentity, bool* oAmbiguous);
  void ParsePell(Component* oComponent, std::string_view iOpening, std::string_view iClosing);
  /// Reads a stamp piece at the start of iLine; answers whether the closing tag follows it.
  bool ReadStampPiece(const Line& iLine, std::string_view iClosing, PellFields* oFields);
  /// The PLMID's text and the stamp piece of a Pell component's full form; oCloses: the closing
  /// tag ends the piece. False when reading stops.
  bool ReadPellFullForm(PellFields* oFields, Reading* oReading, std::string_view iClosing,
                        bool* oCloses);
  /// Takes the PLMID's own text of a full form into oFields and gathers the stamp piece that
  /// follows it (oPiece, valid until the next Gather) and its first line (oFirst, its text
  /// left empty). False when reading stops.
  bool GatherPlmidAndStamp(PellFields* oFields, Reading* oReading, std::string_view iClosing,
                           Line* oFirst, std::string_view* oPiece);
  /// The one line of a Pell component's short form: the physical id and the stamp piece.
  bool ReadPellShortForm(PellFields* oFields, Reading* oReading, std::string_view iOpening,
                         std::string_view iClosing, bool* oCloses);
  void ParseProvider(Component* oComponent);
  /// The binary identifier's length and value of a provider component, or its emptiness.
  bool ReadBinaryIdentifier(ProviderFields* oFields);

  // Rows (RowParser.cpp).
  bool ReadOrdinal(const Line& iLine, std::string_view* ioRest, const RowMarks& iMarks,
                   std::optional<std::int32_t>* oOrdinal);
  bool ReadUuid(const Line& iLine, std::string_view* ioRest, const RowMarks& iMarks,
                std::optional<std::string>* oUuid);
  /// Reads the current header line up to the rule after the uuid (oAfterRule: the rest).
  bool ReadRowHeader(std::string_view iTag, const RowMarks& iMarks, std::string_view iNextRow,
                     std::string_view iListClosing, RowHeader* oHeader,
                     std::string_view* oAfterRule);
  bool ReadRowClosing(std::string_view iTag, const RowMarks& iMarks,
                      std::optional<RowClosing>* oClosing);
  /// A component's place: iAbsent (when not empty) says the row has none.
  void ReadComponentPlace(ComponentPlace* oPlace, std::string_view iAbsent);
  void ReadHexIdentifier(HexIdentifier* oIdentifier, std::string_view iPresent,
                         std::string_view iAbsent);
  /// Takes a line that must be exactly iText.
  bool ExpectExactly(std::string_view iText);
  void ReadDmtRowLines(DmtRow* oRow, std::uint64_t iFirst);
  void ParseDmtInfo(DmtRow* oRow);
  void ParseDmtComponents(DmtRow* oRow);
  void ParseDmtRmtRows(DmtRow* oRow);
  void ParseRmtState(RmtRow* oRow);
  void ParseRmtComponents(RmtRow* oRow);
  void ParseRmtM1Components(RmtRow* oRow);

  // Manager and environment (ManagerParser.cpp).
  bool ParseManagerHeader(ManagerHeader* oHeader);
  /// The context name and the completion text; iOpened: the opening tag was read.
  bool ReadManagerInfo(ManagerHeader* oHeader, bool iOpened);
  /// Which DMT rows the manager lists: all, or those to be saved (with the count of all).
  bool ReadListing(ManagerHeader* oHeader);
  bool ReadRowCount(ManagerHeader* oHeader);

  /// Starts keeping the lines taken in iText (and stops at the matching StopKeeping).
  void StartKeeping(std::string* iText);
  /// Adds iLine to the texts being kept.
  void Keep(const Line& iLine);
  void StopKeeping();
  friend class KeptText;
  friend class OpenBlock;
  void Report(Problem iProblem);
  /// The first line of the first block read that betrays the form, with that form in oForm
  /// (Unknown, and no line, when none does).
  Line FirstDecisiveLine(Form* oForm);
  /// Sets formWatch_ from what is known of the form: every line that reveals a form until it is
  /// decided and borne out, then those that may reveal the other form, none once a split
  /// between the sinks is reported.
  void WatchForm();
  /// Saw, before WatchForm.
  void SawForm(Form iForm, const Line& iLine);
  /// Reports that iLine is in iForm while --form gave the other.
  void WrongForm(const Line& iLine, Form iForm);
  /// Reads the dump that iLine opens and hands it over; false when iLine opens none.
  bool ReadTopNode(const Line& iLine);
  /// Reports the line after the dump's end (iEnd): a second dump or other text. In lenient
  /// reading the rest of the input is kept raw under that one problem.
  void AfterTheDump(const Line& iLine, std::uint64_t iEnd);

  LineSource& lines_;
  ReadOptions options_;
  DumpVisitor& visitor_;
  Form form_;
  std::uint64_t formLine_ = 0;
  std::uint64_t lastTaken_ = 0;
  std::uint64_t errors_ = 0;
  bool stopped_ = false;
  bool visitorStopped_ = false;
  bool splitReported_ = false;
  bool formConfirmed_ = false;  // a line in the form --form gave was seen
  /// The lines whose form Take looks up: those that may tell something new about the form.
  const text::detail::Buckets* formWatch_ = &text::detail::kFormBuckets;
  std::uint64_t rawLines_ = 0;
  std::uint64_t firstRawLine_ = 0;
  std::uint64_t managerClosingLine_ = 0;  // of the manager read last; 0 when it was not closed
  /// The blocks being read, innermost last: what they are and where they open.
  std::vector<std::pair<const char*, std::uint64_t>> open_;
  std::vector<std::string*> kept_;
  RawLine raw_;
  std::string gathered_;  // lines joined by Gather
  DmtRow dmtRow_;         // reused from row to row
  /// What rows and components left behind, filled again by the next ones.
  Spares spares_;
  /// The places of the rows being read, and whether their lines filled them.
  struct PendingPlace {
    ComponentPlace* place;
    bool filled;
  };
  std::vector<PendingPlace> pending_;
  bool rmtRowsRead_ = false;
};

/// Keeps the lines taken during its life in a node's text, when the reader keeps texts.
class KeptText {
 public:
  KeptText(Parser& iParser, std::string* iText) : parser_(iParser) { parser_.StartKeeping(iText); }
  ~KeptText() { parser_.StopKeeping(); }
  KeptText(const KeptText&) = delete;
  KeptText& operator=(const KeptText&) = delete;

 private:
  Parser& parser_;
};

/// Names a block being read, for the message when the input ends inside it.
class OpenBlock {
 public:
  OpenBlock(Parser& iParser, const char* iWhat, std::uint64_t iLine) : parser_(iParser) {
    parser_.open_.emplace_back(iWhat, iLine);
  }
  ~OpenBlock() { parser_.open_.pop_back(); }
  OpenBlock(const OpenBlock&) = delete;
  OpenBlock& operator=(const OpenBlock&) = delete;

 private:
  Parser& parser_;
};

}  // namespace zyn::reader
