#pragma once

#include "SmtpConversation.h"
#include "netcommon/NetReports.h"
#include "nox/PluginModule.h"

namespace smtp {

// The root "smtp": its form asks for the user's mail servers; the server list
// follows as its one sub-observation. Winsock stays started while it lives.
class SmtpRoot : public PluginRootObservation {
 public:
  SmtpRoot();
  void observe(Report& report) override;
  // The servers as the user gave them, TAB-separated.
  std::string servers() { return netreport::firstFieldValue(*this); }

 private:
  netreport::WinsockUser winsock_;
};

// "smtpServer": the mail exchangers of this computer's domain, then the user's
// servers, each with its conversation, echo series and trace.
class ServerListObservation : public Observation {
 public:
  explicit ServerListObservation(SmtpRoot& root, DWORD answerWaitMs = kAnswerWaitMs)
      : root_(root), answerWaitMs_(answerWaitMs) {}
  void observe(Report& report) override;

 private:
  void addServer(Report& list, int index, const std::string& server, const char* source);

  SmtpRoot& root_;
  DWORD answerWaitMs_;
};

// The conversation's nodes under a server node, as far as it got: a failed
// stage becomes its error node and nothing follows it.
void addConversation(Report& server, const Conversation& conversation, int result);

}  // namespace smtp
