#include "SmtpObservations.h"

namespace smtp {

namespace {

using netreport::addError;
using netreport::format;

// The error node and text of each failed stage.
struct FailedStage {
  int result;
  const char* node;
  const char* text;
};
const FailedStage kFailedStages[] = {
    {kSocketFailed, "smtpServertype", "Socket initial error (%d)"},
    {kConnectFailed, "smtpServertype", "SMTP server connect error (%d)"},
    {kGreetingFailed, "smtpServertype", "Connect information receive error (%d)"},
    {kHeloSendFailed, "heloResponsecode", "helo send error (%d)"},
    {kHeloReceiveFailed, "heloResponsecode", "helo receive error (%d)"},
    {kEhloSendFailed, "ehloResponsecode", "ehlo send error (%d)"},
    {kEhloReceiveFailed, "ehloResponsecode", "ehlo receive error (%d)"},
};

const FailedStage* failedStage(int result) {
  for (const FailedStage& stage : kFailedStages) {
    if (stage.result == result) return &stage;
  }
  return nullptr;
}

// The mail exchangers of this computer's domain, TAB-separated; empty when the
// lookup failed, which marks `report`.
std::string mailExchangers(Report& report, int& count) {
  std::string text;
  int result = netreport::dnsLookup("MX", nullptr, text);
  count = result < 0 ? 0 : result;
  if (result < 0) {
    report.setErrorText(format("NetDiagDNSLookup Failed (%ld)", static_cast<long>(result)).c_str());
    report.setSuccess(false);
  }
  return text;
}

}  // namespace

SmtpRoot::SmtpRoot() {
  if (!winsock_.ready()) return;
  Configration& form = addConfigration("SMTP Information", IConfigration::CONFIG_TYPE_TARGET);
  addEntry(form, "Target SMTP server", IConfigrationEntry::ENTRY_HOST);
  addSubObservation<ServerListObservation>(*this);
}

void SmtpRoot::observe(Report& report) {
  report.setName("smtp");
  if (!winsock_.ready()) {
    report.setErrorText("WinSocket Dll Initialize Fail!");
    report.setSuccess(false);
  }
}

void addConversation(Report& server, const Conversation& c, int result) {
  addText(server, "smtpServerName", c.server.c_str());
  addText(server, "smtpFrom", c.source.c_str());
  const FailedStage* failed = failedStage(result);
  auto stop = [&](const char* node) {
    if (!failed || std::string(failed->node) != node) return false;
    addError(server, node, format(failed->text, c.error));
    return true;
  };
  if (stop("smtpServertype")) return;
  addText(server, "smtpServertype", c.serverType.c_str());
  addNumber(server, "connectResponsecode", static_cast<unsigned long>(c.connectCode));
  addNumber(server, "connectResponsetime", c.connectTime);
  addText(server, "connectResponseline", c.connectLine.c_str());
  if (stop("heloResponsecode")) return;
  addNumber(server, "heloResponsecode", static_cast<unsigned long>(c.heloCode));
  addNumber(server, "heloResponsetime", c.heloTime);
  if (stop("ehloResponsecode")) return;
  addNumber(server, "ehloResponsecode", static_cast<unsigned long>(c.ehloCode));
  addNumber(server, "ehloResponsetime", c.ehloTime);
  Report& lines = addText(server, "ehloResponselines", c.ehloLines.c_str());
  if (result == kEhloLastLineMissing) addAttribute(lines, "warning", "recvtimeout");
}

void ServerListObservation::observe(Report& report) {
  report.setName("smtpServer");
  std::string userList = root_.servers();
  std::vector<std::string> userServers;
  if (!userList.empty()) userServers = netreport::splitAtTabs(userList);
  int exchangerCount = 0;
  std::string exchangers = mailExchangers(report, exchangerCount);
  Report& list = addNumber(report, "smtpServers",
                           static_cast<unsigned long>(exchangerCount + static_cast<int>(userServers.size())));
  int index = 0;
  for (const std::string& server : netreport::splitAtTabs(exchangers)) {
    if (!server.empty()) addServer(list, ++index, server, "DNS");
  }
  for (const std::string& server : userServers) {
    if (!server.empty()) addServer(list, ++index, server, "User Input");
  }
}

void ServerListObservation::addServer(Report& list, int index, const std::string& server,
                                      const char* source) {
  Report& node = addNode(list, "smtpServer");
  addAttribute(node, "index", format("%d", index).c_str());
  Conversation conversation;
  conversation.server = server;
  conversation.source = source;
  int result = converse(conversation, answerWaitMs_);
  addConversation(node, conversation, result);

  PingResult ping;
  std::string error;
  if (netreport::ping(server.c_str(), ping, error)) {
    netreport::addPingValues(addNode(node, "PingInformation"), ping);
  } else {
    addError(node, "PingInformation", error);
  }
  Report& trace = addNode(node, "tracerouteInformation");
  netreport::addTrace(addText(trace, "target", server.c_str()), server.c_str());
}

}  // namespace smtp
