// Feeds every saved input (the seeds and every input that once found a fault)
// to its entry point, as the fuzz targets do, in an ordinary build. A fault
// that comes back crashes this program, or, in a sanitizer build, is reported.
// Every entry must have inputs: a missing folder fails the run.

#include <QDir>
#include <QFile>
#include <QString>
#include <cstdio>
#include <iterator>

#include "FuzzEntries.h"

namespace {
struct Entry {
    const char* name;  // the folder of its inputs
    void (*run)(const std::uint8_t* data, std::size_t size);
};
const Entry kEntries[] = {
    {"sniffer", FuzzSniffer},
    {"prechecks", FuzzPreChecks},
    {"codec_decode", FuzzCodecDecode},
    {"qt_decode", FuzzQtDecode},
    {"orientation", FuzzOrientation},
    {"dib", FuzzDib},
    {"clipboard_import", FuzzClipboardImport},
    {"anchor", FuzzAnchor},
};
}  // namespace

int main(int argc, char** argv) {
    PrepareImageFuzzing(&argc, &argv);
    const QString corpus =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(OBLIMO_FUZZ_CORPUS_DIR);
    int failures = 0;
    for (const Entry* entry = std::begin(kEntries); entry != std::end(kEntries); ++entry) {
        const QDir folder(corpus + QLatin1Char('/') + QLatin1String(entry->name));
        const QStringList names = folder.entryList(QDir::Files, QDir::Name);
        if (names.isEmpty()) {
            std::fprintf(stderr, "%s: no inputs in %s\n", entry->name, qPrintable(folder.path()));
            ++failures;
            continue;
        }
        for (const QString& name : names) {
            QFile file(folder.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "%s: cannot read %s\n", entry->name, qPrintable(name));
                ++failures;
                continue;
            }
            const QByteArray bytes = file.readAll();
            entry->run(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                       std::size_t(bytes.size()));
        }
        std::printf("%s: %lld inputs\n", entry->name, static_cast<long long>(names.size()));
    }
    return failures == 0 ? 0 : 1;
}
