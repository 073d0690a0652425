#pragma once

#include <QDialog>

class CommandRouter;

// "バージョン情報": the icon, the version line with the build's pointer width,
// the years and the maker, "OK" and "ホームページ". The home-page button goes
// along the command route to the application, which opens the page; the
// dialog stays open.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kVersionTextId = 1046;

    explicit CAboutDlg(CommandRouter& router, QWidget* parent = nullptr);

    // Fills the version line, as the dialog does when it opens.
    void OnInitDialog();

    QString VersionText() const;

private:
    CommandRouter& m_router;
    class QLabel* m_version;
};
