#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/FindFile.h"
#include "platform/Kernel.h"

namespace fs = std::filesystem;

namespace {

class TempDir {
public:
  TempDir() {
    char name[] = "/tmp/tabrix-findfile-XXXXXX";
    Path = mkdtemp(name);
  }
  ~TempDir() { fs::remove_all(Path); }
  std::string operator/(const std::string& Name) const { return Path + "/" + Name; }
  std::string Path;
};

void WriteFile(const std::string& Path, const std::string& Text = "") { std::ofstream(Path) << Text; }

struct Entry {
  DWORD Attributes;
  std::uint64_t Size;
};

// Every entry a search reports, by name.
std::map<std::string, Entry> Search(const std::string& Pattern, FINDEX_SEARCH_OPS Op = FindExSearchNameMatch) {
  std::map<std::string, Entry> found;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileExA(Pattern.c_str(), FindExInfoStandard, &data, Op, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    EXPECT_EQ(found.count(data.cFileName), 0u) << data.cFileName << " reported twice";
    found[data.cFileName] = {data.dwFileAttributes, (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow};
  } while (FindNextFileA(search, &data));
  EXPECT_EQ(FindClose(search), 1);
  return found;
}

std::vector<std::string> Names(const std::string& Pattern) {
  std::vector<std::string> names;
  for (const auto& [name, entry] : Search(Pattern)) names.push_back(name);
  return names;
}

using Strings = std::vector<std::string>;

} // namespace

TEST(FindFile, PatternsMatchWholeNamesWithCaseIgnored) {
  TempDir dir;
  for (const char* name : {"A.ini", "b.INI", "c.ini.bak", "noext", "d.txt", "\xC3\xA4.ini", "\xC3\x84pfel.Ini", "axbxxc"})
    WriteFile(dir / name);

  EXPECT_EQ(Names(dir / "*.ini"), (Strings{"A.ini", "b.INI", "\xC3\x84pfel.Ini", "\xC3\xA4.ini"}));
  EXPECT_EQ(Names(dir / "*.*").size(), 8u) << "*.* also matches names without a dot";
  EXPECT_EQ(Names(dir / "*").size(), 8u);
  // A question mark is one character, also one written in two bytes.
  EXPECT_EQ(Names(dir / "?.ini"), (Strings{"A.ini", "b.INI", "\xC3\xA4.ini"}));
  EXPECT_EQ(Names(dir / "\xC3\xA4PFEL.*"), (Strings{"\xC3\x84pfel.Ini"}));
  EXPECT_EQ(Names(dir / "a*b*c"), (Strings{"axbxxc"}));
  EXPECT_EQ(Names(dir / "*EXT"), (Strings{"noext"}));
  EXPECT_EQ(Names(dir / "d.txt"), (Strings{"d.txt"}));
  EXPECT_EQ(Names(dir / "*.in"), Strings{});
  EXPECT_EQ(Names(dir / "?"), Strings{});
}

// What a search reports of each kind of entry; links to directories and whatever is neither
// a file nor a directory are left out, and so are "." and "..".
TEST(FindFile, EntriesAndTheirAttributes) {
  TempDir dir;
  WriteFile(dir / "plain.ini");
  ASSERT_EQ(truncate((dir / "plain.ini").c_str(), (off_t{1} << 32) + 5), 0);
  WriteFile(dir / ".hidden.ini");
  WriteFile(dir / "locked.ini");
  chmod((dir / "locked.ini").c_str(), 0444);
  fs::create_directory(dir / "sub");
  fs::create_directory(dir / ".cache");
  fs::create_symlink("plain.ini", dir / "file-link");
  fs::create_directory_symlink("sub", dir / "dir-link");
  fs::create_symlink("nowhere", dir / "dangling");
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);

  auto found = Search(dir / "*");
  EXPECT_EQ(found.size(), 6u);
  EXPECT_EQ(found["plain.ini"].Attributes, 0u);
  EXPECT_EQ(found["plain.ini"].Size, (std::uint64_t{1} << 32) + 5);
  EXPECT_EQ(found["file-link"].Size, (std::uint64_t{1} << 32) + 5) << "a link to a file is the file";
  EXPECT_EQ(found[".hidden.ini"].Attributes, FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(found["locked.ini"].Attributes, FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(found["sub"].Attributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(found[".cache"].Attributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(Search(dir / "*.*", FindExSearchLimitToDirectories).size(), 2u);
}

TEST(FindFile, SearchesThatFindNothing) {
  TempDir dir;
  WriteFile(dir / "file");
  fs::create_directory(dir / "empty");
  WIN32_FIND_DATAA data;
  for (const std::string& pattern : {dir / "missing/*", dir / "file/*", dir / "empty/*", dir / "", dir / "*.none"})
    EXPECT_EQ(FindFirstFileA(pattern.c_str(), &data), INVALID_HANDLE_VALUE) << pattern;

  // A path longer than the platform takes in one call.
  std::string deep = dir.Path;
  while (deep.size() < 5000) deep += "/" + std::string(200, 'd');
  EXPECT_EQ(FindFirstFileA((deep + "/*").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindNextFileA(INVALID_HANDLE_VALUE, &data), 0);
  EXPECT_EQ(FindClose(INVALID_HANDLE_VALUE), 0);
}

// The second search of a directory may come from the listing the first one read; it must
// still see every change made in between.
TEST(FindFile, RepeatedSearchesSeeChanges) {
  TempDir dir;
  fs::create_directory(dir / "d");
  WriteFile(dir / "d/one.ini");
  EXPECT_EQ(Names(dir / "d/*"), (Strings{"one.ini"}));
  WriteFile(dir / "d/two.ini");
  EXPECT_EQ(Names(dir / "d/*"), (Strings{"one.ini", "two.ini"}));
  EXPECT_EQ(Names(dir / "d/*.ini"), (Strings{"one.ini", "two.ini"}));
  fs::remove(dir / "d/one.ini");
  EXPECT_EQ(Names(dir / "d/*"), (Strings{"two.ini"}));

  fs::rename(dir / "d", dir / "old");
  fs::create_directory(dir / "d");
  WriteFile(dir / "d/three.ini");
  EXPECT_EQ(Names(dir / "d/*"), (Strings{"three.ini"})) << "a directory replaced under the same path";

  // Sizes are read afresh too.
  WriteFile(dir / "d/three.ini", "1234");
  EXPECT_EQ(Search(dir / "d/*")["three.ini"].Size, 4u);
}

// A listing kept for the next search holds its directory open until then; once a directory
// has been searched twice, as the scanner does, nothing is left open, or a volume could not
// be unmounted after a scan.
TEST(FindFile, NoDirectoryStaysOpenAfterTheSecondSearch) {
  TempDir dir;
  fs::create_directory(dir / "a");
  fs::create_directory(dir / "b");
  auto openFiles = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()); };
  Names(dir / "a/*");
  Names(dir / "a/*");
  const auto baseline = openFiles();
  WIN32_FIND_DATAA data;
  HANDLE first = FindFirstFileA((dir / "*").c_str(), &data), second = FindFirstFileA((dir / "*").c_str(), &data);
  while (FindNextFileA(first, &data) || FindNextFileA(second, &data)) {}
  FindClose(first);
  FindClose(second);
  for (const char* sub : {"a", "b", "a"}) {
    Names(dir / sub + "/*");
    Names(dir / sub + "/*.ini");
    EXPECT_EQ(openFiles(), baseline) << sub;
  }
  Names(dir / "b/*");
  Names(dir / "b/");
  EXPECT_EQ(openFiles(), baseline) << "an empty pattern ends the kept listing too";
}

TEST(FindFile, DirectoryLargerThanOneRead) {
  TempDir dir;
  for (int i = 0; i < 1500; ++i) WriteFile(dir / (std::string(40, 'n') + std::to_string(i) + ".ini"));
  EXPECT_EQ(Names(dir / "*.ini").size(), 1500u);
  EXPECT_EQ(Names(dir / "*").size(), 1500u);
}

TEST(Kernel, CompareStringAndCurrentDirectory) {
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

  std::string cwd = fs::current_path();
  char buffer[MAX_PATH], small[2] = {'x', 'x'};
  EXPECT_EQ(GetCurrentDirectoryA(MAX_PATH, buffer), cwd.size());
  EXPECT_EQ(buffer, cwd);
  EXPECT_EQ(GetCurrentDirectoryA(2, small), cwd.size() + 1) << "the size needed, with the zero";
  EXPECT_EQ(small[0], 'x');
}
