// The records of mpgdump's call log.
#include "CallLog.h"

#include <cinttypes>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "zyn/ZynTrace.h"

namespace mpgdump {

namespace {

using Json = nlohmann::ordered_json;

/// An HRESULT by its name when it has one.
std::string ResultName(long iResult) {
  switch (static_cast<HRESULT>(iResult)) {
    case S_OK:
      return "S_OK";
    case S_FALSE:
      return "S_FALSE";
    case E_FAIL:
      return "E_FAIL";
    case E_NOINTERFACE:
      return "E_NOINTERFACE";
    case E_OUTOFMEMORY:
      return "E_OUTOFMEMORY";
    default:
      break;
  }
  char text[16];
  std::snprintf(text, sizeof text, "0x%08" PRIX32, static_cast<std::uint32_t>(iResult));
  return text;
}

Json TextOrNull(const char* iText) { return iText ? Json(iText) : Json(nullptr); }

}  // namespace

CallLog::CallLog(zyn::toolio::OutputBuffer& iOutput, const zyn::mem::LoadedTable& iTable)
    : output_(iOutput) {
  for (const auto& [id, object] : iTable.objects) ids_.emplace(object->Unknown(), &id);
}

void CallLog::OnCall(const ZynCall& iCall) {
  const auto idOf = [&](const ZynBaseUnknown* iObject) -> Json {
    const auto found = ids_.find(iObject);
    return found == ids_.end() ? Json(nullptr) : Json(*found->second);
  };
  Json record;
  switch (iCall.callee) {
    case ZynCall::Callee::Object:
      record["object"] =
          iCall.extended ? Json{{"extension", iCall.extensionClass}, {"of", idOf(iCall.extended)}}
                         : idOf(iCall.object);
      break;
    case ZynCall::Callee::NamedTrace:
      record["object"] = {{"trace", iCall.trace->GetName()}, {"serial", iCall.trace->GetSerial()}};
      break;
    case ZynCall::Callee::TraceTool:
      record["object"] = {{"tool", "ZynDCIMpgTraceTool"}};
      break;
  }
  record["interface"] = iCall.interfaceName;
  record["op"] = iCall.operation;
  const std::string operation = iCall.operation;
  if (operation == "QueryInterface") record["asked"] = TextOrNull(iCall.asked);
  if (operation == "TraPut" || operation == "TraPrint") {
    record["level"] = iCall.level;
    record[operation == "TraPrint" ? "format" : "text"] = TextOrNull(iCall.text);
  }
  switch (iCall.answer) {
    case ZynCall::Answer::Result:
      record["result"] = ResultName(iCall.result);
      break;
    case ZynCall::Answer::Flag:
      record["result"] = iCall.result != 0;
      break;
    case ZynCall::Answer::Object:
      record["result"] = idOf(iCall.answered);
      break;
  }
  const std::string line = record.dump(-1, ' ', false, Json::error_handler_t::replace);
  output_.Write(line.data(), line.size());
  output_.Write("\n", 1);
}

}  // namespace mpgdump
