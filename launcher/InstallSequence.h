#pragma once

#include <functional>
#include <string>
#include <vector>

#include "PayloadAnchor.h"
#include "UnpackFolder.h"

// What the launcher's worker thread does: find the record in its own file,
// unpack the installer and its package into a private folder of the user's
// temporary folder, start the installer there, wait for it, and remove what
// was unpacked. Any failure shows one message and ends the sequence; nothing
// is returned.
class InstallSequence {
public:
    // Shows one message and returns once the user has seen it.
    using MessageSink = std::function<void(const std::string& caption, const std::string& text)>;

    InstallSequence(MessageSink showMessage, UnpackEnvironment environment,
                    FileSystemProbe probe = FileSystemProbe::Real());

    void Run();

private:
    void ShowError(const std::string& text) const;

    MessageSink m_showMessage;
    UnpackEnvironment m_environment;
    FileSystemProbe m_probe;
    // The caption of every message: productName once it has been read.
    std::string m_caption;
    std::vector<char> m_copyBuffer;
};
