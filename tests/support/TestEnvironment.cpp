#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

namespace {
std::unique_ptr<QTemporaryDir>& ConfigDir() {
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}
}  // namespace

void TestEnvironment::Prepare() {
    ConfigDir() = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", ConfigDir()->path().toLocal8Bit());
    // Temporary files too (the clipboard's PNG folder, the programs the tests
    // start) stay inside the test's own folder, which goes when the test ends.
    const QString temporary = ConfigDir()->path() + QStringLiteral("/tmp");
    QDir().mkpath(temporary);
    qputenv("TMPDIR", temporary.toLocal8Bit());
    // The user's runtime folder, where the clipboard's PNG goes, likewise.
    const QString runtime = ConfigDir()->path() + QStringLiteral("/runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

QString TestEnvironment::ConfigFolder() { return ConfigDir()->path(); }

void TestEnvironment::ClearSettings() {
    QDir(ConfigFolder() + QStringLiteral("/Sunmoth")).removeRecursively();
}

ScriptedMessageBoxes::ScriptedMessageBoxes(std::initializer_list<int> answers)
    : m_answers(answers) {
    m_previous = SetMessageBoxHandler([this](const MessageRequest& request) {
        m_shown.push_back(request);
        if (m_answers.empty()) return request.buttons == MessageButtons::Ok ? int(IDOK) : int(IDCANCEL);
        const int answer = m_answers.front();
        m_answers.erase(m_answers.begin());
        return answer;
    });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() { SetMessageBoxHandler(m_previous); }

QStringList ScriptedMessageBoxes::Texts() const {
    QStringList texts;
    for (const MessageRequest& request : m_shown) texts << request.text;
    return texts;
}
