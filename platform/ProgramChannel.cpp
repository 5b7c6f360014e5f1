#include "platform/ProgramChannel.h"

#include <unistd.h>

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/QtWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long a start waits for the running program, and the running program for a start.
constexpr std::chrono::milliseconds AnswerTime(3000);
constexpr std::string_view Mark = "TBX1";
constexpr std::uint32_t MaxPaths = 100000;
// The longest argument the system passes to a program.
constexpr std::uint32_t MaxPathBytes = 128 << 10;
constexpr std::size_t MaxMessageBytes = 8 << 20;
// The running program's answer: it holds the list; the start's confirmation: open it.
constexpr char Received = 'R';
constexpr char Confirmed = 'C';

void PutNumber(std::string& Out, std::uint32_t N) {
  for (int shift = 24; shift >= 0; shift -= 8)
    Out += static_cast<char>((N >> shift) & 0xFF);
}

std::uint32_t GetNumber(std::string_view Bytes, std::size_t At) {
  std::uint32_t n = 0;
  for (std::size_t i = 0; i < 4; ++i)
    n = (n << 8) | static_cast<unsigned char>(Bytes[At + i]);
  return n;
}

// The milliseconds left until Deadline, none when it has passed.
int Left(Clock::time_point Deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
  return static_cast<int>(std::max<decltype(left)>(left, 0));
}

QString QName(const std::string& Name) { return QFile::decodeName(QByteArray::fromStdString(Name)); }

// What a later start has sent so far over one connection: the message until it is whole,
// then the list it carries, until the start confirms it.
struct TReceipt {
  std::string Message;
  std::optional<TPathList> Files;
};

// Waits for the byte Expected from Socket until Deadline.
bool WaitForByte(QLocalSocket& Socket, char Expected, Clock::time_point Deadline) {
  while (Socket.bytesAvailable() < 1)
    if (!Socket.waitForReadyRead(Left(Deadline))) return false;
  char byte = 0;
  return Socket.read(&byte, 1) == 1 && byte == Expected;
}

// Sends Files over the connected Socket and waits for the answer until Deadline; confirms it.
bool HandOver(QLocalSocket& Socket, const TPathList& Files, Clock::time_point Deadline) {
  const std::string message = EncodePathList(Files);
  Socket.write(message.data(), static_cast<qint64>(message.size()));
  while (Socket.bytesToWrite() > 0)
    if (!Socket.waitForBytesWritten(Left(Deadline))) return false;
  if (!WaitForByte(Socket, Received, Deadline)) return false;
  Socket.write(&Confirmed, 1);
  // One byte into an empty socket's buffer goes at once.
  while (Socket.bytesToWrite() > 0)
    if (!Socket.waitForBytesWritten(1000)) return false;
  return true;
}

} // namespace

std::string EncodePathList(const TPathList& Files) {
  std::string message(Mark);
  PutNumber(message, static_cast<std::uint32_t>(Files.size()));
  for (const std::string& file : Files) {
    PutNumber(message, static_cast<std::uint32_t>(file.size()));
    message += file;
  }
  return message;
}

TPathListRead DecodePathList(std::string_view Bytes, TPathList& Files) {
  if (Bytes.size() > MaxMessageBytes) return plMalformed;
  const std::size_t markPart = std::min(Bytes.size(), Mark.size());
  if (Bytes.substr(0, markPart) != Mark.substr(0, markPart)) return plMalformed;
  if (Bytes.size() < 8) return plIncomplete;
  const std::uint32_t count = GetNumber(Bytes, 4);
  if (count > MaxPaths) return plMalformed;
  // The paths are only looked at until the message is whole; then they are taken.
  std::vector<std::string_view> paths;
  std::size_t at = 8;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (at + 4 > Bytes.size()) return plIncomplete;
    const std::uint32_t length = GetNumber(Bytes, at);
    at += 4;
    if (length == 0 || length > MaxPathBytes) return plMalformed;
    const std::string_view path = Bytes.substr(at, length);
    if (path.empty()) return plIncomplete;
    if (path.front() != '/' || path.find('\0') != std::string_view::npos) return plMalformed;
    if (path.size() < length) return plIncomplete;
    paths.push_back(path);
    at += length;
  }
  if (at != Bytes.size()) return plMalformed;
  Files.assign(paths.begin(), paths.end());
  return plComplete;
}

TProgramChannel::TProgramChannel(std::string Name) : FName(std::move(Name)) {}

TProgramChannel::~TProgramChannel() = default;

std::string TProgramChannel::DefaultName() {
  // The Wayland display where there is one, else the X display without its screen number:
  // the program runs on either, and ":0" and ":0.0" are one display.
  QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
  if (display.isEmpty()) display = qEnvironmentVariable("DISPLAY").remove(QRegularExpression("\\.[0-9]+$"));
  display.replace(QRegularExpression("[^A-Za-z0-9_-]"), "_");
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return QFile::encodeName(folder + "/tabrix-" + QString::number(getuid()) + "-" + display).toStdString();
}

TProgramChannel::TStart TProgramChannel::Start(const TPathList& Files, std::function<void(const TPathList&)> OnFiles) {
  const Clock::time_point deadline = Clock::now() + AnswerTime;
  const QString name = QName(FName);
  // Starts take turns from looking for a running program to serving the channel, so that two
  // at the same moment make one program. A lock left by a program that crashed is taken over.
  QLockFile lock(name + ".lock");
  if (!lock.tryLock(Left(deadline)) && lock.error() == QLockFile::LockFailedError) return psNoAnswer;
  QLocalSocket socket;
  socket.connectToServer(name);
  if (socket.waitForConnected(Left(deadline))) {
    lock.unlock();
    return HandOver(socket, Files, deadline) ? psHandedOver : psNoAnswer;
  }
  if (socket.error() == QLocalSocket::SocketTimeoutError) return psNoAnswer;
  // No program serves the channel; what a crashed one left behind goes. The socket lies in the
  // user's own runtime folder, which nobody else may enter. A channel that cannot be had
  // leaves this program on its own.
  if (socket.error() == QLocalSocket::ServerNotFoundError || socket.error() == QLocalSocket::ConnectionRefusedError) {
    QLocalServer::removeServer(name);
    FServer = std::make_unique<QLocalServer>();
    if (FServer->listen(name)) {
      FOnFiles = std::move(OnFiles);
      ConnectGuarded(FServer.get(), &QLocalServer::newConnection, [this] { Serve(); });
    } else {
      FServer.reset();
    }
  }
  return psFirst;
}

void TProgramChannel::Serve() {
  while (QLocalSocket* socket = FServer->nextPendingConnection()) {
    QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    // A start that has not sent its whole list and confirmed it in time is dropped.
    QTimer::singleShot(AnswerTime, socket, [socket] { socket->abort(); });
    auto receipt = std::make_shared<TReceipt>();
    ConnectGuarded(socket, &QLocalSocket::readyRead, [this, socket, receipt] {
      if (socket->state() != QLocalSocket::ConnectedState) return;
      if (!receipt->Files) {
        // No more is read than can still be part of a message.
        const qint64 room = static_cast<qint64>(MaxMessageBytes + 1 - receipt->Message.size());
        const QByteArray bytes = socket->read(std::min(room, socket->bytesAvailable()));
        receipt->Message.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        TPathList files;
        switch (DecodePathList(receipt->Message, files)) {
        case plIncomplete: break;
        case plMalformed: socket->abort(); break;
        case plComplete:
          receipt->Files = std::move(files);
          socket->write(&Received, 1);
          break;
        }
        return;
      }
      char byte = 0;
      if (socket->read(&byte, 1) != 1 || byte != Confirmed || socket->bytesAvailable() > 0) {
        socket->abort();
        return;
      }
      const TPathList files = std::move(*receipt->Files);
      receipt->Files.reset();
      socket->disconnectFromServer();
      if (FOnFiles) FOnFiles(files);
    });
  }
}
