#pragma once

#include <QString>
#include <functional>

// The program's one way to show a modal message. The caption is always the
// application title "Oblimo". The window layer installs a handler that shows a
// real box; tests install one that answers; without any handler the text goes
// to standard error and the cautious answer (OK or Cancel) comes back.

enum class MessageButtons { Ok, OkCancel, YesNoCancel };
enum class MessageIcon { None, Error, Warning, Information, Question };

// The answers keep the values of the Windows dialog results.
enum MessageResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct MessageRequest {
    QString text;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
};

using MessageBoxHandler = std::function<int(const MessageRequest&)>;

// Shows the message and returns the answer (one of MessageResult).
int AppMessageBox(const QString& text, MessageButtons buttons = MessageButtons::Ok,
                  MessageIcon icon = MessageIcon::None);

// Replaces the handler and returns the previous one (an empty handler restores
// the standard-error fallback).
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

inline constexpr char16_t kApplicationTitle[] = u"Oblimo";
