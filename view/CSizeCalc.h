#pragma once

class DialogBar;

// The values of the step-3 size fields and the writing and reading of those
// fields on the step-3 panel. The eight values have the names and meaning of
// the fields of the editing state with which they travel through the history.
class CSizeCalc {
public:
    virtual ~CSizeCalc() = default;

    // Writes a field: "%d" of the value, or "%f" for SetRealField (100 is
    // written as 100.000000). m_updating is 1 during the write, so the field's
    // change notification is not taken for typing.
    void SetIntField(int id, int value);
    void SetRealField(int id, double value);
    // The integer at the start of the field's text, base 10; 0 when there is none.
    int GetIntField(int id) const;
    bool IsChecked(int id) const;
    void SetChecked(int id, bool on);

    // Factors back to 1; the result size becomes the trimmed size and the
    // percentage fields 100. The callers then recompute the trimmed size.
    void ResetScale();

    DialogBar* m_panel = nullptr;
    int m_idImageWidth = 0;
    int m_idImageHeight = 0;
    int m_idTrimWidth = 0;
    int m_idTrimHeight = 0;
    int m_idScaleX = 0;
    int m_idScaleY = 0;
    int m_idResultWidth = 0;
    int m_idResultHeight = 0;
    int m_idKeepRatio = 0;
    int m_updating = 0;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
    int m_trimWidth = 0;
    int m_trimHeight = 0;
    double m_scaleX = 0.0;
    double m_scaleY = 0.0;
    int m_resultWidth = 0;
    int m_resultHeight = 0;
};
