#pragma once
// The channel by which a later start of the program hands its files to the program already
// running for the same user on the same display: a local socket of that user's.
//
// What crosses it, from the later start: "TBX1", the number of paths (4 bytes), then each
// path as its length (4 bytes) and its bytes, numbers big-endian; each path absolute, without
// a NUL. The running program answers one byte once it holds the whole list, and opens it when
// the later start confirms with one byte of its own, so that a start that has given up opens
// nothing. Anything else, or a list not whole within 3 s, is dropped unread and the
// connection closed.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QLocalServer;

using TPathList = std::vector<std::string>;

class TProgramChannel {
public:
  enum TStart {
    psFirst,      // no program served the channel; this one does now, where it could listen
    psHandedOver, // the running program has the files
    psNoAnswer,   // a program serves the channel but did not take the files within 3 s
  };

  // The channel at the socket Name (a path).
  explicit TProgramChannel(std::string Name);
  ~TProgramChannel();

  // The socket of this user on this display: in the user's runtime directory, named after
  // the user's id and the Wayland or X display.
  static std::string DefaultName();

  // Hands Files to the program serving the channel, waiting at most 3 s for it to take them.
  // When none serves it — none runs, or one crashed and left its socket behind — this one
  // serves it from now on: OnFiles is told of each list a later start hands over, in the
  // message loop. Two starts at the same moment take turns: the second hands its files to
  // the first.
  TStart Start(const TPathList& Files, std::function<void(const TPathList&)> OnFiles);

private:
  // Takes the connections of later starts.
  void Serve();
  std::string FName;
  std::unique_ptr<QLocalServer> FServer;
  std::function<void(const TPathList&)> FOnFiles;
};

// The message that carries Files.
std::string EncodePathList(const TPathList& Files);

enum TPathListRead { plIncomplete, plComplete, plMalformed };
// Reads a message from the bytes received so far: plComplete (Files filled) when they are
// exactly one whole message, plIncomplete when they may still become one, else plMalformed:
// a wrong mark, more than 100,000 paths, a path empty, relative, holding a NUL or longer
// than 128 KiB (the longest argument a program is given), a message longer than 8 MiB, or bytes beyond the message's
// end.
TPathListRead DecodePathList(std::string_view Bytes, TPathList& Files);
