#include "exif/ExifSummary.h"

#include <initializer_list>

void ResetExifSummary(ExifSummary& s) {
    for (char* text : {s.MakeText, s.ModelText, s.ShotDateText, s.ExposureTimeText, s.GpsText,
                       s.SoftwareText, s.ImageDescriptionText, s.RightsText, s.XpTitle,
                       s.XpComment, s.XpAuthor, s.XpKeywords, s.XpSubject, s.MapLink})
        text[0] = 0;
    s.ExifSegmentStart = 0;
    s.ExifSegmentEnd = 0;
    s.ThumbnailCompression = 0;
    s.ShotFileTime = {};
    s.FileWriteTime = {};
}
