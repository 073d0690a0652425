// quillet-pack: makes a setup launcher file out of a built launcher, the
// installer program it starts and the package that program installs.
//
//   quillet-pack LAUNCHER INSTALLER PACKAGE -o OUTPUT [--product NAME]
//                [--folder NAME] [--installer-name NAME] [--package-name NAME]
//
// Exit codes: 0 packed, 1 a file could not be read or written, 2 bad usage or
// inputs that the launcher could not carry (among them a launcher that was
// packed before: pack the one the build made).

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

#include "PayloadPacker.h"

namespace {

void PrintLine(FILE* stream, const QString& text) {
    std::fputs(qPrintable(text + QLatin1Char('\n')), stream);
}

int UsageError(const QString& why) {
    PrintLine(stderr, QStringLiteral("quillet-pack: ") + why);
    PrintLine(
        stderr,
        QStringLiteral("usage: quillet-pack LAUNCHER INSTALLER PACKAGE -o OUTPUT [--product NAME] "
                       "[--folder NAME] [--installer-name NAME] [--package-name NAME]"));
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption output(QStringLiteral("o"), QString(), QStringLiteral("OUTPUT"));
    const QCommandLineOption product(QStringLiteral("product"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption installerName(QStringLiteral("installer-name"), QString(),
                                           QStringLiteral("NAME"));
    const QCommandLineOption packageName(QStringLiteral("package-name"), QString(),
                                         QStringLiteral("NAME"));
    parser.addOptions({output, product, folder, installerName, packageName});
    if (!parser.parse(QCoreApplication::arguments())) return UsageError(parser.errorText());
    const QStringList inputs = parser.positionalArguments();
    if (inputs.size() != 3) return UsageError(QStringLiteral("three input files are needed"));
    if (!parser.isSet(output) || parser.value(output).isEmpty())
        return UsageError(QStringLiteral("-o OUTPUT is missing"));

    PackRequest request;
    request.launcherPath = inputs[0];
    request.installerPath = inputs[1];
    request.packagePath = inputs[2];
    request.outputPath = parser.value(output);
    if (parser.isSet(product)) request.productName = parser.value(product);
    // An option given with an empty value is not a request for the default.
    for (const auto& [option, field] : {std::pair{&folder, &request.folderName},
                                        std::pair{&installerName, &request.installerName},
                                        std::pair{&packageName, &request.packageName}}) {
        if (parser.isSet(*option) && parser.value(*option).isEmpty())
            return UsageError(QStringLiteral("--%1 needs a name").arg(option->names().first()));
        *field = parser.value(*option);
    }

    const PackResult result = PackPayload(request);
    switch (result.status) {
        case PackStatus::Packed:
            PrintLine(
                stdout,
                QStringLiteral("%1: installer %2 at %3, package %4 at %5, record at %6, "
                               "folder %7")
                    .arg(request.outputPath, QString::fromStdString(result.anchor.installerName))
                    .arg(result.layout.installerOffset)
                    .arg(QString::fromStdString(result.anchor.packageName))
                    .arg(result.layout.packageOffset)
                    .arg(result.layout.anchorOffset)
                    .arg(QString::fromStdString(result.anchor.folderName)));
            return 0;
        case PackStatus::Refused:
            PrintLine(stderr, QStringLiteral("quillet-pack: refused: ") + result.message);
            return 2;
        case PackStatus::Failed:
            break;
    }
    PrintLine(stderr, QStringLiteral("quillet-pack: ") + result.message);
    return 1;
}
