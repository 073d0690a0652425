#include "JsonLine.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <cmath>

JsonLine& JsonLine::Raw(const char* key, const QByteArray& value) {
    if (m_text.size() > 1) m_text += ',';
    m_text += '"';
    m_text += key;
    m_text += "\":";
    m_text += value;
    return *this;
}

JsonLine& JsonLine::Add(const char* key, long long value) {
    return Raw(key, QByteArray::number(value));
}

JsonLine& JsonLine::Add(const char* key, double value) {
    // Shortest text that reads back as the same float value.
    if (!std::isfinite(value)) return Raw(key, "null");
    return Raw(key, QByteArray::number(value, 'g', 9));
}

JsonLine& JsonLine::Add(const char* key, bool value) { return Raw(key, value ? "true" : "false"); }

JsonLine& JsonLine::Add(const char* key, const QString& value) {
    // QJsonDocument escapes quotes, backslashes and control characters.
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return Raw(key, array.mid(1, array.size() - 2));
}

JsonLine& JsonLine::Add(const char* key, const std::optional<QString>& value) {
    return value ? Add(key, *value) : Raw(key, "null");
}
