// A program built against an installed host SDK: loads a table file through the SDK's table
// loader and prints its manager's context name, asked through the mapping interfaces.
// Usage: sdk-consumer TABLE_FILE
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "zyn/ZynMappingInfra.h"
#include "zyn/ZynMemTable.h"

namespace {

// The context name of the manager "manager" of iTable, or an empty text with oError set.
std::string ContextName(const zyn::mem::LoadedTable& iTable, std::string* oError) {
  zyn::mem::MemObject* object = iTable.Find("manager");
  ZynIDCIMpgManager_var manager(object ? object->Unknown() : nullptr);
  ZynIDCIMpgContext_var context;
  if (!manager || manager->GetContext(context) < 0 || !context) {
    *oError = "the table has no manager with a context";
    return "";
  }
  ZynUnicodeString name;
  if (context->GetName(name) < 0) {
    *oError = "the context has no name";
    return "";
  }
  return std::string(name.str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: sdk-consumer TABLE_FILE\n";
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  if (!file) {
    std::cerr << "sdk-consumer: cannot read " << argv[1] << "\n";
    return 2;
  }
  zyn::mem::LoadedTable table;
  std::string error;
  if (!zyn::mem::LoadTable(text.str(), &table, &error)) {
    std::cerr << "sdk-consumer: " << argv[1] << ": " << error << "\n";
    return 1;
  }
  const std::string name = ContextName(table, &error);
  if (name.empty()) {
    std::cerr << "sdk-consumer: " << error << "\n";
    return 1;
  }
  std::cout << "context: " << name << "\n";
  return std::cout.flush() ? 0 : 1;
}
