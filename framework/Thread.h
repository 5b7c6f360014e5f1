#pragma once
// What a worker thread may ask of the user interface's thread.

#include <functional>

class TThread {
public:
  // Runs Method on the thread of the message loop at one of its next turns, after what is
  // queued before it; may be called from any thread. An exception it raises is handled as a
  // handler's is.
  static void Queue(std::function<void()> Method);
};
