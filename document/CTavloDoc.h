#pragma once

#include <QStringList>
#include <future>
#include <memory>

#include "CUndoItem.h"
#include "EditHistory.h"
#include "ImageLoader.h"
#include "platform/framework/CDocument.h"
#include "platform/framework/CommandTarget.h"

class CCachedBitmap;
class CTavloApp;
class CTavloDoc;

// The pixel format of a rendered result: 32-bit with the margin's opacity, or
// opaque 24-bit (QImage::Format_BGR888, bytes B, G, R) with the margin colour
// made fully opaque.
enum class OutputPixelFormat { Argb32, Rgb24 };

// The save-as command lives with the output code and its dialog; the document
// reaches it through this when its save question is answered "Yes".
class ResultSaver {
public:
    virtual ~ResultSaver() = default;
    // True when a file was written.
    virtual bool SaveResultAs(CTavloDoc& document) = 0;
};

// The batch dialog lives with the batch code; the document's batch command
// reaches the file dialog and the batch dialog through this.
class BatchLauncher {
public:
    virtual ~BatchLauncher() = default;
    // The files chosen in the multiple-selection open dialog, in the order it
    // gives them; none when it was cancelled.
    virtual QStringList ChooseBatchFiles(const QString& filter, const QString& title) = 0;
    // Shows the modal batch dialog over these files, one item each in this
    // order, and returns once it has closed.
    virtual void RunBatchDialog(CTavloDoc& document, const QStringList& paths) = 0;
};

// The editor's single document: the image being straightened and the whole
// editing state of the four-step guide, with its history. The current state
// is never one of the objects stored in the history; both hold separate copies.
// The document is modified exactly when the history position differs from the
// saved one.
class CTavloDoc : public CDocument, public CommandTarget {
public:
    explicit CTavloDoc(CTavloApp& app);
    ~CTavloDoc() override;

    // CDocument
    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;
    bool SaveModified() override;
    // Opening for a rendering made straight away, with nobody looking at the
    // image: its rows may still be arriving while the rendering starts.
    bool OnOpenDocument(const QString& path, SourceDecoding decoding);

    // Replaces the document by an image from the clipboard or a drop. False when
    // the user keeps the present document.
    bool SetNewImage(HolderPtr holder);
    // Normalises and stores the angle, records it and updates the views (hint 0
    // when the angle box text is to be rewritten, 1 when it was typed there).
    void SetAngle(float angle, int kind, bool rewriteAngleText);

    // The history. RecordHistory first lets the first view store its zoom,
    // scroll, frame and step-3 fields into the current state.
    void RecordHistory(int kind);
    void ResetHistory();
    bool CanUndo() const { return m_current && m_history.CanUndo(); }
    bool CanRedo() const { return m_current && m_history.CanRedo(); }
    void Undo();
    void Redo();
    const EditHistory& History() const { return m_history; }

    // Modified flag from the history position, then the title again so that the
    // frame redraws its caption.
    void EditEpilogue();
    // Runs the save-as command (false without a saver or when nothing was written).
    bool SaveResultAs();
    void SetResultSaver(ResultSaver* saver) { m_resultSaver = saver; }
    // After a successful save: the present position becomes the saved one.
    void MarkSaved();

    // "一括処理": the same edit for further files of the image's size, each
    // saved under its automatic name, in the batch dialog. Offered exactly at
    // step 4; the document, its history and its modified state stay as they are.
    void OnBatch();
    void SetBatchLauncher(BatchLauncher* launcher) { m_batchLauncher = launcher; }

    // "クリップボードから貼り付け": the clipboard's image as a new, unnamed
    // document, while no image is loaded or in step 1.
    void OnPasteImage();
    bool ImportAllowed() const;

    // "ステップ2へ >>": a fresh history with the step-1 and step-2 snapshots.
    void OnToStep2();

    // The current image mirrored as the current state says, with a transparent
    // one-pixel border, for drawing; built once per image and flips. None
    // without a current state.
    const CBitmapHolder* GetDisplayBitmap();
    // Starts building that copy on a worker thread (once), so that it is ready
    // when the image is first turned; GetDisplayBitmap then takes it over.
    void PrepareDisplayBitmap();
    // Renders the image turned, trimmed and scaled by the frozen step-4
    // parameters onto the margin colour. A null bitmap when the parameters give
    // no valid size or memory is short. Sets m_outputDpiX and m_outputDpiY.
    // Also runs on the batch worker; it never touches the current state.
    Bitmap RenderOutput(const HolderPtr& image, OutputPixelFormat format);
    // What RenderOutput does, as a renderer whose rows can be taken band by band
    // (to feed an encoder without a full-size buffer); it sets the output
    // resolution as RenderOutput does. None for invalid parameters.
    std::unique_ptr<class OutputRenderer> MakeOutputRenderer(const HolderPtr& image,
                                                             OutputPixelFormat format);
    // RenderOutput in 32 bits, as a new holder; none when rendering failed.
    HolderPtr RenderOutputToHolder(const HolderPtr& image);
    // The state step 4 was rendered from (the source image and every parameter);
    // none before step 4 was first entered.
    const CUndoItem* OutputParams() const { return m_outputParams.get(); }

    // "ステップ4へ >>", in the order the view runs it: first freeze a copy of the
    // current state as the output parameters, then (after the view's size check)
    // render it and make the result the current image. RenderStep4 leaves the
    // current state unchanged and returns false when rendering gave nothing.
    // A changed margin colour in step 4 runs RenderStep4 again.
    void FreezeOutputParams();
    bool RenderStep4();

    CUndoItem* Current() { return m_current.get(); }
    const CUndoItem* Current() const { return m_current.get(); }
    int CurrentStep() const { return m_current ? m_current->m_step : 0; }
    CTavloApp& App() { return m_app; }
    const CTavloApp& App() const { return m_app; }

    // CommandTarget
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CommandState& state) override;
    bool HandlesCommand(int id) const override;

    float m_sourceDpiX = 0.0f;
    float m_sourceDpiY = 0.0f;
    float m_outputDpiX = 0.0f;
    float m_outputDpiY = 0.0f;

protected:
    UndoItemPtr m_current;
    EditHistory m_history;
    std::shared_ptr<CUndoItem> m_outputParams;
    std::shared_ptr<CCachedBitmap> m_displayCache;
    // The display copy being built by PrepareDisplayBitmap, and its worker.
    std::shared_ptr<CCachedBitmap> m_pendingDisplay;
    std::future<void> m_pendingBuild;

private:
    void StoreViewStateInto(CUndoItem* state);
    void SetOutputResolution(const CUndoItem& params);
    void DropCaches();

    CTavloApp& m_app;
    ResultSaver* m_resultSaver = nullptr;
    BatchLauncher* m_batchLauncher = nullptr;
};
