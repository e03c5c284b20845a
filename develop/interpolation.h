// Completes a 24-bit RGGB mosaic DIB to full colour. Each pixel starts with
// the one colour its mosaic position carries; each pass fills one missing
// colour from the two nearest pixels of that colour in the same row or
// column, averaged (rounded down). Where only one of the two lies inside the
// picture it is taken alone; where neither does the byte stays 0.
// Run them in the order Blue, Red, Green.
#pragma once

#include "develop/dib.h"

// Blue lives on odd rows at odd columns: filled along odd rows, then every
// even row takes the rows above and below.
void InterpolateBlue(DibImage dib);
// Red lives on even rows at even columns: filled along even rows, then every
// odd row takes the rows above and below.
void InterpolateRed(DibImage dib);
// Green lives where the other two do not: filled from left and right only.
void InterpolateGreen(DibImage dib);
