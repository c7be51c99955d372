#include "grid/gridofficeprocess.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <QJsonDocument>
#include <QProcess>

#include "grid/gridofficeport.h"
#include "grid/gridofficereply.h"

namespace {

using Clock = std::chrono::steady_clock;

// A reply may carry a whole sheet's values, but not without bound.
constexpr std::size_t kLongestReply = std::size_t{256} << 20;
constexpr int kQuitWaitMs = 20000;

int RemainingMs(Clock::time_point end) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

std::string ProgramFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string(".") : program.parent_path().string();
}

}  // namespace

TOfficeHelperProcess::TOfficeHelperProcess(std::vector<std::string> command, TDeadlines deadlines)
    : command_(std::move(command)), deadlines_(deadlines) {}

TOfficeHelperProcess::~TOfficeHelperProcess() {
  if (!Running()) return;
  try {
    process_->write("{\"op\":\"quit\"}\n");
    process_->closeWriteChannel();
    if (process_->waitForFinished(kQuitWaitMs)) return;
  } catch (...) {
    // Whatever went wrong, the helper goes below.
  }
  Kill();
}

std::vector<std::string> TOfficeHelperProcess::DefaultCommand(const std::string& kind) {
  const char* script = std::getenv("FLASHWRIGHT_OFFICE_HELPER");
  return {"/usr/bin/python3", script && *script ? script : ProgramFolder() + "/gridofficeuno.py", kind};
}

bool TOfficeHelperProcess::Running() const { return process_ && process_->state() != QProcess::NotRunning; }

bool TOfficeHelperProcess::Start() {
  if (command_.empty()) return false;
  process_ = std::make_unique<QProcess>();
  // A group of its own, so that a kill reaches the suite the helper started.
  process_->setChildProcessModifier([] { setsid(); });
  process_->setProcessChannelMode(QProcess::SeparateChannels);
  process_->setStandardErrorFile(QProcess::nullDevice());
  QStringList arguments;
  for (std::size_t i = 1; i < command_.size(); ++i) arguments << QString::fromStdString(command_[i]);
  process_->start(QString::fromStdString(command_[0]), arguments);
  if (!process_->waitForStarted(static_cast<int>(deadlines_.Start.count()))) {
    Kill();
    return false;
  }
  try {
    if (DecodeOfficeReply(ReadLine(deadlines_.Start)).Ok) return true;
  } catch (const EAutomationError&) {
    // Killed already: there is no server.
  }
  Kill();
  return false;
}

QJsonValue TOfficeHelperProcess::Call(const QJsonObject& request) {
  if (!Running()) throw EAutomationError("The office server is not running");
  const QByteArray line = QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
  process_->write(line);
  const auto end = Clock::now() + deadlines_.Request;
  while (process_->bytesToWrite() > 0) {
    if (!process_->waitForBytesWritten(RemainingMs(end)) && process_->bytesToWrite() > 0)
      Fail("The office server did not take the request");
  }
  const TOfficeReply reply = DecodeOfficeReply(ReadLine(std::chrono::milliseconds(RemainingMs(end))));
  // A line that is no reply leaves the helper in an unknown state.
  if (!reply.Wellformed) Fail(reply.Error);
  if (!reply.Ok) throw EAutomationError(reply.Error);
  return reply.Result;
}

std::string TOfficeHelperProcess::ReadLine(std::chrono::milliseconds deadline) {
  const auto end = Clock::now() + deadline;
  for (;;) {
    pending_ += process_->readAllStandardOutput().toStdString();
    const std::size_t lineEnd = pending_.find('\n');
    if (lineEnd != std::string::npos) {
      std::string line = pending_.substr(0, lineEnd);
      pending_.erase(0, lineEnd + 1);
      return line;
    }
    if (pending_.size() > kLongestReply) Fail("The office server sent a reply longer than the grid reads");
    if (process_->state() == QProcess::NotRunning) Fail("The office server ended");
    if (RemainingMs(end) == 0) Fail("The office server did not answer in time");
    // Nothing to read from a helper that closed its output but lives on:
    // wait a little for its end instead of spinning.
    if (!process_->waitForReadyRead(RemainingMs(end))) process_->waitForFinished(std::min(RemainingMs(end), 50));
  }
}

void TOfficeHelperProcess::Fail(const AnsiString& why) {
  Kill();
  throw EAutomationError(why);
}

void TOfficeHelperProcess::Kill() {
  if (!process_) return;
  const qint64 pid = process_->processId();
  if (pid > 0) ::kill(-static_cast<pid_t>(pid), SIGKILL);
  process_->kill();
  process_->waitForFinished(kQuitWaitMs);
}
