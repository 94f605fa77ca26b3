// Reads which of the seven kinds of component a block is, the hash keys, and the file-based
// components' blocks. RmtFileBasedParser.cpp and IdentifiedComponentParser.cpp read the others.
#include "parse/DumpTexts.h"
#include "parse/Parser.h"
#include "parse/Text.h"

namespace zyn::reader {

// The dump's texts (kName) and the matching helpers over a line's bytes.
using namespace text;

namespace {

/// Whether a text has the shape of a last-save time: the year, "-", month, "-", day, "T", hours,
/// ":", minutes, ":", seconds and "Z", every part but the year two digits.
bool IsSaveTime(std::string_view iText) {
  std::size_t at = !iText.empty() && iText[0] == '-' ? 1 : 0;
  const std::size_t yearStart = at;
  while (at < iText.size() && iText[at] >= '0' && iText[at] <= '9') ++at;
  if (at == yearStart) return false;
  constexpr std::string_view kRest = "-00-00T00:00:00Z";  // '0' stands for any digit
  if (iText.size() - at != kRest.size()) return false;
  for (std::size_t i = 0; i < kRest.size(); ++i) {
    const char c = iText[at + i];
    if (kRest[i] == '0' ? (c < '0' || c > '9') : c != kRest[i]) return false;
  }
  return true;
}

/// The places in a last-save line (after its label) where the time's label, a time or nothing,
/// and the path's label stand: the first of them and how many there are.
struct SaveTimeCut {
  std::size_t at = 0;        // where the time's label starts
  std::size_t timeSize = 0;  // the time's length (0: the time is not set)
  std::size_t count = 0;
};
SaveTimeCut SaveTimeCuts(std::string_view iText) {
  SaveTimeCut cut;
  for (std::size_t at = text::Find(iText, kSaveTimeLabel); at != std::string_view::npos;
       at = text::Find(iText, kSaveTimeLabel, at + 1)) {
    const std::size_t time = at + kSaveTimeLabel.size();
    const std::size_t path = text::Find(iText, kSavePathLabel, time);
    if (path == std::string_view::npos) break;
    if (path != time && !IsSaveTime(iText.substr(time, path - time))) continue;
    if (cut.count++ == 0) {
      cut.at = at;
      cut.timeSize = path - time;
    }
  }
  return cut;
}

}  // namespace

bool Parser::OpensComponent(std::string_view iText) {
  return StartsWith(iText, kFileOpening) || iText == kRmtFileOpening || iText == kOrvOpening ||
         StartsWith(iText, kPellOpening) || StartsWith(iText, kPellNonM1Opening) ||
         iText == kProviderOpening || iText == kDummyOpening;
}

/// A hash key: the trace tool writes it as a signed int, standard output unsigned; both are
/// read as the unsigned key.
bool Parser::ReadHashKey(const Line& iLine, std::size_t iOffset, std::string_view iDigits,
                         std::uint32_t* oKey) {
  const std::optional<std::int64_t> value = text::Integer(iDigits);
  if (!value || *value < INT32_MIN || *value > UINT32_MAX) {
    Unplaced(iLine, iOffset, "a hash key (a 32-bit number)");
    return false;
  }
  if (*value < 0) Saw(Form::Trace, iLine);
  if (*value > INT32_MAX) Saw(Form::StandardOutput, iLine);
  *oKey = static_cast<std::uint32_t>(*value);
  return true;
}

void Parser::ParseFileBased(Component* oComponent) {
  FileBasedFields& fields = spares_.Use<FileBasedFields>(oComponent);
  bool shortForm = false;
  if (!ReadFileNameLine(&fields, &oComponent->reading, &shortForm)) {
    oComponent->closed = false;
    return;
  }
  if (shortForm) return;
  FileSaveDetails& details = fields.details.emplace();
  oComponent->closed = ReadFilePathLine(&details, &oComponent->reading) &&
                       ReadLastSaveLine(&details, &oComponent->reading) &&
                       ExpectExactly(kFileClosing);
}

bool Parser::ReadFileNameLine(FileBasedFields* oFields, Reading* oReading, bool* oShortForm) {
  // A name holding a line end: the header goes on while the next line holds the uuid's label.
  std::string_view line = Gather(
      &gathered_, oReading,
      [](std::string_view iText) {
        const std::size_t type = text::Find(iText, kDocTypeLabel);
        return type != std::string_view::npos &&
               text::Find(iText, kUuidLabel, type) != std::string_view::npos;
      },
      [](std::string_view, std::string_view iNext) {
        return !StartsWith(iNext, kPathLead) &&
               text::Find(iNext, kUuidLabel) != std::string_view::npos;
      });
  const Line at{line, LastTakenLine(), 1, true};
  Eat(&line, kFileOpening);
  // The document type and the uuid are read from the end: the name keeps the rest.
  *oShortForm = text::EatEndJoined(&line, " ", kFileClosing);
  std::string_view uuid, type;
  if (!text::SplitAtLast(&line, kUuidLabel, &uuid) ||
      !text::SplitAtLast(&line, kDocTypeLabel, &type)) {
    Unplaced(at, kFileOpening.size(),
             Expected("% and % after the name", kDocTypeLabel, kUuidLabel));
    return false;
  }
  text::Assign(&oFields->name, line);
  text::Assign(&oFields->documentType, type);
  text::Assign(&oFields->uuid, uuid);
  return true;
}

bool Parser::ReadFilePathLine(FileSaveDetails* oDetails, Reading* oReading) {
  const Line* path = ExpectLead(kPathLead, [] { return Expected("the path line (%)", kPathLead); });
  if (!path) return false;
  const Line pathLine = *path;
  text::Assign(&oDetails->pathName, path->text.substr(kPathLead.size()));
  Take();
  JoinContinuation(&oDetails->pathName, oReading,
                   [](std::string_view iText) { return StartsWith(iText, kLastSaveLead); });
  // The trace tool ends the path with a blank, standard output does not.
  const bool blank = !oDetails->pathName.empty() && oDetails->pathName.back() == ' ';
  if (CurrentForm() == Form::Unknown) Saw(blank ? Form::Trace : Form::StandardOutput, pathLine);
  if (CurrentForm() == Form::Trace) {
    if (blank)
      oDetails->pathName.pop_back();
    else
      Unplaced(pathLine, pathLine.text.size(), "a blank at the end of the path line");
  }
  return true;
}

bool Parser::ReadLastSaveLine(FileSaveDetails* oDetails, Reading* oReading) {
  if (!ExpectLead(kLastSaveLead, [] { return Expected("the last-save line (%)", kLastSaveLead); }))
    return false;
  // A last-save name holding a line end: the line goes on while the next one holds the time's
  // label.
  std::string_view save = Gather(
      &gathered_, oReading, [](std::string_view iText) { return SaveTimeCuts(iText).count > 0; },
      [](std::string_view, std::string_view iNext) {
        return text::Find(iNext, kSaveTimeLabel) != std::string_view::npos;
      });
  const Line saveLine{save, LastTakenLine(), 1, true};
  Eat(&save, kLastSaveLead);
  // The name and the path are both free texts: the time between them places the cut.
  const SaveTimeCut cut = SaveTimeCuts(save);
  if (cut.count == 0) {
    Unplaced(saveLine, kLastSaveLead.size(),
             Expected("%, a time or nothing, and % after the last-save name", kSaveTimeLabel,
                      kSavePathLabel));
    return false;
  }
  if (cut.count > 1) oReading->ambiguous = true;
  const std::size_t time = cut.at + kSaveTimeLabel.size();
  text::Assign(&oDetails->lastSaveName, save.substr(0, cut.at));
  text::Assign(&oDetails->lastSaveTime, save.substr(time, cut.timeSize));
  text::Assign(&oDetails->lastSavePath, save.substr(time + cut.timeSize + kSavePathLabel.size()));
  JoinContinuation(&oDetails->lastSavePath, oReading,
                   [](std::string_view iText) { return iText == kFileClosing; });
  return true;
}

NodeKind Parser::ComponentKindOf(std::string_view iOpening) {
  if (StartsWith(iOpening, kFileOpening)) return NodeKind::FileBasedComponent;
  if (iOpening == kRmtFileOpening) return NodeKind::RmtFileBasedComponent;
  if (iOpening == kOrvOpening) return NodeKind::OrvComponent;
  if (StartsWith(iOpening, kPellNonM1Opening)) return NodeKind::PellNonM1Component;
  if (StartsWith(iOpening, kPellOpening)) return NodeKind::PellComponent;
  if (iOpening == kProviderOpening) return NodeKind::ProviderComponent;
  return NodeKind::DummyComponent;
}

void Parser::ParseComponent(Component* oComponent) {
  const Line* line = Current();
  if (!line) return;
  oComponent->span = SourceSpan{line->number, line->number, line->column};
  oComponent->reading = Reading{};
  oComponent->closed = true;
  oComponent->kind = ComponentKindOf(line->text);
  const std::uint64_t first = line->number;
  const auto start = Position();
  OpenBlock block(*this, "component", first);
  switch (oComponent->kind) {
    case NodeKind::FileBasedComponent:
      ParseFileBased(oComponent);
      break;
    case NodeKind::RmtFileBasedComponent:
      ParseRmtFileBased(oComponent);
      break;
    case NodeKind::OrvComponent:
      ParseOrv(oComponent);
      break;
    case NodeKind::PellNonM1Component:
      ParsePell(oComponent, kPellNonM1Opening, kPellNonM1Closing);
      break;
    case NodeKind::PellComponent:
      ParsePell(oComponent, kPellOpening, kPellClosing);
      break;
    case NodeKind::ProviderComponent:
      ParseProvider(oComponent);
      break;
    default:
      spares_.Use<DummyFields>(oComponent);
      Take();
  }
  // An opening line that could not be read is taken with the component all the same.
  if (Position() == start) Take();
  oComponent->span.lastLine = LastTakenLine() < first ? first : LastTakenLine();
}

std::size_t Parser::AwaitPlaces(std::initializer_list<ComponentPlace*> iPlaces) {
  const std::size_t frame = pending_.size();
  for (ComponentPlace* place : iPlaces) pending_.push_back({place, false});
  return frame;
}

void Parser::SettlePlaces(std::size_t iFrame) {
  for (std::size_t i = iFrame; i < pending_.size(); ++i) {
    if (pending_[i].filled) continue;
    pending_[i].place->presence = ComponentPresence::Absent;
    spares_.Vacate(pending_[i].place);
  }
  pending_.resize(iFrame);
}

Component* Parser::FillPlace(ComponentPlace* ioPlace, ComponentPresence iPresence) {
  for (std::size_t i = pending_.size(); i-- > 0;) {
    if (pending_[i].place != ioPlace) continue;
    pending_[i].filled = true;
    break;
  }
  ioPlace->presence = iPresence;
  if (iPresence != ComponentPresence::Dumped) {
    spares_.Vacate(ioPlace);
    return nullptr;
  }
  // The component it held, of any kind: reading it sets every member again.
  if (ioPlace->component) return &*ioPlace->component;
  return &ioPlace->component.emplace();
}

}  // namespace zyn::reader
