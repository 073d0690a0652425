#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

class RecentFileList;

// A view as its document sees it: it is told about updates and initial
// updates, and it receives the document's sent private messages as events.
class DocumentView {
public:
    virtual ~DocumentView() = default;
    virtual void OnInitialUpdate() = 0;
    virtual void OnUpdate(DocumentView* sender, int hint) = 0;
    virtual QObject* MessageTarget() = 0;
};

// The framework's document: title, path name, modified flag and the list of
// views. The frame listens to title changes to redraw its caption.
class CDocument {
public:
    virtual ~CDocument() = default;

    const QString& GetTitle() const { return m_title; }
    void SetTitle(const QString& title);
    const QString& GetPathName() const { return m_pathName; }
    // Also makes the file's name the title and adds the path to the recent-file
    // list when one is attached.
    void SetPathName(const QString& path, bool addToRecentFiles = true);

    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified) { m_modified = modified; }

    void AddView(DocumentView* view);
    void RemoveView(DocumentView* view);
    DocumentView* FirstView() const { return m_views.empty() ? nullptr : m_views.front(); }
    void UpdateAllViews(DocumentView* sender, int hint);
    void InitialUpdateAllViews();

    void SetTitleChangedListener(std::function<void()> listener);
    void SetRecentFileList(RecentFileList* list) { m_recentFiles = list; }

    // Empties the path and clears the modified flag.
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const QString& path) = 0;
    // True to go on with replacing or closing the document, false to cancel.
    virtual bool SaveModified() = 0;

    // The framework's "new" command: ask SaveModified, start empty, let the views
    // re-initialise.
    bool NewDocument();
    // The framework's "open a file" route: ask SaveModified, load, then take the
    // file's path and title and let the views re-initialise.
    bool OpenDocumentFile(const QString& path);

private:
    QString m_title;
    QString m_pathName;
    bool m_modified = false;
    std::vector<DocumentView*> m_views;
    std::function<void()> m_titleChanged;
    RecentFileList* m_recentFiles = nullptr;
};
