// The channel between a later start and the running program: what crosses it, what is
// dropped, a socket left by a crashed program, and a running program that does not answer.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QThread>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "platform/ProgramChannel.h"
#include "tests/support/TestSupport.h"

namespace {

class ProgramChannelTest : public testing::Test {
protected:
  void SetUp() override {
    char folder[] = "/tmp/tabrix-channel-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    Dir = folder;
    Name = Dir + "/socket";
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }

  // Runs the message loop, looking every millisecond, until Done holds or 20 s have gone.
  static bool LoopUntil(const std::function<bool()>& Done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Done() && std::chrono::steady_clock::now() < limit) {
      Settle();
      QThread::msleep(1);
    }
    return Done();
  }

  // A later start on a thread of its own, while this one runs the message loop.
  TProgramChannel::TStart StartElsewhere(const TPathList& Files) {
    TProgramChannel::TStart result = TProgramChannel::psFirst;
    std::unique_ptr<QThread> start(QThread::create([&] { result = TProgramChannel(Name).Start(Files, {}); }));
    start->start();
    EXPECT_TRUE(LoopUntil([&] { return start->isFinished(); }));
    start->wait();
    return result;
  }

  // A socket bound to the channel's name; listening, or closed as a crash leaves it.
  int Bind(bool Listen) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, Name.c_str(), sizeof(address.sun_path) - 1);
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    if (Listen) {
      EXPECT_EQ(listen(fd, 8), 0);
    } else {
      close(fd);
    }
    return fd;
  }

  // Another program's bytes sent to the running program: what it gets back before the
  // connection closes, while the message loop runs; the answer ends the connection too.
  std::string Send(const std::string& Bytes) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, Name.c_str(), sizeof(address.sun_path) - 1);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    std::size_t sent = 0;
    std::string answer;
    bool closed = false;
    EXPECT_TRUE(LoopUntil([&] {
      if (sent < Bytes.size()) {
        const ssize_t n = send(fd, Bytes.data() + sent, Bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) sent += static_cast<std::size_t>(n);
        if (n < 0 && errno != EAGAIN) closed = true;
      }
      char buffer[16];
      const ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
      if (n > 0) answer.append(buffer, static_cast<std::size_t>(n));
      if (n == 0 || (n < 0 && errno != EAGAIN)) closed = true;
      return closed || !answer.empty();
    })) << "the connection was not closed";
    close(fd);
    return answer;
  }

  static std::string Number(std::uint32_t N) {
    return {static_cast<char>(N >> 24), static_cast<char>(N >> 16), static_cast<char>(N >> 8), static_cast<char>(N)};
  }

  std::string Dir;
  std::string Name;
};

} // namespace

TEST_F(ProgramChannelTest, AListCrossesByteForByteAndAnythingElseIsDroppedUnread) {
  TProgramChannel running(Name);
  std::vector<TPathList> received;
  ASSERT_EQ(running.Start({"/first.ini"}, [&](const TPathList& Files) { received.push_back(Files); }),
            TProgramChannel::psFirst);

  const std::string path = "/etc/caf\xE9 & co.ini";
  const std::string whole = EncodePathList({path});
  EXPECT_EQ(whole, "TBX1" + Number(1) + Number(static_cast<std::uint32_t>(path.size())) + path);
  for (const std::string& garbage : {
           std::string("GET / HTTP/1.0\r\n\r\n"),
           "TBX1" + Number(1) + Number(0),                                       // an empty path
           "TBX1" + Number(1) + Number(9) + "rel/a.ini",                         // a relative one
           "TBX1" + Number(1) + Number(6) + std::string("/a\0b.i", 6),           // a NUL in it
           "TBX1" + Number(1) + Number(131073) + "/" + std::string(131072, 'x'), // over the path cap
           "TBX1" + Number(200000),                                              // over the count cap
           "TBX1" + Number(2) + Number(2) + "/a",                                // one path short, until the time is up
           whole + "extra",                                                      // more than the message
       })
    EXPECT_EQ(Send(garbage), "") << "answered " << garbage;
  // A message whole but never confirmed is answered, and opens nothing.
  EXPECT_EQ(Send(whole), "R");
  EXPECT_TRUE(received.empty());

  // A later start hands its list over whole, in order; an empty list too.
  const TPathList files{path, "/b.ini", "/a/../c.ini"};
  EXPECT_EQ(StartElsewhere(files), TProgramChannel::psHandedOver);
  EXPECT_EQ(StartElsewhere({}), TProgramChannel::psHandedOver);
  ASSERT_TRUE(LoopUntil([&] { return received.size() == 2; }));
  EXPECT_EQ(received, (std::vector<TPathList>{files, {}}));
}

TEST_F(ProgramChannelTest, ASocketAndALockLeftByACrashedProgramAreTakenOver) {
  Bind(false);
  // A lock file whose program is gone.
  std::ofstream(Name + ".lock") << "999999\ntabrix\n\n";
  ASSERT_TRUE(std::filesystem::exists(Name));
  TProgramChannel running(Name);
  TPathList received;
  EXPECT_EQ(running.Start({}, [&](const TPathList& Files) { received = Files; }), TProgramChannel::psFirst);
  EXPECT_EQ(StartElsewhere({"/x.ini"}), TProgramChannel::psHandedOver);
  ASSERT_TRUE(LoopUntil([&] { return !received.empty(); }));
  EXPECT_EQ(received, TPathList{"/x.ini"});
}

TEST_F(ProgramChannelTest, AStartGivesUpOnARunningProgramThatDoesNotAnswerAndItOpensNothingLater) {
  // A program that listens and takes nothing.
  const int deaf = Bind(true);
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(TProgramChannel(Name).Start({"/x.ini"}, {}), TProgramChannel::psNoAnswer);
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(2900)) << "it did not wait 3 s";
  close(deaf);
  std::filesystem::remove(Name);

  // A running program that is busy while a start waits: the start gives up, and the files
  // it gave are not opened once the program looks again; a start after that gets through.
  TProgramChannel running(Name);
  std::vector<TPathList> received;
  ASSERT_EQ(running.Start({}, [&](const TPathList& Files) { received.push_back(Files); }), TProgramChannel::psFirst);
  TProgramChannel::TStart given = TProgramChannel::psFirst;
  std::unique_ptr<QThread> start(QThread::create([&] { given = TProgramChannel(Name).Start({"/given-up.ini"}, {}); }));
  start->start();
  start->wait();
  EXPECT_EQ(given, TProgramChannel::psNoAnswer);
  EXPECT_EQ(StartElsewhere({"/later.ini"}), TProgramChannel::psHandedOver);
  ASSERT_TRUE(LoopUntil([&] { return !received.empty(); }));
  Settle();
  EXPECT_EQ(received, std::vector<TPathList>{{"/later.ini"}});
}
