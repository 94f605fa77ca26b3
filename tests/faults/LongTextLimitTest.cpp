// The printers' limits on texts too long to print, met from both sides with values that report
// their length without holding their content: just below, the printer sets out to print and asks
// for its whole buffer (which this process refuses); from the limit on, it gives its notice,
// asking for no memory and reading nothing.
#include "faults/ArrayAllocations.h"
#include "support/Harness.h"

namespace zyn_test {
namespace {

using zyn::mem::Op;
using zyn::mem::Type;

// The octet printer's limit, from both sides, with sequences that report their length without
// holding their octets. 1073741823 octets is the longest sequence whose hexadecimal buffer, 2n+1
// bytes, an int can still count: the printer sets out to print it and asks for that buffer
// (which this process refuses). One octet more, and the printer gives its notice instead, on
// either sink, without asking for memory or reading an octet.
TEST_F(ModuleTest, TheLongSequenceNoticeBeginsWhereTheBufferNoLongerFitsAnInt) {
  zyn::mem::Table table;
  zyn::mem::MemObject* component = table.Create(Type::RMTFileBasedComponent);
  component->SetOversizedOctets(Op::GetLinkSequence, {}, 1073741823);
  for (bool trace : {false, true}) {
    ZynDCIMpgTraceTool::SetValid(trace);
    CapturedStdout out;
    CapturedTrace tool;
    gRefusedArrayBytes = 0;
    EXPECT_THROW(DumpOf(component, 2, 1, 0), std::bad_alloc);
    EXPECT_EQ(gRefusedArrayBytes, 2147483647u) << "trace " << trace;
    EXPECT_EQ((out.str() + tool.text).find("too long"), std::string::npos) << "trace " << trace;
  }

  component->SetOversizedOctets(Op::GetLinkSequence, {}, 1073741824);
  for (bool trace : {false, true}) {
    ZynDCIMpgTraceTool::SetValid(trace);
    CapturedStdout out;
    CapturedTrace tool;
    gRefusedArrayBytes = 0;
    EXPECT_EQ(DumpOf(component, 2, 1, 0), S_OK);
    EXPECT_EQ(gRefusedArrayBytes, 0u) << "trace " << trace;
    EXPECT_NE((trace ? tool.text : out.str())
                  .find("   LinkSequence Value: \nSequence too long to print, octets = "
                        "1073741824\n   Not Broken Link"),
              std::string::npos)
        << out.str() << tool.text;
  }
}

// The provider's hexadecimal printer likewise, with identifiers that report their length while
// giving a single byte.
TEST_F(ModuleTest, TheLongIdentifierNoticeBeginsWhereTheBufferNoLongerFitsAnInt) {
  zyn::mem::Table table;
  zyn::mem::MemObject* component = table.Create(Type::ProviderComponent);
  for (bool trace : {false, true}) {
    ZynDCIMpgTraceTool::SetValid(trace);
    CapturedStdout out;
    CapturedTrace tool;
    component->SetHollowBinary(Op::GetBinaryIdentifier, 1073741823, {0xAB});
    gRefusedArrayBytes = 0;
    EXPECT_THROW(DumpOf(component, 2, 1, 0), std::bad_alloc);
    EXPECT_EQ(gRefusedArrayBytes, 2147483647u) << "trace " << trace;
    EXPECT_EQ((out.str() + tool.text).find("too long"), std::string::npos) << "trace " << trace;

    component->SetHollowBinary(Op::GetBinaryIdentifier, 1073741824, {0xAB});
    gRefusedArrayBytes = 0;
    EXPECT_EQ(DumpOf(component, 2, 1, 0), S_OK);
    EXPECT_EQ(gRefusedArrayBytes, 0u) << "trace " << trace;
    EXPECT_NE((trace ? tool.text : out.str())
                  .find("Value:Identifier too long to print, bytes = 1073741824\n"),
              std::string::npos)
        << out.str() << tool.text;
  }
}

}  // namespace
}  // namespace zyn_test
