// mpgtree find: the original text of the rows and components that match a uuid or a name.
#include "Commands.h"

namespace mpgtree {
void AddFindCommand(CLI::App&, const CommonOptions&, Run*) {}
}  // namespace mpgtree
