// The colour-key run scan: finds every maximal horizontal run of pixels that
// are not see-through in a 32-bit surface and hands them over as one-pixel-high
// rectangles, in batches laid out as region data (RGNDATA, RDH_RECTANGLES), so
// that each batch can become a region in one request.
//
// On hosts without Win32, src/stand_in provides the <windows.h> used here.
#ifndef BRIMSHADE_COLOR_KEY_SCAN_H
#define BRIMSHADE_COLOR_KEY_SCAN_H

#include <windows.h>

// Rectangles room is made for when a batch starts, and added whenever it fills.
#define RECT_BATCH_STEP 100
// A batch is handed over as soon as it holds this many rectangles, which bounds
// both the scan's memory and the size of every region request.
#define RECT_BATCH_LIMIT 2000

// Receives one batch: the locked block, in RGNDATA layout, and the block's whole
// size in bytes (header plus room for every rectangle it can hold, not only the
// used ones). pContext is the caller's own, passed through unchanged. The sink
// must not keep pBatch: the block is reused and freed by the scan.
typedef void (*BatchSink)(const RGNDATA *pBatch, DWORD cbBatch, void *pContext);

// Scans a bottom-up surface of 32-bit pixels (bytes 0, 1 and 2 of each pixel are
// tested; byte 3 is ignored) whose rows are cbStride bytes apart. A pixel is
// see-through when each byte c lies within key component c and key component
// c plus tolerance component c (clamped at 255), both ends inclusive; components
// are bits 0-7, 8-15 and 16-23 of dwKey and dwTolerance.
//
// Rectangles are in picture coordinates, (0, 0) being the top-left pixel, in
// order of rows from the top and left to right within a row. pfnSink is called
// for each full batch of RECT_BATCH_LIMIT rectangles and once more, last, for
// the rest, even when nothing is left.
//
// Returns TRUE when every batch was delivered. When the batch memory cannot be
// had or grown, the scan stops, delivers no further batch, frees what it holds
// and returns FALSE, so the batches delivered so far are not the whole picture.
BOOL ScanColorKeyRuns(const BYTE *pBits, LONG nWidth, LONG nHeight, LONG cbStride, DWORD dwKey, DWORD dwTolerance,
                      BatchSink pfnSink, void *pContext);

#endif
