// What the subcommands of mpgtree share, defined once: the reading that the common options ask
// for.
#include "Commands.h"

namespace mpgtree {

zyn::reader::ReadOptions CommonOptions::ReadOptions() const {
  zyn::reader::ReadOptions options;
  options.form = form == "stdout"  ? zyn::reader::Form::StandardOutput
                 : form == "trace" ? zyn::reader::Form::Trace
                                   : zyn::reader::Form::Unknown;
  options.lenient = lenient;
  return options;
}

}  // namespace mpgtree
