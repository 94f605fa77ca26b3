// The call log of mpgdump: a JSON Lines record of every call the module makes into the host.
#pragma once

#include <string>
#include <unordered_map>

#include "zyn/ZynCallLog.h"
#include "zyn/ZynMemTable.h"
#include "zyntoolio/OutputBuffer.h"

namespace mpgdump {

/// One compact JSON object per call, keys in a fixed order: "object" (a table object's id; an
/// extension as {"extension": class, "of": id}; {"trace": name, "serial": n} for a named trace;
/// {"tool": "ZynDCIMpgTraceTool"} for the trace tool; null for an object not in the table),
/// "interface", "op", what the call was given ("asked" for an interface request, "level" and
/// "text" or "format" for a write) and "result" (an HRESULT by name, or "0x" and 8 digits; true
/// or false for a flag; the object answered for GetImpl). Writes into iOutput, which the caller
/// keeps alive and checks.
class CallLog : public ZynCallObserver {
 public:
  /// iTable gives the objects' ids; it outlives the log.
  CallLog(zyn::toolio::OutputBuffer& iOutput, const zyn::mem::LoadedTable& iTable);

  void OnCall(const ZynCall& iCall) override;

 private:
  zyn::toolio::OutputBuffer& output_;
  std::unordered_map<const ZynBaseUnknown*, const std::string*> ids_;
};

/// Installs iLog (when not null) as the host's call observer for its lifetime.
class CallLogInstalled {
 public:
  explicit CallLogInstalled(CallLog* iLog) { ZynCallLog::SetObserver(iLog); }
  ~CallLogInstalled() { ZynCallLog::SetObserver(nullptr); }
  CallLogInstalled(const CallLogInstalled&) = delete;
  CallLogInstalled& operator=(const CallLogInstalled&) = delete;
};

}  // namespace mpgdump
