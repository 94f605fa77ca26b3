// The table of an mpgdump run: generated or read, then the object to dump chosen and checked.
#include "RunTable.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "Complain.h"
#include "SampleTable.h"

namespace mpgdump {
namespace {

/// Reads a whole file, or standard input for "-".
bool ReadText(const std::string& iPath, std::string* oText, std::string* oError) {
  if (iPath == "-") {
    oText->assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    if (std::cin.bad()) {
      *oError = "cannot read standard input";
      return false;
    }
    return true;
  }
  std::error_code ignored;
  if (std::filesystem::is_directory(iPath, ignored)) {
    *oError = "cannot read: it is a directory";
    return false;
  }
  std::ifstream file(iPath, std::ios::binary);
  if (!file) {
    *oError = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  try {
    oText->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure& failure) {
    *oError = std::string("cannot read: ") + failure.what();
    return false;
  }
  if (file.bad()) {
    *oError = std::string("cannot read: ") + std::strerror(errno);
    return false;
  }
  return true;
}

/// Parses "N" or "NxK" (both non-negative); K is 2 when absent.
bool ParseGenerateSpec(const std::string& iSpec, long* oRows, int* oRmtPerRow) {
  const std::size_t cross = iSpec.find('x');
  const std::string rows = iSpec.substr(0, cross);
  const std::string rmt = cross == std::string::npos ? "2" : iSpec.substr(cross + 1);
  auto digitsOnly = [](const std::string& iText) {
    return !iText.empty() && iText.size() <= 9 &&
           std::all_of(iText.begin(), iText.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!digitsOnly(rows) || !digitsOnly(rmt)) return false;
  *oRows = std::stol(rows);
  *oRmtPerRow = std::stoi(rmt);
  return true;
}

/// The synthetic table of --generate, which dumps its manager unless --object says otherwise.
int GenerateRunTable(const std::string& iSpec, RunTable* oTable, std::string* oSource) {
  *oSource = "--generate " + iSpec;
  long rows = 0;
  int rmtPerRow = 0;
  if (!ParseGenerateSpec(iSpec, &rows, &rmtPerRow)) {
    Complain("--generate: expected N or NxK (N DMT rows, K RMT rows each), not \"", iSpec, "\"");
    return kExitUsage;
  }
  std::string error;
  if (!zyn::mem::GenerateTable(rows, rmtPerRow, &oTable->loaded, &error)) {
    Complain(*oSource, ": ", error);
    return kExitUsage;
  }
  oTable->settings.dumpObject = "manager";
  return 0;
}

/// The table file named on the command line, standard input, or the bundled sample.
int LoadRunTable(const std::string& iPath, RunTable* oTable, std::string* oSource) {
  std::string text, error;
  if (iPath.empty()) {
    *oSource = "sample table";
    text = std::string(SampleTable());
  } else {
    *oSource = iPath == "-" ? "standard input" : iPath;
    if (!ReadText(iPath, &text, &error)) {
      Complain(*oSource, ": ", error);
      return kExitUsage;
    }
  }
  if (!LoadTableWithSettings(text, &oTable->loaded, &oTable->settings, &error)) {
    Complain(*oSource, ": ", error);
    return kExitUsage;
  }
  return 0;
}

/// The object to dump and the arguments of Dump. The file's own choice was checked with the
/// table; --object is checked here, in the same terms.
int ChooseObject(const Options& iOptions, const RunTable& iTable, DumpTarget* oTarget) {
  const RunSettings& settings = iTable.settings;
  const bool fromFile = iOptions.object.empty();
  const std::string& objectId = oTarget->objectId =
      fromFile ? settings.dumpObject : iOptions.object;
  oTarget->objectPlace = fromFile ? "dump.object" : "--object";
  if (objectId.empty()) {
    Complain(oTarget->source,
             ": no object to dump: the table's \"dump\" names none and --object is absent");
    return kExitUsage;
  }
  zyn::mem::MemObject* object = oTarget->object = iTable.loaded.Find(objectId);
  if (!object) {
    Complain(oTarget->source, ": ", oTarget->objectPlace, ": unknown id \"", objectId, "\"");
    return kExitUsage;
  }
  if (!object->Offers(zyn::mem::Iface::ZynIMpgDump)) {
    Complain(oTarget->source, ": ", oTarget->objectPlace, ": \"", objectId, "\" (",
             zyn::mem::TypeName(object->GetType()), ") offers no ZynIMpgDump");
    return kExitUsage;
  }
  oTarget->level = iOptions.level.value_or(settings.dumpLevel);
  oTarget->mode = iOptions.mode.value_or(settings.dumpMode);
  oTarget->index = iOptions.index.value_or(settings.dumpIndex);
  return 0;
}

/// Refuses a name that is not one of the named traces the module builds; iWhere is where the
/// name was given. Answers 0, or kExitUsage after saying why.
int CheckTraceName(const char* iWhere, const std::string& iName) {
  if (IsTraceName(iName)) return 0;
  Complain(iWhere, ": unknown trace \"", iName, "\" (known: ", KnownTraceNames(), ")");
  return kExitUsage;
}

/// The named traces --activate names, and those the environment variable the host reads at
/// each trace's construction lists (names separated by commas; an empty one names nothing):
/// only those the module builds.
int CheckActivations(const Options& iOptions) {
  for (const std::string& name : iOptions.activate) {
    if (const int status = CheckTraceName("--activate", name)) return status;
  }
  constexpr char kVariable[] = "ZYN_TRACE_ACTIVE";
  const char* listed = std::getenv(kVariable);
  const std::string names = listed ? listed : "";
  for (std::size_t start = 0; start < names.size();) {
    std::size_t comma = names.find(',', start);
    if (comma == std::string::npos) comma = names.size();
    const std::string name = names.substr(start, comma - start);
    if (!name.empty()) {
      if (const int status = CheckTraceName(kVariable, name)) return status;
    }
    start = comma + 1;
  }
  return 0;
}

}  // namespace

int PrepareTable(const Options& iOptions, RunTable* oTable, DumpTarget* oTarget) {
  const int loaded = iOptions.generate
                         ? GenerateRunTable(*iOptions.generate, oTable, &oTarget->source)
                         : LoadRunTable(iOptions.table, oTable, &oTarget->source);
  if (loaded) return loaded;
  if (const int status = ChooseObject(iOptions, *oTable, oTarget)) return status;
  return CheckActivations(iOptions);
}

}  // namespace mpgdump
