#include "ExifForResult.h"

#include <libexif/exif-data.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "ContainerMetadata.h"
#include "ImageMetadata.h"

namespace {
constexpr char kExifHeader[] = "Exif\0";  // with its zero: 6 bytes

// One ExifData with the allocator it was made with, so that its thumbnail can
// be released by the same allocator.
class ExifBlock {
public:
    ExifBlock()
        : m_mem(exif_mem_new_default()), m_data(m_mem ? exif_data_new_mem(m_mem) : nullptr) {}
    ~ExifBlock() {
        if (m_data) exif_data_unref(m_data);
        if (m_mem) exif_mem_unref(m_mem);
    }
    ExifBlock(const ExifBlock&) = delete;
    ExifBlock& operator=(const ExifBlock&) = delete;

    // Loaded as stored: libexif neither adds the tags the standard asks for
    // nor drops the ones it does not know, and leaves the maker note alone.
    bool Load(const QByteArray& tiff) {
        if (!m_data) return false;
        exif_data_unset_option(m_data, EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
        exif_data_unset_option(m_data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
        exif_data_set_option(m_data, EXIF_DATA_OPTION_DONT_CHANGE_MAKER_NOTE);
        const QByteArray withHeader = QByteArray(kExifHeader, sizeof kExifHeader) + tiff;
        exif_data_load_data(m_data, reinterpret_cast<const unsigned char*>(withHeader.constData()),
                            unsigned(withHeader.size()));
        return m_data->ifd[EXIF_IFD_0] && m_data->ifd[EXIF_IFD_0]->count > 0;
    }

    void DropThumbnail() {
        if (m_data->data) exif_mem_free(m_mem, m_data->data);
        m_data->data = nullptr;
        m_data->size = 0;
        ExifContent* second = m_data->ifd[EXIF_IFD_1];
        while (second && second->count > 0) exif_content_remove_entry(second, second->entries[0]);
    }

    void Remove(ExifIfd ifd, ExifTag tag) {
        if (ExifEntry* entry = exif_content_get_entry(m_data->ifd[ifd], tag))
            exif_content_remove_entry(m_data->ifd[ifd], entry);
    }

    // A new entry in place of any old one; its data is the caller's to fill.
    unsigned char* Replace(ExifIfd ifd, ExifTag tag, ExifFormat format) {
        Remove(ifd, tag);
        ExifEntry* entry = exif_entry_new_mem(m_mem);
        if (!entry) return nullptr;
        entry->tag = tag;
        entry->format = format;
        entry->components = 1;
        entry->size = exif_format_get_size(format);
        entry->data = static_cast<unsigned char*>(exif_mem_alloc(m_mem, entry->size));
        if (entry->data) exif_content_add_entry(m_data->ifd[ifd], entry);
        unsigned char* data = entry->data;
        exif_entry_unref(entry);
        return data;
    }
    bool SetShort(ExifIfd ifd, ExifTag tag, ExifShort value) {
        unsigned char* at = Replace(ifd, tag, EXIF_FORMAT_SHORT);
        if (at) exif_set_short(at, exif_data_get_byte_order(m_data), value);
        return at;
    }
    bool SetLong(ExifIfd ifd, ExifTag tag, ExifLong value) {
        unsigned char* at = Replace(ifd, tag, EXIF_FORMAT_LONG);
        if (at) exif_set_long(at, exif_data_get_byte_order(m_data), value);
        return at;
    }
    bool SetRational(ExifIfd ifd, ExifTag tag, ExifRational value) {
        unsigned char* at = Replace(ifd, tag, EXIF_FORMAT_RATIONAL);
        if (at) exif_set_rational(at, exif_data_get_byte_order(m_data), value);
        return at;
    }
    bool Has(ExifIfd ifd, ExifTag tag) const {
        return exif_content_get_entry(m_data->ifd[ifd], tag) != nullptr;
    }

    QByteArray Save() {
        unsigned char* bytes = nullptr;
        unsigned int size = 0;
        exif_data_save_data(m_data, &bytes, &size);
        QByteArray saved;
        if (bytes && size > sizeof kExifHeader &&
            std::memcmp(bytes, kExifHeader, sizeof kExifHeader) == 0)
            saved = QByteArray(reinterpret_cast<const char*>(bytes) + sizeof kExifHeader,
                               qsizetype(size - sizeof kExifHeader));
        exif_mem_free(m_mem, bytes);
        return saved;
    }

private:
    ExifMem* m_mem;
    ExifData* m_data;
};

// Dots per inch as a rational, to a hundredth of a dot.
ExifRational Rational(float dpi) {
    const long long hundredths = std::llround(double(dpi) * 100.0);
    const long long divisor = std::gcd(hundredths, 100LL);
    return {ExifLong(hundredths / divisor), ExifLong(100 / divisor)};
}
}  // namespace

QByteArray ExifForResult(const QByteArray& sourceExif, int width, int height, float dpiX,
                         float dpiY) {
    if (sourceExif.isEmpty() || sourceExif.size() > kMaxMetadataBytes ||
        !LooksLikeExifTiff(sourceExif) || width < 1 || height < 1)
        return {};
    ExifBlock block;
    if (!block.Load(sourceExif)) return {};
    block.DropThumbnail();
    bool ok = block.SetShort(EXIF_IFD_0, EXIF_TAG_ORIENTATION, 1) &&
              block.SetLong(EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, ExifLong(width)) &&
              block.SetLong(EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, ExifLong(height));
    // Only a few cameras name the size in the first directory as well.
    if (ok && block.Has(EXIF_IFD_0, EXIF_TAG_IMAGE_WIDTH))
        ok = block.SetLong(EXIF_IFD_0, EXIF_TAG_IMAGE_WIDTH, ExifLong(width));
    if (ok && block.Has(EXIF_IFD_0, EXIF_TAG_IMAGE_LENGTH))
        ok = block.SetLong(EXIF_IFD_0, EXIF_TAG_IMAGE_LENGTH, ExifLong(height));
    if (ok && dpiX > 0.0f && dpiY > 0.0f) {
        ok = block.SetRational(EXIF_IFD_0, EXIF_TAG_X_RESOLUTION, Rational(dpiX)) &&
             block.SetRational(EXIF_IFD_0, EXIF_TAG_Y_RESOLUTION, Rational(dpiY)) &&
             block.SetShort(EXIF_IFD_0, EXIF_TAG_RESOLUTION_UNIT, 2);  // inches
    } else {
        block.Remove(EXIF_IFD_0, EXIF_TAG_X_RESOLUTION);
        block.Remove(EXIF_IFD_0, EXIF_TAG_Y_RESOLUTION);
        block.Remove(EXIF_IFD_0, EXIF_TAG_RESOLUTION_UNIT);
    }
    if (!ok) return {};
    const QByteArray saved = block.Save();
    return LooksLikeExifTiff(saved) ? saved : QByteArray();
}
