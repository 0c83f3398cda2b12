// One window per user: the scheduled run's hand-over, the duplicate started by hand, peers that
// do not speak the program's greeting, the lock of a crashed copy, and the window's scheduled
// scan. The copies on the other side are real processes of the built program.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "app/gui/repair_page.h"
#include "app/gui/startup.h"
#include "app/settings/settings_io.h"
#include "app/settings/settings_store.h"
#include "engine/registry.h"
#include "gui/window_fixture.h"

namespace ordrex::gui {
namespace {

// Handles events until `done` holds or `milliseconds` have passed; returns `done()`.
bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < milliseconds)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

std::int64_t DeadPid() {
  QProcess gone;
  gone.start("true", {});
  EXPECT_TRUE(gone.waitForStarted());
  const std::int64_t pid = gone.processId();
  EXPECT_TRUE(gone.waitForFinished());
  return pid;
}

TEST(SingleInstance, OnlyExactlySlashAutoFirstIsAutoModeAndOnlyLiveProcessesCount) {
  const struct {
    QStringList args;
    bool autoMode;
  } rows[] = {{{"ordrex", "/auto"}, true},
              {{"ordrex", "/auto", "--prefix", "/p"}, true},
              {{"ordrex", "/AUTO"}, false},
              {{"ordrex", "/Auto"}, false},
              {{"ordrex", "--prefix", "/auto"}, false},
              {{"ordrex", "-auto"}, false},
              {{"ordrex"}, false},
              {{}, false}};
  for (const auto& row : rows)
    EXPECT_EQ(IsAutoMode(row.args), row.autoMode) << row.args.join(' ').toStdString();
  EXPECT_TRUE(ProcessAlive(getpid()));
  EXPECT_FALSE(ProcessAlive(DeadPid()));
  EXPECT_FALSE(ProcessAlive(0));
  EXPECT_FALSE(ProcessAlive(-1));
  EXPECT_FALSE(ProcessAlive(std::int64_t{1} << 40));
}

// The settings and meeting place of a user of their own, and a copy of the sample to open.
class Copies : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    const std::filesystem::path root = dir_.path().toStdString();
    for (const char* sub : {"config", "data", "run"})
      std::filesystem::create_directory(root / sub);
    env_ = {{"XDG_CONFIG_HOME", (root / "config").string()},
            {"XDG_DATA_HOME", (root / "data").string()},
            {"XDG_RUNTIME_DIR", (root / "run").string()}};
    place_ = InstancePlace::ForUser(env_);
    prefix_ = root / "prefix";
    std::filesystem::copy(kSample, prefix_, std::filesystem::copy_options::recursive);
  }

  std::int64_t Published() {
    return ReadWindowHandle(SettingsStore::Open(UserPaths::FromEnvironment(env_))->Roots());
  }
  void Publish(std::int64_t pid) {
    auto store = SettingsStore::Open(UserPaths::FromEnvironment(env_));
    WriteDefaultSettings(store->Roots());
    TRegistry reg(store->Roots());
    ASSERT_TRUE(reg.OpenKey(kSettingsKey, true));
    reg.WriteInteger(kWindowHandleName, static_cast<std::int32_t>(pid));
    reg.CloseKey();
    store->Save();
  }
  // Starts the program as the user would, with `first` (if any) before "--prefix".
  std::unique_ptr<QProcess> Start(const QString& first) {
    auto child = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : env_)
      environment.insert(QString::fromStdString(name), QString::fromStdString(value));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    child->setProcessEnvironment(environment);
    QStringList args{"--prefix", QString::fromStdString(prefix_.string())};
    if (!first.isEmpty()) args.prepend(first);
    child->start(ORDREX_BINARY, args);
    EXPECT_TRUE(child->waitForStarted());
    return child;
  }
  // The exit code of a copy that gives way, handling this process's events meanwhile.
  int ExitCode(QProcess& child) {
    EXPECT_TRUE(WaitUntil([&] { return child.state() == QProcess::NotRunning; }, 20000))
        << child.readAllStandardError().toStdString();
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
  }

  QTemporaryDir dir_;
  std::map<std::string, std::string> env_;
  InstancePlace place_;
  std::filesystem::path prefix_;
};

TEST_F(Copies, ScheduledRunHandsOverAndCopyByHandRaisesTheRunningOne) {
  SingleInstance running(place_);
  ASSERT_TRUE(running.Claim());
  ASSERT_TRUE(running.Listen());
  int scans = 0;
  int raises = 0;
  QObject::connect(&running, &SingleInstance::StartScanRequested, [&] { ++scans; });
  QObject::connect(&running, &SingleInstance::RaiseRequested, [&] { ++raises; });
  Publish(QCoreApplication::applicationPid());

  auto scheduled = Start("/auto");
  EXPECT_EQ(ExitCode(*scheduled), 0);
  EXPECT_TRUE(WaitUntil([&] { return scans == 1; }, 2000));
  auto byHand = Start("");
  EXPECT_EQ(ExitCode(*byHand), 0);
  EXPECT_TRUE(WaitUntil([&] { return raises == 1; }, 2000));
  QCoreApplication::processEvents();
  EXPECT_EQ(scans, 1);
  EXPECT_EQ(raises, 1);
}

// A live process id in the settings whose socket answers otherwise, or not at all: the
// scheduled run gets no request through, goes on as the only copy and publishes itself. When
// it is killed, its lock and socket are taken over.
TEST_F(Copies, StrangePeersAreIgnoredAndACrashedCopysLockIsTakenOver) {
  for (const QByteArray& answer : {QByteArray("HTTP/1.1 400 Bad Request\n"), QByteArray()}) {
    Publish(QCoreApplication::applicationPid());
    QLocalServer stranger;
    ASSERT_TRUE(stranger.listen(place_.serverName));
    QByteArray heard;
    QObject::connect(&stranger, &QLocalServer::newConnection, [&] {
      QLocalSocket* peer = stranger.nextPendingConnection();
      QObject::connect(peer, &QLocalSocket::readyRead,
                       [&heard, peer] { heard += peer->readAll(); });
      heard += peer->readAll();  // what came before the connection was handed over
      peer->write(answer);
    });
    auto child = Start("/auto");
    ASSERT_TRUE(WaitUntil([&] { return Published() == child->processId(); }, 20000))
        << answer.toStdString();
    // On a busy machine the greeting may be read only after the child went on, or the child
    // may give up before it has sent all of it; never does a request follow it.
    const QByteArray greeting(kClientGreeting);
    WaitUntil([&] { return heard.size() >= greeting.size(); }, 5000);
    EXPECT_TRUE(greeting.startsWith(heard)) << heard.toStdString();
    EXPECT_TRUE(SendRequest(place_.serverName, kRaiseRequest));
    SingleInstance second(place_);
    EXPECT_FALSE(second.Claim());

    child->kill();
    ASSERT_TRUE(child->waitForFinished());
    SingleInstance next(place_);
    EXPECT_TRUE(next.Claim());
    EXPECT_TRUE(next.Listen());
  }
}

TEST_F(Copies, NoHandOverOutsideAutoModeOrToADeadProcess) {
  QLocalServer stranger;
  ASSERT_TRUE(stranger.listen(place_.serverName));
  int connections = 0;
  QObject::connect(&stranger, &QLocalServer::newConnection, [&] { ++connections; });
  const std::int64_t dead = DeadPid();
  const struct {
    bool autoMode;
    std::int64_t published;
  } rows[] = {{true, 0}, {true, dead}, {false, QCoreApplication::applicationPid()}};
  for (const auto& row : rows) {
    auto instance = ClaimInstance(row.autoMode, row.published, place_);
    EXPECT_NE(instance, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(connections, 0) << row.published;
    instance.reset();
    stranger.close();
    ASSERT_TRUE(stranger.listen(place_.serverName));
  }
  // Nobody there at all, or a listener that never answers: the caller gives up.
  stranger.close();
  EXPECT_FALSE(SendRequest(place_.serverName, kStartScanRequest));
  ASSERT_TRUE(stranger.listen(place_.serverName));
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(SendRequest(place_.serverName, kStartScanRequest, 300));
  EXPECT_LT(clock.elapsed(), 5000);
}

// A caller that does not greet, sends an endless line or stops halfway is dropped without a
// request; the listener then still serves a caller that speaks properly.
TEST_F(Copies, ListenerDropsStrangeCallersAndServesProperOnes) {
  SingleInstance running(place_);
  ASSERT_TRUE(running.Claim());
  ASSERT_TRUE(running.Listen());
  std::vector<std::string> requests;
  QObject::connect(&running, &SingleInstance::StartScanRequested,
                   [&] { requests.push_back("scan"); });
  QObject::connect(&running, &SingleInstance::RaiseRequested, [&] { requests.push_back("raise"); });
  const auto converse = [&](const QByteArray& first, const QByteArray& then) {
    QLocalSocket caller;
    caller.connectToServer(place_.serverName);
    EXPECT_TRUE(caller.waitForConnected(1000));
    caller.write(first);
    QByteArray answer;
    WaitUntil(
        [&] {
          answer += caller.readAll();
          return answer.contains('\n') || caller.state() == QLocalSocket::UnconnectedState;
        },
        3000);
    if (!then.isEmpty()) caller.write(then);
    EXPECT_TRUE(WaitUntil([&] { return caller.state() == QLocalSocket::UnconnectedState; }, 3000));
    return answer;
  };
  EXPECT_EQ(converse("GET / HTTP/1.0\n", "start-scan\n"), "");
  EXPECT_EQ(converse(QByteArray(1000, 'x'), ""), "");
  EXPECT_EQ(converse(kClientGreeting, QByteArray(200, 'y') + "\n"), kServerGreeting);
  EXPECT_EQ(converse(kClientGreeting, "start-sc"), kServerGreeting);
  EXPECT_EQ(converse(kClientGreeting, "shutdown\n"), kServerGreeting);
  EXPECT_TRUE(requests.empty());
  EXPECT_EQ(converse(kClientGreeting, kStartScanRequest), kServerGreeting);
  EXPECT_EQ(converse(QByteArray(kClientGreeting) + kRaiseRequest, ""), kServerGreeting);
  EXPECT_TRUE(WaitUntil([&] { return requests.size() == 2; }, 1000));
  EXPECT_EQ(requests, (std::vector<std::string>{"scan", "raise"}));
}

TEST(ScheduledScan, AutoModeScansAfterTheFirstShowAndARequestScansAfterTheDelay) {
  WindowOnTarget manual;
  manual.window().show();
  EXPECT_FALSE(manual.Find<QTimer>("ScanTimer")->isActive());

  WindowOnTarget w;
  QTimer* timer = w.Find<QTimer>("ScanTimer");
  w.window().SetAutoMode(true);
  w.window().show();
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 1000);
  timer->stop();
  w.window().hide();
  w.window().show();
  EXPECT_FALSE(timer->isActive());  // the first show only

  int scans = 0;
  QObject::connect(&w.window().Scanner(), &ScanPage::ScanFinished, [&] { ++scans; });
  w.window().SetScanDelayMilliseconds(0);
  w.window().ShowPage(Page::Options);
  w.window().HandleStartScanMessage();
  EXPECT_EQ(scans, 0);  // never inside the request itself
  ASSERT_TRUE(WaitUntil([&] { return scans == 1; }, 5000));
  EXPECT_EQ(w.window().CurrentPage(), Page::Scan);

  w.Click("btDeselect");
  w.window().HandleStartScanMessage();
  WaitUntil([&] { return !timer->isActive(); }, 1000);
  EXPECT_EQ(scans, 1);
  EXPECT_EQ(w.dialogs.errors,
            std::vector<std::string>{"Please Select what test you want to perform."});

  // Ignored while the repair page waits; in auto mode finishing the repair closes the window.
  w.window().Repairer().Open();
  w.window().HandleStartScanMessage();
  EXPECT_FALSE(timer->isActive());
  ASSERT_TRUE(w.window().isVisible());
  w.window().PageWidget(Page::Repair)->findChild<QPushButton*>("btnNoProblem")->click();
  EXPECT_FALSE(w.window().isVisible());
}

// While the window runs, "Data" holds its process id, also across a command-line run that saves
// the settings meanwhile; after a normal close it is 0.
TEST_F(Copies, WindowPublishesItsProcessWhileItRuns) {
  const auto unexpected = [](const std::string& text) { ADD_FAILURE() << text; };
  UserSettings settings(env_, SystemClock::Instance(), unexpected, unexpected);
  MemoryTarget target;
  TOrdrex engine(target);
  AnsweringDialogs dialogs;
  MainWindow window(engine, dialogs, &settings);
  window.show();
  EXPECT_EQ(Published(), QCoreApplication::applicationPid());
  UserSettings(env_, SystemClock::Instance(), unexpected, unexpected).Save();
  EXPECT_EQ(Published(), QCoreApplication::applicationPid());
  window.close();
  EXPECT_EQ(Published(), 0);
}

}  // namespace
}  // namespace ordrex::gui
