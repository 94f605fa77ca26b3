// A program built against an installed host SDK: loads a table file through the SDK's table
// loader, loads a module built against the same SDK through the host's module loader, and
// prints the name of the table's manager's context as the module answers it.
// Usage: sdk-consumer MODULE TABLE_FILE
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "SdkConsumer.h"
#include "zyn/ZynMemTable.h"
#include "zyn/ZynModuleLoader.h"

namespace {

int Refuse(const std::string& iWhy) {
  std::cerr << "sdk-consumer: " << iWhy << "\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: sdk-consumer MODULE TABLE_FILE\n";
    return 2;
  }
  std::ifstream file(argv[2], std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  if (!file) return Refuse(std::string("cannot read ") + argv[2]);
  zyn::mem::LoadedTable table;
  std::string error;
  if (!zyn::mem::LoadTable(text.str(), &table, &error)) return Refuse(argv[2] + (": " + error));
  zyn::mem::MemObject* manager = table.Find("manager");
  if (!manager) return Refuse("the table has no object \"manager\"");

  ZynModuleLoader module;
  if (!module.Load(argv[1], kSdkConsumerMarker, &error)) return Refuse(error);
  auto query = reinterpret_cast<SdkConsumerQuery>(module.Symbol(kSdkConsumerQuery));
  ZynUnicodeString name;
  if (!query || query(manager->Unknown(), &name) < 0) return Refuse("the module has no answer");
  std::cout << "context: " << name.str() << "\n";
  return std::cout.flush() ? 0 : 1;
}
