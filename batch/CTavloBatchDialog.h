#pragma once

#include <QBasicTimer>
#include <QDialog>
#include <QHash>
#include <QRect>
#include <memory>
#include <vector>

#include "BatchRun.h"

class CTavloDoc;
struct BatchDialogLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The modal, resizable window in which a batch run takes place: the chosen
// files with their status and output name, progress and counters, stop and
// resume, and a double-click that opens a written file with its default
// program. It owns the run; the worker starts as the dialog appears.
//
// Run states and their controls:
//   running    stop on,  resume off, close off, "処理しています",    refresh on
//   stopping   stop off, resume off, close off, "中止しています...", refresh on
//   stopped    stop off, resume on,  close on,  "中止しました。",    refresh off
//   completed  stop off, resume off, close on,  "完了しました。",    refresh off
// While the worker runs the dialog cannot be closed: the close button is
// disabled, and Esc and the window's close box are refused as long as it is.
// Enter does nothing in any state.
//
// Position, size and column widths are kept in section "BatchDialog".
class CTavloBatchDialog : public QDialog {
    Q_OBJECT
public:
    // mainWindow, when given, is the parent the dialog is centred on at first use.
    CTavloBatchDialog(CTavloDoc& document, std::vector<BatchItemPtr> items,
                      QWidget* mainWindow = nullptr);
    ~CTavloBatchDialog() override;

    // A control of template 322 by its id (1054-1061, 2).
    QWidget* Control(int id) const;
    QTreeWidget* List() const { return m_list; }
    BatchRun& Run() { return m_run; }
    bool IsRunning() const { return m_running; }
    bool RefreshTimerActive() const { return m_refreshTimer.isActive(); }
    // The dialog's size from its template, which is also its minimum size.
    QSize TemplateSize() const { return m_initialClientRect.size(); }

    // Copies into the list what the worker has recorded since the last refresh
    // and the file in hand, then the progress and the counters. Runs every 10
    // ms while a worker runs, and once more when it has finished.
    void RefreshRows();

public slots:
    // The close button, Esc and the close box: refused while the close button
    // is disabled; otherwise the layout is saved and the dialog closes.
    void reject() override;
    // Enter: nothing.
    void accept() override {}

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void CreateControls();
    void InsertColumnsAndRows(const BatchDialogLayout& layout);
    void ApplyPlacement(const BatchDialogLayout& layout, QWidget* mainWindow);
    void ApplyResizeTable();
    void StartRun();
    void OnStop();
    void OnResume();
    void OnBatchFinished();
    void OnListDoubleClick();
    void SaveLayout();

    BatchRun m_run;
    bool m_running = false;  // user-interface thread only

    QHash<int, QWidget*> m_controls;
    QLineEdit* m_inputFolder = nullptr;
    QLineEdit* m_outputFolder = nullptr;
    QTreeWidget* m_list = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_counters = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_resume = nullptr;
    QLabel* m_state = nullptr;
    QPushButton* m_close = nullptr;

    bool m_layoutReady = false;
    // The client rectangle right after creation; a top-level widget's geometry
    // here is its client area, so it also stands for the window rectangle.
    QRect m_initialClientRect;
    std::vector<QRect> m_controlRects;  // in resize-table order
    std::size_t m_reportedRows = 0;
    QHash<int, QTreeWidgetItem*> m_rowsById;
    int m_characterUnit = 0;
    bool m_started = false;
    QBasicTimer m_refreshTimer;
};
