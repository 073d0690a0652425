#pragma once

#include <QString>
#include <initializer_list>
#include <vector>

#include "platform/MessageBox.h"

// Set up by the test main before any Qt object exists: a private settings
// folder (XDG_CONFIG_HOME), private temporary and runtime folders (TMPDIR,
// XDG_RUNTIME_DIR) and the offscreen platform, so no test ever reads or
// writes the user's real settings or leaves anything in the shared temporary
// folder.
namespace TestEnvironment {
void Prepare();
// The private configuration folder of this test process.
QString ConfigFolder();
// Removes every stored setting (the whole Sunmoth folder).
void ClearSettings();
}  // namespace TestEnvironment

// Answers message boxes in order while it lives and remembers what was shown.
// When the answers run out, the cautious answer (OK or Cancel) is given.
class ScriptedMessageBoxes {
public:
    explicit ScriptedMessageBoxes(std::initializer_list<int> answers = {});
    ~ScriptedMessageBoxes();

    const std::vector<MessageRequest>& Shown() const { return m_shown; }
    QStringList Texts() const;

private:
    std::vector<int> m_answers;
    std::vector<MessageRequest> m_shown;
    MessageBoxHandler m_previous;
};
