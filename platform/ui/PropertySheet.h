#pragma once

#include <QDialog>
#include <QString>
#include <map>
#include <vector>

class QDialogButtonBox;
class QTabWidget;

// One page of a property sheet. The sheet makes a page's contents when it is
// first shown (OnInitDialog), tells it whenever it becomes the active page
// (OnSetActive), asks it before it is left by a tab switch or OK
// (OnKillActive: false keeps it active), and on OK lets every page that has
// been shown take over its values (OnOK), in sheet order.
class CPropertyPage : public QWidget {
    Q_OBJECT
public:
    explicit CPropertyPage(QWidget* parent = nullptr);

    virtual void OnInitDialog() {}
    virtual void OnSetActive() {}
    virtual bool OnKillActive() { return true; }
    virtual void OnOK() {}

    // A page places its controls itself; its size is the room they need.
    QSize sizeHint() const override { return minimumSize(); }

    // Whether the page has been shown in this run of its sheet.
    bool IsCreated() const { return m_created; }

    // The control registered under a template id, or null.
    QWidget* GetDlgItem(int id) const;
    template <class T>
    T* Item(int id) const {
        return qobject_cast<T*>(GetDlgItem(id));
    }

    // Registers a control under its template id (kept on the widget too, as
    // the "controlId" property).
    void SetDlgItem(int id, QWidget* control);

private:
    friend class CPropertySheet;
    bool m_created = false;
    std::map<int, QWidget*> m_items;
};

// A modal tabbed dialog with OK and Cancel and no apply button. Its pages
// keep their edited contents while the user switches tabs; OK lets the shown
// pages take over, Cancel, Escape and the close box take over nothing.
class CPropertySheet : public QDialog {
    Q_OBJECT
public:
    CPropertySheet(const QString& caption, QWidget* parent);

    // The sheet takes the page as its child.
    void AddPage(CPropertyPage* page, const QString& tabText);
    // The page the sheet opens on; a value out of range opens the first page.
    void SetActivePage(int index);
    int GetActiveIndex() const { return m_active; }
    int GetPageCount() const { return int(m_pages.size()); }
    CPropertyPage* GetPage(int index) const { return m_pages.at(std::size_t(index)); }

    // Opens on the start page and runs modally; the answer of QDialog::exec.
    int DoModal();

    QTabWidget* TabControl() const { return m_tabs; }
    QDialogButtonBox* Buttons() const { return m_buttons; }

public slots:
    // OK: refused while the active page fails its test.
    void accept() override;

private:
    void OnTabChanged(int index);
    void Activate(int index);

    QTabWidget* m_tabs;
    QDialogButtonBox* m_buttons;
    std::vector<CPropertyPage*> m_pages;
    int m_startPage = 0;
    int m_active = -1;
    bool m_switching = false;
};
