#include "PackageInstallPlan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

std::vector<std::string> FindPackagesBeside(const std::string& folder) {
    std::vector<std::string> packages;
    DIR* listing = opendir(folder.c_str());
    if (!listing) return packages;
    const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + '/';
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.size() <= 4 || name.compare(name.size() - 4, 4, ".deb") != 0) continue;
        struct stat status;
        const std::string path = prefix + name;
        if (lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) packages.push_back(path);
    }
    closedir(listing);
    std::sort(packages.begin(), packages.end());
    return packages;
}

InstallPlan PlanPackageInstall(const std::string& installerPath, const std::string& packagePath,
                               bool isRoot, bool graphical,
                               const ExecutableFinder& findExecutable) {
    InstallPlan plan;
    if (findExecutable("apt-get").empty()) {
        plan.status = InstallPlanStatus::NoPackageTool;
        return plan;
    }
    const std::vector<std::string> step{kInstallPackageOption, packagePath};
    if (isRoot) {
        plan.status = InstallPlanStatus::Ready;
        plan.command = {installerPath, step, std::string()};
        return plan;
    }
    const std::vector<std::string> elevators = graphical
                                                   ? std::vector<std::string>{"pkexec", "sudo"}
                                                   : std::vector<std::string>{"sudo", "pkexec"};
    for (const std::string& name : elevators) {
        const std::string elevator = findExecutable(name);
        if (elevator.empty()) continue;
        std::vector<std::string> arguments{installerPath};
        arguments.insert(arguments.end(), step.begin(), step.end());
        plan.status = InstallPlanStatus::Ready;
        plan.command = {elevator, arguments, name};
        return plan;
    }
    plan.status = InstallPlanStatus::NoPrivileges;
    return plan;
}
