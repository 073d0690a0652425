#include "MetadataFiles.h"

#include <libexif/exif-data.h>
#include <libheif/heif.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include <QBuffer>
#include <QImageWriter>

namespace MetadataFiles {
namespace {
constexpr char kExifHeader[] = "Exif\0";  // 6 bytes with its zero

ExifEntry* NewEntry(ExifData* data, ExifIfd ifd, ExifTag tag, ExifFormat format,
                    unsigned components) {
    ExifEntry* entry = exif_entry_new();
    entry->tag = tag;
    entry->format = format;
    entry->components = components;
    entry->size = exif_format_get_size(format) * components;
    entry->data = static_cast<unsigned char*>(calloc(1, entry->size));
    exif_content_add_entry(data->ifd[ifd], entry);
    exif_entry_unref(entry);
    return entry;
}
void Ascii(ExifData* data, ExifIfd ifd, ExifTag tag, const char* text) {
    ExifEntry* e = NewEntry(data, ifd, tag, EXIF_FORMAT_ASCII, unsigned(strlen(text) + 1));
    memcpy(e->data, text, strlen(text) + 1);
}
void Short(ExifData* data, ExifIfd ifd, ExifTag tag, ExifShort v) {
    exif_set_short(NewEntry(data, ifd, tag, EXIF_FORMAT_SHORT, 1)->data, EXIF_BYTE_ORDER_INTEL, v);
}
void Long(ExifData* data, ExifIfd ifd, ExifTag tag, ExifLong v) {
    exif_set_long(NewEntry(data, ifd, tag, EXIF_FORMAT_LONG, 1)->data, EXIF_BYTE_ORDER_INTEL, v);
}
void Rational(ExifData* data, ExifIfd ifd, ExifTag tag, ExifLong n, ExifLong d) {
    exif_set_rational(NewEntry(data, ifd, tag, EXIF_FORMAT_RATIONAL, 1)->data,
                      EXIF_BYTE_ORDER_INTEL, {n, d});
}

QString Value(ExifData* data, ExifIfd ifd, ExifTag tag) {
    ExifEntry* e = exif_content_get_entry(data->ifd[ifd], tag);
    if (!e) return {};
    char text[256] = {};
    exif_entry_get_value(e, text, sizeof text);
    return QString::fromUtf8(text);
}

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};
[[noreturn]] void OnJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

heif_error WriteToArray(heif_context*, const void* data, size_t size, void* target) {
    static_cast<QByteArray*>(target)->append(static_cast<const char*>(data), qsizetype(size));
    return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

struct PngInput {
    const QByteArray* bytes;
    qsizetype at = 0;
};
void ReadPng(png_structp png, png_bytep out, png_size_t size) {
    auto* in = static_cast<PngInput*>(png_get_io_ptr(png));
    if (in->at + qsizetype(size) > in->bytes->size()) png_error(png, "short");
    memcpy(out, in->bytes->constData() + in->at, size);
    in->at += qsizetype(size);
}
}  // namespace

QByteArray CameraExif(int orientation, int width, int height) {
    ExifData* data = exif_data_new();
    exif_data_set_byte_order(data, EXIF_BYTE_ORDER_INTEL);
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    Ascii(data, EXIF_IFD_0, EXIF_TAG_MAKE, "Oblimo");
    Ascii(data, EXIF_IFD_0, EXIF_TAG_MODEL, kModel);
    Short(data, EXIF_IFD_0, EXIF_TAG_ORIENTATION, ExifShort(orientation));
    Rational(data, EXIF_IFD_0, EXIF_TAG_X_RESOLUTION, 72, 1);
    Rational(data, EXIF_IFD_0, EXIF_TAG_Y_RESOLUTION, 72, 1);
    Short(data, EXIF_IFD_0, EXIF_TAG_RESOLUTION_UNIT, 2);
    Ascii(data, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, kDate);
    Rational(data, EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_TIME, 1, 250);
    Long(data, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, ExifLong(width));
    Long(data, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, ExifLong(height));
    // A thumbnail: libexif writes the second directory for it.
    QImage thumb(16, 12, QImage::Format_RGB32);
    thumb.fill(Qt::red);
    QByteArray thumbJpeg;
    QBuffer buffer(&thumbJpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "jpeg").write(thumb);
    data->data = static_cast<unsigned char*>(malloc(size_t(thumbJpeg.size())));
    memcpy(data->data, thumbJpeg.constData(), size_t(thumbJpeg.size()));
    data->size = unsigned(thumbJpeg.size());
    Short(data, EXIF_IFD_1, EXIF_TAG_COMPRESSION, 6);

    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &bytes, &size);
    const QByteArray tiff(reinterpret_cast<const char*>(bytes) + 6, qsizetype(size) - 6);
    free(bytes);
    exif_data_unref(data);
    return tiff;
}

QByteArray JpegWithMetadata(const QImage& source, const QByteArray& icc, const QByteArray& exif) {
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnJpegError;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_create_compress(&info);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return {};
    }
    jpeg_mem_dest(&info, &out, &outSize);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    if (!exif.isEmpty()) {
        const QByteArray payload = QByteArray(kExifHeader, 6) + exif;
        jpeg_write_marker(&info, JPEG_APP0 + 1,
                          reinterpret_cast<const JOCTET*>(payload.constData()),
                          unsigned(payload.size()));
    }
    if (!icc.isEmpty())
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET*>(icc.constData()),
                               unsigned(icc.size()));
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uchar*>(image.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(outSize));
    free(out);
    return bytes;
}

QByteArray HeicWithNclx(const QImage& source, int primaries, int transfer, const QByteArray& exif) {
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_image* image = nullptr;
    heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                      &image);
    heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        memcpy(plane + y * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    nclx->color_primaries = heif_color_primaries(primaries);
    nclx->transfer_characteristics = heif_transfer_characteristics(transfer);
    heif_image_set_nclx_color_profile(image, nclx);
    heif_nclx_color_profile_free(nclx);
    heif_image_handle* handle = nullptr;
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->macOS_compatibility_workaround_no_nclx_profile = 0;
    heif_context_encode_image(context, image, encoder, options, &handle);
    heif_encoding_options_free(options);
    if (!exif.isEmpty())
        heif_context_add_exif_metadata(context, handle, exif.constData(), int(exif.size()));
    QByteArray bytes;
    heif_writer writer{1, &WriteToArray};
    heif_context_write(context, &writer, &bytes);
    heif_image_handle_release(handle);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

FileMetadata ReadFileMetadata(const QByteArray& file) {
    FileMetadata metadata;
    const auto* u = reinterpret_cast<const unsigned char*>(file.constData());
    if (file.size() > 2 && u[0] == 0xFF && u[1] == 0xD8) {
        jpeg_decompress_struct info{};
        JpegErrors errors{};
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = OnJpegError;
        jpeg_create_decompress(&info);
        if (setjmp(errors.jump)) {
            jpeg_destroy_decompress(&info);
            return {};
        }
        jpeg_mem_src(&info, u, static_cast<unsigned long>(file.size()));
        jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
        jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);
        jpeg_read_header(&info, TRUE);
        for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
            if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 && metadata.exif.isEmpty() &&
                memcmp(m->data, kExifHeader, 6) == 0)
                metadata.exif = QByteArray(reinterpret_cast<const char*>(m->data) + 6,
                                           qsizetype(m->data_length) - 6);
            if (m->marker == JPEG_APP0 + 2) ++metadata.profileParts;
        }
        JOCTET* icc = nullptr;
        unsigned iccSize = 0;
        if (jpeg_read_icc_profile(&info, &icc, &iccSize)) {
            metadata.icc = QByteArray(reinterpret_cast<const char*>(icc), qsizetype(iccSize));
            free(icc);
        }
        jpeg_destroy_decompress(&info);
        return metadata;
    }
    if (file.startsWith("\x89PNG")) {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        PngInput input{&file};
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_read_struct(&png, &info, nullptr);
            return {};
        }
        png_set_read_fn(png, &input, ReadPng);
        png_read_info(png, info);
        png_charp name = nullptr;
        int compression = 0;
        png_bytep profile = nullptr;
        png_uint_32 profileSize = 0;
        if (png_get_iCCP(png, info, &name, &compression, &profile, &profileSize))
            metadata.icc =
                QByteArray(reinterpret_cast<const char*>(profile), qsizetype(profileSize));
        png_bytep exif = nullptr;
        png_uint_32 exifSize = 0;
        if (png_get_eXIf_1(png, info, &exifSize, &exif))
            metadata.exif = QByteArray(reinterpret_cast<const char*>(exif), qsizetype(exifSize));
        png_destroy_read_struct(&png, &info, nullptr);
        return metadata;
    }
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    if (heif_context_read_from_memory_without_copy(context, file.constData(), size_t(file.size()),
                                                   nullptr)
                .code == heif_error_Ok &&
        heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok) {
        const size_t iccSize = heif_image_handle_get_raw_color_profile_size(handle);
        if (iccSize > 0) {
            metadata.icc.resize(qsizetype(iccSize));
            heif_image_handle_get_raw_color_profile(handle, metadata.icc.data());
        }
        heif_color_profile_nclx* nclx = nullptr;
        if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok) {
            metadata.nclxPrimaries = nclx->color_primaries;
            metadata.nclxTransfer = nclx->transfer_characteristics;
            heif_nclx_color_profile_free(nclx);
        }
        heif_item_id id = 0;
        if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) == 1) {
            QByteArray item(qsizetype(heif_image_handle_get_metadata_size(handle, id)), '\0');
            heif_image_handle_get_metadata(handle, id, item.data());
            if (item.size() >= 4) {
                const quint32 offset = quint32(uchar(item[0])) << 24 |
                                       quint32(uchar(item[1])) << 16 |
                                       quint32(uchar(item[2])) << 8 | uchar(item[3]);
                metadata.exif = item.mid(4 + qsizetype(offset));
            }
        }
        heif_image_handle_release(handle);
    }
    heif_context_free(context);
    return metadata;
}

std::optional<ExifFacts> ReadExifFacts(const QByteArray& tiff) {
    const QByteArray withHeader = QByteArray(kExifHeader, 6) + tiff;
    ExifData* data = exif_data_new();
    exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data, reinterpret_cast<const unsigned char*>(withHeader.constData()),
                        unsigned(withHeader.size()));
    if (data->ifd[EXIF_IFD_0]->count == 0) {
        exif_data_unref(data);
        return std::nullopt;
    }
    ExifFacts facts;
    const ExifByteOrder order = exif_data_get_byte_order(data);
    facts.model = Value(data, EXIF_IFD_0, EXIF_TAG_MODEL);
    facts.date = Value(data, EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL);
    facts.exposure = Value(data, EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_TIME);
    if (ExifEntry* e = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION))
        facts.orientation = exif_get_short(e->data, order);
    auto number = [&](ExifTag tag) -> long {
        ExifEntry* e = exif_content_get_entry(data->ifd[EXIF_IFD_EXIF], tag);
        if (!e) return 0;
        return e->format == EXIF_FORMAT_SHORT ? exif_get_short(e->data, order)
                                              : long(exif_get_long(e->data, order));
    };
    facts.pixelX = number(EXIF_TAG_PIXEL_X_DIMENSION);
    facts.pixelY = number(EXIF_TAG_PIXEL_Y_DIMENSION);
    facts.thumbnail = data->size > 0 || data->ifd[EXIF_IFD_1]->count > 0;
    auto rational = [&](ExifTag tag) -> std::optional<double> {
        ExifEntry* e = exif_content_get_entry(data->ifd[EXIF_IFD_0], tag);
        if (!e || e->format != EXIF_FORMAT_RATIONAL) return std::nullopt;
        const ExifRational r = exif_get_rational(e->data, order);
        return r.denominator ? std::optional<double>(double(r.numerator) / r.denominator)
                             : std::nullopt;
    };
    facts.xResolution = rational(EXIF_TAG_X_RESOLUTION);
    facts.yResolution = rational(EXIF_TAG_Y_RESOLUTION);
    if (ExifEntry* e = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_RESOLUTION_UNIT))
        facts.resolutionUnit = exif_get_short(e->data, order);
    exif_data_unref(data);
    return facts;
}

}  // namespace MetadataFiles
