// The colour profile and the EXIF block of a source carried into every result
// that can hold them, on both imaging components: read back through the
// formats' own libraries, never through the program's code.

#include <gtest/gtest.h>

#include <QColorSpace>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "document/ImageLoader.h"
#include "document/OutputRenderer.h"
#include "output/ClipboardCopy.h"
#include "output/WriteImageFile.h"
#include "platform/ByteSink.h"
#include "platform/SettingsStore.h"
#include "platform/imaging/CodecFactory.h"
#include "platform/imaging/ContainerMetadata.h"
#include "platform/imaging/ExifForResult.h"
#include "platform/imaging/ImageStream.h"
#include "platform/imaging/QtImageComponent.h"
#include "platform/imaging/QtImageEncoder.h"
#include "platform/imaging/RowSource.h"
#include "support/EncodedFiles.h"
#include "support/FormatWriters.h"
#include "support/ImageFixtures.h"
#include "support/MetadataFiles.h"

using namespace MetadataFiles;

namespace {
constexpr int kW = 64, kH = 48;
constexpr float kStampDpi = 300.0f;

// A document at step 4 whose result is the whole source, upright.
class FrozenDocument : public CTavloDoc {
public:
    using CTavloDoc::CTavloDoc;
    void Freeze(const HolderPtr& source) {
        auto state = std::make_shared<CUndoItem>();
        state->m_image = source;
        state->m_step = 4;
        state->m_trimLeft = -source->Width() / 2.0f;
        state->m_trimTop = -source->Height() / 2.0f;
        state->m_trimWidth = state->m_resultWidth = float(source->Width());
        state->m_trimHeight = state->m_resultHeight = float(source->Height());
        state->m_scaleX = state->m_scaleY = 1.0;
        m_current = state;
        m_sourceDpiX = m_sourceDpiY = kStampDpi;
        FreezeOutputParams();
        m_result = RenderOutputToHolder(source);
        m_current->m_image = source;
    }
    HolderPtr m_result;
};

QByteArray PaddedProfile(QByteArray icc, qsizetype size) {
    // A profile longer than one JPEG segment holds: the size field grows with it.
    icc.append(QByteArray(size - icc.size(), '\0'));
    for (int i = 0; i < 4; ++i) icc[i] = char(quint32(size) >> (24 - 8 * i));
    return icc;
}

struct Source {
    const char* name;
    QByteArray file;
    QByteArray icc;         // what the source's profile is
    QColorSpace colour;     // the colour for results that carry only profiles (nclx sources)
    int nclxPrimaries = 0;  // HEIF results of an nclx source
    int nclxTransfer = 0;
    bool exif = true;
    QSize upright{kW, kH};
};

std::vector<Source> Sources() {
    const QImage photo = Fixtures::Quadrants(kW, kH);
    const QByteArray p3 = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    const QByteArray adobe = QColorSpace(QColorSpace::AdobeRgb).iccProfile();
    const QByteArray proPhoto = QColorSpace(QColorSpace::ProPhotoRgb).iccProfile();
    std::vector<Source> sources;
    // Taken turned: the file is 48 x 64 and its EXIF says to turn it upright.
    sources.push_back(
        {"Display P3 JPEG",
         JpegWithMetadata(photo.transformed(QTransform().rotate(-90)), p3, CameraExif(6, kH, kW)),
         p3});
    FormatWriters::PngSpec png;
    png.width = kW;
    png.height = kH;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const QRgb c = photo.pixel(x, y);
            png.samples.insert(png.samples.end(), {qRed(c), qGreen(c), qBlue(c)});
        }
    png.iccProfile = adobe;
    png.exif = CameraExif(1, kW, kH);
    sources.push_back({"Adobe RGB PNG", FormatWriters::Png(png), adobe});
    Source heic{"HEIF with an nclx colour", HeicWithNclx(photo, 12, 13, CameraExif(1, kW, kH)), {}};
    heic.colour = QColorSpace(QColorSpace::DisplayP3);
    heic.nclxPrimaries = 12;
    heic.nclxTransfer = 13;
    sources.push_back(heic);
    FormatWriters::TiffSpec tiff;
    tiff.width = kW;
    tiff.height = kH;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const QRgb c = photo.pixel(x, y);
            tiff.rows.insert(tiff.rows.end(), {uchar(qRed(c)), uchar(qGreen(c)), uchar(qBlue(c))});
        }
    tiff.iccProfile = proPhoto;
    Source tif{"TIFF with a profile", FormatWriters::Tiff(tiff), proPhoto};
    tif.exif = false;
    sources.push_back(tif);
    sources.push_back({"JPEG with a profile in three parts",
                       JpegWithMetadata(photo, PaddedProfile(p3, 150000), {}),
                       PaddedProfile(p3, 150000)});
    sources.back().exif = false;
    return sources;
}

class MetadataRoundTripTest : public ::testing::Test {
protected:
    MetadataRoundTripTest() : m_app(m_store), m_doc(m_app) {}
    void SetUp() override { ASSERT_TRUE(m_app.InitInstance()); }

    // The result of the source saved under the name, and the same save from a
    // source with the same pixels and no metadata: what the program wrote
    // before it carried any.
    struct Saved {
        QByteArray file, plain;
    };
    std::optional<Saved> Save(const HolderPtr& source, const QString& name) {
        Saved saved;
        for (const HolderPtr& image : {source, MakeHolder(source->AsBitmap())}) {
            m_doc.Freeze(image);
            const QString path = m_folder.filePath(name);
            QFile::remove(path);
            if (!WriteImageFile(m_doc, m_doc.m_result, false, image, path)) return std::nullopt;
            (image == source ? saved.file : saved.plain) = Fixtures::ReadFile(path);
        }
        return saved;
    }

    QImage Decoded(const QByteArray& file) const {
        const auto decoded = m_app.WicFactory->Decode(file);
        return decoded ? decoded->bitmap.image : QImage();
    }

    SettingsStore m_store;
    CTavloApp m_app;
    FrozenDocument m_doc;
    QTemporaryDir m_folder;
};

TEST_F(MetadataRoundTripTest, ProfileAndExifSurviveEveryFormatAndComponent) {
    ASSERT_TRUE(m_app.HeifAvailable);
    for (const Source& source : Sources()) {
        for (int useWic : {0, 1, 2}) {
            m_app.UseWIC = useWic;
            const HolderPtr image =
                LoadImageFromStream(*ImageStream::FromBytes(source.file), m_app.Imaging());
            if (!image) {
                // Qt reads no HEIF: the first component alone cannot load it.
                EXPECT_TRUE(useWic == 0 && source.nclxPrimaries) << source.name;
                continue;
            }
            ASSERT_EQ(image->Width(), source.upright.width()) << source.name;
            for (const char* name : {"out.jpg", "out.png", "out.heic"}) {
                SCOPED_TRACE(std::string(source.name) + ", UseWIC " + std::to_string(useWic) +
                             ", " + name);
                const bool heif = QByteArray(name).endsWith("heic");
                const bool firstComponent = useWic != 2 && !heif;
                const auto saved = Save(image, name);
                ASSERT_TRUE(saved);
                const FileMetadata out = ReadFileMetadata(saved->file);
                // The colour.
                if (heif && source.nclxPrimaries) {
                    EXPECT_EQ(out.nclxPrimaries, source.nclxPrimaries);
                    EXPECT_EQ(out.nclxTransfer, source.nclxTransfer);
                    EXPECT_TRUE(out.icc.isEmpty());
                } else if (source.nclxPrimaries) {
                    EXPECT_EQ(QColorSpace::fromIccProfile(out.icc), source.colour);
                } else {
                    EXPECT_EQ(out.icc, source.icc);
                }
                if (QByteArray(name).endsWith("jpg") && !source.icc.isEmpty())
                    EXPECT_EQ(out.profileParts, (source.icc.size() + 65518) / 65519);
                // The camera's details, upright, with the result's size and resolution.
                const auto facts = ReadExifFacts(out.exif);
                ASSERT_EQ(facts.has_value(), source.exif);
                if (facts) {
                    EXPECT_EQ(facts->model, kModel);
                    EXPECT_EQ(facts->date, kDate);
                    EXPECT_EQ(facts->exposure, "1/250 sec.");
                    EXPECT_EQ(facts->orientation, 1);
                    EXPECT_EQ(facts->pixelX, kW);
                    EXPECT_EQ(facts->pixelY, kH);
                    EXPECT_FALSE(facts->thumbnail);
                    if (firstComponent) {
                        EXPECT_EQ(facts->xResolution, kStampDpi);
                        EXPECT_EQ(facts->yResolution, kStampDpi);
                        EXPECT_EQ(facts->resolutionUnit, 2);
                    } else {
                        // The second component stores no resolution, nor does the EXIF then.
                        EXPECT_FALSE(facts->xResolution);
                        EXPECT_FALSE(facts->yResolution);
                    }
                }
                // The pixels are those of the same save without metadata.
                const QImage pixels = Decoded(saved->file);
                ASSERT_FALSE(pixels.isNull());
                EXPECT_EQ(pixels, Decoded(saved->plain));
                EXPECT_TRUE(ReadFileMetadata(saved->plain).icc.isEmpty());
                EXPECT_TRUE(ReadFileMetadata(saved->plain).exif.isEmpty());
            }
        }
    }
}

// The file without its JPEG APP1 and APP2 segments or its PNG iCCP and eXIf
// chunks, walked independently of the program's own readers.
QByteArray WithoutMetadata(const QByteArray& file) {
    QByteArray out;
    if (file.startsWith("\x89PNG")) {
        out = file.left(8);
        for (qsizetype at = 8; at + 12 <= file.size();) {
            const auto* u = reinterpret_cast<const uchar*>(file.constData() + at);
            const qsizetype length = qsizetype(u[0]) << 24 | u[1] << 16 | u[2] << 8 | u[3];
            const QByteArray type = file.mid(at + 4, 4);
            if (type != "iCCP" && type != "eXIf") out += file.mid(at, length + 12);
            at += length + 12;
        }
        return out;
    }
    out = file.left(2);
    qsizetype at = 2;
    while (at + 4 <= file.size() && uchar(file[at]) == 0xFF && uchar(file[at + 1]) != 0xDA) {
        const qsizetype length = qsizetype(uchar(file[at + 2])) << 8 | uchar(file[at + 3]);
        const uchar marker = uchar(file[at + 1]);
        if (marker != 0xE1 && marker != 0xE2) out += file.mid(at, length + 2);
        at += length + 2;
    }
    return out + file.mid(at);
}

// Adding the metadata changes nothing else in a file, and a source without
// any gives exactly the file its encoder writes without metadata.
TEST_F(MetadataRoundTripTest, MetadataIsAddedWithoutChangingAnythingElse) {
    const Source source = Sources().front();
    for (int useWic : {0, 1, 2}) {
        m_app.UseWIC = useWic;
        const HolderPtr image =
            LoadImageFromStream(*ImageStream::FromBytes(source.file), m_app.Imaging());
        ASSERT_TRUE(image);
        for (const char* name : {"out.jpg", "out.png", "out.heic"}) {
            SCOPED_TRACE(std::string(name) + ", UseWIC " + std::to_string(useWic));
            const auto saved = Save(image, name);
            ASSERT_TRUE(saved);
            const bool heif = QByteArray(name).endsWith("heic");
            if (!heif) {
                EXPECT_NE(saved->file, saved->plain);
                EXPECT_EQ(WithoutMetadata(saved->file), saved->plain);
            }

            // What the encoders write when given no metadata at all.
            const QString format = QByteArray(name).endsWith("jpg")   ? "jpeg"
                                   : QByteArray(name).endsWith("png") ? "png"
                                                                      : "heic";
            Bitmap rendered = m_doc.RenderOutput(image, OutputPixelFormat::Rgb24);
            BufferSink direct;
            if (useWic == 2 || heif) {
                ImageRowSource rows(rendered.image);
                ASSERT_TRUE(m_app.WicFactory->Encode(format, rows, direct));
            } else {
                rendered.dpiX = rendered.dpiY = kStampDpi;
                ASSERT_TRUE(EncodeWithQt(rendered, format.toLatin1(), direct));
            }
            EXPECT_EQ(saved->plain, direct.Bytes());
        }
    }
}

TEST_F(MetadataRoundTripTest, TheClipboardCarriesTheProfileAndItsPngTheExifToo) {
    QTemporaryDir tmp;
    const QByteArray oldTmp = qgetenv("TMPDIR"), oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", tmp.path().toLocal8Bit());
    qunsetenv("XDG_RUNTIME_DIR");
    const Source source = Sources().front();
    for (int useWic : {0, 2}) {
        m_app.UseWIC = useWic;
        const HolderPtr image =
            LoadImageFromStream(*ImageStream::FromBytes(source.file), m_app.Imaging());
        ASSERT_TRUE(image);
        m_doc.Freeze(image);
        const auto data = MakeCopyData(m_doc);
        ASSERT_TRUE(data);
        EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).colorSpace().iccProfile(), source.icc);
        ASSERT_EQ(data->urls().size(), 1);
        const FileMetadata out =
            ReadFileMetadata(Fixtures::ReadFile(data->urls().front().toLocalFile()));
        EXPECT_EQ(out.icc, source.icc);
        const auto facts = ReadExifFacts(out.exif);
        ASSERT_TRUE(facts);
        EXPECT_EQ(facts->model, kModel);
        EXPECT_EQ(facts->orientation, 1);
        EXPECT_EQ(facts->xResolution, kStampDpi);
    }
    qputenv("TMPDIR", oldTmp);
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
}

// Damaged and hostile EXIF blocks: never a crash, and whatever is carried is a
// block that reads back upright.
TEST(ExifForResultTest, DamagedBlocksAreDroppedOrRepaired) {
    const QByteArray good = CameraExif(6, 10, 20);
    auto withLong = [](QByteArray block, int at, quint32 value) {
        for (int i = 0; i < 4; ++i) block[at + i] = char(value >> (8 * i));  // little-endian
        return block;
    };
    auto withShort = [](QByteArray block, int at, quint16 value) {
        block[at] = char(value);
        block[at + 1] = char(value >> 8);
        return block;
    };
    struct Case {
        const char* name;
        QByteArray block;
        bool mayKeep;  // there is something left to read
    };
    QByteArray loop = good;
    // The first directory's next-directory link pointing back at itself.
    const int entries = uchar(good[8]) | uchar(good[9]) << 8;
    loop = withLong(loop, 10 + 12 * entries, 8);
    const Case cases[] = {
        {"whole", good, true},
        {"empty", {}, false},
        {"header only", good.left(8), false},
        {"cut in the first directory", good.left(30), false},
        {"cut in the values", good.left(good.size() / 2), true},
        {"first directory beyond the end", withLong(good, 4, 0x7FFFFFF0), false},
        {"entry count far beyond the data", withShort(good, 8, 0xFFFF), true},
        {"directory loop", loop, true},
        {"not TIFF", QByteArray(200, 'x'), false},
        {"all 0xFF after the header", good.left(8) + QByteArray(500, char(0xFF)), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray out = ExifForResult(c.block, 10, 20, 300, 300);
        if (!c.mayKeep) {
            EXPECT_TRUE(out.isEmpty());
            continue;
        }
        // What libexif can make nothing of is dropped as well.
        if (out.isEmpty()) continue;
        const auto facts = ReadExifFacts(out);
        ASSERT_TRUE(facts);
        EXPECT_EQ(facts->orientation, 1);
        EXPECT_EQ(facts->pixelX, 10);
        EXPECT_FALSE(facts->thumbnail);
    }
    // The whole block keeps what matters.
    const auto facts = ReadExifFacts(ExifForResult(good, 10, 20, 300, 300));
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->model, kModel);
    EXPECT_EQ(facts->date, kDate);
}

// A profile split over APP2 segments is put together by the parts' numbers;
// one with a part missing or twice is not kept.
TEST(JpegProfileTest, PartsAreJoinedInTheirNumberedOrder) {
    const QByteArray icc = PaddedProfile(QColorSpace(QColorSpace::DisplayP3).iccProfile(), 70000);
    const QByteArray jpeg = JpegWithMetadata(Fixtures::Quadrants(16, 16), icc, {});
    // The two APP2 segments as libjpeg wrote them, right after the JFIF segment.
    const qsizetype first = 2 + 2 + (uchar(jpeg[4]) << 8 | uchar(jpeg[5]));
    const qsizetype firstLength = 2 + (uchar(jpeg[first + 2]) << 8 | uchar(jpeg[first + 3]));
    const qsizetype second = first + firstLength;
    const qsizetype secondLength = 2 + (uchar(jpeg[second + 2]) << 8 | uchar(jpeg[second + 3]));
    ASSERT_EQ(uchar(jpeg[first + 1]), 0xE2);
    ASSERT_EQ(uchar(jpeg[second + 1]), 0xE2);
    const QByteArray head = jpeg.left(first), partOne = jpeg.mid(first, firstLength),
                     partTwo = jpeg.mid(second, secondLength),
                     rest = jpeg.mid(second + secondLength);
    struct Case {
        const char* name;
        QByteArray file;
        bool kept;
    };
    const Case cases[] = {
        {"in order", jpeg, true},
        {"second part first", head + partTwo + partOne + rest, true},
        {"second part missing", head + partOne + rest, false},
        {"first part twice", head + partOne + partOne + partTwo + rest, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadContainerMetadata(c.file).icc, c.kept ? icc : QByteArray());
    }
}
}  // namespace
