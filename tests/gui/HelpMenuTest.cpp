// The help menu through the editor's window: the version dialog, the home
// page with and without the local help page, the help item that goes when the
// page is missing, the help page built beside the program, and Qt's own
// dialogs in Japanese with each file filter shown once.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "app/CAboutDlg.h"
#include "app/CTavloAppCommands.h"
#include "app/HomePage.h"
#include "frame/CMainFrame.h"
#include "platform/MessageBox.h"
#include "platform/UrlOpener.h"
#include "platform/ui/QtTranslations.h"
#include "platform/ui/WidgetFileDialogs.h"
#include "platform/ui/WidgetMessageBox.h"
#include "resources/CommandIds.h"
#include "resources/Strings.h"
#include "support/EditorHarness.h"
#include "support/ModalDriver.h"

namespace {

// Every address the program asks the desktop to open; no browser starts.
class RecordedUrls {
public:
    RecordedUrls() {
        m_previous = SetUrlOpenHandler([this](const QUrl& url) {
            opened.push_back(url);
            return true;
        });
    }
    ~RecordedUrls() { SetUrlOpenHandler(m_previous); }
    std::vector<QUrl> opened;

private:
    UrlOpenHandler m_previous;
};

class HelpMenuTest : public ::testing::Test {
protected:
    void Trigger(int id) {
        QAction* action = m.Frame().Action(id);
        ASSERT_NE(action, nullptr);
        action->trigger();
        m.Idle();
    }
    QStringList HelpMenuTexts() {
        QMenu* help = m.Frame().menuBar()->actions().last()->menu();
        QStringList texts;
        for (QAction* action : help->actions()) texts << action->text();
        return texts;
    }
    // A program folder with or without "Help/Help.html" beside the program.
    void PlaceProgram(bool withHelp) {
        if (withHelp) {
            QDir(m_program.path()).mkpath("Help");
            QFile page(m_program.filePath("Help/Help.html"));
            ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        }
        m.App().LocateHelpPage(m_program.filePath("tavlo"));
        m.Template().ApplyHelpPage();
        m.Idle();
    }

    QTemporaryDir m_program;
    RecordedUrls urls;
    EditorHarness m;
};

TEST_F(HelpMenuTest, TheVersionDialogShowsTheVersionAndOpensTheHomePageWhileStayingOpen) {
    static_assert(sizeof(void*) == 8, "the line below is that of the 64-bit build");
    EXPECT_EQ(VersionLine(), QStringLiteral("Oblimo Version 1.3.0.1 64bit版"));
    EXPECT_TRUE(m.Frame().Action(ID_APP_ABOUT)->isEnabled());
    const bool shown = WhileModal<CAboutDlg>([&] { Trigger(ID_APP_ABOUT); }, [&](CAboutDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("バージョン情報"));
        EXPECT_EQ(dialog.VersionText(), QStringLiteral("Oblimo Version 1.3.0.1 64bit版"));
        QStringList lines;
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (!label->pixmap().isNull()) {
                EXPECT_GE(label->pixmap().width(), 32) << "the icon";
            }
            lines << label->text();
        }
        EXPECT_TRUE(lines.filter(QRegularExpression("20\\d\\d.*Sunmoth")).size() == 1)
            << lines.join('|').toStdString();
        QPushButton* ok = nullptr;
        QPushButton* homePage = nullptr;
        for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
            if (button->text() == "OK") ok = button;
            if (button->text() == QStringLiteral("ホームページ")) homePage = button;
        }
        ASSERT_NE(ok, nullptr);
        ASSERT_NE(homePage, nullptr);
        EXPECT_TRUE(ok->isDefault());
        QTest::mouseClick(homePage, Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible()) << "the dialog stays open";
        ASSERT_EQ(urls.opened.size(), 1u);
        EXPECT_EQ(urls.opened[0], HomePageUrl(false));
        QTest::mouseClick(ok, Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
    });
    EXPECT_TRUE(shown);
}

struct HomePageCase {
    const char* name;
    bool withHelp;
    const char* query;
};

class HomePageTest : public HelpMenuTest, public ::testing::WithParamInterface<HomePageCase> {};

TEST_P(HomePageTest, TheAddressCarriesTheVersionAndWhetherTheHelpIsInstalled) {
    const HomePageCase& c = GetParam();
    PlaceProgram(c.withHelp);
    EXPECT_EQ(m.App().HelpExists, c.withHelp ? 1 : 0);
    Trigger(ID_HOMEPAGE);
    ASSERT_EQ(urls.opened.size(), 1u);
    const QUrl url = urls.opened[0];
    EXPECT_EQ(url.scheme(), "https");
    EXPECT_EQ(url.path(), "/oblimo/");
    EXPECT_EQ(url.query(), QString::fromLatin1(c.query));
    EXPECT_TRUE(url.toString().endsWith(QString::fromLatin1(c.query)));
}

INSTANTIATE_TEST_SUITE_P(Cases, HomePageTest,
                         ::testing::Values(HomePageCase{"WithHelp", true, "ver=1.3.0.1&h=1"},
                                           HomePageCase{"WithoutHelp", false, "ver=1.3.0.1"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(HelpMenuTest, WithoutAHelpPageTheHelpItemIsRemoved) {
    // Before start-up has looked, the item is there but greyed.
    ASSERT_NE(m.Frame().Action(ID_HELP_FINDER), nullptr);
    EXPECT_FALSE(m.Frame().Action(ID_HELP_FINDER)->isEnabled());
    PlaceProgram(false);
    EXPECT_EQ(m.Frame().Action(ID_HELP_FINDER), nullptr);
    EXPECT_EQ(HelpMenuTexts(), (QStringList{"ホームページ(&P)", "バージョン情報(&A)..."}));
}

TEST_F(HelpMenuTest, AHelpPageBesideTheProgramIsOpenedByTheHelpItem) {
    PlaceProgram(true);
    EXPECT_EQ(HelpMenuTexts(), (QStringList{"ヘルプ(&H)", "ホームページ(&P)", "バージョン情報(&A)..."}));
    ASSERT_TRUE(m.Frame().Action(ID_HELP_FINDER)->isEnabled());
    Trigger(ID_HELP_FINDER);
    ASSERT_EQ(urls.opened.size(), 1u);
    EXPECT_EQ(urls.opened[0], QUrl::fromLocalFile(m_program.filePath("Help/Help.html")));
}

TEST(BuiltHelpPageTest, TheEditorInTheBuildFolderFindsItsHelpPageWithEveryPicture) {
    SettingsStore store;
    CTavloApp app(store);
    app.LocateHelpPage(QStringLiteral(TAVLO));
    ASSERT_EQ(app.HelpExists, 1) << app.HelpPath.toStdString();
    QFile page(app.HelpPath);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(html.contains("lang=\"ja\""));
    const QRegularExpression image("<img[^>]*src=\"([^\"]+)\"");
    int pictures = 0;
    for (const QRegularExpressionMatch& match : image.globalMatch(html)) {
        ++pictures;
        EXPECT_TRUE(QFileInfo(QFileInfo(app.HelpPath).dir(), match.captured(1)).isFile())
            << match.captured(1).toStdString();
    }
    EXPECT_GE(pictures, 4) << "a picture of each step at least";
}

// Qt's own dialogs, as the editor shows them with the Japanese translations.
class QtDialogTextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(InstallQtJapaneseTranslations()); }
};

TEST_F(QtDialogTextTest, MessageBoxButtonsAreJapanese) {
    InstallWidgetMessageBox();
    int answer = 0;
    const bool shown = WhileModal<QMessageBox>(
        [&] { answer = AppMessageBox("?", MessageButtons::YesNoCancel, MessageIcon::Question); },
        [&](QMessageBox& box) {
            EXPECT_EQ(box.windowTitle(), "Oblimo");
            EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
            EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("いいえ(&N)"));
            EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
            QTest::mouseClick(box.button(QMessageBox::No), Qt::LeftButton);
        });
    SetMessageBoxHandler({});
    EXPECT_TRUE(shown);
    EXPECT_EQ(answer, IDNO);
}

TEST_F(QtDialogTextTest, TheOpenDialogIsJapaneseAndShowsEachFilterOnce) {
    WidgetFileDialogs dialogs;
    const QStringList extensions{"png", "jpg"};
    const bool shown = WhileModal<QFileDialog>(
        [&] { dialogs.GetOpenFileName(CTavloAppCommands::OpenFilter(extensions)); },
        [&](QFileDialog& dialog) {
            auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
            ASSERT_NE(types, nullptr);
            QStringList shownTypes;
            for (int i = 0; i < types->count(); ++i) shownTypes << types->itemText(i);
            EXPECT_EQ(shownTypes, (QStringList{"画像ファイル(*.png;*.jpg)", "すべてのファイル(*.*)"}));
            auto* lookIn = dialog.findChild<QLabel*>("lookInLabel");
            ASSERT_NE(lookIn, nullptr);
            EXPECT_NE(lookIn->text(), "Look in:");
            EXPECT_EQ(lookIn->text(), QFileDialog::tr("Look in:"));
            auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
            ASSERT_NE(buttons, nullptr);
            EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
            dialog.reject();
        });
    EXPECT_TRUE(shown);
}

TEST_F(QtDialogTextTest, TheSaveDialogSelectsAndReportsTheFilterByItsIndex) {
    QTemporaryDir folder;
    WidgetFileDialogs dialogs;
    SaveDialogRequest request;
    request.filter = Strings::SaveAsFilter();
    request.filterIndex = 2;
    request.proposedName = folder.filePath("scan-Oblimo.jpg");
    std::optional<SaveDialogAnswer> answer;
    const bool shown = WhileModal<QFileDialog>(
        [&] { answer = dialogs.GetSaveFileName(request); },
        [&](QFileDialog& dialog) {
            auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
            ASSERT_NE(types, nullptr);
            EXPECT_EQ(types->currentText(), QStringLiteral("jpegファイル(*.jpg;*.jpeg)"));
            EXPECT_EQ(types->itemText(2), QStringLiteral("24bit ビットマップファイル(*.bmp)"));
            QMetaObject::invokeMethod(&dialog, "accept");
        });
    EXPECT_TRUE(shown);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->filterIndex, 2);
    EXPECT_EQ(QFileInfo(answer->path).fileName(), "scan-Oblimo.jpg");
}

}  // namespace
