#pragma once
// The directory search's read-ahead for cold trees (the design is described in FindFile.h):
// what the search tells it of the walk, on the walk's thread.

#include <string>

// Lets the directory searches of this thread read ahead for a walk while it exists (see
// platform/FindFile.h); scopes nest, and the outermost one's end stops the read-ahead.
class TReadAheadScope {
public:
  TReadAheadScope();
  ~TReadAheadScope();
  TReadAheadScope(const TReadAheadScope&) = delete;
  TReadAheadScope& operator=(const TReadAheadScope&) = delete;
};

namespace ReadAhead {

// Whether a walk on this thread has asked for read-ahead: only then are the calls below made.
bool InScope();
// The walk has read Directory, for its subdirectories, in ReadNs nanoseconds of open and read
// calls.
void Entered(const std::string& Directory, long long ReadNs);
// The pattern of the walk's latest file search, whose matching files the read-ahead looks at.
void FilePattern(const std::string& Pattern);

} // namespace ReadAhead
