#include "PanelText.h"

namespace {
constexpr QChar kZeroWidthSpace(0x200B);
constexpr QChar kWordJoiner(0x2060);

enum class Kind { Space, Hiragana, Opening, Closing, Joined, Word };

Kind KindOf(QChar c) {
    static const QString opening = QStringLiteral("「『（【〈《");
    static const QString closing = QStringLiteral("、。，．」』）】〉》！？!?,.");
    // Small kana, the prolonged sound mark and the middle dot belong to the
    // character before them.
    static const QString joined = QStringLiteral("ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶーゝゞヽヾ・");
    if (c.isSpace()) return Kind::Space;
    if (joined.contains(c)) return Kind::Joined;
    if (opening.contains(c)) return Kind::Opening;
    if (closing.contains(c)) return Kind::Closing;
    if (c.unicode() >= 0x3041 && c.unicode() <= 0x309F) return Kind::Hiragana;
    return Kind::Word;
}

// Whether a line may break before text[i], with text[i - 1] and text[i] not
// spaces. A single kana between two kanji is part of one word ("取り込み",
// "切り捨て") unless it is a particle.
bool BreakBefore(const QString& text, qsizetype i) {
    static const QString particles = QStringLiteral("をにではがのとへもや");
    const Kind a = KindOf(text[i - 1]), b = KindOf(text[i]);
    if (b == Kind::Opening) return a != Kind::Opening;
    if (b != Kind::Word) return false;
    if (a == Kind::Closing) return true;
    if (a != Kind::Hiragana) return false;
    const bool single = i >= 2 && KindOf(text[i - 2]) == Kind::Word;
    return !single || particles.contains(text[i - 1]);
}
}  // namespace

bool MayStartLine(QChar c) {
    const Kind kind = KindOf(c);
    return kind != Kind::Closing && kind != Kind::Joined;
}

QStringList PhraseSegments(const QString& text) {
    QStringList segments;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i > 0 && !text[i - 1].isSpace() && !text[i].isSpace() && BreakBefore(text, i)) {
            segments << current;
            current.clear();
        }
        current += text[i];
        // A space ends a phrase too, and stays at its end.
        if (text[i].isSpace()) {
            segments << current;
            current.clear();
        }
    }
    if (!current.isEmpty()) segments << current;
    return segments;
}

QString WithPhraseBreaks(const QString& text) {
    QString marked;
    marked.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i > 0 && !text[i - 1].isSpace() && !text[i].isSpace())
            marked += BreakBefore(text, i) ? kZeroWidthSpace : kWordJoiner;
        marked += text[i];
    }
    return marked;
}

QString WithoutPhraseBreaks(QString text) {
    text.remove(kZeroWidthSpace);
    return text.remove(kWordJoiner);
}
