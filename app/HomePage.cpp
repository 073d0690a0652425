#include "HomePage.h"

namespace {
// The maker's site; the product lives below /oblimo/.
const QString kHomePageBase = QStringLiteral("https://www.sunmoth.example/oblimo/");
}  // namespace

QString ProgramVersion() { return QStringLiteral(OBLIMO_VERSION); }

QString VersionLine() {
    return QStringLiteral("Oblimo Version ") + ProgramVersion() + QLatin1Char(' ') +
           QString::number(sizeof(void*) * 8) + QStringLiteral("bit版");
}

QUrl HomePageUrl(bool helpExists) {
    QString address = kHomePageBase + QStringLiteral("?ver=") + ProgramVersion();
    if (helpExists) address += QStringLiteral("&h=1");
    return QUrl(address, QUrl::StrictMode);
}
