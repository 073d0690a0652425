#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

// Starting and waiting for the programs the setup runs (the installer, the
// package tool, the desktop's dialog programs) with plain POSIX calls.

struct ChildSetup {
    std::string workingFolder;  // empty: the caller's
    // Descriptors the child gets as its standard input, output and error;
    // -1 keeps the caller's.
    int input = -1;
    int output = -1;
    int error = -1;
    // "NAME=value" entries that replace or add to the caller's environment.
    std::vector<std::string> environment;
};

// Starts program (an absolute path) with the arguments that follow argv[0],
// the caller's environment (with setup's entries), a clean signal mask and
// default signal actions.
// Returns the process id, or -1 when the program could not be started.
pid_t StartChild(const std::string& program, const std::vector<std::string>& arguments,
                 const ChildSetup& setup = ChildSetup());

// Waits without a time-out; returns the wait status, or -1.
int WaitForChild(pid_t child);

// Whether the status says the child exited normally with code 0.
bool ChildSucceeded(int status);

// The first executable file called name in the ":"-separated folders of
// searchPath, empty when there is none. A name with a "/" is taken as it is.
std::string FindProgram(std::string_view name, std::string_view searchPath);

// FindProgram on this process's PATH.
std::string FindProgram(std::string_view name);

// The descriptor of /dev/null opened for reading and writing, or -1.
int OpenNullDevice();
