#pragma once

#include <QString>
#include <QStringList>

// Line breaking for the panels' Japanese texts. Qt breaks Japanese between
// any two characters, which leaves a lone "で" or "い。" on a line; these
// helpers allow breaks only between phrases: after a run of hiragana or after
// punctuation, before the next word (kanji, katakana, Latin, a number) or an
// opening bracket. Never before closing punctuation or a small kana, never
// after an opening bracket. Spaces and line feeds stay as they are.

// Whether a line may begin with the character: not closing punctuation, a
// small kana or the prolonged sound mark.
bool MayStartLine(QChar c);

// The phrases of a text, in order; joined they give the text back.
QStringList PhraseSegments(const QString& text);

// The text for a word-wrapping label: a zero-width space where a phrase ends
// and a word joiner between the other characters, so that the label wraps
// between phrases only. Both are invisible.
QString WithPhraseBreaks(const QString& text);

// The text without the marks that WithPhraseBreaks added.
QString WithoutPhraseBreaks(QString text);
