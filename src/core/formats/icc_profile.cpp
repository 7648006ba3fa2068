#include "core/formats/icc_profile.h"

#include <lcms2.h>

#include <algorithm>
#include <cctype>
#include <limits>
#include <string>

namespace pictoreel {

bool profileNeedsConversion(const void* data, std::size_t size)
{
    if (!data || size == 0 || size > std::numeric_limits<cmsUInt32Number>::max())
        return false;
    cmsHPROFILE profile = cmsOpenProfileFromMem(data, static_cast<cmsUInt32Number>(size));
    if (!profile)
        return false;
    char description[256] = {};
    cmsGetProfileInfoASCII(profile, cmsInfoDescription, "en", "US", description, sizeof description);
    cmsCloseProfile(profile);
    std::string text(description);
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text.find("srgb") == std::string::npos;
}

}  // namespace pictoreel
