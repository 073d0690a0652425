#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// The state of one file of a batch run.
enum BatchStatus : int {
    BatchPending = 0,       // not yet processed
    BatchProcessing = 1,    // the worker is working on it: "→"
    BatchSucceeded = 2,     // written: "○"
    BatchFailed = 3,        // not loadable, not renderable or not writable: "×"
    BatchSizeMismatch = 4,  // its pixel size differs from the edited image: "×サイズ"
};

// One file of a batch run, shared by the batch dialog and its worker. The
// worker writes m_status and m_outputPath only while it holds the run's mutex,
// and the dialog reads them only under it; m_inputPath and m_listId are set
// before the worker starts and only read afterwards.
struct CBatchItem {
    int m_status = BatchPending;
    QString m_inputPath;   // full path of the input file
    QString m_outputPath;  // written or tried by the last processing; empty when none was computed
    int m_listId = 0;      // the unique id of the item's row in the dialog's list
};

using BatchItemPtr = std::shared_ptr<CBatchItem>;

// The text the status column shows: empty, "→", "○", "×" or "×サイズ"; empty for
// a value outside the table.
QString BatchStatusText(int status);

// How the dialog shows a path's folder: the folder part without its closing
// "/", except for the root "/" itself ("/pics/a.png" gives "/pics").
QString BatchFolderText(const QString& path);
// The file name and extension of a path, without its folder.
QString BatchFileNameText(const QString& path);

// One pending item per path, in the order given.
std::vector<BatchItemPtr> MakeBatchItems(const QStringList& paths);
