#include "UiFont.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

void InstallJapaneseUiFont() {
    // Without the JP family, fallback may pick the Chinese forms of shared
    // characters (直, 画, 元 look different there).
    for (const char* family : {"Noto Sans CJK JP", "Noto Sans JP", "IPAGothic"}) {
        if (!QFontDatabase::families().contains(QString::fromLatin1(family))) continue;
        QFont font(QString::fromLatin1(family));
        font.setPointSize(9);
        QApplication::setFont(font);
        return;
    }
}
