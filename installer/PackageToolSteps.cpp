#include "PackageToolSteps.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "launcher/ChildProcess.h"
#include "launcher/FileIo.h"
#include "launcher/SetupMessages.h"

namespace {

void PrintMarker(const char* marker) {
    const std::string line = std::string(marker) + '\n';
    WriteAll(STDOUT_FILENO, line.data(), line.size());
}

int RunAptGet(const std::string& aptGet, const std::vector<std::string>& arguments,
              const std::string& path) {
    ChildSetup setup;
    setup.environment = {"DEBIAN_FRONTEND=noninteractive", "PATH=" + path};
    const pid_t child = StartChild(aptGet, arguments, setup);
    return child < 0 ? -1 : WaitForChild(child);
}

}  // namespace

std::vector<std::string> UpdateArguments() { return {"update"}; }

std::vector<std::string> InstallArguments(const std::string& packagePath) {
    // The path has a "/", which is what makes apt-get take it as a file.
    // Another apt or dpkg run (an automatic update) may hold the lock for a
    // while; waiting for it beats failing.
    return {
        "install",  "-y", "--no-remove", "-o", "APT::Status-Fd=1", "-o", "DPkg::Lock::Timeout=300",
        packagePath};
}

std::string PackageToolPath(std::string_view path) {
    std::string result(path);
    const auto contains = [&path](std::string_view folder) {
        std::size_t start = 0;
        while (start <= path.size()) {
            std::size_t end = path.find(':', start);
            if (end == std::string_view::npos) end = path.size();
            if (path.substr(start, end - start) == folder) return true;
            start = end + 1;
        }
        return false;
    };
    for (const char* folder :
         {"/usr/local/sbin", "/usr/local/bin", "/usr/sbin", "/usr/bin", "/sbin", "/bin"}) {
        if (contains(folder)) continue;
        if (!result.empty()) result += ':';
        result += folder;
    }
    return result;
}

int RunPackageToolSteps(const std::string& packagePath) {
    struct stat status;
    if (packagePath.empty() || packagePath.front() != '/' ||
        stat(packagePath.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        WriteMessageLine("oblimo-installer", "no package file at " + packagePath);
        return 2;
    }
    const char* current = std::getenv("PATH");
    const std::string path = PackageToolPath(current ? current : "");
    const std::string aptGet = FindProgram("apt-get", path);
    if (aptGet.empty()) {
        WriteMessageLine("oblimo-installer", "apt-get is not installed");
        return 1;
    }
    PrintMarker(kStepMarkerUpdate);
    RunAptGet(aptGet, UpdateArguments(), path);
    PrintMarker(kStepMarkerInstall);
    return ChildSucceeded(RunAptGet(aptGet, InstallArguments(packagePath), path)) ? 0 : 1;
}
