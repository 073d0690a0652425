#include "CTavloBatchDialog.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>

#include "BatchDialogLayout.h"
#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "frame/DialogBar.h"
#include "platform/AppMessages.h"
#include "platform/SettingsStore.h"
#include "platform/UrlOpener.h"
#include "resources/Strings.h"

namespace {
const char kControlIdProperty[] = "controlId";
constexpr int kRefreshMs = 10;
// Column 0 of every row holds the index of its item.
constexpr int kItemIndexRole = Qt::UserRole;

void SetTextIfDifferent(QTreeWidgetItem* row, int column, const QString& text) {
    if (row->text(column) != text) row->setText(column, text);
}
}  // namespace

CTavloBatchDialog::CTavloBatchDialog(CTavloDoc& document, std::vector<BatchItemPtr> items,
                                     QWidget* mainWindow)
    : QDialog(mainWindow), m_run(document, std::move(items)) {
    setWindowTitle(Strings::BatchDialogCaption());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    CreateControls();

    // The template's own size, and where each control of the resize table sits
    // in it; a change of size moves the controls from there.
    const DialogUnits units(font());
    m_characterUnit = units.X(4);
    resize(units.X(BatchTemplate::kWidth), units.Y(BatchTemplate::kHeight));
    m_initialClientRect = QRect(QPoint(0, 0), size());
    for (const BatchTemplate::Resize& entry : BatchTemplate::kResizeTable)
        m_controlRects.push_back(Control(entry.id)->geometry());
    m_layoutReady = true;
    // It can grow but never shrink below its template size.
    setMinimumSize(m_initialClientRect.size());

    const BatchDialogLayout layout =
        BatchDialogLayout::Load(m_run.Document().App().Store(), m_characterUnit);
    InsertColumnsAndRows(layout);
    const std::vector<BatchItemPtr>& all = m_run.Items();
    if (!all.empty()) m_inputFolder->setText(BatchFolderText(all.front()->m_inputPath));
    m_progress->setRange(0, int(all.size()));
    m_progress->setValue(0);
    ApplyPlacement(layout, mainWindow);
}

CTavloBatchDialog::~CTavloBatchDialog() {
    // Only reached with a worker running when the application itself goes.
    m_run.RequestStop();
    m_run.Wait();
    QCoreApplication::removePostedEvents(this, WM_APP_BATCH_FINISHED);
}

QWidget* CTavloBatchDialog::Control(int id) const { return m_controls.value(id, nullptr); }

void CTavloBatchDialog::CreateControls() {
    const DialogUnits units(font());
    for (const BatchTemplate::Control& control : BatchTemplate::kControls) {
        const QString text = QString::fromUtf16(control.text);
        QWidget* widget = nullptr;
        switch (control.kind) {
            case BatchTemplate::Kind::Label: {
                auto* label = new QLabel(text, this);
                label->setTextFormat(Qt::PlainText);
                widget = label;
                break;
            }
            case BatchTemplate::Kind::Edit: {
                auto* edit = new QLineEdit(this);
                edit->setReadOnly(true);
                widget = edit;
                break;
            }
            case BatchTemplate::Kind::List: {
                auto* list = new QTreeWidget(this);
                list->setRootIsDecorated(false);
                list->setItemsExpandable(false);
                list->setUniformRowHeights(true);
                list->setSortingEnabled(false);
                list->setSelectionBehavior(QAbstractItemView::SelectRows);
                list->setSelectionMode(QAbstractItemView::ExtendedSelection);
                list->setEditTriggers(QAbstractItemView::NoEditTriggers);
                list->header()->setSectionsClickable(false);
                list->header()->setSectionsMovable(false);
                list->header()->setStretchLastSection(false);
                widget = list;
                break;
            }
            case BatchTemplate::Kind::Progress: {
                auto* progress = new QProgressBar(this);
                progress->setTextVisible(false);
                widget = progress;
                break;
            }
            case BatchTemplate::Kind::Button: {
                auto* button = new QPushButton(text, this);
                // Enter never presses a button of this dialog, focused or not.
                button->setAutoDefault(false);
                button->setDefault(false);
                widget = button;
                break;
            }
        }
        widget->setGeometry(units.X(control.x), units.Y(control.y), units.X(control.width),
                            units.Y(control.height));
        widget->setProperty(kControlIdProperty, control.id);
        if (control.id != IDC_NONE) m_controls.insert(control.id, widget);
    }
    m_inputFolder = static_cast<QLineEdit*>(Control(IDC_BATCH_INPUT_FOLDER));
    m_outputFolder = static_cast<QLineEdit*>(Control(IDC_BATCH_OUTPUT_FOLDER));
    m_list = static_cast<QTreeWidget*>(Control(IDC_BATCH_LIST));
    m_progress = static_cast<QProgressBar*>(Control(IDC_BATCH_PROGRESS));
    m_counters = static_cast<QLabel*>(Control(IDC_BATCH_COUNTERS));
    m_stop = static_cast<QPushButton*>(Control(IDC_BATCH_STOP));
    m_resume = static_cast<QPushButton*>(Control(IDC_BATCH_RESUME));
    m_state = static_cast<QLabel*>(Control(IDC_BATCH_STATE));
    m_close = static_cast<QPushButton*>(Control(IDC_BATCH_CLOSE));
    m_inputFolder->setAccessibleName(Strings::BatchInputLabel());
    m_outputFolder->setAccessibleName(Strings::BatchOutputLabel());

    connect(m_stop, &QPushButton::clicked, this, &CTavloBatchDialog::OnStop);
    connect(m_resume, &QPushButton::clicked, this, &CTavloBatchDialog::OnResume);
    connect(m_close, &QPushButton::clicked, this, &CTavloBatchDialog::reject);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &CTavloBatchDialog::OnListDoubleClick);
}

void CTavloBatchDialog::InsertColumnsAndRows(const BatchDialogLayout& layout) {
    m_list->setColumnCount(3);
    m_list->setHeaderLabels(
        {Strings::BatchColumnStatus(), Strings::BatchColumnInput(), Strings::BatchColumnOutput()});
    for (int column = 0; column < 3; ++column)
        m_list->headerItem()->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
    m_list->header()->resizeSection(0, layout.statusWidth);
    m_list->header()->resizeSection(1, layout.inputWidth);
    m_list->header()->resizeSection(2, layout.outputWidth);

    const std::vector<BatchItemPtr>& items = m_run.Items();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(qsizetype(items.size()));
    for (std::size_t index = 0; index < items.size(); ++index) {
        auto* row = new QTreeWidgetItem;
        row->setText(1, BatchFileNameText(items[index]->m_inputPath));
        row->setData(0, kItemIndexRole, int(index));
        // The row's identifier stays with it wherever the row goes in the list.
        const int listId = int(index) + 1;
        items[index]->m_listId = listId;
        m_rowsById.insert(listId, row);
        rows << row;
    }
    m_list->addTopLevelItems(rows);
}

void CTavloBatchDialog::ApplyPlacement(const BatchDialogLayout& layout, QWidget* mainWindow) {
    if (layout.HasRect()) {
        setGeometry(layout.Rect());
    } else if (mainWindow) {
        setGeometry(FirstUseRect(m_initialClientRect.size(), mainWindow->geometry()));
    }
    ApplyResizeTable();
}

void CTavloBatchDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_started) return;
    m_started = true;
    StartRun();
}

void CTavloBatchDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ApplyResizeTable();
    update();
}

void CTavloBatchDialog::ApplyResizeTable() {
    if (!m_layoutReady) return;
    const int dx = width() - m_initialClientRect.width();
    const int dy = height() - m_initialClientRect.height();
    std::size_t entry = 0;
    for (const BatchTemplate::Resize& resize : BatchTemplate::kResizeTable)
        Control(resize.id)->setGeometry(ResizedControlRect(
            m_controlRects[entry++], resize.horizontal, resize.vertical, dx, dy));
}

void CTavloBatchDialog::StartRun() {
    m_state->setText(Strings::BatchProcessingText());
    m_running = true;
    m_refreshTimer.start(kRefreshMs, this);
    m_resume->setEnabled(false);
    m_stop->setEnabled(true);
    m_close->setEnabled(false);
    const auto finished = [this] {
        QCoreApplication::postEvent(this, new AppMessageEvent(WM_APP_BATCH_FINISHED));
    };
    // Without a worker the run ends at once, stopped, and can be resumed.
    if (!m_run.Start(finished, BatchRun::Priority::BelowNormal)) finished();
}

void CTavloBatchDialog::OnStop() {
    if (!m_running) return;
    m_stop->setEnabled(false);
    m_run.RequestStop();
    m_state->setText(Strings::BatchStoppingText());
}

void CTavloBatchDialog::OnResume() {
    if (m_running) return;
    StartRun();
}

bool CTavloBatchDialog::event(QEvent* event) {
    if (AppMessageEvent::Is(event, WM_APP_BATCH_FINISHED)) {
        OnBatchFinished();
        return true;
    }
    return QDialog::event(event);
}

void CTavloBatchDialog::OnBatchFinished() {
    m_running = false;
    m_refreshTimer.stop();
    m_run.ClearStopRequest();
    m_stop->setEnabled(false);
    m_close->setEnabled(true);
    RefreshRows();
    int done = 0;
    {
        std::lock_guard<std::mutex> lock(m_run.Mutex());
        done = m_run.Succeeded() + m_run.Failed();
    }
    if (std::size_t(done) < m_run.Items().size()) {
        m_state->setText(Strings::BatchStoppedText());
        m_resume->setEnabled(true);
    } else {
        m_state->setText(Strings::BatchCompletedText());
    }
}

void CTavloBatchDialog::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_refreshTimer.timerId()) {
        RefreshRows();
        return;
    }
    QDialog::timerEvent(event);
}

void CTavloBatchDialog::RefreshRows() {
    struct Row {
        int listId;
        int status;
        QString outputPath;
    };
    const std::vector<BatchItemPtr>& items = m_run.Items();
    std::vector<Row> copied;
    int succeeded = 0, failed = 0;
    {
        // Only what the list does not yet show in its final state, and the file
        // in hand: items finish in list order, each counted once, so the first
        // succeeded + failed items are exactly the finished ones.
        std::lock_guard<std::mutex> lock(m_run.Mutex());
        succeeded = m_run.Succeeded();
        failed = m_run.Failed();
        const std::size_t done = std::min(std::size_t(succeeded + failed), items.size());
        const std::size_t end = done < items.size() ? done + 1 : done;
        for (std::size_t index = m_reportedRows; index < end; ++index)
            copied.push_back(
                {items[index]->m_listId, items[index]->m_status, items[index]->m_outputPath});
        m_reportedRows = done;
    }
    for (const Row& item : copied) {
        QTreeWidgetItem* row = m_rowsById.value(item.listId, nullptr);
        if (!row) continue;
        if (m_outputFolder->text().isEmpty() && !item.outputPath.isEmpty())
            m_outputFolder->setText(BatchFolderText(item.outputPath));
        SetTextIfDifferent(row, 0, BatchStatusText(item.status));
        SetTextIfDifferent(
            row, 2, item.outputPath.isEmpty() ? QString() : BatchFileNameText(item.outputPath));
        m_list->scrollToItem(row, QAbstractItemView::EnsureVisible);
    }
    m_progress->setValue(succeeded + failed);
    const QString counters =
        Strings::BatchCounters(succeeded, failed, int(items.size()) - succeeded - failed);
    if (m_counters->text() != counters) m_counters->setText(counters);
}

void CTavloBatchDialog::OnListDoubleClick() {
    // The first selected row, in list order.
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < m_list->topLevelItemCount() && !first; ++i)
        if (m_list->topLevelItem(i)->isSelected()) first = m_list->topLevelItem(i);
    if (!first) return;
    const int index = first->data(0, kItemIndexRole).toInt();
    const std::vector<BatchItemPtr>& items = m_run.Items();
    if (index < 0 || std::size_t(index) >= items.size()) return;
    QString path;
    {
        std::lock_guard<std::mutex> lock(m_run.Mutex());
        if (items[std::size_t(index)]->m_status == BatchSucceeded)
            path = items[std::size_t(index)]->m_outputPath;
    }
    if (!path.isEmpty()) OpenUrl(QUrl::fromLocalFile(path));
}

void CTavloBatchDialog::reject() {
    // The platform refuses the cancel command while the cancel button is
    // disabled, whether it came from the button, Esc or the close box.
    if (!m_close->isEnabled()) return;
    SaveLayout();
    QDialog::reject();
}

void CTavloBatchDialog::SaveLayout() {
    BatchDialogLayout layout;
    // The normal rectangle, also when a window manager has maximised it.
    const QRect normal = isMaximized() || isFullScreen() ? normalGeometry() : geometry();
    layout.SetRect(normal.isValid() ? normal : geometry());
    layout.statusWidth = m_list->header()->sectionSize(0);
    layout.inputWidth = m_list->header()->sectionSize(1);
    layout.outputWidth = m_list->header()->sectionSize(2);
    layout.Save(m_run.Document().App().Store());
}
