// The numbers of the tags the library knows, by their names; the tag
// dictionary holds the same names as text.
#pragma once

#include <cstdint>

enum TagNumber : std::uint32_t {
    kTagNewSubfileType = 254,
    kTagSubfileType = 255,
    kTagImageWidth = 256,
    kTagImageLength = 257,
    kTagBitsPerSample = 258,
    kTagCompression = 259,
    kTagPhotometricInterpretation = 262,
    kTagFillOrder = 266,
    kTagImageDescription = 270,
    kTagMake = 271,
    kTagModel = 272,
    kTagStripOffsets = 273,
    kTagOrientation = 274,
    kTagSamplesPerPixel = 277,
    kTagRowsPerStrip = 278,
    kTagStripByteCounts = 279,
    kTagXResolution = 282,
    kTagYResolution = 283,
    kTagPlanarConfiguration = 284,
    kTagResolutionUnit = 296,
    kTagTransferFunction = 301,
    kTagSoftware = 305,
    kTagDateTime = 306,
    kTagArtist = 315,
    kTagWhitePoint = 318,
    kTagPrimaryChromaticities = 319,
    kTagSubIFDs = 330,
    kTagJPEGInterchangeFormat = 513,
    kTagJPEGInterchangeFormatLength = 514,
    kTagYCbCrCoefficients = 529,
    kTagYCbCrSubSampling = 530,
    kTagYCbCrPositioning = 531,
    kTagReferenceBlackWhite = 532,
    kTagCopyright = 33432,
    kTagExifIFDPointer = 34665,
    kTagGPSInfoIFDPointer = 34853,
};
