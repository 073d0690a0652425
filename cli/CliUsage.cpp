#include "CliUsage.h"

#include <QStringList>

#include "app/HomePage.h"

namespace {
struct CommandHelp {
    const char* name;
    const char* synopsis;
    const char* description;
    bool editOptions;  // takes the edit options
};

const CommandHelp kCommands[] = {
    {"info", "info IMAGE [--use-wic 0|1|2]",
     "Loads the image as the editor does and prints its size after orientation, its\n"
     "resolution, whether any pixel is transparent and the description of its colour\n"
     "profile (null without one), as one JSON line.",
     false},
    {"frame", "frame --size WxH [--angle A]",
     "Prints the default trim frame of an image of that size turned by A degrees, and\n"
     "the trimmed size, as one JSON line.",
     false},
    {"render", "render IMAGE -o OUT [edit options]",
     "Straightens the image and writes it to OUT, in the format OUT's extension names\n"
     "(an existing OUT is replaced once the new file is complete).",
     true},
    {"autosave", "autosave IMAGE [edit options]",
     "Straightens the image and saves it under its automatic name (IMAGE-Oblimo.ext,\n"
     "then IMAGE-Oblimo2.ext, ...; nothing is ever overwritten); prints the name.",
     true},
    {"batch", "batch --like REF [edit options] FILE...",
     "Applies the edit of REF, the image that was edited, to every FILE, each saved\n"
     "under its automatic name; a FILE must have REF's size after orientation. REF\n"
     "itself is written only when it is also a FILE. Prints one line per file as it\n"
     "finishes, \"<status>\\t<input>\\t<output>\" (status ○ written, × failed, ×サイズ\n"
     "another size; no output path when none was computed), then the counters\n"
     "\"成功 N  失敗 N  残り N\". Ctrl-C or SIGTERM stops after the file in hand.\n"
     "Exit status 0 when every file was written, else 1.",
     true},
};

const char kEditOptions[] =
    "edit options:\n"
    "  --angle A              turn A degrees clockwise\n"
    "  --flip-x, --flip-y     mirror left-right, top-bottom (before turning)\n"
    "  --frame L,T,R,B        trim frame in source pixels from the image centre\n"
    "                         (default: the largest frame of the image's proportions\n"
    "                         inside the turned image)\n"
    "  --scale S | --result WxH\n"
    "                         enlarge the trimmed image by a factor, or to a size\n"
    "  --margin R,G,B,A       colour and opacity where the frame reaches beyond the image\n"
    "  --use-wic 0|1|2        imaging component: 0 Qt, 1 Qt then the codec libraries,\n"
    "                         2 the codec libraries only\n"
    "  --save-folder 0|1|2    automatic names: 0 beside the input, 1 in a sub-folder\n"
    "                         (--sub NAME), 2 in one folder (--folder DIR)\n"
    "A value may follow its option or come after '=' and may start with a minus sign.\n"
    "Options not given come from the editor's settings.\n";

const char kExitStatus[] = "exit status: 0 done, 1 the work failed, 2 bad usage\n";

QString Synopsis(const CommandHelp& command, bool first) {
    return QString::fromLatin1(first ? "usage: tavlo-cli " : "       tavlo-cli ") +
           QString::fromUtf8(command.synopsis) + QLatin1Char('\n');
}
}  // namespace

QString FullUsage() {
    QString text;
    bool first = true;
    for (const CommandHelp& command : kCommands) {
        text += Synopsis(command, first);
        first = false;
    }
    text += QStringLiteral("       tavlo-cli --help | --version | COMMAND --help\n\n");
    for (const CommandHelp& command : kCommands)
        text += QStringLiteral("%1\n").arg(QString::fromUtf8(command.synopsis)) +
                QStringLiteral("    ") +
                QString::fromUtf8(command.description)
                    .replace(QLatin1Char('\n'), QStringLiteral("\n    ")) +
                QLatin1Char('\n');
    return text + QLatin1Char('\n') + QString::fromUtf8(kEditOptions) + QLatin1Char('\n') +
           QString::fromUtf8(kExitStatus);
}

QString CommandUsage(const QString& name) {
    for (const CommandHelp& command : kCommands) {
        if (name != QLatin1String(command.name)) continue;
        QString text = Synopsis(command, true) + QLatin1Char('\n') +
                       QString::fromUtf8(command.description) + QLatin1Char('\n');
        if (command.editOptions) text += QLatin1Char('\n') + QString::fromUtf8(kEditOptions);
        return text + QLatin1Char('\n') + QString::fromUtf8(kExitStatus);
    }
    return {};
}

QString VersionText() { return QStringLiteral("tavlo-cli ") + ProgramVersion(); }
