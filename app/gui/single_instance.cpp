#include "app/gui/single_instance.h"

#include <signal.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTimer>
#include <cerrno>
#include <limits>

#include "app/settings/user_paths.h"

namespace ordrex::gui {

namespace {

// A caller that connects and then says nothing (or too little) is dropped after this long, so
// it cannot hold a connection of the running window open.
constexpr int kPeerTimeoutMilliseconds = 2000;

QString RuntimeDir(const std::map<std::string, std::string>& environment) {
  const auto found = environment.find("XDG_RUNTIME_DIR");
  if (found == environment.end() || found->second.empty()) return {};
  const QFileInfo dir(QString::fromStdString(found->second));
  return dir.isAbsolute() && dir.isDir() ? dir.absoluteFilePath() : QString();
}

// Reads one line of at most kMaxLineLength bytes; false once the time is up or the peer is gone.
bool ReadLine(QLocalSocket& socket, QByteArray& line, const QDeadlineTimer& deadline) {
  while (!socket.canReadLine()) {
    if (socket.bytesAvailable() >= kMaxLineLength) return false;
    if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
      return false;
  }
  line = socket.readLine(kMaxLineLength);
  return line.endsWith('\n');
}

}  // namespace

bool IsAutoMode(const QStringList& args) {
  return args.size() > 1 && args[1] == QLatin1String("/auto");
}

bool ProcessAlive(std::int64_t pid) {
  if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return false;
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

InstancePlace InstancePlace::ForUser(const std::map<std::string, std::string>& environment) {
  const UserPaths paths = UserPaths::FromEnvironment(environment);
  const QString configDir = QString::fromStdString(paths.ConfigDir().string());
  const QByteArray hash =
      QCryptographicHash::hash(configDir.toUtf8(), QCryptographicHash::Sha256).toHex().left(12);
  const QString base = QString("ordrex-%1-%2").arg(getuid()).arg(QString::fromLatin1(hash));
  const QString runtime = RuntimeDir(environment);
  InstancePlace place;
  if (runtime.isEmpty()) {
    place.serverName = base;
    place.lockFile = QDir(configDir).filePath(base + ".lock");
  } else {
    place.serverName = QDir(runtime).filePath(base + ".socket");
    place.lockFile = QDir(runtime).filePath(base + ".lock");
  }
  return place;
}

bool SendRequest(const QString& serverName, const char* request, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  QLocalSocket socket;
  socket.connectToServer(serverName);
  if (!socket.waitForConnected(int(deadline.remainingTime()))) return false;
  socket.write(kClientGreeting);
  socket.flush();  // sent now, even when the deadline leaves no time to wait for the answer
  QByteArray answer;
  if (!ReadLine(socket, answer, deadline) || answer != kServerGreeting) return false;
  socket.write(request);
  while (socket.bytesToWrite() > 0) {
    if (deadline.hasExpired() || !socket.waitForBytesWritten(int(deadline.remainingTime())))
      return false;
  }
  socket.disconnectFromServer();
  return true;
}

SingleInstance::SingleInstance(InstancePlace place, QObject* parent)
    : QObject(parent), place_(std::move(place)), lock_(place_.lockFile), server_(this) {
  // Only a dead holder makes a lock stale, never the lock's age: a window may run for days.
  lock_.setStaleLockTime(0);
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::Claim() {
  QDir().mkpath(QFileInfo(place_.lockFile).absolutePath());
  if (lock_.tryLock(0)) return true;
  return lock_.error() != QLockFile::LockFailedError;
}

bool SingleInstance::Listen() {
  // The lock is ours, so a socket file at this name belongs to a copy that is gone.
  QLocalServer::removeServer(place_.serverName);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  return server_.listen(place_.serverName);
}

void SingleInstance::Accept() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
    QTimer::singleShot(kPeerTimeoutMilliseconds, socket, [socket] {
      socket->abort();
      socket->deleteLater();
    });
  }
}

void SingleInstance::ReadFrom(QLocalSocket* socket) {
  const auto drop = [socket] {
    socket->abort();
    socket->deleteLater();
  };
  while (socket->bytesAvailable() > 0) {
    if (!socket->canReadLine()) {
      if (socket->bytesAvailable() >= kMaxLineLength) drop();
      return;
    }
    const QByteArray line = socket->readLine(kMaxLineLength);
    if (!line.endsWith('\n')) return drop();
    if (!socket->property("greeted").toBool()) {
      if (line != kClientGreeting) return drop();
      socket->setProperty("greeted", true);
      socket->write(kServerGreeting);
      continue;
    }
    // One request per connection. The connection is finished (the greeting still goes out,
    // then it is deleted once closed) before the request is handled, so whatever the handler
    // does cannot leave it half open.
    socket->disconnectFromServer();
    if (line == kStartScanRequest) {
      emit StartScanRequested();
    } else if (line == kRaiseRequest) {
      emit RaiseRequested();
    }
    return;
  }
}

}  // namespace ordrex::gui
