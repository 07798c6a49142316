// Runs the built tarnwick-cli as a separate process, without a shell, with extra environment
// variables, and collects its exit status and output.
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

inline CliResult RunCli(const std::vector<std::string>& args,
                        const std::map<std::string, std::string>& env = {}) {
    TempDir scratch;
    const std::string outPath = scratch / "stdout";
    const std::string errPath = scratch / "stderr";

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
    const std::string program = BuiltProgram("tarnwick-cli");
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
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0600);
    pid_t pid = -1;
    CliResult result;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            result.exit = WEXITSTATUS(status);
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = ReadFileBytes(outPath);
    result.err = ReadFileBytes(errPath);
    return result;
}

} // namespace tarnwick::test
