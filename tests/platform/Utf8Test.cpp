#include <gtest/gtest.h>

#include <string>

#include "platform/Utf8.h"

namespace {

// The length DecodeUtf8 gives for the whole of Text, and the code point it decodes.
std::pair<std::size_t, char32_t> DecodeAll(const std::string& Text) {
  char32_t code = 0;
  const std::size_t length = DecodeUtf8(Text, 0, code);
  return {length, length ? code : 0};
}

} // namespace

TEST(Utf8Test, ValidSequencesAtTheBoundariesOfEachLengthAreDecoded) {
  const std::pair<std::string, char32_t> valid[] = {
      {std::string(1, '\0'), 0},     {"\x7F", 0x7F},           {"\xC2\x80", 0x80},
      {"\xDF\xBF", 0x7FF},           {"\xE0\xA0\x80", 0x800},  {"\xED\x9F\xBF", 0xD7FF},
      {"\xEE\x80\x80", 0xE000},      {"\xEF\xBF\xBF", 0xFFFF}, {"\xF0\x90\x80\x80", 0x10000},
      {"\xF4\x8F\xBF\xBF", 0x10FFFF}};
  for (const auto& [text, code] : valid) {
    EXPECT_EQ(DecodeAll(text), std::make_pair(text.size(), code)) << std::hex << static_cast<unsigned>(code);
    EXPECT_TRUE(IsValidUtf8(text)) << std::hex << static_cast<unsigned>(code);
  }
  // A sequence is decoded where it stands, and only it.
  char32_t code;
  EXPECT_EQ(DecodeUtf8("a\xC3\xA4z", 1, code), 2u);
  EXPECT_EQ(code, U'\u00E4');
  EXPECT_TRUE(IsValidUtf8("[S\xC3\xA9\x63]\r\nk=\xE2\x82\xAC\xF0\x9F\x98\x80"));
}

TEST(Utf8Test, MalformedSequencesAreRejected) {
  const std::string invalid[] = {
      "\xC0\x80",
      "\xC1\xBF",
      "\xE0\x80\x80",
      "\xE0\x9F\xBF",
      "\xF0\x80\x80\x80",
      "\xF0\x8F\xBF\xBF", // overlong forms
      "\xED\xA0\x80",
      "\xED\xBF\xBF", // surrogates
      "\xF4\x90\x80\x80",
      "\xF7\xBF\xBF\xBF",
      "\xF8\x88\x80\x80\x80", // above U+10FFFF, or no lead byte at all
      "\x80",
      "\xBF",
      "\xFE",
      "\xFF", // continuation or no byte of UTF-8
      "\xC3",
      "\xE2\x82",
      "\xF0\x9F\x98", // cut short at the end
      "\xC3"
      "a",
      "\xE2\x82"
      "a",
      "\xF0\x9F\x98"
      "a", // cut short by another character
  };
  for (const std::string& text : invalid) {
    EXPECT_EQ(DecodeAll(text).first, 0u) << testing::PrintToString(text);
    EXPECT_FALSE(IsValidUtf8(text)) << testing::PrintToString(text);
    EXPECT_FALSE(IsValidUtf8("ok " + text + " ok")) << testing::PrintToString(text);
  }
  EXPECT_TRUE(IsValidUtf8(""));
}

// Two different names never show alike: what is not UTF-8, a control character and a "\x"
// of the name itself are escaped; the rest, other backslashes included, shows as it is.
TEST(Utf8Test, ReadableNamesEscapeOnlyWhatCouldNotBeToldApart) {
  EXPECT_EQ(ReadableName("/m\xC3\xA9nu/a b|c\\d.ini"), "/m\xC3\xA9nu/a b|c\\d.ini");
  EXPECT_EQ(ReadableName("caf\xE9.ini"), "caf\\xE9.ini");
  EXPECT_EQ(ReadableName("\xC0\xAF\xED\xA0\x80"), "\\xC0\\xAF\\xED\\xA0\\x80"); // overlong, surrogate
  EXPECT_EQ(ReadableName("a\nb\tc\x7F"), "a\\x0Ab\\x09c\\x7F");
  EXPECT_EQ(ReadableName("\\xE9"), "\\x5CxE9");
  EXPECT_NE(ReadableName("\\xE9"), ReadableName("\xE9"));
}
