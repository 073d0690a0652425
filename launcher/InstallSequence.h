#pragma once

#include <QString>
#include <functional>
#include <vector>

#include "PayloadAnchor.h"

// What the launcher's worker thread does: find the record in its own file,
// unpack the installer and its package into a folder of the temporary folder,
// start the installer there, wait for it, and remove what was unpacked. Any
// failure shows one message and ends the sequence; nothing is returned.
class InstallSequence {
public:
    using MessageSink = std::function<void(const QString& caption, const QString& text)>;

    explicit InstallSequence(MessageSink showMessage);

    void Run();

private:
    void ShowError(const QString& text) const;

    MessageSink m_showMessage;
    // The caption of every message: productName once it has been read.
    QString m_caption;
    std::vector<char> m_copyBuffer;
};
