// The rules of a table file's frame: its top-level members and what an object's description holds.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "loader/LoaderAnswers.h"
#include "zyn/ZynMemTable.h"

namespace zyn::mem::loader {

/// The members of a table file's top level. "objects" describes the objects; "$schema" names
/// the file's schema for editors (a text, otherwise ignored); "refused_meta_classes" names the
/// classes whose meta-class the host refuses while the table lives (a fault to inject); the
/// others are kept whole for the tool that runs the dump (ToolMember), which gives them their
/// meaning.
inline constexpr std::array<std::string_view, 6> kRootMembers = {
    "objects", "$schema", "refused_meta_classes", "dump", "trace_tool", "active_traces"};
inline constexpr std::size_t kObjectsMember = 0;
inline constexpr std::size_t kSchemaMember = 1;
inline constexpr std::size_t kRefusedMetaClassesMember = 2;
/// Members from this position on are kept for the tool.
inline constexpr std::size_t kFirstToolMember = 3;

/// The position of iName in kRootMembers, or kRootMembers.size() for a name the top level does
/// not have.
std::size_t RootMemberIndex(std::string_view iName);

/// "$schema": a text.
bool CheckSchemaMember(const TableValue& iValue, Problem* oProblem);

/// "refused_meta_classes": an array of class names, none empty.
bool ReadRefusedMetaClasses(const TableValue& iValue, std::vector<std::string>* oNames,
                            Problem* oProblem);

/// What a member of an object's description is.
enum class EntryMember : std::uint8_t { Type, Lacks, Operation };

/// The member iKey of an object's description: "type", "lacks" or an operation's name (then
/// oOp is set). False for any other key.
bool ParseEntryMember(std::string_view iKey, EntryMember* oMember, Op* oOp);

/// "type": the name of one of the object types.
bool ReadEntryType(const TableValue& iValue, Type* oType, Problem* oProblem);

/// "lacks": an array of names of interfaces that objects of iType offer, as a set of bits
/// (1 << Iface) to withhold. The problem's place is the faulty element's ("[2]").
bool ReadLacks(Type iType, const TableValue& iValue, std::uint16_t* oWithheld, Problem* oProblem);

static_assert(kIfaceCount <= 16, "the withheld interfaces are bits of 16");

}  // namespace zyn::mem::loader
