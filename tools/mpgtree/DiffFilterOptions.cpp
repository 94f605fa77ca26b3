// The options that set differences aside, shared by diff and html --diff.
#include <map>

#include "Commands.h"

namespace mpgtree {

void AddDiffFilterOptions(CLI::App& ioCommand, zyn::reader::DiffFilterOptions* oFilter,
                          bool iWithOnly) {
  ioCommand
      .add_option("--ignore", oFilter->ignore,
                  "Set aside the changed fields whose path matches PATTERN (repeatable): '*' "
                  "stands for any text (within brackets, one key: 'dmt[*].m1ComponentVersion'), "
                  "'?' for one character. They are counted (\"fields ignored\"), not listed, "
                  "and a row whose only changes they are compares the same")
      ->type_name("PATTERN")
      ->take_all()
      ->allow_extra_args(false);
  if (!iWithOnly) return;
  using Status = zyn::reader::NodeDifference::Status;
  static const std::map<std::string, Status> kKinds = {
      {"changed", Status::Changed}, {"added", Status::OnlyInB}, {"removed", Status::OnlyInA}};
  ioCommand
      .add_option_function<std::string>(
          "--only", [oFilter](const std::string& iKind) { oFilter->only = kKinds.at(iKind); },
          "List only the changed nodes, those added (only in B) or those removed (only in A); the "
          "summary and the exit status still count every difference")
      ->type_name("changed|added|removed")
      ->check(CLI::IsMember({"changed", "added", "removed"}).description(""));
}

}  // namespace mpgtree
