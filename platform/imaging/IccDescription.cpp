#include "IccDescription.h"

#include <lcms2.h>

#include <memory>
#include <vector>

namespace {
struct CloseProfile {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
}  // namespace

QString IccProfileDescription(const QByteArray& icc) {
    if (icc.isEmpty()) return {};
    // A context of its own, so that lcms2 reports nothing on standard error.
    cmsContext context = cmsCreateContext(nullptr, nullptr);
    if (!context) return {};
    cmsSetLogErrorHandlerTHR(context, [](cmsContext, cmsUInt32Number, const char*) {});
    QString description;
    {
        std::unique_ptr<void, CloseProfile> profile(
            cmsOpenProfileFromMemTHR(context, icc.constData(), cmsUInt32Number(icc.size())));
        if (profile) {
            const cmsUInt32Number length =
                cmsGetProfileInfo(profile.get(), cmsInfoDescription, "en", "US", nullptr, 0);
            if (length > sizeof(wchar_t)) {
                std::vector<wchar_t> text(length / sizeof(wchar_t) + 1, 0);
                cmsGetProfileInfo(profile.get(), cmsInfoDescription, "en", "US", text.data(),
                                  cmsUInt32Number(text.size() * sizeof(wchar_t)));
                description = QString::fromWCharArray(text.data()).trimmed();
            }
        }
    }
    cmsDeleteContext(context);
    return description;
}
