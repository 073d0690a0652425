// Copying the step-4 result to the clipboard and taking images dropped onto
// the view. Both go through the document's import and copy code; the view only
// decides when they apply (no image yet, or step 1) and talks to Qt.

#include <QClipboard>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QMimeData>

#include "CTavloView.h"
#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "document/ImageImport.h"
#include "output/ClipboardCopy.h"

namespace {
ImportContext ImportContextOf(CTavloDoc& document) {
    return {document.App().Imaging(), document.App().ImageExtensions};
}
}  // namespace

void CTavloView::OnCopy() {
    const CUndoItem* current = Current();
    if (!current || current->m_step != 4) return;
    std::unique_ptr<QMimeData> data = MakeCopyData(m_doc);
    if (data) QGuiApplication::clipboard()->setMimeData(data.release());
}

bool CTavloView::ImportAllowed() const {
    const CUndoItem* current = Current();
    return !current || current->m_step == 1;
}

void CTavloView::dragEnterEvent(QDragEnterEvent* event) {
    m_dropAcceptable =
        ImportAllowed() && ReadImageFromDataObject(event->mimeData(), nullptr, ImportContextOf(m_doc));
    if (m_dropAcceptable) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CTavloView::dragMoveEvent(QDragMoveEvent* event) {
    if (m_dropAcceptable) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CTavloView::dragLeaveEvent(QDragLeaveEvent* event) {
    m_dropAcceptable = false;
    event->accept();
}

void CTavloView::dropEvent(QDropEvent* event) {
    m_dropAcceptable = false;
    if (!ImportAllowed()) {
        event->ignore();
        return;
    }
    HolderPtr image;
    if (!ReadImageFromDataObject(event->mimeData(), &image, ImportContextOf(m_doc)) || !image) {
        event->ignore();
        return;
    }
    // Taken, also when the user then keeps the present document.
    m_doc.SetNewImage(image);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}
