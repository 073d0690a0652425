#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Builds the one-line JSON objects that tavlo-cli prints, keys in the order
// they are added.
class JsonLine {
public:
    JsonLine& Add(const char* key, long long value);
    JsonLine& Add(const char* key, double value);
    JsonLine& Add(const char* key, bool value);
    JsonLine& Add(const char* key, const QString& value);
    // null when there is no value.
    JsonLine& Add(const char* key, const std::optional<QString>& value);
    QByteArray Text() const { return m_text + '}'; }

private:
    JsonLine& Raw(const char* key, const QByteArray& value);
    QByteArray m_text = "{";
};
