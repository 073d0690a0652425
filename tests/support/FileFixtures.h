#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

// Files and folders as tests make and inspect them.
namespace FileFixtures {

// Bytes that compress to nothing, the same for the same seed.
inline QByteArray Noise(qsizetype size, quint32 seed) {
    QByteArray bytes(size, '\0');
    QRandomGenerator random(seed);
    for (char& byte : bytes) byte = char(random.bounded(256));
    return bytes;
}

// Sets a file's last-write time (its access time is left alone).
inline void SetModificationTime(const QString& path, timespec time) {
    const timespec times[2] = {{0, UTIME_OMIT}, time};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0)
        << qPrintable(path);
}

// Every entry of a folder, hidden ones included, sorted: leftovers show here.
inline QStringList FolderEntries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace FileFixtures
