// Splicing metadata into a PNG or JPEG stream as a writer produces it, in
// whatever pieces the writer hands over.

#include <gtest/gtest.h>

#include <QImage>

#include "platform/ByteSink.h"
#include "platform/imaging/MetadataSplicingSink.h"
#include "support/ImageFixtures.h"

namespace {
using Container = MetadataSplicingSink::Container;

QByteArray Spliced(const QByteArray& file, Container container, const QByteArray& inserted,
                   qsizetype piece, bool* finished) {
    BufferSink target;
    MetadataSplicingSink sink(target, container, inserted);
    for (qsizetype at = 0; at < file.size(); at += piece)
        EXPECT_TRUE(sink.Write(file.constData() + at, std::size_t(qMin(piece, file.size() - at))));
    *finished = sink.Finish();
    return target.Bytes();
}

TEST(MetadataSplicingSinkTest, InsertsAfterIhdrOrJfifWhateverThePieces) {
    const QImage image = Fixtures::Quadrants(8, 8);
    const QByteArray png = Fixtures::EncodeWithQt(image, "png");
    const QByteArray jpeg = Fixtures::EncodeWithQt(image, "jpeg", 90);
    const qsizetype jfifEnd = 4 + (uchar(jpeg[4]) << 8 | uchar(jpeg[5]));
    ASSERT_EQ(uchar(jpeg[3]), 0xE0);
    const QByteArray inserted = "<inserted>";
    struct Case {
        const char* name;
        QByteArray file;
        Container container;
        QByteArray expected;
        bool finished;
    };
    const Case cases[] = {
        {"PNG", png, Container::Png, png.left(33) + inserted + png.mid(33), true},
        {"JPEG", jpeg, Container::Jpeg, jpeg.left(jfifEnd) + inserted + jpeg.mid(jfifEnd), true},
        {"JPEG without JFIF", jpeg.left(2) + jpeg.mid(jfifEnd), Container::Jpeg,
         jpeg.left(2) + inserted + jpeg.mid(jfifEnd), true},
        // Not the container it was told: passed on untouched.
        {"PNG as JPEG", png, Container::Jpeg, png, true},
        {"JPEG as PNG", jpeg, Container::Png, jpeg, true},
        // Ends before the place: the encoding fails.
        {"cut-off PNG", png.left(20), Container::Png, {}, false},
    };
    for (const Case& c : cases) {
        for (qsizetype piece : {qsizetype(1), qsizetype(3), qsizetype(40), c.file.size()}) {
            SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(piece));
            bool finished = false;
            EXPECT_EQ(Spliced(c.file, c.container, inserted, piece, &finished), c.expected);
            EXPECT_EQ(finished, c.finished);
        }
    }
}
}  // namespace
