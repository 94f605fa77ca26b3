// The pseudonyms of names, paths and uuids, the keyed hash they come from, and the text
// written out with its replacements.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "PendingText.h"
#include "Pseudonyms.h"
#include "Sha256.h"

namespace {

using zyn::redact::Pseudonyms;

std::string Hex(const zyn::redact::Digest& iDigest) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (std::uint8_t byte : iDigest) hex += std::string{kDigits[byte >> 4], kDigits[byte & 15]};
  return hex;
}

TEST(KeyedHash, KnownDigests) {
  EXPECT_EQ(Hex(zyn::redact::Sha256("abc")),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Hex(zyn::redact::Sha256(std::string(1000, 'a'))),
            "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
  EXPECT_EQ(Hex(zyn::redact::HmacSha256("Jefe", "what do ya want for nothing?")),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
  EXPECT_EQ(Hex(zyn::redact::HmacSha256(std::string(131, '\xaa'),
                                        "Test Using Larger Than Block-Size Key - Hash Key First")),
            "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");
}

TEST(Pseudonyms, NamesNumberedInOrderKeepingTheirExtension) {
  Pseudonyms pseudonyms;
  EXPECT_EQ(pseudonyms.OfName("pump-housing.part"), "name-0001.part");
  EXPECT_EQ(pseudonyms.OfName("Bolt pattern, flange side"), "name-0002");
  EXPECT_EQ(pseudonyms.OfName("pump-housing.part"), "name-0001.part");
  EXPECT_EQ(pseudonyms.OfName(".profile"), "name-0003");     // a leading dot is no extension
  EXPECT_EQ(pseudonyms.OfName("a.b c"), "name-0004");        // nor a suffix with a blank
  EXPECT_EQ(pseudonyms.OfName("x.abcdefghi"), "name-0005");  // nor one of nine characters
  EXPECT_EQ(pseudonyms.OfName(""), "");
}

TEST(Pseudonyms, PathsKeepTheirDepthAndShareTheirPartsWithNames) {
  Pseudonyms pseudonyms;
  const std::string name = pseudonyms.OfName("bolt.part");
  EXPECT_EQ(pseudonyms.OfPath("/vault/plant7/bolt.part"), "/name-0002/name-0003/" + name);
  EXPECT_EQ(pseudonyms.OfPath("C:\\vault\\..\\bolt.part\\"), "C:\\name-0002\\..\\" + name + "\\");
  EXPECT_EQ(pseudonyms.OfPath("//"), "//");
  EXPECT_EQ(pseudonyms.OfPath("./x"), "./name-0004");
}

TEST(Pseudonyms, UuidsKeepTheirShape) {
  Pseudonyms pseudonyms;
  const std::string hex = pseudonyms.OfUuid("3f2a9c4e17b04d5e8a61c0d2b7e94f13");
  EXPECT_EQ(hex.size(), 32u);
  EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_NE(hex, "3f2a9c4e17b04d5e8a61c0d2b7e94f13");
  const std::string upper = pseudonyms.OfUuid("0A1B-FF");
  EXPECT_EQ(upper.size(), 7u);
  EXPECT_EQ(upper[4], '-');
  EXPECT_EQ(upper.find_first_not_of("0123456789ABCDEF-"), std::string::npos);
  const std::string mixed = pseudonyms.OfUuid("ws-6f0e2b91-Plant7");
  ASSERT_EQ(mixed.size(), 18u);
  EXPECT_EQ(mixed.substr(0, 3).find_first_not_of("abcdefghijklmnopqrstuvwxyz"), 2u);
  EXPECT_TRUE(mixed[12] >= 'A' && mixed[12] <= 'Z');
  EXPECT_TRUE(mixed[17] >= '0' && mixed[17] <= '9');
  EXPECT_EQ(pseudonyms.OfUuid("ws-6f0e2b91-Plant7"), mixed);
}

TEST(Pseudonyms, OneKeyOneTextOnePseudonymWhateverTheOrder) {
  Pseudonyms first(std::string("secret")), second(std::string("secret")),
      other(std::string("other"));
  first.OfName("something else first");
  const std::string name = first.OfName("bolt.part");
  EXPECT_EQ(second.OfName("bolt.part"), name);
  EXPECT_NE(other.OfName("bolt.part"), name);
  EXPECT_EQ(name.size(), std::string("name-").size() + 12 + std::string(".part").size());
  EXPECT_EQ(first.OfUuid("3f2a9c4e17b04d5e"), second.OfUuid("3f2a9c4e17b04d5e"));
}

TEST(Pseudonyms, DifferentTextsNeverShareOne) {
  for (const bool keyed : {false, true}) {
    Pseudonyms pseudonyms(keyed ? std::optional<std::string>("k") : std::nullopt);
    std::set<std::string> given;
    for (int i = 0; i < 3000; ++i) {
      given.insert(pseudonyms.OfName("text " + std::to_string(i)));
      // One hexadecimal digit: sixteen texts, sixteen shapes.
      if (i < 16) given.insert(pseudonyms.OfUuid(std::string(1, "0123456789abcdef"[i])));
    }
    EXPECT_EQ(given.size(), 3016u);
    for (const std::string& pseudonym : given)
      EXPECT_EQ(pseudonym.find_first_of(" ,:<>\n"), std::string::npos) << pseudonym;
  }
}

/// The text written out, and each write.
struct Collected : zyn::reader::TextSink {
  std::string text;
  bool Write(std::string_view iText) override {
    text += iText;
    return true;
  }
};

TEST(PendingText, WritesTheLinesBeforeANodeWithTheirReplacements) {
  zyn::reader::MemorySource source("one\ntwo words\nthree");
  Collected sink;
  zyn::redact::PendingText text(source, sink);
  char buffer[64];
  std::string error;
  ASSERT_EQ(text.Read(buffer, sizeof buffer, &error), 19);
  EXPECT_EQ(text.LineStart(2), 4u);
  EXPECT_EQ(text.LineEnd(2), 13u);
  EXPECT_EQ(text.LineEnd(3), 19u);
  text.Replace(8, 5, "W");  // "words"
  text.Replace(0, 4, "");   // "one\n"
  ASSERT_TRUE(text.WriteBefore(3));
  EXPECT_EQ(sink.text, "two W\n");
  EXPECT_FALSE(text.Holds(2));
  ASSERT_TRUE(text.WriteAll());
  EXPECT_EQ(sink.text, "two W\nthree");
}

}  // namespace
