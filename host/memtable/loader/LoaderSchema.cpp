// The rules of a table file's frame: top-level members, an object's type and withheld interfaces.
#include "loader/LoaderSchema.h"

#include <string>

#include "loader/LoaderMessages.h"

namespace zyn::mem::loader {

std::size_t RootMemberIndex(std::string_view iName) {
  std::size_t index = 0;
  while (index < kRootMembers.size() && kRootMembers[index] != iName) ++index;
  return index;
}

bool CheckSchemaMember(const TableValue& iValue, Problem* oProblem) {
  if (iValue.shape != TableValue::Shape::String)
    return oProblem->Set("", "expected the address of the table's schema, a text");
  return true;
}

bool ReadRefusedMetaClasses(const TableValue& iValue, std::vector<std::string>* oNames,
                            Problem* oProblem) {
  if (iValue.shape != TableValue::Shape::Array)
    return oProblem->Set("", "expected an array of class names");
  for (std::size_t i = 0; i < iValue.items.size(); ++i) {
    const TableValue& name = iValue.items[i];
    if (name.shape != TableValue::Shape::String || name.text.empty())
      return oProblem->Set("[" + std::to_string(i) + "]", "expected a class name");
    oNames->push_back(name.text);
  }
  return true;
}

bool ParseEntryMember(std::string_view iKey, EntryMember* oMember, Op* oOp) {
  if (iKey == "type") {
    *oMember = EntryMember::Type;
  } else if (iKey == "lacks") {
    *oMember = EntryMember::Lacks;
  } else if (ParseOp(iKey, oOp)) {
    *oMember = EntryMember::Operation;
  } else {
    return false;
  }
  return true;
}

bool ReadEntryType(const TableValue& iValue, Type* oType, Problem* oProblem) {
  if (iValue.shape != TableValue::Shape::String) return oProblem->Set("", "expected a type name");
  if (!ParseType(iValue.text, oType))
    return oProblem->Set("", "unknown type " + Quoted(iValue.text));
  return true;
}

bool ReadLacks(Type iType, const TableValue& iValue, std::uint16_t* oWithheld, Problem* oProblem) {
  if (iValue.shape != TableValue::Shape::Array)
    return oProblem->Set("", "expected an array of interface names");
  std::uint16_t withheld = 0;
  for (std::size_t i = 0; i < iValue.items.size(); ++i) {
    const TableValue& name = iValue.items[i];
    const std::string place = "[" + std::to_string(i) + "]";
    Iface iface;
    if (name.shape != TableValue::Shape::String)
      return oProblem->Set(place, "expected an interface name");
    if (!ParseIface(name.text, &iface))
      return oProblem->Set(place, "unknown interface " + Quoted(name.text));
    if (!TypeOffers(iType, iface))
      return oProblem->Set(place, std::string(TypeName(iType)) + " offers no " + name.text);
    withheld |= static_cast<std::uint16_t>(1u << static_cast<int>(iface));
  }
  *oWithheld = withheld;
  return true;
}

}  // namespace zyn::mem::loader
