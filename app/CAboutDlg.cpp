#include "CAboutDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "AppIcon.h"
#include "HomePage.h"
#include "frame/CommandRouter.h"
#include "resources/CommandIds.h"
#include "resources/Strings.h"

CAboutDlg::CAboutDlg(CommandRouter& router, QWidget* parent) : QDialog(parent), m_router(router) {
    setWindowTitle(Strings::AboutCaption());
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    m_version = new QLabel(this);
    m_version->setProperty("controlId", kVersionTextId);
    auto* copyright = new QLabel(Strings::AboutCopyright(), this);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setProperty("controlId", 1);
    auto* homePage = new QPushButton(Strings::AboutHomePageButton(), this);
    homePage->setProperty("controlId", int(ID_HOMEPAGE));
    homePage->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(homePage, &QPushButton::clicked, this, [this] { m_router.Route(ID_HOMEPAGE); });

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(m_version, 0, 1);
    layout->addWidget(copyright, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(24);
    buttons->addStretch();
    for (QPushButton* button : {ok, homePage}) {
        button->setMinimumWidth(button->fontMetrics().averageCharWidth() * 14);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    layout->addLayout(buttons, 2, 0, 1, 2);
    layout->setRowMinimumHeight(2, 40);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    OnInitDialog();
}

void CAboutDlg::OnInitDialog() { m_version->setText(VersionLine()); }

QString CAboutDlg::VersionText() const { return m_version->text(); }
