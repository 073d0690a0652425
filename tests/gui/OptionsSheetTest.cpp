// The options sheet through the editor's menu, on the real widgets: which page
// it opens on, what OK and Cancel take over, the tests that keep a page
// active, the colour fields and the colour dialog's custom colours, the
// save-folder modes, and what the rest of the window does with the result.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <algorithm>

#include "app/CustomColors.h"
#include "document/CTavloDoc.h"
#include "frame/CMainFrame.h"
#include "resources/CommandIds.h"
#include "resources/SettingsTemplates.h"
#include "resources/Strings.h"
#include "settings/CSettingCardboardDialog.h"
#include "settings/CSettingMiscDialog.h"
#include "settings/CSettingSaveDialog.h"
#include "settings/CXPropertySheet.h"
#include "support/EditorHarness.h"
#include "support/ModalDriver.h"
#include "support/TestEnvironment.h"
#include "view/CTavloView.h"

namespace {

enum Page { kMargin = 0, kSave = 1, kMisc = 2 };

// Counts the two settings messages as they reach the view.
class SettingsMessages : public QObject {
public:
    explicit SettingsMessages(QObject* view) { view->installEventFilter(this); }
    int margin = 0;
    int background = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (int(event->type()) == WM_APP_MARGIN_CHANGED) ++margin;
        if (int(event->type()) == WM_APP_BACKGROUND_CHANGED) ++background;
        return false;
    }
};

class OptionsSheetTest : public ::testing::Test {
protected:
    using Script = std::function<void(CXPropertySheet&)>;

    // "オプション(&O)" from the menu, with the script run inside the sheet.
    void WithSheet(const Script& script) {
        ASSERT_TRUE(WhileModal<CXPropertySheet>([&] { m.Frame().Action(ID_OPTIONS)->trigger(); },
                                                [&](CXPropertySheet& sheet) {
                                                    // Keyboard focus needs the active window.
                                                    QApplication::setActiveWindow(&sheet);
                                                    script(sheet);
                                                }))
            << "the options sheet did not open";
        m.Idle();
    }

    static QLineEdit* Edit(CXPropertySheet& sheet, int page, int id) {
        return sheet.GetPage(page)->Item<QLineEdit>(id);
    }
    template <class T>
    static T* Control(CXPropertySheet& sheet, int page, int id) {
        return sheet.GetPage(page)->Item<T>(id);
    }
    static void Type(QLineEdit* edit, const QString& text) {
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->selectAll();
        const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (text.isEmpty()) {
            QTest::keyClick(edit, Qt::Key_Backspace);
        } else if (ascii) {
            QTest::keyClicks(edit, text);
        } else {
            // Full-width digits come from an input method, which commits them.
            QTest::keyClick(edit, Qt::Key_Backspace);
            QInputMethodEvent commit;
            commit.setCommitString(text);
            QApplication::sendEvent(edit, &commit);
        }
    }
    static void SwitchTo(CXPropertySheet& sheet, int page) {
        QTabBar* bar = sheet.TabControl()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page).center());
    }
    static void Press(CXPropertySheet& sheet, QDialogButtonBox::StandardButton which) {
        QTest::mouseClick(sheet.Buttons()->button(which), Qt::LeftButton);
    }
    static void Ok(CXPropertySheet& sheet) { Press(sheet, QDialogButtonBox::Ok); }
    static void Cancel(CXPropertySheet& sheet) { Press(sheet, QDialogButtonBox::Cancel); }

    bool Stored(const char* key) { return m.Store().Contains("Settings", key); }
    int StoredInt(const char* key) { return m.Store().GetInt("Settings", key, -12345); }
    // The colour in the middle of a page's swatch, as painted.
    static QColor Swatch(CXPropertySheet& sheet, int page) {
        QWidget* swatch = sheet.GetPage(page)->GetDlgItem(IDC_COLOR_SWATCH);
        const QImage shot = swatch->grab().toImage();
        return shot.pixelColor(shot.width() / 2, shot.height() / 2);
    }

    EditorHarness m;
};

TEST_F(OptionsSheetTest, EveryPageShowsItsTemplateAndNamesItsFields) {
    EXPECT_TRUE(m.Frame().Action(ID_OPTIONS)->isEnabled()) << "always enabled, also without an image";
    WithSheet([&](CXPropertySheet& sheet) {
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("オプション"));
        ASSERT_EQ(sheet.GetPageCount(), 3);
        EXPECT_EQ(sheet.TabControl()->tabText(0), QStringLiteral("余白"));
        EXPECT_EQ(sheet.TabControl()->tabText(1), QStringLiteral("保存"));
        EXPECT_EQ(sheet.TabControl()->tabText(2), QStringLiteral("その他"));
        EXPECT_EQ(sheet.GetActiveIndex(), 0) << "a first opening shows 余白";
        EXPECT_EQ(sheet.Buttons()->buttons().size(), 2) << "OK and Cancel, no apply button";

        const PageTemplate* templates[] = {&kMarginPageTemplate, &kSavePageTemplate, &kMiscPageTemplate};
        for (int page = 0; page < 3; ++page) {
            QStringList shown;
            for (QLabel* label : sheet.GetPage(page)->findChildren<QLabel*>()) shown << label->text();
            for (QAbstractButton* b : sheet.GetPage(page)->findChildren<QAbstractButton*>()) shown << b->text();
            for (const PageControlTemplate& control : templates[page]->controls) {
                const QString text = QString::fromUtf16(control.text);
                if (!text.isEmpty()) {
                    EXPECT_TRUE(shown.contains(text)) << text.toStdString();
                }
                QWidget* widget = sheet.GetPage(page)->GetDlgItem(control.id);
                if (control.kind == PageControlKind::Edit || control.text == std::u16string_view(u"...")) {
                    ASSERT_NE(widget, nullptr);
                    EXPECT_FALSE(widget->accessibleName().isEmpty()) << control.id;
                    EXPECT_EQ(widget->accessibleName(), QString::fromUtf16(control.accessibleName));
                }
            }
        }
        // A field's name is the label before it.
        EXPECT_EQ(Edit(sheet, kMargin, IDC_OPACITY)->accessibleName(), QStringLiteral("不透明度"));
        EXPECT_EQ(Edit(sheet, kMargin, IDC_COLOR_GREEN)->accessibleName(), QStringLiteral("G"));
        EXPECT_EQ(Edit(sheet, kSave, IDC_SUBFOLDER_NAME)->accessibleName(),
                  QStringLiteral("サブフォルダ（1レベルのみ）"));
        Cancel(sheet);
    });
}

struct StartPageCase {
    const char* name;
    int stored;  // -1: nothing stored
    int opensOn;
};

class OptionsStartPageTest : public OptionsSheetTest,
                             public ::testing::WithParamInterface<StartPageCase> {};

TEST_P(OptionsStartPageTest, OpensOnTheRememberedPage) {
    const StartPageCase& c = GetParam();
    if (c.stored >= 0) m.App().settings.SettingDialogPage = c.stored;
    WithSheet([&](CXPropertySheet& sheet) {
        EXPECT_EQ(sheet.GetActiveIndex(), c.opensOn);
        EXPECT_EQ(sheet.TabControl()->currentIndex(), c.opensOn);
        Cancel(sheet);
    });
    // Opening is an activation: the index is stored at once.
    EXPECT_EQ(StoredInt("SettingDialogPage"), c.opensOn);
}

INSTANTIATE_TEST_SUITE_P(Cases, OptionsStartPageTest,
                         ::testing::Values(StartPageCase{"Save", 1, 1}, StartPageCase{"Misc", 2, 2},
                                           StartPageCase{"Negative", -1, 0},
                                           StartPageCase{"BeyondTheLast", 3, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OptionsSheetTest, CancelAfterSwitchingKeepsThePageAndChangesNothing) {
    SettingsMessages messages(&m.View());
    const AppSettings before = m.App().settings;
    WithSheet([&](CXPropertySheet& sheet) {
        Type(Edit(sheet, kMargin, IDC_COLOR_RED), "10");
        SwitchTo(sheet, kMisc);
        EXPECT_EQ(sheet.GetActiveIndex(), kMisc);
        Control<QCheckBox>(sheet, kMisc, IDC_GRID_ON_STARTUP)->click();
        Type(Edit(sheet, kMisc, IDC_COLOR_BLUE), "0");
        Cancel(sheet);
    });
    EXPECT_EQ(m.App().settings.CardBoard_R, before.CardBoard_R);
    EXPECT_EQ(m.App().settings.GridOnOnStartrup, before.GridOnOnStartrup);
    EXPECT_EQ(m.App().settings.Background_B, before.Background_B);
    for (const char* key : {"CardBoard_R", "GridOnOnStartrup", "Background_B", "SaveFolder"})
        EXPECT_FALSE(Stored(key)) << key;
    EXPECT_EQ(messages.margin + messages.background, 0);
    EXPECT_EQ(StoredInt("SettingDialogPage"), kMisc);

    // The next opening starts on "その他", built anew from the settings.
    WithSheet([&](CXPropertySheet& sheet) {
        EXPECT_EQ(sheet.GetActiveIndex(), kMisc);
        EXPECT_EQ(Edit(sheet, kMisc, IDC_COLOR_BLUE)->text(), QStringLiteral("213"));
        Cancel(sheet);
    });
}

TEST_F(OptionsSheetTest, OkTakesOverOnlyThePagesShownInThisRun) {
    SettingsMessages messages(&m.View());
    WithSheet([&](CXPropertySheet& sheet) { Ok(sheet); });
    // "余白" writes its values again though none changed; nothing is sent.
    EXPECT_EQ(StoredInt("CardBoard_R"), 255);
    EXPECT_EQ(StoredInt("CardBoard_A"), 0);
    EXPECT_EQ(messages.margin, 0);
    EXPECT_FALSE(Stored("GridOnOnStartrup")) << "その他 was never shown";
    EXPECT_FALSE(Stored("Background_R"));
    EXPECT_FALSE(Stored("SaveFolder"));
    EXPECT_EQ(messages.background, 0);

    // All three shown: all three take over, and the background message goes
    // out although nothing on "その他" changed.
    WithSheet([&](CXPropertySheet& sheet) {
        SwitchTo(sheet, kSave);
        SwitchTo(sheet, kMisc);
        Ok(sheet);
    });
    EXPECT_EQ(StoredInt("SaveFolder"), 0);
    EXPECT_EQ(StoredInt("GridOnOnStartrup"), 1);
    EXPECT_EQ(StoredInt("Background_G"), 215);
    EXPECT_EQ(messages.background, 1);
    EXPECT_EQ(messages.margin, 0);
}

struct OpacityCase {
    const char* name;
    const char16_t* typed;
    int stored;  // -1: refused
};

class OpacityTest : public OptionsSheetTest, public ::testing::WithParamInterface<OpacityCase> {};

TEST_P(OpacityTest, OnlyAWholeNumberUpTo255LeavesThePage) {
    const OpacityCase& c = GetParam();
    const QString typed = QString::fromUtf16(c.typed);
    ScriptedMessageBoxes boxes;
    WithSheet([&](CXPropertySheet& sheet) {
        Type(Edit(sheet, kMargin, IDC_OPACITY), typed);
        // A tab switch and OK are refused alike.
        SwitchTo(sheet, kSave);
        Ok(sheet);
        if (c.stored < 0) {
            EXPECT_TRUE(sheet.isVisible()) << "the sheet stays open";
            EXPECT_EQ(sheet.GetActiveIndex(), kMargin);
            EXPECT_EQ(sheet.TabControl()->currentIndex(), kMargin);
            EXPECT_EQ(sheet.TabControl()->currentWidget(), sheet.GetPage(kMargin));
            Cancel(sheet);
        }
    });
    if (c.stored < 0) {
        ASSERT_EQ(boxes.Shown().size(), 2u);
        EXPECT_EQ(boxes.Texts()[0], Strings::OpacityOutOfRange());
        EXPECT_TRUE(boxes.Texts()[0].contains("0から255")) << "the message states the range";
        EXPECT_EQ(boxes.Shown()[0].icon, MessageIcon::Warning);
        EXPECT_FALSE(Stored("CardBoard_A"));
        EXPECT_EQ(m.App().settings.CardBoard_A, 0);
    } else {
        EXPECT_TRUE(boxes.Shown().empty());
        EXPECT_EQ(StoredInt("CardBoard_A"), c.stored);
        EXPECT_EQ(m.App().settings.CardBoard_A, c.stored);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpacityTest,
    ::testing::Values(OpacityCase{"LeadingBlank", u" 7", 7}, OpacityCase{"TrailingBlank", u"7 ", -1},
                      OpacityCase{"Empty", u"", 0}, OpacityCase{"Max", u"255", 255},
                      OpacityCase{"AboveMax", u"256", -1}, OpacityCase{"Three100", u"300", -1},
                      OpacityCase{"Plus", u"+12", 12}, OpacityCase{"MinusZero", u"-0", 0},
                      OpacityCase{"MinusOneWraps", u"-1", -1}, OpacityCase{"Letters", u"abc", -1},
                      OpacityCase{"OnlyBlanks", u"  ", -1}, OpacityCase{"Huge", u"99999999999", -1},
                      OpacityCase{"FullWidthDigits", u"１２８", 128}),
    [](const auto& info) { return std::string(info.param.name); });

struct ComponentCase {
    const char* name;
    int field;
    const char* typed;
    int component;
};

class ColorFieldTest : public OptionsSheetTest, public ::testing::WithParamInterface<ComponentCase> {};

TEST_P(ColorFieldTest, TheSwatchFollowsTheTypingAndOkStoresTheComponent) {
    const ComponentCase& c = GetParam();
    const QColor white(255, 255, 255);
    QColor expected = white;
    if (c.field == IDC_COLOR_RED) expected.setRed(c.component);
    if (c.field == IDC_COLOR_GREEN) expected.setGreen(c.component);
    if (c.field == IDC_COLOR_BLUE) expected.setBlue(c.component);
    WithSheet([&](CXPropertySheet& sheet) {
        EXPECT_EQ(Swatch(sheet, kMargin), white);
        Type(Edit(sheet, kMargin, c.field), QString::fromLatin1(c.typed));
        EXPECT_EQ(Swatch(sheet, kMargin), expected);
        EXPECT_EQ(Edit(sheet, kMargin, c.field)->text(), QString::fromLatin1(c.typed))
            << "the text stays as typed";
        Ok(sheet);
    });
    EXPECT_EQ(QColor(StoredInt("CardBoard_R"), StoredInt("CardBoard_G"), StoredInt("CardBoard_B")),
              expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ColorFieldTest,
    ::testing::Values(ComponentCase{"RedAbove255", IDC_COLOR_RED, "300", 255},
                      ComponentCase{"GreenMinusOne", IDC_COLOR_GREEN, "-1", 255},
                      ComponentCase{"DigitsThenLetters", IDC_COLOR_BLUE, "12ab", 12},
                      ComponentCase{"Empty", IDC_COLOR_RED, "", 0},
                      ComponentCase{"LeadingBlankAndSign", IDC_COLOR_GREEN, " +7", 7},
                      ComponentCase{"MinusZero", IDC_COLOR_BLUE, "-0", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OptionsSheetTest, AChosenColourFillsTheFieldsAndTheCustomColoursOutliveACancel) {
    CustomColorSet stored;
    stored.fill(QColor(255, 255, 255));
    stored[5] = QColor(1, 2, 3);
    WriteCustomColors(m.Store(), stored);
    const QColor picked(12, 34, 56);
    WithSheet([&](CXPropertySheet& sheet) {
        SwitchTo(sheet, kMisc);
        auto* choose = Control<QPushButton>(sheet, kMisc, IDC_CHOOSE_COLOR);
        const bool opened = WhileModal<QColorDialog>(
            [&] { QTest::mouseClick(choose, Qt::LeftButton); },
            [&](QColorDialog& dialog) {
                EXPECT_EQ(dialog.currentColor(), QColor(219, 215, 213)) << "starts at the field's colour";
                EXPECT_EQ(QColorDialog::customColor(5), QColor(1, 2, 3)) << "the stored set is read";
                dialog.setCurrentColor(picked);
                // "Add to Custom Colors" puts the colour into the first slot.
                const QString add = QColorDialog::tr("&Add to Custom Colors");
                for (QPushButton* button : dialog.findChildren<QPushButton*>())
                    if (button->text() == add) QTest::mouseClick(button, Qt::LeftButton);
                EXPECT_EQ(QColorDialog::customColor(0), picked);
                dialog.accept();
            });
        EXPECT_TRUE(opened);
        EXPECT_EQ(Edit(sheet, kMisc, IDC_COLOR_RED)->text(), QStringLiteral("12"));
        EXPECT_EQ(Edit(sheet, kMisc, IDC_COLOR_BLUE)->text(), QStringLiteral("56"));
        EXPECT_EQ(Swatch(sheet, kMisc), picked);
        Cancel(sheet);
    });
    EXPECT_EQ(m.App().settings.Background_R, 219) << "the sheet was cancelled";
    EXPECT_FALSE(Stored("Background_R"));
    const std::optional<CustomColorSet> kept = ReadCustomColors(m.Store());
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ((*kept)[0], picked);
    EXPECT_EQ((*kept)[5], QColor(1, 2, 3));
    EXPECT_EQ(ProcessCustomColors()[0], picked);
}

TEST_F(OptionsSheetTest, ACancelledColourDialogChangesNothing) {
    WithSheet([&](CXPropertySheet& sheet) {
        auto* choose = Control<QPushButton>(sheet, kMargin, IDC_CHOOSE_COLOR);
        EXPECT_TRUE(WhileModal<QColorDialog>([&] { QTest::mouseClick(choose, Qt::LeftButton); },
                                             [&](QColorDialog& dialog) {
                                                 dialog.setCurrentColor(Qt::black);
                                                 dialog.reject();
                                             }));
        EXPECT_EQ(Edit(sheet, kMargin, IDC_COLOR_RED)->text(), QStringLiteral("255"));
        Ok(sheet);
    });
    EXPECT_EQ(StoredInt("CardBoard_R"), 255);
    EXPECT_FALSE(Stored("CustomColors"));
}

struct SubfolderCase {
    const char* name;
    const char16_t* typed;
    const char16_t* message;  // null: accepted
};

class SubfolderTest : public OptionsSheetTest, public ::testing::WithParamInterface<SubfolderCase> {};

TEST_P(SubfolderTest, TheNameIsTestedWhenThePageIsLeft) {
    const SubfolderCase& c = GetParam();
    ScriptedMessageBoxes boxes;
    WithSheet([&](CXPropertySheet& sheet) {
        SwitchTo(sheet, kSave);
        Control<QRadioButton>(sheet, kSave, IDC_SAVE_IN_SUBFOLDER)->click();
        Type(Edit(sheet, kSave, IDC_SUBFOLDER_NAME), QString::fromUtf16(c.typed));
        Ok(sheet);
        if (c.message) {
            EXPECT_TRUE(sheet.isVisible());
            EXPECT_EQ(sheet.GetActiveIndex(), kSave);
            Cancel(sheet);
        }
    });
    if (c.message) {
        EXPECT_EQ(boxes.Texts(), QStringList{QString::fromUtf16(c.message)});
        EXPECT_FALSE(Stored("SaveFolder"));
    } else {
        EXPECT_TRUE(boxes.Shown().empty()) << boxes.Texts().join(' ').toStdString();
        EXPECT_EQ(StoredInt("SaveFolder"), 1);
        EXPECT_EQ(m.Store().GetString("Settings", "SaveFolderSub", "?"), QString::fromUtf16(c.typed));
    }
}

constexpr char16_t kInvalid[] = u"サブフォルダ名に使えない文字があります。";
INSTANTIATE_TEST_SUITE_P(
    Cases, SubfolderTest,
    ::testing::Values(SubfolderCase{"Empty", u"", u"サブフォルダ名を指定してください。"},
                      SubfolderCase{"Slash", u"a/b", kInvalid}, SubfolderCase{"Backslash", u"a\\b", kInvalid},
                      SubfolderCase{"Quote", u"\"x\"", kInvalid}, SubfolderCase{"Star", u"*", kInvalid},
                      SubfolderCase{"Colon", u"c:", kInvalid}, SubfolderCase{"Less", u"<", kInvalid},
                      SubfolderCase{"Greater", u">", kInvalid}, SubfolderCase{"Question", u"why?", kInvalid},
                      SubfolderCase{"Bar", u"a|b", kInvalid}, SubfolderCase{"Dot", u".", nullptr},
                      SubfolderCase{"Blank", u" ", nullptr}, SubfolderCase{"Japanese", u"出力", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

enum class Answer { None, Ok, Cancel };

struct FolderCase {
    const char* name;
    const char* path;  // below the test's folder, where "plain.txt" is a file
    Answer answer;
    const char16_t* lastMessage;  // null: the page passes
    bool created;
};

class FixedFolderTest : public OptionsSheetTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(FixedFolderTest, AMissingFolderIsCreatedWithItsParentsOnceTheUserAgrees) {
    const FolderCase& c = GetParam();
    QFile plain(m.Folder() + "/plain.txt");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString path = c.path[0] ? m.Folder() + "/" + QString::fromUtf8(c.path) : QString();
    ScriptedMessageBoxes boxes(
        {c.answer == Answer::Ok ? int(IDOK) : int(IDCANCEL)});
    WithSheet([&](CXPropertySheet& sheet) {
        SwitchTo(sheet, kSave);
        Control<QRadioButton>(sheet, kSave, IDC_SAVE_IN_FOLDER)->click();
        Type(Edit(sheet, kSave, IDC_FOLDER_PATH), path);
        Ok(sheet);
        if (sheet.isVisible()) Cancel(sheet);
    });
    QStringList expected;
    if (c.answer != Answer::None)
        expected << QStringLiteral("フォルダがありません。この名前のフォルダを作成しますか？\r\n") + path;
    if (c.lastMessage) {
        QString last = QString::fromUtf16(c.lastMessage);
        if (last.endsWith(QLatin1String("\r\n"))) last += path;
        expected << last;
    }
    EXPECT_EQ(boxes.Texts(), expected);
    EXPECT_EQ(Stored("SaveFolderSpecified"), c.lastMessage == nullptr && c.answer != Answer::Cancel);
    if (!path.isEmpty()) {
        EXPECT_EQ(QFileInfo(path).isDir(), c.created);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FixedFolderTest,
    ::testing::Values(
        FolderCase{"Empty", "", Answer::None, u"フォルダ名を指定してください。", false},
        FolderCase{"MissingCreatedWithParents", "new/deeper/out", Answer::Ok, nullptr, true},
        FolderCase{"CreationDeclined", "new/out", Answer::Cancel, nullptr, false},
        FolderCase{"AFile", "plain.txt", Answer::None, u"フォルダ名が間違っています。", false},
        FolderCase{"BelowAFile", "plain.txt/out", Answer::Ok, u"フォルダを作成できません。\r\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OptionsSheetTest, AnExistingFolderPassesAndItsTextIsStoredAsTyped) {
    ScriptedMessageBoxes boxes;
    WithSheet([&](CXPropertySheet& sheet) {
        SwitchTo(sheet, kSave);
        Control<QRadioButton>(sheet, kSave, IDC_SAVE_IN_FOLDER)->click();
        Type(Edit(sheet, kSave, IDC_FOLDER_PATH), m.Folder());
        Ok(sheet);
    });
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(StoredInt("SaveFolder"), 2);
    EXPECT_EQ(m.App().settings.SaveFolderSpecified, m.Folder());
}

TEST_F(OptionsSheetTest, OnlyTheChosenModesFieldIsEnabledAndASwitchedOffFieldGivesUpTheFocus) {
    m.App().settings.SaveFolder = 2;
    m.App().settings.SaveFolderSpecified = "/somewhere/else";
    m.App().settings.SaveFolderSub = "sub";
    m.App().settings.SettingDialogPage = kSave;
    WithSheet([&](CXPropertySheet& sheet) {
        CPropertyPage* page = sheet.GetPage(kSave);
        QLineEdit* sub = Edit(sheet, kSave, IDC_SUBFOLDER_NAME);
        QLineEdit* folder = Edit(sheet, kSave, IDC_FOLDER_PATH);
        QWidget* browse = page->GetDlgItem(IDC_BROWSE_FOLDER);
        EXPECT_TRUE(Control<QRadioButton>(sheet, kSave, IDC_SAVE_IN_FOLDER)->isChecked());
        EXPECT_FALSE(sub->isEnabled());
        EXPECT_TRUE(folder->isEnabled());
        EXPECT_TRUE(browse->isEnabled());

        folder->setFocus();
        ASSERT_TRUE(folder->hasFocus());
        Control<QRadioButton>(sheet, kSave, IDC_SAVE_BESIDE_FILE)->click();
        EXPECT_FALSE(folder->isEnabled());
        EXPECT_FALSE(browse->isEnabled());
        EXPECT_EQ(QApplication::focusWidget(), page) << "the page, not the next control";
        EXPECT_EQ(folder->text(), QStringLiteral("/somewhere/else"));

        Control<QRadioButton>(sheet, kSave, IDC_SAVE_IN_SUBFOLDER)->click();
        EXPECT_TRUE(sub->isEnabled());
        EXPECT_FALSE(folder->isEnabled());
        Control<QRadioButton>(sheet, kSave, IDC_SAVE_BESIDE_FILE)->click();
        Ok(sheet);
    });
    EXPECT_EQ(StoredInt("SaveFolder"), 0);
    // Switched-off fields keep their texts, and those are stored.
    EXPECT_EQ(m.Store().GetString("Settings", "SaveFolderSpecified", "?"), QStringLiteral("/somewhere/else"));
    EXPECT_EQ(m.Store().GetString("Settings", "SaveFolderSub", "?"), QStringLiteral("sub"));
}

TEST_F(OptionsSheetTest, AnUnknownStoredModeTurnsOnTheFirstButton) {
    m.App().settings.SaveFolder = 7;
    m.App().settings.SettingDialogPage = kSave;
    WithSheet([&](CXPropertySheet& sheet) {
        EXPECT_TRUE(Control<QRadioButton>(sheet, kSave, IDC_SAVE_BESIDE_FILE)->isChecked());
        EXPECT_FALSE(Edit(sheet, kSave, IDC_SUBFOLDER_NAME)->isEnabled());
        EXPECT_FALSE(Edit(sheet, kSave, IDC_FOLDER_PATH)->isEnabled());
        Ok(sheet);
    });
    EXPECT_EQ(StoredInt("SaveFolder"), 0);
}

TEST_F(OptionsSheetTest, TheFolderPickerStartsAtTheTypedFolderAndFillsTheField) {
    m.Dialogs().folderAnswers = {m.Folder() + "/picked", std::nullopt};
    WithSheet([&](CXPropertySheet& sheet) {
        SwitchTo(sheet, kSave);
        Control<QRadioButton>(sheet, kSave, IDC_SAVE_IN_FOLDER)->click();
        QLineEdit* folder = Edit(sheet, kSave, IDC_FOLDER_PATH);
        Type(folder, "/typed/start");
        auto* browse = Control<QPushButton>(sheet, kSave, IDC_BROWSE_FOLDER);
        QTest::mouseClick(browse, Qt::LeftButton);
        EXPECT_EQ(folder->text(), m.Folder() + "/picked");
        QTest::mouseClick(browse, Qt::LeftButton);  // cancelled: the text stays
        EXPECT_EQ(folder->text(), m.Folder() + "/picked");
        EXPECT_TRUE(folder->isEnabled());
        Cancel(sheet);
    });
    EXPECT_EQ(m.Dialogs().folderRequests,
              (std::vector<QString>{"/typed/start", m.Folder() + "/picked"}));
}

TEST_F(OptionsSheetTest, DeleteOnExitIsKeptInMemoryAndRemovesTheStoreAtTheEnd) {
    WithSheet([&](CXPropertySheet& sheet) {
        SwitchTo(sheet, kMisc);
        EXPECT_FALSE(Control<QCheckBox>(sheet, kMisc, IDC_DELETE_ON_EXIT)->isChecked());
        Control<QCheckBox>(sheet, kMisc, IDC_DELETE_ON_EXIT)->click();
        Ok(sheet);
    });
    EXPECT_EQ(m.App().DeleteSettingsOnExit, 1);
    EXPECT_FALSE(Stored("DeleteSettingsOnExit"));
    const QString file = m.Store().FileName();
    ASSERT_TRUE(QFile::exists(file)) << "the sheet wrote its values";
    // The box stays ticked for the rest of the run.
    WithSheet([&](CXPropertySheet& sheet) {
        EXPECT_TRUE(Control<QCheckBox>(sheet, kMisc, IDC_DELETE_ON_EXIT)->isChecked());
        Cancel(sheet);
    });
    m.App().ExitInstance(0);
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(OptionsSheetTest, ANewMarginInStep4RendersThePreviewAgainAsOneMoreEntry) {
    QImage image(400, 300, QImage::Format_ARGB32);
    image.fill(QColor(30, 120, 200));
    m.OpenByButton(m.WriteImage(image));
    ASSERT_TRUE(m.Click(ID_TO_STEP2));
    ASSERT_TRUE(m.Click(ID_TO_STEP3));
    // The frame reaches beyond the image at the right, so the result has a margin.
    const QPoint right = m.View().ClientFromView(m.View().Frame().right(), 0).toPoint();
    m.Drag(right, right + QPoint(40, 0));
    ASSERT_TRUE(m.Click(ID_TO_STEP4));
    const QImage before = m.Doc().Current()->m_image->Image();
    ASSERT_EQ(qAlpha(before.pixel(before.width() - 1, 10)), 0);
    const int entries = m.HistorySize();

    // Unchanged values render nothing.
    WithSheet([&](CXPropertySheet& sheet) { Ok(sheet); });
    EXPECT_EQ(m.HistorySize(), entries);

    WithSheet([&](CXPropertySheet& sheet) {
        Type(Edit(sheet, kMargin, IDC_COLOR_GREEN), "0");
        Type(Edit(sheet, kMargin, IDC_COLOR_BLUE), "0");
        Type(Edit(sheet, kMargin, IDC_OPACITY), "255");
        Ok(sheet);
    });
    EXPECT_EQ(m.HistorySize(), entries + 1);
    EXPECT_EQ(m.Doc().Current()->m_step, 4);
    const QImage after = m.Doc().Current()->m_image->Image();
    EXPECT_EQ(after.pixel(after.width() - 1, 10), qRgba(255, 0, 0, 255));
    EXPECT_EQ(after.pixel(after.width() / 2, after.height() / 2), qRgba(30, 120, 200, 255));

    // Undo returns to the preview with the old margin.
    m.Frame().Action(ID_EDIT_UNDO)->trigger();
    m.Idle();
    EXPECT_EQ(qAlpha(m.Doc().Current()->m_image->Image().pixel(after.width() - 1, 10)), 0);
}

TEST_F(OptionsSheetTest, ANewBackgroundRepaintsTheView) {
    const auto shownCorner = [&] { return m.Viewport()->grab().toImage().pixelColor(3, 3); };
    EXPECT_EQ(shownCorner(), QColor(219, 215, 213));
    WithSheet([&](CXPropertySheet& sheet) {
        SwitchTo(sheet, kMisc);
        Type(Edit(sheet, kMisc, IDC_COLOR_RED), "10");
        Type(Edit(sheet, kMisc, IDC_COLOR_GREEN), "20");
        Type(Edit(sheet, kMisc, IDC_COLOR_BLUE), "30");
        Ok(sheet);
    });
    EXPECT_EQ(StoredInt("Background_G"), 20);
    EXPECT_EQ(shownCorner(), QColor(10, 20, 30));
}

TEST(OptionsNextStartTest, TheGridSettingActsAtTheNextStart) {
    {
        EditorHarness first;
        EXPECT_TRUE(first.View().Grid());
        ASSERT_TRUE(WhileModal<CXPropertySheet>(
            [&] { first.Frame().Action(ID_OPTIONS)->trigger(); },
            [&](CXPropertySheet& sheet) {
                QTabBar* bar = sheet.TabControl()->tabBar();
                QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(kMisc).center());
                sheet.GetPage(kMisc)->Item<QCheckBox>(IDC_GRID_ON_STARTUP)->click();
                sheet.accept();
            }));
        first.Idle();
        EXPECT_TRUE(first.View().Grid()) << "this run keeps its grid";
    }
    EditorHarness next(QSize(1600, 1000), EditorHarness::KeepSettings);
    EXPECT_EQ(next.App().settings.GridOnOnStartrup, 0);
    EXPECT_FALSE(next.View().Grid());
}

}  // namespace
