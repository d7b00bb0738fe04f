#include "ProgramRunner.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <gtest/gtest.h>

namespace verlist_test {

#ifdef _WIN32

namespace {

// Quoted by the rules the C runtime uses to split a command line.
std::string commandLineQuoted(const std::string& argument) {
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    out.push_back(c);
    backslashes = 0;
  }
  out.append(backslashes * 2, '\\');
  out.push_back('"');
  return out;
}

HANDLE openInheritable(const char* path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  return CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition, 0, nullptr);
}

// Starts verlist with `tail` after its name and `output` as standard output;
// waits for it and returns the exit status.
struct Started {
  HANDLE process = nullptr;
  bool ok = false;
};

// `program` is empty to have the system find the program the command line names.
Started start(const std::string& program, std::string commandLine, HANDLE output,
              const std::string& workingFolder) {
  HANDLE nul = openInheritable("NUL", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul;
  startup.hStdOutput = output;
  startup.hStdError = nul;
  PROCESS_INFORMATION info = {};
  Started started;
  started.ok =
      CreateProcessA(program.empty() ? nullptr : program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                     nullptr, workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info) != 0;
  EXPECT_TRUE(started.ok) << commandLine << ": " << GetLastError();
  CloseHandle(nul);
  if (started.ok) {
    CloseHandle(info.hThread);
    started.process = info.hProcess;
  }
  return started;
}

int finish(const Started& started) {
  if (!started.ok) return -1;
  WaitForSingleObject(started.process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(started.process, &code);
  CloseHandle(started.process);
  return static_cast<int>(code);
}

RunResult run(const std::string& program, const std::string& commandLine, const std::string& workingFolder) {
  RunResult result;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
    ADD_FAILURE() << "CreatePipe: " << GetLastError();
    return result;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  Started started = start(program, commandLine, writeEnd, workingFolder);
  CloseHandle(writeEnd);
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) result.out.append(buffer, got);
  CloseHandle(readEnd);
  result.exitCode = finish(started);
  return result;
}

std::string verlistPath() { return programFolder() + "\\verlist.exe"; }

std::string commandLineOf(const std::vector<std::string>& arguments) {
  std::string commandLine = commandLineQuoted(verlistPath());
  for (const std::string& argument : arguments) commandLine += " " + commandLineQuoted(argument);
  return commandLine;
}

}  // namespace

std::string programFolder() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\'));
}

RunResult runVerlist(const std::vector<std::string>& arguments, const std::string& workingFolder) {
  return run(verlistPath(), commandLineOf(arguments), workingFolder);
}

RunResult runVerlistCommandLine(const std::string& tail) {
  return run(verlistPath(), commandLineQuoted(verlistPath()) + tail, "");
}

RunResult runCommandLine(const std::string& commandLine, const std::string& workingFolder) {
  return run("", commandLine, workingFolder);
}

int runVerlistWithUnwritableOutput(const std::vector<std::string>& arguments,
                                   const std::string& readablePath) {
  HANDLE output = openInheritable(readablePath.c_str(), GENERIC_READ, OPEN_EXISTING);
  EXPECT_NE(output, INVALID_HANDLE_VALUE) << readablePath;
  Started started = start(verlistPath(), commandLineOf(arguments), output, "");
  CloseHandle(output);
  return finish(started);
}

#else

namespace {

int spawn(const std::vector<std::string>& arguments, const std::string& workingFolder,
          posix_spawn_file_actions_t& actions) {
  std::string program = programFolder() + "/verlist";
  std::vector<char*> argv;
  argv.push_back(&program[0]);
  std::vector<std::string> copies(arguments);
  for (std::string& argument : copies) argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  int error = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  EXPECT_EQ(error, 0) << program;
  return error == 0 ? child : -1;
}

int waitFor(pid_t child) {
  if (child < 0) return -1;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

std::string programFolder() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  std::string folder(path, length > 0 ? static_cast<std::size_t>(length) : 0);
  return folder.substr(0, folder.find_last_of('/'));
}

RunResult runVerlist(const std::vector<std::string>& arguments, const std::string& workingFolder) {
  RunResult result;
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe2";
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  pid_t child = spawn(arguments, workingFolder, actions);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  char buffer[65536];
  for (;;) {
    ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    result.out.append(buffer, static_cast<std::size_t>(got));
  }
  close(pipeEnds[0]);
  result.exitCode = waitFor(child);
  return result;
}

int runVerlistWithUnwritableOutput(const std::vector<std::string>& arguments,
                                   const std::string& readablePath) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, readablePath.c_str(), O_RDONLY, 0);
  pid_t child = spawn(arguments, "", actions);
  posix_spawn_file_actions_destroy(&actions);
  return waitFor(child);
}

#endif

}  // namespace verlist_test
