#include "HeifColour.h"

#include <QColorSpace>
#include <QPointF>

namespace {
bool SrgbLikeTransfer(int transfer) {
    switch (transfer) {
        case heif_transfer_characteristic_ITU_R_BT_709_5:
        case heif_transfer_characteristic_unspecified:
        case heif_transfer_characteristic_ITU_R_BT_601_6:
        case heif_transfer_characteristic_IEC_61966_2_1:
        case heif_transfer_characteristic_ITU_R_BT_2020_2_10bit:
        case heif_transfer_characteristic_ITU_R_BT_2020_2_12bit:
        case 0:
            return true;
        default:
            return false;
    }
}
}  // namespace

NclxColour KeptNclxColour(const heif_color_profile_nclx& nclx) {
    const int primaries = int(nclx.color_primaries);
    const int transfer = int(nclx.transfer_characteristics);
    const bool defaultPrimaries = primaries == 0 ||
                                  primaries == heif_color_primaries_ITU_R_BT_709_5 ||
                                  primaries == heif_color_primaries_unspecified;
    if (defaultPrimaries && SrgbLikeTransfer(transfer)) return {};
    return {primaries, transfer};
}

QByteArray IccProfileForNclx(const heif_color_profile_nclx& nclx) {
    if (KeptNclxColour(nclx).primaries == 0) return {};
    QColorSpace::TransferFunction function = QColorSpace::TransferFunction::Custom;
    float gamma = 0.0f;
    switch (nclx.transfer_characteristics) {
        case heif_transfer_characteristic_IEC_61966_2_1:
            function = QColorSpace::TransferFunction::SRgb;
            break;
        case heif_transfer_characteristic_linear:
            function = QColorSpace::TransferFunction::Linear;
            break;
        case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
            function = QColorSpace::TransferFunction::Gamma;
            gamma = 2.2f;
            break;
        case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
            function = QColorSpace::TransferFunction::Gamma;
            gamma = 2.8f;
            break;
        default:
            return {};
    }
    // libheif gives the chromaticities of every primaries code it knows.
    const QColorSpace space(QPointF(nclx.color_primary_white_x, nclx.color_primary_white_y),
                            QPointF(nclx.color_primary_red_x, nclx.color_primary_red_y),
                            QPointF(nclx.color_primary_green_x, nclx.color_primary_green_y),
                            QPointF(nclx.color_primary_blue_x, nclx.color_primary_blue_y), function,
                            gamma);
    return space.isValid() ? space.iccProfile() : QByteArray();
}
