#include "CBatchItem.h"

#include "output/AutoName.h"

QString BatchStatusText(int status) {
    switch (status) {
        case BatchProcessing:
            return QStringLiteral("→");
        case BatchSucceeded:
            return QStringLiteral("○");
        case BatchFailed:
            return QStringLiteral("×");
        case BatchSizeMismatch:
            return QStringLiteral("×サイズ");
        default:
            return {};
    }
}

std::vector<BatchItemPtr> MakeBatchItems(const QStringList& paths) {
    std::vector<BatchItemPtr> items;
    items.reserve(std::size_t(paths.size()));
    for (const QString& path : paths) {
        auto item = std::make_shared<CBatchItem>();
        item->m_inputPath = path;
        items.push_back(std::move(item));
    }
    return items;
}

QString BatchFolderText(const QString& path) {
    QString folder;
    SplitPath(path, &folder, nullptr, nullptr);
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    return folder;
}

QString BatchFileNameText(const QString& path) {
    QString name, extension;
    SplitPath(path, nullptr, &name, &extension);
    return name + extension;
}
