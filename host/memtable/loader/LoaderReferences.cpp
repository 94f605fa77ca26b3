// The settling of the answers that name other objects, once a table file's every id is known.
#include "loader/LoaderReferences.h"

#include "loader/LoaderMessages.h"

namespace zyn::mem::loader {

void References::Add(MemObject* iHolder, std::uint32_t iHolderId, Op iOp, bool iValueForm,
                     const TableValue& iTargets) {
  const bool list = OpKind(iOp) == Kind::List;
  assert(list ? iTargets.shape == TableValue::Shape::Array
              : iTargets.shape == TableValue::Shape::String ||
                    iTargets.shape == TableValue::Shape::Null);
  Reference reference{
      iHolder, iHolderId, iOp, list, iValueForm, static_cast<std::uint32_t>(targets_.size()), 0};
  auto add = [&](const TableValue& iTarget) {
    targets_.push_back(iTarget.shape == TableValue::Shape::Null ? kNullTarget
                                                                : ids_.Number(iTarget.text));
  };
  if (list) {
    for (const TableValue& item : iTargets.items) add(item);
    reference.count = static_cast<std::uint32_t>(iTargets.items.size());
  } else {
    add(iTargets);
    reference.count = 1;
  }
  references_.push_back(reference);
}

std::string References::Place(const Reference& iReference, std::uint32_t iTarget) const {
  std::string place =
      "objects." + std::string(ids_.Name(iReference.holderId)) + "." + OpName(iReference.op);
  if (iReference.valueForm) place += ".value";
  if (iReference.list) place += "[" + std::to_string(iTarget) + "]";
  return place;
}

bool References::Settle(std::string* oError) {
  std::vector<MemObject*> targets;
  for (const Reference& reference : references_) {
    assert(reference.first + std::size_t{reference.count} <= targets_.size());
    targets.clear();
    const Iface required = TargetIface(reference.op);
    for (std::uint32_t i = 0; i < reference.count; ++i) {
      const std::int64_t target = targets_[reference.first + i];
      if (target == kNullTarget) {
        targets.push_back(nullptr);
        continue;
      }
      const auto number = static_cast<std::uint32_t>(target);
      MemObject* object = ids_.Object(number);
      if (!object || !object->Offers(required)) {
        const std::string name = Quoted(ids_.Name(number));
        *oError = Place(reference, i) + ": " +
                  (object ? name + " offers no " + IfaceName(required) : "unknown id " + name);
        return false;
      }
      targets.push_back(object);
    }
    if (reference.list)
      reference.holder->SetList(reference.op, targets);
    else
      reference.holder->SetObject(reference.op, targets[0]);
  }
  return true;
}

}  // namespace zyn::mem::loader
