// Runs the built programs as separate processes, without a shell, with extra environment
// variables; RunCli collects tarnwick-cli's exit status and output.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace tarnwick::test {

struct CliResult {
    int exit = -1; // -1 when the program did not end normally
    std::string out;
    std::string err;
};

inline std::string BuiltProgram(const std::string& name) {
    const char* bin = std::getenv("TARNWICK_BIN_DIR");
    return std::string(bin ? bin : ".") + "/" + name;
}

// Starts program with args, this process's environment with env's names set to its values,
// stdin from /dev/null and, where a path is given, stdout and stderr into files. The process
// id, or -1 when it could not start.
inline pid_t SpawnProgram(const std::string& program, const std::vector<std::string>& args,
                          const std::map<std::string, std::string>& env,
                          const std::string& outPath = "", const std::string& errPath = "") {
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!env.count(entry.substr(0, entry.find('=')))) {
            environment.push_back(entry);
        }
    }
    for (const auto& [name, value] : env) {
        environment.push_back(name + "=" + value);
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : environment) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    for (const auto& [fd, path] : {std::pair{1, &outPath}, std::pair{2, &errPath}}) {
        if (!path->empty()) {
            posix_spawn_file_actions_addopen(&actions, fd, path->c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0600);
        }
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

inline CliResult RunCli(const std::vector<std::string>& args,
                        const std::map<std::string, std::string>& env = {}) {
    TempDir scratch;
    const std::string outPath = scratch / "stdout";
    const std::string errPath = scratch / "stderr";
    CliResult result;
    const pid_t pid = SpawnProgram(BuiltProgram("tarnwick-cli"), args, env, outPath, errPath);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        result.exit = WEXITSTATUS(status);
    }
    result.out = ReadFileBytes(outPath);
    result.err = ReadFileBytes(errPath);
    return result;
}

} // namespace tarnwick::test
