// The table file's schema describes what the loader reads: for every type, the interfaces it
// may withhold and the operations it answers, each with the answer forms of its value kind.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "zyn/ZynMemTable.h"

namespace {

using nlohmann::json;
using zyn::mem::Iface;
using zyn::mem::Kind;
using zyn::mem::Op;
using zyn::mem::Type;

const json& Schema() {
  static const json schema = [] {
    std::ifstream file(ZYN_TABLE_SCHEMA);
    return json::parse(file);
  }();
  return schema;
}

/// The definition that gives the answer forms of iOp.
std::string AnswerDefinition(Op iOp) {
  if (iOp == Op::IsPLMIDCompletionActive || iOp == Op::IsBrokenLink) return "#/$defs/flag";
  switch (zyn::mem::OpKind(iOp)) {
    case Kind::Text:
      return "#/$defs/answer-text";
    case Kind::Uuid:
      return "#/$defs/answer-uuid";
    case Kind::Int:
      return "#/$defs/answer-int";
    case Kind::Unsigned:
      return "#/$defs/answer-unsigned";
    case Kind::Bool:
      return "#/$defs/answer-bool";
    case Kind::Binary:
      return "#/$defs/answer-binary";
    case Kind::Octets:
      return "#/$defs/answer-octets";
    case Kind::Time:
      return "#/$defs/answer-time";
    case Kind::PLMID:
      return "#/$defs/answer-plmid";
    case Kind::CEStamp:
      return "#/$defs/answer-cestamp";
    case Kind::Object:
      return "#/$defs/answer-reference";
    case Kind::List:
      return "#/$defs/answer-list";
  }
  return "";
}

TEST(TableSchema, DescribesEveryTypeAsTheLoaderReadsIt) {
  const json& defs = Schema().at("$defs");
  std::set<std::string> typeNames, chosen;
  for (const json& name : defs.at("object").at("properties").at("type").at("enum"))
    typeNames.insert(name.get<std::string>());
  for (const json& branch : defs.at("object").at("allOf"))
    chosen.insert(branch.at("if").at("properties").at("type").at("const").get<std::string>());

  for (int t = 0; t < zyn::mem::kTypeCount; ++t) {
    const Type type = static_cast<Type>(t);
    const std::string name = zyn::mem::TypeName(type);
    SCOPED_TRACE(name);
    EXPECT_EQ(typeNames.count(name), 1u);
    EXPECT_EQ(chosen.count(name), 1u);
    ASSERT_TRUE(defs.contains(name));
    const json& properties = defs.at(name).at("properties");
    EXPECT_EQ(properties.at("type").at("const"), name);

    std::set<std::string> withholdable, offered;
    for (const json& iface : properties.at("lacks").at("items").at("enum"))
      withholdable.insert(iface.get<std::string>());
    for (int i = 0; i < zyn::mem::kIfaceCount; ++i)
      if (zyn::mem::TypeOffers(type, static_cast<Iface>(i)))
        offered.insert(zyn::mem::IfaceName(static_cast<Iface>(i)));
    EXPECT_EQ(withholdable, offered);

    std::size_t answered = 0;
    for (int o = 0; o < zyn::mem::kOpCount; ++o) {
      const Op op = static_cast<Op>(o);
      const bool described = properties.contains(zyn::mem::OpName(op));
      EXPECT_EQ(described, zyn::mem::TypeHasOp(type, op)) << zyn::mem::OpName(op);
      if (!described) continue;
      ++answered;
      EXPECT_EQ(properties.at(zyn::mem::OpName(op)).value("$ref", ""), AnswerDefinition(op))
          << zyn::mem::OpName(op);
    }
    EXPECT_EQ(properties.size(), answered + 2) << "members other than type, lacks and queries";
  }
  EXPECT_EQ(typeNames.size(), static_cast<std::size_t>(zyn::mem::kTypeCount));
}

}  // namespace
