#include "CTavloDoc.h"

#include <QCoreApplication>
#include <cmath>
#include <system_error>

#include "AngleNormalization.h"
#include "CCachedBitmap.h"
#include "HistoryKind.h"
#include "ImageImport.h"
#include "ImageLoader.h"
#include "OutputRenderer.h"
#include "app/CTavloApp.h"
#include "app/ImageExtensions.h"
#include "platform/AppMessages.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "platform/imaging/ImageStream.h"
#include "resources/CommandIds.h"
#include "resources/Strings.h"

CTavloDoc::CTavloDoc(CTavloApp& app) : m_app(app) {}

CTavloDoc::~CTavloDoc() = default;

bool CTavloDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return false;
    m_sourceDpiX = m_sourceDpiY = 0.0f;
    m_outputDpiX = m_outputDpiY = 0.0f;
    SetTitle(Strings::Untitled());
    ResetHistory();
    DropCaches();
    return true;
}

bool CTavloDoc::OnOpenDocument(const QString& path) {
    return OnOpenDocument(path, SourceDecoding::Whole);
}

bool CTavloDoc::OnOpenDocument(const QString& path, SourceDecoding decoding) {
    // Tried without blocking: a FIFO opens here and is then refused by the
    // loader instead of waiting for a writer.
    if (!FileOpensForReading(path)) {
        AppMessageBox(Strings::FailedToOpenDocument(), MessageButtons::Ok, MessageIcon::Warning);
        return false;
    }
    HolderPtr image = LoadImageFromFile(path, m_app.Imaging(), decoding);
    if (!image) {
        AppMessageBox(Strings::CannotLoadFile());
        return false;
    }
    ResetHistory();
    DropCaches();
    m_current = std::make_shared<CUndoItem>();
    m_current->m_image = std::move(image);
    m_history.MarkSaved();
    return true;
}

bool CTavloDoc::SaveModified() {
    if (!IsModified()) return true;
    if (m_current && m_current->m_step == 4) {
        switch (AppMessageBox(GetTitle() + Strings::AskSaveChangesSuffix(),
                              MessageButtons::YesNoCancel, MessageIcon::Question)) {
            case IDYES:
                return SaveResultAs();
            case IDNO:
                return true;
            default:
                return false;
        }
    }
    return AppMessageBox(Strings::DiscardEditing(), MessageButtons::OkCancel) == IDOK;
}

bool CTavloDoc::SetNewImage(HolderPtr holder) {
    if (!holder || !SaveModified()) return false;
    OnNewDocument();
    m_current = std::make_shared<CUndoItem>();
    m_current->m_image = std::move(holder);
    EditEpilogue();
    InitialUpdateAllViews();
    return true;
}

void CTavloDoc::SetAngle(float angle, int kind, bool rewriteAngleText) {
    if (!m_current) return;
    m_current->m_angle = NormalizeAngle(angle);
    RecordHistory(kind);
    UpdateAllViews(nullptr, rewriteAngleText ? kHintRefreshAll : kHintKeepAngleText);
    EditEpilogue();
}

void CTavloDoc::StoreViewStateInto(CUndoItem* state) {
    DocumentView* view = FirstView();
    if (!view || !state) return;
    AppMessageEvent message(WM_APP_STORE_VIEW_STATE, 0, state);
    QCoreApplication::sendEvent(view->MessageTarget(), &message);
}

void CTavloDoc::RecordHistory(int kind) {
    if (!m_current) return;
    m_current->m_kind = kind;
    StoreViewStateInto(m_current.get());
    m_history.Record(*m_current);
}

void CTavloDoc::ResetHistory() {
    m_history.Reset();
    m_current.reset();
}

void CTavloDoc::Undo() {
    if (!CanUndo()) return;
    // The state being left keeps the view's present zoom, scroll and frame for
    // a later redo.
    StoreViewStateInto(m_history.CurrentEntry());
    m_current = m_history.StepBack();
    EditEpilogue();
    UpdateAllViews(nullptr, kHintRestore);
}

void CTavloDoc::Redo() {
    if (!CanRedo()) return;
    StoreViewStateInto(m_history.CurrentEntry());
    m_current = m_history.StepForward();
    EditEpilogue();
    UpdateAllViews(nullptr, kHintRestore);
}

void CTavloDoc::EditEpilogue() {
    SetModifiedFlag(m_history.IsModified());
    SetTitle(GetTitle());
}

bool CTavloDoc::SaveResultAs() { return m_resultSaver && m_resultSaver->SaveResultAs(*this); }

void CTavloDoc::MarkSaved() {
    m_history.MarkSaved();
    SetModifiedFlag(false);
    SetTitle(GetTitle());
}

void CTavloDoc::OnToStep2() {
    if (!m_current) return;
    m_history.Clear();
    RecordHistory(kKindStep1Snapshot);
    m_history.MarkSaved();
    m_sourceDpiX = m_current->m_image->DpiX();
    m_sourceDpiY = m_current->m_image->DpiY();
    m_current->m_step = 2;
    RecordHistory(kKindStep2Entered);
    EditEpilogue();
    UpdateAllViews(nullptr, kHintRefreshAll);
}

void CTavloDoc::DropCaches() {
    m_outputParams.reset();
    m_displayCache.reset();
    if (m_pendingBuild.valid()) m_pendingBuild.wait();
    m_pendingBuild = {};
    m_pendingDisplay.reset();
}

namespace {
bool CacheFits(const std::shared_ptr<CCachedBitmap>& cache, const CUndoItem& state) {
    return cache && cache->Source() == state.m_image && cache->FlipX() == state.m_flipX &&
           cache->FlipY() == state.m_flipY;
}
}  // namespace

void CTavloDoc::PrepareDisplayBitmap() {
    if (!m_current || !m_current->m_image) return;
    if (CacheFits(m_displayCache, *m_current) || CacheFits(m_pendingDisplay, *m_current)) return;
    if (m_pendingBuild.valid()) m_pendingBuild.wait();
    // The worker reads only the immutable source holder and writes only the
    // new cache, which nothing else sees until it is done.
    auto cache =
        std::make_shared<CCachedBitmap>(m_current->m_image, m_current->m_flipX, m_current->m_flipY);
    try {
        m_pendingBuild = std::async(std::launch::async, [cache] { cache->Build(); });
    } catch (const std::system_error&) {
        // No thread to give: the copy is made when it is first asked for.
        return;
    }
    m_pendingDisplay = cache;
}

const CBitmapHolder* CTavloDoc::GetDisplayBitmap() {
    if (!m_current || !m_current->m_image) return nullptr;
    if (m_pendingBuild.valid()) {
        m_pendingBuild.wait();
        m_pendingBuild = {};
        if (CacheFits(m_pendingDisplay, *m_current) && m_pendingDisplay->Result())
            m_displayCache = std::move(m_pendingDisplay);
        m_pendingDisplay.reset();
    }
    // The angle is not part of the cache: the view turns while drawing, so
    // zooming, scrolling and turning reuse one copy.
    if (!CacheFits(m_displayCache, *m_current))
        m_displayCache = std::make_shared<CCachedBitmap>(m_current->m_image, m_current->m_flipX,
                                                         m_current->m_flipY);
    if (!m_displayCache->Result() && !m_displayCache->Build()) return nullptr;
    return m_displayCache->Result().get();
}

void CTavloDoc::SetOutputResolution(const CUndoItem& params) {
    // A quarter turn exchanges the resolutions; the scale does not enter.
    const float turn = std::fabs(params.m_angle);
    const bool quarter = turn > 45.0f && turn < 135.0f;
    m_outputDpiX = quarter ? m_sourceDpiY : m_sourceDpiX;
    m_outputDpiY = quarter ? m_sourceDpiX : m_sourceDpiY;
}

std::unique_ptr<OutputRenderer> CTavloDoc::MakeOutputRenderer(const HolderPtr& image,
                                                              OutputPixelFormat format) {
    const std::shared_ptr<const CUndoItem> params = m_outputParams;
    if (!params) return nullptr;
    auto renderer =
        OutputRenderer::Create(*params, image, MarginFromSettings(m_app.settings), format);
    if (renderer) SetOutputResolution(*params);
    return renderer;
}

Bitmap CTavloDoc::RenderOutput(const HolderPtr& image, OutputPixelFormat format) {
    const auto renderer = MakeOutputRenderer(image, format);
    if (!renderer) return {};
    WaitCursor wait;
    return Bitmap{renderer->RenderImage(), kNewBitmapDpi, kNewBitmapDpi};
}

HolderPtr CTavloDoc::RenderOutputToHolder(const HolderPtr& image) {
    const auto renderer = MakeOutputRenderer(image, OutputPixelFormat::Argb32);
    if (!renderer) return nullptr;
    WaitCursor wait;
    const QImage pixels = renderer->RenderImage();
    if (pixels.isNull()) return nullptr;
    // The holder takes the rendered buffer as it is; when the renderer can tell
    // that no pixel is transparent, the holder need not look.
    auto holder = std::make_shared<CBitmapHolder>();
    if (!holder->CopyFromImage({pixels, kNewBitmapDpi, kNewBitmapDpi}, {},
                               renderer->CertainlyOpaque()))
        return nullptr;
    return holder;
}

void CTavloDoc::FreezeOutputParams() {
    if (m_current) m_outputParams = std::make_shared<CUndoItem>(*m_current);
}

bool CTavloDoc::RenderStep4() {
    if (!m_current || !m_outputParams) return false;
    HolderPtr result = RenderOutputToHolder(m_outputParams->m_image);
    if (!result) return false;
    m_current->m_step = 4;
    m_current->m_image = std::move(result);
    m_current->m_flipX = m_current->m_flipY = 0;
    m_current->m_angle = 0.0f;
    RecordHistory(kKindWholeImage);
    UpdateAllViews(nullptr, kHintRefreshAll);
    EditEpilogue();
    return true;
}

bool CTavloDoc::HandlesCommand(int id) const {
    return id == ID_TO_STEP2 || id == ID_EDIT_PASTE_IMAGE || id == ID_BATCH;
}

void CTavloDoc::OnBatch() {
    if (!m_batchLauncher || CurrentStep() != 4 || !m_outputParams) return;
    const QStringList paths = m_batchLauncher->ChooseBatchFiles(
        ImageFileFilter(m_app.ImageExtensions), Strings::BatchOpenTitle());
    if (paths.isEmpty()) return;
    m_batchLauncher->RunBatchDialog(*this, paths);
}

bool CTavloDoc::ImportAllowed() const { return !m_current || m_current->m_step == 1; }

void CTavloDoc::OnPasteImage() {
    if (!ImportAllowed()) return;
    HolderPtr image;
    const ImportContext context{m_app.Imaging(), m_app.ImageExtensions};
    if (ReadImageFromClipboard(&image, context) && image && image->PixelCount() != 0)
        SetNewImage(image);
}

bool CTavloDoc::OnCommand(int id) {
    switch (id) {
        case ID_TO_STEP2:
            OnToStep2();
            return true;
        case ID_EDIT_PASTE_IMAGE:
            OnPasteImage();
            return true;
        case ID_BATCH:
            OnBatch();
            return true;
        default:
            return false;
    }
}

bool CTavloDoc::OnUpdateCommand(int id, CommandState& state) {
    if (id == ID_TO_STEP2) {
        state.Enable(m_current != nullptr);
        return true;
    }
    if (id == ID_BATCH) {
        state.Enable(CurrentStep() == 4);
        return true;
    }
    if (id == ID_EDIT_PASTE_IMAGE) {
        // Only the formats on the clipboard are looked at, not their content.
        const ImportContext context{m_app.Imaging(), m_app.ImageExtensions};
        state.Enable(ImportAllowed() && ReadImageFromClipboard(nullptr, context));
        return true;
    }
    // Opening another file is offered only before the editing has begun.
    if (id == ID_FILE_OPEN || (id >= ID_FILE_MRU_FIRST && id <= ID_FILE_MRU_LAST)) {
        state.Enable(!m_current || m_current->m_step == 1);
        return true;
    }
    return false;
}
