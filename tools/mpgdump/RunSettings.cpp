// mpgdump's run settings read from a table file's tool members, refused in the loader's terms.
#include "RunSettings.h"

#include <algorithm>
#include <utility>

namespace mpgdump {
namespace {

using zyn::mem::TableValue;
using Shape = TableValue::Shape;

/// Builds the refusal "PLACE: WHAT" and answers false.
bool Refuse(std::string* oMessage, const std::string& iPlace, std::string_view iWhat) {
  *oMessage = iPlace + ": ";
  oMessage->append(iWhat);
  return false;
}

std::string Quoted(std::string_view iText) { return "\"" + std::string(iText) + "\""; }

/// Hands each member of the object iValue to iRead(key, member), stopping at the first that it
/// refuses; refuses anything but an object, at iPlace.
template <class ReadMember>
bool ReadMembers(const TableValue& iValue, const std::string& iPlace, std::string* oMessage,
                 ReadMember iRead) {
  if (iValue.shape != Shape::Object) return Refuse(oMessage, iPlace, "expected an object");
  for (std::size_t i = 0; i < iValue.keys.size(); ++i)
    if (!iRead(iValue.keys[i], iValue.items[i])) return false;
  return true;
}

bool ReadDump(const TableValue& iValue, RunSettings* ioSettings, std::string* oMessage) {
  const auto readMember = [&](const std::string& iKey, const TableValue& iMember) {
    if (iKey == "object") {
      if (iMember.shape != Shape::String) return Refuse(oMessage, "dump.object", "expected an id");
      if (iMember.text.empty()) return Refuse(oMessage, "dump.object", "an id must not be empty");
      ioSettings->dumpObject = iMember.text;
      return true;
    }
    if (iKey != "level" && iKey != "mode" && iKey != "index")
      return Refuse(oMessage, "dump." + iKey, "unknown key");
    int* target = iKey == "level"  ? &ioSettings->dumpLevel
                  : iKey == "mode" ? &ioSettings->dumpMode
                                   : &ioSettings->dumpIndex;
    return iMember.ReadInt32(target) || Refuse(oMessage, "dump." + iKey, zyn::mem::kExpectedInt32);
  };
  return ReadMembers(iValue, "dump", oMessage, readMember);
}

/// "valid": true, false or a non-empty array of them.
bool ReadValidity(const TableValue& iValue, std::vector<bool>* oValidity, std::string* oMessage) {
  static constexpr std::string_view kExpected = "expected true, false or a non-empty array of them";
  oValidity->clear();
  if (iValue.shape == Shape::Bool) {
    oValidity->push_back(iValue.boolean);
    return true;
  }
  if (iValue.shape != Shape::Array || iValue.items.empty())
    return Refuse(oMessage, "trace_tool.valid", kExpected);
  for (const TableValue& entry : iValue.items) {
    if (entry.shape != Shape::Bool) return Refuse(oMessage, "trace_tool.valid", kExpected);
    oValidity->push_back(entry.boolean);
  }
  return true;
}

bool ReadTraceTool(const TableValue& iValue, RunSettings* ioSettings, std::string* oMessage) {
  const auto readMember = [&](const std::string& iKey, const TableValue& iMember) {
    if (iKey == "valid") return ReadValidity(iMember, &ioSettings->validity, oMessage);
    if (iKey != "trace_type") return Refuse(oMessage, "trace_tool." + iKey, "unknown key");
    return iMember.ReadInt32(&ioSettings->traceType) ||
           Refuse(oMessage, "trace_tool.trace_type", zyn::mem::kExpectedInt32);
  };
  return ReadMembers(iValue, "trace_tool", oMessage, readMember);
}

bool ReadActiveTraces(const TableValue& iValue, RunSettings* ioSettings, std::string* oMessage) {
  if (iValue.shape != Shape::Array)
    return Refuse(oMessage, "active_traces", "expected an array of trace names");
  for (std::size_t i = 0; i < iValue.items.size(); ++i) {
    const TableValue& name = iValue.items[i];
    const std::string place = "active_traces[" + std::to_string(i) + "]";
    if (name.shape != Shape::String) return Refuse(oMessage, place, "expected a trace name");
    if (!IsTraceName(name.text))
      return Refuse(oMessage, place, "unknown trace " + Quoted(name.text));
    ioSettings->activeTraces.push_back(name.text);
  }
  return true;
}

/// The file's object to dump, once the table is read: an object that offers ZynIMpgDump.
bool CheckDumpObject(const zyn::mem::LoadedTable& iTable, const std::string& iId,
                     std::string* oError) {
  if (iId.empty()) return true;
  const zyn::mem::MemObject* object = iTable.Find(iId);
  if (!object) return Refuse(oError, "dump.object", "unknown id " + Quoted(iId));
  if (!object->Offers(zyn::mem::Iface::ZynIMpgDump))
    return Refuse(oError, "dump.object", Quoted(iId) + " offers no ZynIMpgDump");
  return true;
}

}  // namespace

bool IsTraceName(std::string_view iName) {
  return std::any_of(kTraceNames.begin(), kTraceNames.end(),
                     [&](const char* iKnown) { return iName == iKnown; });
}

std::string KnownTraceNames() {
  std::string names;
  for (const char* name : kTraceNames) {
    if (!names.empty()) names += ", ";
    names += name;
  }
  return names;
}

bool ReadRunSetting(const zyn::mem::ToolMember& iMember, RunSettings* ioSettings,
                    std::string* oMessage) {
  if (iMember.name == "dump") return ReadDump(iMember.value, ioSettings, oMessage);
  if (iMember.name == "trace_tool") return ReadTraceTool(iMember.value, ioSettings, oMessage);
  if (iMember.name == "active_traces") return ReadActiveTraces(iMember.value, ioSettings, oMessage);
  return Refuse(oMessage, iMember.name, "unknown key");
}

bool LoadTableWithSettings(std::string_view iText, zyn::mem::LoadedTable* oTable,
                           RunSettings* oSettings, std::string* oError) {
  RunSettings settings;
  zyn::mem::LoadedTable table;
  const zyn::mem::ToolMemberCheck check = [&](const zyn::mem::ToolMember& iMember,
                                              std::string* oMessage) {
    return ReadRunSetting(iMember, &settings, oMessage);
  };
  std::string error;
  if (!zyn::mem::LoadTable(iText, &table, &error, check) ||
      !CheckDumpObject(table, settings.dumpObject, &error)) {
    if (oError) *oError = std::move(error);
    return false;
  }
  *oTable = std::move(table);
  *oSettings = std::move(settings);
  return true;
}

}  // namespace mpgdump
