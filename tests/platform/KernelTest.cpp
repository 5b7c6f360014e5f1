#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Kernel.h"

namespace fs = std::filesystem;

using Strings = std::vector<std::string>;

TEST(KernelTest, ComparisonsAndSortKeysAgreeAndTheCurrentDirectoryIsReportedWithItsSize) {
  auto compare = [](DWORD Flags, const char* A, const char* B) {
    return CompareStringA(LOCALE_USER_DEFAULT, Flags, A, -1, B, -1);
  };
  EXPECT_EQ(compare(NORM_IGNORECASE, "A.ini", "a.INI"), CSTR_EQUAL);
  EXPECT_EQ(compare(NORM_IGNORECASE, "A.ini", "b.ini"), CSTR_LESS_THAN);
  EXPECT_EQ(compare(NORM_IGNORECASE, "c.INI", "b.ini"), CSTR_GREATER_THAN);
  EXPECT_EQ(compare(NORM_IGNORECASE, "\xC3\x84pfel", "\xC3\xA4PFEL"), CSTR_EQUAL);
  EXPECT_NE(compare(0, "A.ini", "a.ini"), CSTR_EQUAL);
  EXPECT_NE(compare(NORM_IGNORECASE, "\xFF", "\xFE"), CSTR_EQUAL) << "bytes that are no UTF-8 stay apart";
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "abX", 2, "AB", -1), CSTR_EQUAL);
  EXPECT_EQ(compare(0x1000, "a", "a"), 0) << "an unknown flag fails";

  // Sort keys order as the comparison does, in any pair of these names.
  auto key = [](const std::string& Text) {
    std::string bytes(static_cast<std::size_t>(LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE,
                                                            Text.data(), static_cast<int>(Text.size()), nullptr, 0)),
                      '\0');
    EXPECT_EQ(LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, Text.data(),
                           static_cast<int>(Text.size()), bytes.data(), static_cast<int>(bytes.size())),
              static_cast<int>(bytes.size()));
    return bytes;
  };
  const Strings names{"",     "a", "A", "ab", "a b", "a-b", "a.ini", "B.ini", "\xC3\xA4", "\xC3\x84pfel",
                      "\xFF", "z", "Z~"};
  for (const std::string& a : names)
    for (const std::string& b : names) {
      const int order = compare(NORM_IGNORECASE, a.c_str(), b.c_str()), bytes = key(a).compare(key(b));
      EXPECT_EQ(order, bytes < 0 ? CSTR_LESS_THAN : bytes > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL) << a << " " << b;
    }

  std::string cwd = fs::current_path();
  char buffer[MAX_PATH], small[2] = {'x', 'x'};
  EXPECT_EQ(GetCurrentDirectoryA(MAX_PATH, buffer), cwd.size());
  EXPECT_EQ(buffer, cwd);
  EXPECT_EQ(GetCurrentDirectoryA(2, small), cwd.size() + 1) << "the size needed, with the zero";
  EXPECT_EQ(small[0], 'x');
}
