// The setup programs run on a machine that has none of the editor's
// libraries yet: what they link must be the C and C++ runtime and nothing
// else, which is what the dynamic section's NEEDED entries show.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QStringList>

#include "support/ProcessRunner.h"

namespace {

QStringList NeededLibraries(const QString& program) {
    const ProcessResult dump = RunProgram("objdump", {"-p", program});
    EXPECT_EQ(dump.exitCode, 0) << dump.err.toStdString();
    QStringList needed;
    static const QRegularExpression entry(QStringLiteral("^\\s*NEEDED\\s+(\\S+)\\s*$"),
                                          QRegularExpression::MultilineOption);
    for (auto match = entry.globalMatch(QString::fromUtf8(dump.out)); match.hasNext();)
        needed << match.next().captured(1);
    return needed;
}

TEST(RuntimeDependencyTest, SetupProgramsNeedOnlyTheCAndCppRuntime) {
    // The C library's parts, the C++ library and its unwinder; the
    // sanitizers' run-time when the project is built with them.
    static const QRegularExpression runtime(QStringLiteral(
        "^(libc|libm|libpthread|libdl|librt|libstdc\\+\\+|libgcc_s|libasan|libubsan)\\.so\\.\\d+$"
        "|^ld-linux[-a-z0-9_]*\\.so\\.\\d+$"));
    for (const char* program : {QUILLET, OBLIMO_INSTALLER}) {
        SCOPED_TRACE(program);
        const QStringList needed = NeededLibraries(program);
        EXPECT_TRUE(needed.contains("libc.so.6")) << needed.join(' ').toStdString();
        for (const QString& library : needed)
            EXPECT_TRUE(runtime.match(library).hasMatch()) << library.toStdString();
    }
}

}  // namespace
