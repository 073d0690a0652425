#include "PackageInstallPlan.h"

#include <QDir>
#include <QFileInfo>

QStringList FindPackagesBeside(const QString& folder) {
    QStringList packages;
    const QDir dir(folder);
    for (const QFileInfo& entry :
         dir.entryInfoList({QStringLiteral("*.deb")}, QDir::Files | QDir::Hidden, QDir::Name)) {
        if (!entry.isSymLink()) packages << entry.absoluteFilePath();
    }
    return packages;
}

InstallPlan PlanPackageInstall(const QString& packagePath, bool isRoot, bool graphical,
                               const ExecutableFinder& findExecutable) {
    InstallPlan plan;
    const QString aptGet = findExecutable(QStringLiteral("apt-get"));
    // env carries the front-end choice past sudo and pkexec, which both reset
    // the environment.
    const QString env = findExecutable(QStringLiteral("env"));
    if (aptGet.isEmpty() || env.isEmpty()) {
        plan.status = InstallPlanStatus::NoPackageTool;
        return plan;
    }
    // A path with a "/" is what tells apt-get that it names a file.
    const QStringList install{QStringLiteral("DEBIAN_FRONTEND=noninteractive"), aptGet,
                              QStringLiteral("install"), QStringLiteral("-y"),
                              QFileInfo(packagePath).absoluteFilePath()};
    if (isRoot) {
        plan.status = InstallPlanStatus::Ready;
        plan.command = {env, install};
        return plan;
    }
    const QStringList elevators =
        graphical ? QStringList{QStringLiteral("pkexec"), QStringLiteral("sudo")}
                  : QStringList{QStringLiteral("sudo"), QStringLiteral("pkexec")};
    for (const QString& name : elevators) {
        const QString elevator = findExecutable(name);
        if (elevator.isEmpty()) continue;
        plan.status = InstallPlanStatus::Ready;
        plan.command = {elevator, QStringList{env} + install};
        return plan;
    }
    plan.status = InstallPlanStatus::NoPrivileges;
    return plan;
}
