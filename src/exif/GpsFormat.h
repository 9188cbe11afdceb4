// The readable GPS position (GpsText) and the map search link (MapLink) of a photograph.
#pragma once
#include <cstddef>

#include "exif/ExifSummary.h"

// The map service: change the host here and nowhere else. The link is
// "https://" + host + "/maps?q=" + latitude + "," + longitude.
constexpr char kMapServiceHost[] = "www.google.com";

// Which of the ten position formats a coordinate's denominators choose (degrees, minutes,
// seconds as numerator/denominator pairs); 0 when none applies (degrees and minutes all 0).
// 1: d/100000; 2-4: d/1 m/100..10000 s=0; 5-9: d/1 m/1 s/1..10000; 10: anything else, raw.
int GpsFormatRow(const Rational32 (&coordinate)[3]);

// The coordinate in degrees; false when a part with a numerator divides by 0 or a
// numerator is negative.
bool GpsDegrees(const Rational32 (&coordinate)[3], double& degrees);

// Writes GpsText ("%s " + the coordinate per its row, the two joined by two spaces) and
// MapLink. Each coordinate is formatted by its own row, so a longitude written with other
// denominators than the latitude is still right. Returns false and leaves both untouched
// when no row applies to the latitude. MapLink is left empty when the position cannot be
// placed: a hemisphere that is not N/S or E/W, a division by 0, or a value out of range.
bool BuildGpsPosition(const char* latitudeRef, const Rational32 (&latitude)[3], const char* longitudeRef,
                      const Rational32 (&longitude)[3], char* gpsText, size_t gpsSize, char* mapLink,
                      size_t linkSize);
