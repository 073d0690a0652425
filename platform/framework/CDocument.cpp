#include "CDocument.h"

#include <QFileInfo>
#include <algorithm>

#include "RecentFileList.h"

void CDocument::SetTitle(const QString& title) {
    m_title = title;
    if (m_titleChanged) m_titleChanged();
}

void CDocument::SetPathName(const QString& path, bool addToRecentFiles) {
    m_pathName = QFileInfo(path).absoluteFilePath();
    SetTitle(QFileInfo(path).fileName());
    if (addToRecentFiles && m_recentFiles) m_recentFiles->Add(m_pathName);
}

void CDocument::AddView(DocumentView* view) { m_views.push_back(view); }

void CDocument::RemoveView(DocumentView* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CDocument::UpdateAllViews(DocumentView* sender, int hint) {
    for (DocumentView* view : m_views)
        if (view != sender) view->OnUpdate(sender, hint);
}

void CDocument::InitialUpdateAllViews() {
    for (DocumentView* view : m_views) view->OnInitialUpdate();
}

void CDocument::SetTitleChangedListener(std::function<void()> listener) {
    m_titleChanged = std::move(listener);
}

bool CDocument::OnNewDocument() {
    m_pathName.clear();
    m_modified = false;
    return true;
}

bool CDocument::NewDocument() {
    if (!SaveModified()) return false;
    if (!OnNewDocument()) return false;
    InitialUpdateAllViews();
    return true;
}

bool CDocument::OpenDocumentFile(const QString& path) {
    if (!SaveModified()) return false;
    if (!OnOpenDocument(path)) return false;
    SetPathName(path);
    SetModifiedFlag(false);
    InitialUpdateAllViews();
    return true;
}
