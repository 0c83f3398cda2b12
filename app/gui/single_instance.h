#pragma once
// One window per user and settings folder. The first copy holds a lock file and listens on a
// local socket; a later copy finds the lock taken and talks to the first through the socket:
// a scheduled run asks it to scan, a copy started by hand asks it to come to the front.
//
// The exchange is one line each way before the request: the caller sends kClientGreeting, the
// listener answers kServerGreeting, and only then the caller sends its request line. Whatever
// else listens on the socket's name (a crashed copy's leftover, another program) never gets a
// request, and the caller never waits longer than its time limit.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

class QLocalSocket;

namespace ordrex::gui {

// Whether the scheduler started this run: exactly "/auto" as the first argument (args[0] is the
// program). Letter case counts; later arguments are not looked at.
bool IsAutoMode(const QStringList& args);

// Whether a process with this id exists (one of another user counts too).
bool ProcessAlive(std::int64_t pid);

inline constexpr char kClientGreeting[] = "ordrex-handover 1\n";
inline constexpr char kServerGreeting[] = "ordrex-window 1\n";
inline constexpr char kStartScanRequest[] = "start-scan\n";
inline constexpr char kRaiseRequest[] = "raise\n";
// The longest line either side accepts, newline included.
inline constexpr int kMaxLineLength = 64;
inline constexpr int kHandOverTimeoutMilliseconds = 2000;

// Where the copies of one user and settings folder meet.
struct InstancePlace {
  // The local socket: a path in $XDG_RUNTIME_DIR, else a name Qt places in the temporary folder.
  QString serverName;
  // The lock file: in $XDG_RUNTIME_DIR, else in the settings folder.
  QString lockFile;

  // Both names carry the user id and a short hash of the settings folder, so copies that use
  // other settings (another XDG_CONFIG_HOME) never meet.
  static InstancePlace ForUser(const std::map<std::string, std::string>& environment);
};

// Sends `request` (one of the request lines) to the copy listening at `serverName`. True when
// that copy greeted as this program does and the request went out; false at once for no
// listener, and after at most `timeoutMs` for a listener that stays silent or answers otherwise.
bool SendRequest(const QString& serverName, const char* request,
                 int timeoutMs = kHandOverTimeoutMilliseconds);

class SingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit SingleInstance(InstancePlace place, QObject* parent = nullptr);
  ~SingleInstance() override;

  // Takes the lock; false only when a live copy holds it. The lock of a copy that ended
  // without releasing it (a crash) is taken over; a lock that cannot be made at all (a folder
  // that cannot be written) lets this copy run.
  bool Claim();
  // Starts listening for other copies, replacing a socket file a crashed copy left behind.
  // Only call it while holding the lock.
  bool Listen();
  const InstancePlace& Place() const { return place_; }

 signals:
  void StartScanRequested();
  void RaiseRequested();

 private:
  void Accept();
  void ReadFrom(QLocalSocket* socket);

  InstancePlace place_;
  QLockFile lock_;
  QLocalServer server_;
};

}  // namespace ordrex::gui
