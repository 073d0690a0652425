// The command layer: routing along view, document, frame and application,
// enable and check states decided in one idle pass, the scroll hooks of the
// top bar, and the file-dialog filters.

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QPushButton>
#include <QScrollBar>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <functional>
#include <map>

#include "app/CTavloAppCommands.h"
#include "document/CTavloDoc.h"
#include "frame/CScrollHookDialogBar.h"
#include "frame/CScrollHookTarget.h"
#include "frame/CommandRouter.h"
#include "frame/CommandUpdater.h"
#include "frame/ControlNotification.h"
#include "frame/DialogBar.h"
#include "platform/FileDialogs.h"
#include "resources/DialogTemplates.h"
#include "support/EditorHarness.h"

namespace {

// A link of the route that handles some commands, has update handlers for
// some, and records what reaches it.
class FakeTarget : public CommandTarget, public NotificationTarget {
public:
    std::map<int, bool> handles;                   // id -> handled
    std::map<int, std::function<void(CommandState&)>> updates;
    std::vector<int> received;
    std::vector<int> notified;
    bool takesNotifications = false;

    bool OnCommand(int id) override {
        received.push_back(id);
        return true;
    }
    bool OnUpdateCommand(int id, CommandState& state) override {
        auto found = updates.find(id);
        if (found == updates.end()) return false;
        found->second(state);
        return true;
    }
    bool HandlesCommand(int id) const override { return handles.count(id) != 0; }
    bool OnNotify(int id, int code, int) override {
        notified.push_back(id * 10 + code);
        return takesNotifications;
    }
};

TEST(CommandRouterTest, TheFirstUpdateHandlerDecidesOtherwiseAHandlerEnables) {
    FakeTarget view, document, frame, application;
    view.handles[1] = true;
    document.handles[1] = true;
    document.updates[1] = [](CommandState& s) { s.Enable(false); };
    frame.updates[2] = [](CommandState& s) { s.SetCheck(1); };
    application.handles[2] = true;
    application.handles[3] = true;
    CommandRouter router;
    router.SetCommandRoute({&view, &document, &frame, &application});

    EXPECT_FALSE(router.QueryState(1).enabled) << "the document's update handler decides";
    EXPECT_FALSE(router.Route(1)) << "a disabled command is not routed";
    EXPECT_TRUE(view.received.empty());

    const CommandState two = router.QueryState(2);
    EXPECT_TRUE(two.enabled);
    EXPECT_TRUE(two.checkSet);
    EXPECT_EQ(two.check, 1);
    EXPECT_TRUE(router.QueryState(3).enabled) << "handled without an update handler";
    EXPECT_FALSE(router.QueryState(3).checkSet);
    EXPECT_FALSE(router.QueryState(4).enabled) << "handled by nobody";

    EXPECT_TRUE(router.Route(3));
    EXPECT_EQ(application.received, std::vector<int>{3});
    EXPECT_FALSE(router.Route(4));
}

TEST(CommandRouterTest, NotificationsStopAtTheFirstTaker) {
    FakeTarget first, second, third;
    second.takesNotifications = true;
    CommandRouter router;
    router.SetNotificationRoute({&first, &second, &third});
    EXPECT_TRUE(router.Notify(32830, EN_CHANGE));
    EXPECT_EQ(first.notified.size(), 1u);
    EXPECT_EQ(second.notified.size(), 1u);
    EXPECT_TRUE(third.notified.empty());
}

TEST(CommandUpdaterTest, OnePassSetsActionsAndTheButtonsOfVisibleBars) {
    FakeTarget target;
    target.handles[ID_TO_STEP2] = true;
    target.updates[ID_FILE_OPEN] = [](CommandState& s) { s.Enable(false); };
    target.updates[ID_VIEW_GRID] = [](CommandState& s) { s.SetCheck(1); };
    target.updates[ID_FLIP_VERTICAL] = [](CommandState& s) { s.Enable(false); };
    CommandRouter router;
    router.SetCommandRoute({&target});

    QWidget window;
    StepBar visible(kStep1Template, router, &window);
    StepBar hidden(kStep2Template, router, &window);
    hidden.hide();
    window.show();
    QAction grid, flip;
    grid.setCheckable(true);
    flip.setCheckable(true);
    flip.setChecked(true);
    CommandUpdater updater(router);
    updater.AddAction(ID_VIEW_GRID, &grid);
    updater.AddAction(ID_FLIP_VERTICAL, &flip);
    updater.AddBar(&visible);
    updater.AddBar(&hidden);
    int idleTasks = 0;
    updater.AddIdleTask([&] { ++idleTasks; });

    updater.RunPass();
    EXPECT_TRUE(grid.isChecked());
    EXPECT_FALSE(flip.isEnabled());
    EXPECT_TRUE(flip.isChecked()) << "a handler that says nothing leaves the mark";
    EXPECT_FALSE(visible.GetDlgItem(ID_FILE_OPEN)->isEnabled());
    EXPECT_TRUE(visible.GetDlgItem(ID_TO_STEP2)->isEnabled());
    EXPECT_FALSE(visible.GetDlgItem(ID_EDIT_PASTE_IMAGE)->isEnabled()) << "handled by nobody";
    EXPECT_TRUE(hidden.GetDlgItem(ID_TO_STEP3)->isEnabled()) << "hidden bars are not touched";
    EXPECT_EQ(idleTasks, 1);

    // The pass runs by itself when the event loop is about to wait: a real
    // loop, which waits, with a time-out.
    target.updates[ID_FILE_OPEN] = [](CommandState& s) { s.Enable(true); };
    QEventLoop loop;
    QTimer poll, timeout;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (visible.GetDlgItem(ID_FILE_OPEN)->isEnabled()) loop.quit();
    });
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(20);
    timeout.start(5000);
    loop.exec();
    EXPECT_TRUE(visible.GetDlgItem(ID_FILE_OPEN)->isEnabled());
    // ... and once per wake-up, not again and again while nothing happens.
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    emit dispatcher->awake();
    const int after = idleTasks;
    emit dispatcher->aboutToBlock();
    emit dispatcher->aboutToBlock();
    EXPECT_EQ(idleTasks, after + 1);
}

TEST(CommandLayerTest, BarButtonsAndNotificationsTravelTheRoute) {
    FakeTarget target;
    target.handles[ID_TO_STEP3] = true;
    target.takesNotifications = true;
    CommandRouter router;
    router.SetCommandRoute({&target});
    router.SetNotificationRoute({&target});
    StepBar bar(kStep3Template, router);
    StepBar two(kStep2Template, router);
    bar.show();
    two.show();
    QTest::mouseClick(static_cast<QPushButton*>(two.GetDlgItem(ID_TO_STEP3)), Qt::LeftButton);
    EXPECT_EQ(target.received, std::vector<int>{ID_TO_STEP3});
    bar.SetDlgItemText(IDC_RESULT_WIDTH, QStringLiteral("12"));
    EXPECT_EQ(target.notified, std::vector<int>{IDC_RESULT_WIDTH * 10 + EN_CHANGE});
}

class Receiver : public CScrollHookTarget {
public:
    Receiver(std::vector<int>& log, int name, bool handles, int moveTo = -1)
        : m_log(log), m_name(name), m_handles(handles), m_moveTo(moveTo) {}
    bool OnHScrollHook(int code, int position, QScrollBar* control) override {
        m_log.push_back(m_name * 100 + code);
        lastPosition = position;
        if (m_moveTo >= 0) control->setValue(m_moveTo);
        return m_handles;
    }
    bool OnVScrollHook(int, int, QScrollBar*) override { return false; }
    int lastPosition = -1;

private:
    std::vector<int>& m_log;
    int m_name;
    bool m_handles;
    int m_moveTo;
};

TEST(ScrollHookBarTest, ReceiversInOrderUntilOneHandlesAndTheThumbStaysWhereTheyPutIt) {
    CommandRouter router;
    CScrollHookDialogBar bar(kTopBarTemplate, router);
    auto* scroll = static_cast<QScrollBar*>(bar.GetDlgItem(IDC_ANGLE_SCROLL));
    scroll->setRange(0, 7200);
    bar.SetScrollPos(scroll, 3600);
    ASSERT_EQ(scroll->value(), 3600);

    // With no receiver nothing moves the thumb.
    scroll->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(scroll->value(), 3600);

    std::vector<int> log;
    Receiver first(log, 1, false), second(log, 2, true, 3700), third(log, 3, false);
    bar.AddReceiver(&first);
    bar.AddReceiver(&second);
    bar.AddReceiver(&third);
    scroll->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(log, (std::vector<int>{100 + SB_PAGERIGHT, 200 + SB_PAGERIGHT}));
    EXPECT_EQ(scroll->value(), 3700);
    scroll->setSliderPosition(5000);  // a drag reports the track position
    EXPECT_EQ(log.back(), 200 + SB_THUMBTRACK);
    EXPECT_EQ(second.lastPosition, 5000);
    // A value set from outside (an assistive tool) arrives as a thumb position
    // and the thumb goes where the receivers put it.
    scroll->setValue(6000);
    EXPECT_EQ(log.back(), 200 + SB_THUMBPOSITION);
    EXPECT_EQ(second.lastPosition, 6000);
    EXPECT_EQ(scroll->value(), 3700);
}

TEST(FileFilterTest, PipeFiltersBecomeQtFiltersAndTheOpenFilterListsEveryExtension) {
    EXPECT_EQ(QtNameFilters(QStringLiteral("pngファイル(*.png)|*.png|jpegファイル(*.jpg;*.jpeg)|*.jpg;*.jpeg||")),
              (QStringList{"pngファイル(*.png) (*.png)", "jpegファイル(*.jpg;*.jpeg) (*.jpg *.jpeg)"}));
    const QString filter = CTavloAppCommands::OpenFilter({"png", "jpg", "heic"});
    EXPECT_EQ(filter, QStringLiteral("画像ファイル(*.png;*.jpg;*.heic)|*.png;*.jpg;*.heic|"
                                     "すべてのファイル(*.*)|*||"));

    EditorHarness m;
    m.Click(ID_FILE_OPEN);  // cancelled
    ASSERT_EQ(m.Dialogs().openFilters.size(), 1u);
    EXPECT_EQ(m.Dialogs().openFilters[0], CTavloAppCommands::OpenFilter(m.App().ImageExtensions));
    EXPECT_EQ(m.Doc().Current(), nullptr);
}

}  // namespace
