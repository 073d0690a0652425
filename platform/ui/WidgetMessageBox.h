#pragma once

// Installs the message-box handler that shows a real QMessageBox with the
// caption "Oblimo" over the active window.
void InstallWidgetMessageBox();
