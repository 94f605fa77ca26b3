// mpgtree check: whether a dump is whole.
#include "Commands.h"

namespace mpgtree {
void AddCheckCommand(CLI::App&, const CommonOptions&, Run*) {}
}  // namespace mpgtree
