// Step 2's fourth way: "自動で傾きを補正" measures the skew of the image as it
// is displayed and turns it upright.

#include "CTavloView.h"
#include "NumberText.h"
#include "deskew/SkewDetector.h"
#include "document/AngleNormalization.h"
#include "document/CTavloDoc.h"
#include "document/HistoryKind.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"
#include "resources/Strings.h"

void CTavloView::OnAutoDeskew() {
    CUndoItem* current = Current();
    if (!current || current->m_step != 2 || m_lineMode != 0 || !current->m_image) return;
    SkewEstimate estimate;
    {
        const WaitCursor wait;
        // The displayed image: mirrored by the flips, turned by the angle; the
        // correction adds to that angle as a drawn line's does.
        estimate = DetectSkew(current->m_image->Image(),
                              {current->m_flipX != 0, current->m_flipY != 0, current->m_angle});
    }
    if (!estimate.Found()) {
        AppMessageBox(Strings::SkewNotFound());
        return;
    }
    current->m_angle = NormalizeAngle(current->m_angle + estimate.correction);
    m_doc.RecordHistory(kKindAngleFromLine);
    m_doc.UpdateAllViews(nullptr, kHintRefreshAll);
    m_doc.EditEpilogue();
    SetStatusText(FormatFixed(estimate.correction));
}
