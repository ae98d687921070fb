#pragma once
// What the imaging operations report. Success is 1. A full disk is 0 and the
// three memory troubles are -1 to -3, because the albums tell the user
// "Insufficient disk space" for 0 and "Memory Insufficient" for -1 to -3;
// every other failure is below -3.

namespace imaging {

enum Status : int {
  kSuccess = 1,
  kDiskFull = 0,          // the file system ran out of space or quota
  kNoMemory = -1,         // memory for pixels or a file image was not available
  kNoBitmap = -2,         // the bitmap has no pixel storage
  kTooLarge = -3,         // sizes beyond kMaxDimension / kMaxPixelBytes
  kCannotCreateFile = -4, // the file could not be created (folder, permissions)
  kWriteFailed = -5,      // writing or renaming the file failed for another reason
  kInvalidArgument = -6,  // a size, row, count or attribute out of range
  kUnknownFormat = -7,    // a format code the library does not write
  kUnsupportedDepth = -8, // bits per pixel other than 8 and 24
  kInvalidDib = -9,       // a packed DIB whose header or size does not hold
  kNotAccessing = -10,    // row put or get outside begin / end row access
  kPrintFailed = -11,     // the printer refused the document or the picture
  kEncoderFailed = -12,   // a codec library reported an error
};

// A short English description, for logs and test messages.
const char* statusText(int status);

}  // namespace imaging
