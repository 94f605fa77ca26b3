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

bool ReadDump(const TableValue& iValue, RunSettings* ioSettings, std::string* oMessage) {
  if (iValue.shape != Shape::Object) return Refuse(oMessage, "dump", "expected an object");
  for (std::size_t i = 0; i < iValue.keys.size(); ++i) {
    const std::string& key = iValue.keys[i];
    const TableValue& member = iValue.items[i];
    if (key == "object") {
      if (member.shape != Shape::String) return Refuse(oMessage, "dump.object", "expected an id");
      if (member.text.empty()) return Refuse(oMessage, "dump.object", "an id must not be empty");
      ioSettings->dumpObject = member.text;
    } else if (key == "level" || key == "mode" || key == "index") {
      int* target = key == "level"  ? &ioSettings->dumpLevel
                    : key == "mode" ? &ioSettings->dumpMode
                                    : &ioSettings->dumpIndex;
      if (!member.ReadInt32(target))
        return Refuse(oMessage, "dump." + key, zyn::mem::kExpectedInt32);
    } else {
      return Refuse(oMessage, "dump." + key, "unknown key");
    }
  }
  return true;
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
  if (iValue.shape != Shape::Object) return Refuse(oMessage, "trace_tool", "expected an object");
  for (std::size_t i = 0; i < iValue.keys.size(); ++i) {
    const std::string& key = iValue.keys[i];
    const TableValue& member = iValue.items[i];
    if (key == "valid") {
      if (!ReadValidity(member, &ioSettings->validity, oMessage)) return false;
    } else if (key == "trace_type") {
      if (!member.ReadInt32(&ioSettings->traceType))
        return Refuse(oMessage, "trace_tool.trace_type", zyn::mem::kExpectedInt32);
    } else {
      return Refuse(oMessage, "trace_tool." + key, "unknown key");
    }
  }
  return true;
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
