#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/FindFile.h"

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
  for (const auto& [name, entry] : Search(Pattern))
    names.push_back(name);
  return names;
}

using Strings = std::vector<std::string>;

} // namespace

TEST(FindFileTest, PatternsMatchWholeNamesWithCaseIgnored) {
  TempDir dir;
  for (const char* name :
       {"A.ini", "b.INI", "c.ini.bak", "noext", "d.txt", "\xC3\xA4.ini", "\xC3\x84pfel.Ini", "axbxxc"})
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
TEST(FindFileTest, FilesAndDirectoriesAreListedWithTheirSizesAndAttributes) {
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

TEST(FindFileTest, SearchesThatCannotMatchGiveAnInvalidHandle) {
  TempDir dir;
  WriteFile(dir / "file");
  fs::create_directory(dir / "empty");
  WIN32_FIND_DATAA data;
  for (const std::string& pattern : {dir / "missing/*", dir / "file/*", dir / "empty/*", dir / "", dir / "*.none"})
    EXPECT_EQ(FindFirstFileA(pattern.c_str(), &data), INVALID_HANDLE_VALUE) << pattern;

  // A path longer than the platform takes in one call.
  std::string deep = dir.Path;
  while (deep.size() < 5000)
    deep += "/" + std::string(200, 'd');
  EXPECT_EQ(FindFirstFileA((deep + "/*").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindNextFileA(INVALID_HANDLE_VALUE, &data), 0);
  EXPECT_EQ(FindClose(INVALID_HANDLE_VALUE), 0);
}

// The descriptors of the process that lead into Path.
int OpenBelow(const std::string& Path) {
  int count = 0;
  for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = fs::read_symlink(fd.path(), error).string();
    count += !error && (target == Path || target.starts_with(Path + "/"));
  }
  return count;
}

// The name search of a walk's visit takes the entries that the directories-only search of the
// same directory just read, without opening it again; every other search reads the directory,
// so it sees what changed since. The files of a taken listing are looked at afresh.
TEST(FindFileTest, OnlyTheSecondSearchOfAVisitTakesTheListingOfTheFirst) {
  TempDir dir;
  fs::create_directory(dir / "d");
  fs::create_directory(dir / "d/sub");
  WriteFile(dir / "d/one.ini", "1");
  // Opens counted while each search is open; the names it reported.
  WIN32_FIND_DATAA data;
  std::map<std::string, DWORD> sizes;
  auto search = [&](const std::string& Pattern, FINDEX_SEARCH_OPS Op, DWORD Flags, int& Opened) {
    Strings names;
    HANDLE handle = FindFirstFileExA((dir / Pattern).c_str(), FindExInfoStandard, &data, Op, nullptr, Flags);
    Opened = OpenBelow(dir.Path);
    if (handle == INVALID_HANDLE_VALUE) return names;
    do {
      names.push_back(data.cFileName);
      sizes[data.cFileName] = data.nFileSizeLow;
    } while (FindNextFileA(handle, &data));
    FindClose(handle);
    EXPECT_EQ(OpenBelow(dir.Path), 0) << Pattern << ": a closed search holds nothing open";
    std::sort(names.begin(), names.end());
    return names;
  };
  auto directories = [&] {
    int opened;
    EXPECT_EQ(search("d/*.*", FindExSearchLimitToDirectories, 0, opened), (Strings{"sub"}));
    EXPECT_EQ(opened, 1) << "a directories-only search reads the directory";
  };
  int opened;
  directories();
  WriteFile(dir / "d/one.ini", "1234");
  EXPECT_EQ(search("d/*.ini", FindExSearchNameMatch, FIND_FIRST_EX_SAME_VISIT, opened), (Strings{"one.ini"}));
  EXPECT_EQ(opened, 0) << "the second search of the visit takes the first one's listing";
  EXPECT_EQ(sizes["one.ini"], 4u) << "with the file's size read afresh";

  WriteFile(dir / "d/two.ini");
  EXPECT_EQ(search("d/*.ini", FindExSearchNameMatch, FIND_FIRST_EX_SAME_VISIT, opened).size(), 2u);
  EXPECT_EQ(opened, 1) << "a listing is taken once";

  directories();
  WriteFile(dir / "d/three.ini");
  EXPECT_EQ(search("d/*.ini", FindExSearchNameMatch, 0, opened).size(), 3u) << "a search that does not say so reads";
  directories();
  search("*", FindExSearchNameMatch, 0, opened);
  EXPECT_EQ(search("d/*.ini", FindExSearchNameMatch, FIND_FIRST_EX_SAME_VISIT, opened).size(), 3u);
  EXPECT_EQ(opened, 1) << "another search between the two";
  directories();
  fs::remove(dir / "d/one.ini");
  EXPECT_EQ(search("d/*.ini", FindExSearchNameMatch, FIND_FIRST_EX_SAME_VISIT, opened),
            (Strings{"three.ini", "two.ini"}))
      << "a file gone since the listing is not reported";
  EXPECT_EQ(search("d/*", FindExSearchLimitToDirectories, 0, opened), (Strings{"sub"}));
  EXPECT_EQ(opened, 1) << "a directories-only search never takes a listing";
}

// The stamp names the directory a search read, whatever its path names later; a search that
// takes a kept listing keeps it, and one that opens nothing has none.
TEST(FindFileTest, EachSearchStampsTheDirectoryItOpened) {
  TempDir dir;
  fs::create_directory(dir / "d");
  fs::create_directory(dir / "empty");
  auto inode = [](const std::string& Path) {
    struct stat st;
    return stat(Path.c_str(), &st) == 0 ? static_cast<unsigned long long>(st.st_ino) : 0ULL;
  };
  const unsigned long long d = inode(dir / "d"), empty = inode(dir / "empty");
  WIN32_FIND_DATAA data;
  TDirectoryStamp stamp{};
  auto first = [&](const std::string& Pattern, FINDEX_SEARCH_OPS Op, DWORD Flags) {
    HANDLE handle = FindFirstFileExA((dir / Pattern).c_str(), FindExInfoStandard, &data, Op, nullptr, Flags);
    if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
    stamp = {};
    return GetSearchedDirectoryStamp(&stamp);
  };
  ASSERT_EQ(first("empty/*.*", FindExSearchLimitToDirectories, 0), 1) << "a directory with nothing to report";
  EXPECT_EQ(stamp.Inode, empty);
  ASSERT_EQ(first("d/*.*", FindExSearchLimitToDirectories, 0), 1);
  fs::rename(dir / "d", dir / "old");
  fs::create_directory(dir / "d");
  EXPECT_EQ(stamp.Inode, d);
  ASSERT_EQ(first("d/*.ini", FindExSearchNameMatch, FIND_FIRST_EX_SAME_VISIT), 1);
  EXPECT_EQ(stamp.Inode, d) << "the kept listing is the old directory's";
  ASSERT_EQ(first("d/*.ini", FindExSearchNameMatch, 0), 1);
  EXPECT_EQ(stamp.Inode, inode(dir / "d")) << "a new search opens what the path names now";
  EXPECT_EQ(first("gone/*.*", FindExSearchLimitToDirectories, 0), 0);
  EXPECT_EQ(first("d/", FindExSearchNameMatch, 0), 0) << "an empty pattern opens nothing";
}

// No search leaves its directory open, however it ends, so that a volume can be unmounted
// once a walk is over.
TEST(FindFileTest, NoDirectoryStaysOpenOnceItsSearchIsClosed) {
  TempDir dir;
  fs::create_directory(dir / "a");
  fs::create_directory(dir / "b");
  WriteFile(dir / "a/x.ini");
  WIN32_FIND_DATAA data;
  HANDLE first = FindFirstFileA((dir / "*").c_str(), &data), second = FindFirstFileA((dir / "*").c_str(), &data);
  EXPECT_EQ(OpenBelow(dir.Path), 2);
  FindClose(first);
  FindClose(second);
  for (const char* sub : {"a", "b", "a"}) {
    Names(dir / sub + "/*");
    Names(dir / sub + "/*.ini");
    HANDLE unfinished = FindFirstFileA((dir / sub + "/*").c_str(), &data);
    if (unfinished != INVALID_HANDLE_VALUE) FindClose(unfinished);
    EXPECT_EQ(OpenBelow(dir.Path), 0) << sub;
  }
}

// A byte that is not part of valid UTF-8 is one character of its own, and no valid
// character matches it: an overlong form or an encoded surrogate is as many characters as
// it has bytes.
TEST(FindFileTest, NamesThatAreNotUtf8MatchByteForByte) {
  TempDir dir;
  const std::string overlong = "\xC0\x80", surrogate = "\xED\xB2\x80", stray = "\x80";
  for (const std::string& name : {overlong, surrogate, stray, std::string("\xC3\xA4")})
    WriteFile(dir / name);
  EXPECT_EQ(Names(dir / "?"), (Strings{stray, "\xC3\xA4"}));
  EXPECT_EQ(Names(dir / "??"), (Strings{overlong}));
  EXPECT_EQ(Names(dir / "???"), (Strings{surrogate}));
  EXPECT_EQ(Names(dir / stray), (Strings{stray})) << "a stray byte matches only itself";
  EXPECT_EQ(Names(dir / ("*" + stray)), (Strings{stray, overlong, surrogate}));
  EXPECT_EQ(Names(dir / "\xC0*"), (Strings{overlong}));
}

TEST(FindFileTest, ADirectoryLargerThanOneReadIsListedWhole) {
  TempDir dir;
  for (int i = 0; i < 1500; ++i)
    WriteFile(dir / (std::string(40, 'n') + std::to_string(i) + ".ini"));
  EXPECT_EQ(Names(dir / "*.ini").size(), 1500u);
  EXPECT_EQ(Names(dir / "*").size(), 1500u);
}
