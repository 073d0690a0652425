// The colour profile and the EXIF block of a source carried into every result
// that can hold them, on both imaging components: read back through the
// formats' own libraries, never through the program's code.

#include <gtest/gtest.h>

#include <QColorSpace>
#include <QTemporaryDir>

#include "app/CTavloApp.h"
#include "document/CTavloDoc.h"
#include "document/ImageLoader.h"
#include "output/WriteImageFile.h"
#include "platform/SettingsStore.h"
#include "platform/imaging/CodecFactory.h"
#include "platform/imaging/ImageStream.h"
#include "platform/imaging/QtImageComponent.h"
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
}  // namespace
