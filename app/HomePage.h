#pragma once

#include <QString>
#include <QUrl>

// The program's version, the same as the package's: "1.3.0.1".
QString ProgramVersion();

// The first line of the version dialog: "Oblimo Version 1.3.0.1 64bit版", with
// the pointer width of this build.
QString VersionLine();

// The product's home page on the maker's site. Its query tells the site the
// version, and "&h=1" whether the local help page is installed.
QUrl HomePageUrl(bool helpExists);
