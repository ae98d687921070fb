#include "imaging/status.h"

namespace imaging {

const char* statusText(int status) {
  switch (status) {
    case kSuccess: return "success";
    case kDiskFull: return "disk full";
    case kNoMemory: return "not enough memory";
    case kNoBitmap: return "bitmap has no pixels";
    case kTooLarge: return "picture too large";
    case kCannotCreateFile: return "file cannot be created";
    case kWriteFailed: return "file write failed";
    case kInvalidArgument: return "invalid argument";
    case kUnknownFormat: return "unknown format code";
    case kUnsupportedDepth: return "unsupported bits per pixel";
    case kInvalidDib: return "invalid DIB";
    case kNotAccessing: return "row access not begun";
    case kPrintFailed: return "printing failed";
    case kEncoderFailed: return "encoder failed";
    default: return "unknown status";
  }
}

}  // namespace imaging
