// The texts that components leave behind when their place changes kind: kept with their room,
// and given back empty.
#include <gtest/gtest.h>

#include <string>

#include "parse/Spares.h"

namespace zyn_test {
namespace {

using namespace zyn::reader;

const std::string kUuid =
    "5a17e5d0c0ffee110000000000000000";  // longer than a string holds in place

TEST(Spares, FieldsOfAnotherKindTakeTheRoomOfTheTextsLeftAndStartEmpty) {
  Spares spares;
  Component component;
  FileBasedFields& file = spares.Use<FileBasedFields>(&component);
  file.uuid = kUuid;
  file.name = "a name long enough to live outside its string";
  const char* room = file.uuid.data();
  spares.Use<PellFields>(&component);
  // A provider's name takes one of the texts the file-based fields left.
  ProviderFields& provider = spares.Use<ProviderFields>(&component);
  EXPECT_TRUE(provider.providerName.empty());
  EXPECT_GE(provider.providerName.capacity(), kUuid.size());
  FileBasedFields& again = spares.Use<FileBasedFields>(&component);
  EXPECT_TRUE(again.name.empty() && again.documentType.empty() && again.uuid.empty());
  EXPECT_TRUE(again.name.data() == room || provider.providerName.data() == room);
}

TEST(Spares, AnEmptiedPlaceAndAClosingUuidGiveTheirTextsBack) {
  Spares spares;
  ComponentPlace place;
  spares.Use<RmtFileBasedFields>(&place.component.emplace()).technoString = kUuid + kUuid;
  spares.Vacate(&place);
  EXPECT_FALSE(place.component);
  std::optional<std::string> text = spares.TakeText();
  ASSERT_TRUE(text);
  EXPECT_TRUE(text->empty());
  EXPECT_GE(text->capacity(), 2 * kUuid.size());
  spares.RetireText(&text);
  EXPECT_FALSE(text);
  EXPECT_GE(spares.TakeText()->capacity(), 2 * kUuid.size());
}

}  // namespace
}  // namespace zyn_test
