#include "exif/GpsFormat.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "base/SjisText.h"

namespace {

struct Parts {
    int32_t dN, dD, mN, mD, sN, sD;
};

Parts Split(const Rational32 (&c)[3]) {
    return {int32_t(c[0].Numerator), int32_t(c[0].Denominator), int32_t(c[1].Numerator),
            int32_t(c[1].Denominator), int32_t(c[2].Numerator), int32_t(c[2].Denominator)};
}

// Digits of the fraction each row prints: minutes for rows 2-4, seconds for rows 6-9.
int FractionDigits(int row) {
    switch (row) {
    case 2: return 2;
    case 3: return 3;
    case 4: return 4;
    case 6: return 1;
    case 7: return 2;
    case 8: return 3;
    case 9: return 4;
    default: return 0;
    }
}

void FormatText(int row, const char* ref, const Parts& p, char* out, size_t size) {
    const int w = FractionDigits(row);
    switch (row) {
    case 1: std::snprintf(out, size, "%s %d.%05d度", ref, p.dN / p.dD, p.dN % p.dD); break;
    case 2:
    case 3:
    case 4:
        std::snprintf(out, size, "%s %d度%d.%0*d分", ref, p.dN, p.mN / p.mD, w, p.mN % p.mD);
        break;
    case 5: std::snprintf(out, size, "%s %d度%02d分%02d秒", ref, p.dN, p.mN, p.sN); break;
    case 6:
    case 7:
    case 8:
    case 9:
        std::snprintf(out, size, "%s %d度%02d分%02d.%0*d秒", ref, p.dN, p.mN, p.sN / p.sD, w, p.sN % p.sD);
        break;
    default:
        std::snprintf(out, size, "[%s] %d/%d %d/%d %d/%d", ref, p.dN, p.dD, p.mN, p.mD, p.sN, p.sD);
        break;
    }
}

// +1 north/east, -1 south/west, 0 when the reference does not say.
int Hemisphere(const char* ref, char positive, char negative) {
    char c = ref[0];
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (ref[0] == 0 || (ref[1] != 0 && ref[1] != ' ')) return 0;
    return c == positive ? 1 : c == negative ? -1 : 0;
}

// One coordinate of the link, in the row's own notation where it is canonical (minutes and
// seconds below 60), else as decimal degrees. The hemisphere is the sign.
bool FormatLink(int row, int sign, const Rational32 (&c)[3], double limit, char* out, size_t size) {
    double degrees;
    if (sign == 0 || !GpsDegrees(c, degrees) || degrees > limit) return false;
    const Parts p = Split(c);
    const char* s = sign < 0 ? "-" : "+";
    const int w = FractionDigits(row);
    int n;
    if (row == 1) {
        n = std::snprintf(out, size, "%s%d.%05d%%C2%%B0", s, p.dN / p.dD, p.dN % p.dD);
    } else if (row >= 2 && row <= 4 && p.mN / p.mD < 60) {
        n = std::snprintf(out, size, "%s%d%%C2%%B0+%d.%0*d%%27", s, p.dN, p.mN / p.mD, w, p.mN % p.mD);
    } else if (row == 5 && p.mN < 60 && p.sN < 60) {
        n = std::snprintf(out, size, "%s%d%%C2%%B0+%d%%27+%d%%22", s, p.dN, p.mN, p.sN);
    } else if (row >= 6 && row <= 9 && p.mN < 60 && p.sN / p.sD < 60) {
        n = std::snprintf(out, size, "%s%d%%C2%%B0+%d%%27+%d.%0*d%%22", s, p.dN, p.mN, p.sN / p.sD, w,
                          p.sN % p.sD);
    } else {
        long long micro = std::llround(degrees * 1e6);
        n = std::snprintf(out, size, "%s%d.%06d%%C2%%B0", s, int(micro / 1000000), int(micro % 1000000));
    }
    return n > 0 && size_t(n) < size;
}

}  // namespace

int GpsFormatRow(const Rational32 (&c)[3]) {
    const Parts p = Split(c);
    if (p.dN >= 0 && p.mN >= 0 && p.sN >= 0) {
        if (p.dD == 100000 && p.mN == 0 && p.sN == 0) return 1;
        if (p.dD == 1 && p.sD == 1 && p.sN == 0) {
            if (p.mD == 100) return 2;
            if (p.mD == 1000) return 3;
            if (p.mD == 10000) return 4;
        }
        if (p.dD == 1 && p.mD == 1) {
            switch (p.sD) {
            case 1: return 5;
            case 10: return 6;
            case 100: return 7;
            case 1000: return 8;
            case 10000: return 9;
            }
        }
    }
    return (p.dN != 0 || p.dD != 0 || p.mN != 0) ? 10 : 0;
}

bool GpsDegrees(const Rational32 (&c)[3], double& degrees) {
    static const double kScale[3] = {1.0, 60.0, 3600.0};
    double sum = 0;
    for (int i = 0; i < 3; ++i) {
        int32_t n = int32_t(c[i].Numerator), d = int32_t(c[i].Denominator);
        if (n == 0) continue;
        if (n < 0 || d <= 0) return false;
        sum += double(n) / double(d) / kScale[i];
    }
    degrees = sum;
    return true;
}

bool BuildGpsPosition(const char* latRef, const Rational32 (&lat)[3], const char* lonRef,
                      const Rational32 (&lon)[3], char* gpsText, size_t gpsSize, char* mapLink, size_t linkSize) {
    const int latRow = GpsFormatRow(lat);
    if (latRow == 0) return false;
    const int lonRow = GpsFormatRow(lon);
    char latText[96], lonText[96], text[200];
    FormatText(latRow, latRef, Split(lat), latText, sizeof latText);
    FormatText(lonRow, lonRef, Split(lon), lonText, sizeof lonText);
    std::snprintf(text, sizeof text, "%s  %s", latText, lonText);
    CopySjis(gpsText, gpsSize, text);

    char latLink[64], lonLink[64], link[200];
    bool placed = FormatLink(latRow, Hemisphere(latRef, 'N', 'S'), lat, 90.0, latLink, sizeof latLink) &&
                  FormatLink(lonRow, Hemisphere(lonRef, 'E', 'W'), lon, 180.0, lonLink, sizeof lonLink);
    int n = placed ? std::snprintf(link, sizeof link, "https://%s/maps?q=%s,%s", kMapServiceHost, latLink, lonLink) : -1;
    if (n > 0 && size_t(n) < linkSize) {
        std::snprintf(mapLink, linkSize, "%s", link);
    } else if (linkSize > 0) {
        mapLink[0] = 0;
    }
    return true;
}
