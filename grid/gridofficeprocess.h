#pragma once
// The office helper as a child process: requests written to its standard
// input, replies read from its standard output, each within a deadline. A
// helper that misses one, or sends what is not a reply, is killed with
// everything it started (it runs in a process group of its own), so a
// misbehaving office suite can never stall the window thread for longer
// than a deadline.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <QJsonObject>
#include <QJsonValue>

#include "framework/sysutils.h"

class QProcess;

class TOfficeHelperProcess {
 public:
  struct TDeadlines {
    std::chrono::milliseconds Start{std::chrono::seconds(90)};
    std::chrono::milliseconds Request{std::chrono::seconds(60)};
  };

  // The helper's command line: the program, then its arguments.
  TOfficeHelperProcess(std::vector<std::string> command, TDeadlines deadlines);
  // Asks a helper still running to quit, and kills it when it does not.
  ~TOfficeHelperProcess();
  TOfficeHelperProcess(const TOfficeHelperProcess&) = delete;
  TOfficeHelperProcess& operator=(const TOfficeHelperProcess&) = delete;

  // Starts the helper and waits for its first reply; false when it cannot
  // run or reports that it has no server to offer.
  bool Start();
  // Sends the request (its "op" and arguments) and returns the reply's
  // result; raises EAutomationError with the helper's error text, or when
  // the helper died, missed the deadline or answered nonsense.
  QJsonValue Call(const QJsonObject& request);
  bool Running() const;

  // The default command for a server kind ("excel" or "word"): the system's
  // Python with the helper script installed next to the program, unless
  // FLASHWRIGHT_OFFICE_HELPER names another script.
  static std::vector<std::string> DefaultCommand(const std::string& kind);

 private:
  // The next reply line, without its line end.
  std::string ReadLine(std::chrono::milliseconds deadline);
  [[noreturn]] void Fail(const AnsiString& why);
  void Kill();

  std::vector<std::string> command_;
  TDeadlines deadlines_;
  std::unique_ptr<QProcess> process_;
  std::string pending_;
};
