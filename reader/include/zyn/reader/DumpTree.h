// The tree of a dump: typed nodes for the manager, the environment, DMT and RMT rows and every
// kind of component, holding each value the dump writes and the line where each node starts.
//
// The reader (DumpReader.h) builds these nodes from the text of a dump in either of its two
// forms, the standard-output form and the trace tool's text, and hands them over one completed
// DMT row at a time. Both forms carry the same values, so a table dumped in both forms gives
// equal trees, except where a form leaves a value out (those fields are optional and say so).
//
// Values are named for what they mean. Texts are kept as the dump wrote them, byte for byte
// (uuids, hexadecimal texts, PLMID texts and stamps are the host's and are not interpreted).
//
// How the reader splits a line into values (the same rule for every line; docs/mpgtree.md):
//  1. The fixed text that opens a line is matched at its start and the fixed text that ends it
//     at its end; the values lie between.
//  2. The values of fixed shape after a free text (document type, uuid, time, counts, ids) are
//     read from the end: each starts after the LAST occurrence of its separator, and the free
//     text before them keeps every separator it holds.
//  3. Where one line holds two free texts, the value of fixed shape between them places the cut
//     (the last-save time, an Orv element id). Where it fits at several places, or nothing of
//     fixed shape stands between them (alias and techno string), the first place is taken and
//     the node is marked `ambiguous`; `mpgtree check` notes it.
//  4. A text that holds a line end continues on the next lines: they are joined to it, with
//     "\n" between, while its line lacks its fixed ending and while the next line holds that
//     ending again. The node records the number of joined lines (`joinedLines`), and `mpgtree
//     check` notes it. For the octet texts of an RMT file-based component the number of lines
//     is known from the hexadecimal value when the form writes one (one more line per octet
//     0x0A before the first 0x00).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zyn::reader {

/// Every kind of node, from NodeKinds.def.
enum class NodeKind : std::uint8_t {
#define ZYN_DUMP_NODE_KIND(Enumerator, jsonName, description) Enumerator,
#include "zyn/reader/NodeKinds.def"
#undef ZYN_DUMP_NODE_KIND
};

namespace detail {
struct NodeKindWords {
  std::string_view jsonName;
  std::string_view description;
};
inline constexpr NodeKindWords kNodeKindWords[] = {
#define ZYN_DUMP_NODE_KIND(Enumerator, jsonName, description) {jsonName, description},
#include "zyn/reader/NodeKinds.def"
#undef ZYN_DUMP_NODE_KIND
};
}  // namespace detail

/// The name of a kind, as JSON and messages write it ("dmtRow").
constexpr std::string_view NodeKindName(NodeKind iKind) {
  return detail::kNodeKindWords[static_cast<std::size_t>(iKind)].jsonName;
}

/// What a kind stands for, in words.
constexpr std::string_view NodeKindDescription(NodeKind iKind) {
  return detail::kNodeKindWords[static_cast<std::size_t>(iKind)].description;
}

/// The kind named iName, when there is one.
std::optional<NodeKind> NodeKindFromName(std::string_view iName);

/// Which of its two sinks a dump was written to.
enum class Form : std::uint8_t {
  Unknown,         // not decided (yet): no line seen so far differs between the forms
  StandardOutput,  // the standard-output form ("stdout")
  Trace,           // the trace tool's text ("trace")
};
/// "stdout", "trace" or "unknown".
std::string_view FormName(Form iForm);

/// Where a node lies in the input: the line of its first and last character, from 1. A node
/// that starts inside a line (after a row header that was left unfinished) starts at a column
/// other than 1.
struct SourceSpan {
  std::uint64_t firstLine = 0;
  std::uint64_t lastLine = 0;
  std::uint32_t firstColumn = 1;
};

/// What the reader had to guess about a node's values (see the rule above).
struct Reading {
  bool ambiguous = false;         // two free texts share a line and no rule places the cut
  std::uint32_t joinedLines = 0;  // lines joined to texts holding a line end
};

// ---- Components ----

/// The last-save details of a file-based component, written at detail level 2 only.
struct FileSaveDetails {
  std::string pathName;
  std::string lastSaveName;
  std::string lastSaveTime;  // empty when the time is not set
  std::string lastSavePath;
};

struct FileBasedFields {
  std::string name;
  std::string documentType;
  std::string uuid;  // as the host wrote it; empty when it wrote nothing
  std::optional<FileSaveDetails> details;
};

/// The value of an octet sequence: its hexadecimal text and its text read one character per
/// octet. The trace tool leaves the hexadecimal text out for 500 octets or more and writes a
/// notice with the buffer size (2n+1) instead. A sequence whose buffer size no int can hold
/// (2^30 octets or more) is not printed at all: one notice with its count stands for both lines,
/// on either sink.
struct OctetValue {
  std::optional<std::string> hexadecimal;
  std::optional<std::int32_t> tooLongNoticeSize;
  std::optional<std::int32_t> uncountableOctets;  // "Sequence too long to print, octets = "
  std::string text;
};

struct RmtFileBasedFields {
  bool px1IdEmpty = false;                    // ",empty PX1Id": neither key nor value
  std::optional<std::uint32_t> px1IdHashKey;  // unsigned, whichever form wrote it
  std::optional<OctetValue> px1IdValue;       // detail level 2 or more
  std::string alias;
  std::string technoString;
  std::optional<std::int32_t> linkSequenceLength;  // absent: ",empty LinkSequence"
  std::optional<OctetValue> linkSequenceValue;     // detail level 2 or more
  bool linkBroken = false;
  std::string objectType;
};

/// The identity of an Orv component (every detail level but 1).
struct OrvIdentity {
  /// The model PLMID's own text; absent on the trace tool, where it goes to a named trace.
  std::optional<std::string> modelPlmidText;
  std::optional<std::int32_t> workspaceId;  // absent: "No workspace Id"
  std::optional<std::string> workspaceUuid;
  std::optional<std::int32_t> elementId;
  std::optional<std::string> elementUuid;
};

struct OrvFields {
  std::optional<std::uint32_t> hashKey;  // the hash-key form (detail level exactly 1)
  std::optional<OrvIdentity> identity;   // the identity form
  /// The opening tag stands alone: an identity query failed and the block was left open.
  bool identityFailed = false;
  /// The heading of the exposed identifier, written by a named trace among these lines.
  bool exposedIdentifierAnnounced = false;
};

/// A Pell component of either kind (the node's kind tells which).
struct PellFields {
  bool fullForm = false;                  // detail level 2 or more
  std::optional<std::string> physicalId;  // the short form's physical id
  /// The full form's PLMID text; absent when the form did not write it (on the trace tool it
  /// is written only for trace type 1).
  std::optional<std::string> plmidText;
  std::optional<std::string> ceStamp;  // absent: "No CEStamp"
  bool exposedIdentifierAnnounced = false;
  /// The heading stands on a line of its own, after a line end that ZynMpgMappingTrace writes;
  /// otherwise it ends the stamp piece's line. Not in the JSON: a matter of layout.
  bool exposedIdentifierOnItsOwnLine = false;
};

struct ProviderFields {
  std::optional<std::int32_t> binaryIdentifierLength;      // absent: an empty identifier
  std::optional<std::string> binaryIdentifierHexadecimal;  // detail level 2 or more
  /// An identifier whose hexadecimal text no int could count is not printed: the notice
  /// "Identifier too long to print, bytes = " with its length stands where the value would.
  std::optional<std::int32_t> uncountableIdentifierBytes;
  std::string providerName;
  bool exposedIdentifierAnnounced = false;
};

struct DummyFields {};

/// The fields of a component; the alternative follows the node's kind (both Pell kinds hold
/// PellFields).
using ComponentFields = std::variant<FileBasedFields, RmtFileBasedFields, OrvFields, PellFields,
                                     ProviderFields, DummyFields>;

struct Component {
  NodeKind kind = NodeKind::DummyComponent;
  SourceSpan span;
  Reading reading;
  /// False when the input ended, or a line could not be placed, before the closing tag.
  bool closed = true;
  ComponentFields fields = DummyFields{};
  /// The original lines of a component dumped on its own, when the reader keeps texts (the
  /// lines of a component inside a row are in the row's text).
  std::string text;
};

/// What stands in a row's place for one component.
enum class ComponentPresence : std::uint8_t {
  Absent,          // the row has none: "No M1 component", or no label for it
  NothingWritten,  // the place is there but the component's dump wrote nothing
  Dumped,          // `component` holds it
};

struct ComponentPlace {
  ComponentPresence presence = ComponentPresence::Absent;
  std::optional<Component> component;
};

/// A version or major id of a DMT row.
enum class IdentifierPresence : std::uint8_t {
  Present,     // `hexadecimal` holds its text
  Absent,      // "No ... version." / "No M1 component majorID."
  NotWritten,  // the query failed otherwise: the dump wrote no line
};

struct HexIdentifier {
  IdentifierPresence presence = IdentifierPresence::NotWritten;
  std::string hexadecimal;
};

// ---- Rows ----

/// The closing line of a row, which repeats the header's ordinal and uuid.
struct RowClosing {
  std::uint64_t line = 0;
  std::optional<std::int32_t> ordinal;
  std::optional<std::string> uuid;  // absent: "invalid element uuid"
};

/// What the header line of a row says, and how the row ended.
struct RowHeader {
  std::optional<std::int32_t> ordinal;  // the position given by the caller; absent for 0
  std::optional<std::string> uuid;      // absent: "invalid element uuid"; empty: none written
  /// Detail level 0: the row is its header line alone, closed on it.
  bool headerOnly = false;
  /// The row's dump stopped after the first piece of its header (the row lacks an interface):
  /// no uuid, no line end, no closing line; the next text follows on the same line.
  bool stoppedAfterFirstPiece = false;
};

struct RmtRow {
  SourceSpan span;
  Reading reading;
  RowHeader header;
  bool migrationState = false;
  bool alreadyExists = false;
  std::int32_t modificationState = 0;
  ComponentPlace owner, ref, pointed;  // dumped at level 0, under their labels
  ComponentPlace nonM1Component;       // NothingWritten when the block is empty
  /// The announced number of M1 components; absent: "No M1 Components".
  std::optional<std::int32_t> announcedM1ComponentCount;
  std::vector<Component> m1Components;
  std::optional<RowClosing> closing;  // absent when the row was not closed
  std::string text;                   // the row's original lines, when the reader keeps them
};

struct DmtRow {
  SourceSpan span;
  Reading reading;
  RowHeader header;
  std::string mappingMaster;  // the host's text for it
  bool alreadyExists = false;
  std::int32_t modificationState = 0;
  ComponentPlace nonM1Component;
  HexIdentifier nonM1ComponentVersion;
  ComponentPlace m1Component;
  HexIdentifier m1ComponentVersion;
  HexIdentifier m1ComponentMajorId;
  std::optional<std::int32_t> announcedRmtRowCount;  // absent for a header-only row
  std::vector<RmtRow> rmtRows;
  std::optional<RowClosing> closing;  // absent when the row was not closed
  std::string text;                   // the row's original lines, when the reader keeps them
};

// ---- Manager and environment ----

/// Which DMT elements the manager listed.
enum class Listing : std::uint8_t {
  All,        // "DUMP all DMTElements" (every mode but 3)
  ToBeSaved,  // mode 3: the elements to be saved, after the count of all elements
};

/// Everything the manager writes before its rows.
struct ManagerHeader {
  SourceSpan span;
  Reading reading;
  /// The opening tag and the context name are written only when the manager has a context.
  bool hasContext = false;
  std::string contextName;
  bool plmidCompletionActive = false;
  Listing listing = Listing::All;
  std::optional<std::int32_t> allRowCount;  // mode 3 only
  std::int32_t announcedRowCount = 0;       // the rows listed (all, or those to be saved)
  std::string text;                         // the original lines, when the reader keeps them
};

/// Everything the manager writes after its rows.
struct ManagerTrailer {
  SourceSpan span;
  std::uint64_t listClosingLine = 0;     // "</DUMP of DMTElements>"; 0 when missing
  std::uint64_t managerClosingLine = 0;  // "</DUMP Mapping Manager>"; 0 when missing
  std::uint64_t rowsRead = 0;            // DMT rows read between header and trailer
  std::string text;
};

struct Environment {
  SourceSpan span;
  Reading reading;
  std::string name;
  std::string mappingClient;  // the client's name; empty for a value the dump does not name
  std::string mappingMaster;  // the host's text for it
  std::optional<std::string> directory;  // detail level 2 and a directory that is not empty
  bool closed = true;
  std::string text;
};

/// A line the reader could not place, kept whole when reading leniently.
struct RawLine {
  std::uint64_t line = 0;
  std::uint32_t column = 1;
  std::string text;
};

}  // namespace zyn::reader
