// Writes a large table file for the load benchmark: a manager with a context and as many DMT
// rows as it takes to reach a given size, each row with two components of its own and two RMT
// rows with two components each, every component type in turn.
//
// Usage: write_table MEGABYTES FILE
// Prints on standard error "rows: N", "objects: N", "bytes: N".
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* const kComponentTypes[] = {
    "ZynDCIMpgFileBasedComponent", "ZynDCIMpgRMTFileBasedComponent", "ZynDCIMpgOrvComponent",
    "ZynDCIMpgPellComponent",      "ZynDCIMpgPellNonM1Component",    "ZynDCIMpgProviderComponent",
    "ZynDCIMpgDummyComponent"};
constexpr int kComponentTypeCount = sizeof kComponentTypes / sizeof kComponentTypes[0];

/// 32 hexadecimal digits that differ from one object to the next.
std::string Uuid(long iSerial) {
  char text[40];
  std::snprintf(text, sizeof text, "%016lx%016lx",
                0x5a17e0000000000ful + static_cast<unsigned long>(iSerial),
                static_cast<unsigned long>(iSerial) * 2654435761ul);
  return text;
}

/// The members of a component of iType: every answer its dump reads.
std::string ComponentMembers(int iType, long iSerial) {
  const std::string serial = std::to_string(iSerial);
  std::string members = "\"GetHashKey\": " + std::to_string(iSerial * 7919 % 4294967295) +
                        ", \"GetExposedIdentifier\": \"0A0B0C0D" + Uuid(iSerial).substr(0, 8) +
                        "\"";
  switch (iType) {
    case 0:
      members += ", \"GetName\": \"part-" + serial + ".model\", \"GetUuid\": \"" + Uuid(iSerial) +
                 "\", \"GetPathName\": \"/data/models/part-" + serial +
                 ".model\", \"GetDocType\": \"model\", \"GetLastSavePath\": \"/data/saved\", "
                 "\"GetLastSaveName\": \"part-" +
                 serial + ".model\", \"GetLastSaveTime\": \"2023-11-14T22:13:20Z\"";
      break;
    case 1:
      members += ", \"GetPX1Id\": \"" + Uuid(iSerial) + "\", \"GetAlias\": \"alias-" + serial +
                 "\", \"GetTechnoString\": \"techno\", \"GetLinkSequence\": \"0102030405060708\", "
                 "\"IsBrokenLink\": false, \"GetObjectType\": \"Part\"";
      break;
    case 2:
      members += ", \"GetModelPLMID\": {\"physical\": \"" + Uuid(iSerial) +
                 "\", \"logical\": \"model-" + serial +
                 "\", \"major\": \"A\"}, \"GetWorkspaceId\": 12, \"GetElementId\": " + serial +
                 ", \"GetWorkspaceUuid\": \"ws-" + Uuid(iSerial).substr(0, 12) +
                 "\", \"GetElementUuid\": \"el-" + Uuid(iSerial).substr(12, 12) + "\"";
      break;
    case 3:
    case 4:
      members += ", \"GetComponentType\": " + std::string(iType == 4 ? "4" : "1") +
                 ", \"GetPLMID\": {\"physical\": \"" + Uuid(iSerial) + "\", \"logical\": \"pell-" +
                 serial + "\", \"major\": \"B\"}, \"GetCEStamp\": \"stamp-" + serial + "\"";
      break;
    case 5:
      members += ", \"GetBinaryIdentifier\": \"" + Uuid(iSerial) +
                 "\", \"GetProviderName\": \"provider-" + serial + "\"";
      break;
    default:
      break;
  }
  return members;
}

class TableWriter {
 public:
  explicit TableWriter(std::FILE* iFile) : file_(iFile) {}

  /// Writes a component and answers its id.
  std::string Component() {
    const long serial = ++objects_;
    const int type = static_cast<int>(serial % kComponentTypeCount);
    const std::string id = "c" + std::to_string(serial);
    Object(id, kComponentTypes[type], ComponentMembers(type, serial));
    return id;
  }

  std::string RmtRow(long iRow, int iPosition) {
    const std::string owner = Component(), nonM1 = Component();
    const long serial = ++objects_;
    const std::string id = "r" + std::to_string(iRow) + "_" + std::to_string(iPosition);
    Object(id, "ZynDCIMpgRMTRow",
           "\"GetUuid\": \"" + Uuid(serial) + "\", \"GetMigrationState\": true, " +
               "\"GetAlreadyExists\": false, \"GetModificationState\": 2, \"GetOwner\": \"" +
               owner + "\", \"GetNonM1Component\": \"" + nonM1 + "\", \"GetM1Components\": [\"" +
               owner + "\"]");
    return id;
  }

  std::string DmtRow(long iRow) {
    const std::string nonM1 = Component(), m1 = Component();
    const std::string rmt1 = RmtRow(iRow, 1), rmt2 = RmtRow(iRow, 2);
    const long serial = ++objects_;
    const std::string id = "d" + std::to_string(iRow);
    Object(id, "ZynDCIMpgDMTRow",
           "\"GetUuid\": \"" + Uuid(serial) + "\", \"GetMappingMaster\": 1, " +
               "\"GetAlreadyExists\": true, \"GetModificationState\": 1, " +
               "\"GetNonM1Component\": \"" + nonM1 + "\", \"GetM1Component\": \"" + m1 +
               "\", \"GetNonM1ComponentVersion\": \"0001\", \"GetM1ComponentVersion\": \"0002\", "
               "\"GetM1ComponentMajorID\": {\"result\": 1}, \"GetRMTElements\": [\"" +
               rmt1 + "\", \"" + rmt2 + "\"]");
    return id;
  }

  void Object(const std::string& iId, const char* iType, const std::string& iMembers) {
    std::fprintf(file_, "%s    \"%s\": {\"type\": \"%s\", %s}", first_ ? "" : ",\n", iId.c_str(),
                 iType, iMembers.c_str());
    first_ = false;
  }

  long Objects() const { return objects_ + 2; }  // with the manager and its context

 private:
  std::FILE* file_;
  long objects_ = 0;
  bool first_ = true;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::atol(argv[1]) <= 0) {
    std::fprintf(stderr, "usage: write_table MEGABYTES FILE\n");
    return 2;
  }
  const long target = std::atol(argv[1]) * 1000 * 1000;
  std::FILE* file = std::fopen(argv[2], "wb");
  if (!file) {
    std::perror(argv[2]);
    return 2;
  }
  std::fputs("{\n  \"objects\": {\n", file);
  TableWriter writer(file);
  writer.Object("context", "ZynDCIMpgContext", "\"GetName\": \"benchmark context\"");
  std::string rows;
  long count = 0;
  // The manager's list of rows is written last, so the rows are written until the file holds
  // the target less the room that list will take.
  while (std::ftell(file) + static_cast<long>(rows.size()) + 200 < target) {
    const std::string id = writer.DmtRow(++count);
    rows += (count > 1 ? ", \"" : "\"") + id + "\"";
  }
  writer.Object("manager", "ZynDCIMpgManager",
                "\"GetContext\": \"context\", \"IsPLMIDCompletionActive\": true, "
                "\"GetDMTElements\": [" +
                    rows + "]");
  std::fputs("\n  },\n  \"dump\": {\"object\": \"manager\", \"level\": 1}\n}\n", file);
  const long bytes = std::ftell(file);
  if (std::fclose(file) != 0) {
    std::perror(argv[2]);
    return 2;
  }
  std::fprintf(stderr, "rows: %ld\nobjects: %ld\nbytes: %ld\n", count, writer.Objects(), bytes);
  return 0;
}
