#pragma once
// The imaging library: the library bitmap and its ten operations.
//
//  1 set save options  save_options.h   setSaveOptions
//  2 allocate          bitmap.h         allocate (initialise + allocateStorage)
//  3 set attribute     bitmap.h         setAttribute
//  4 row access        bitmap.h         beginRowAccess, putRow, getRow, endRowAccess
//  5 resize            resize.h         resize
//  6 from DIB          dib.h            fromDib, fromDibHandle
//  7 to DIB            dib.h            toDib
//  8 save              save.h           save
//  9 print             print.h          print
// 10 release           bitmap.h         release

#include "imaging/bitmap.h"
#include "imaging/dib.h"
#include "imaging/print.h"
#include "imaging/resize.h"
#include "imaging/save.h"
#include "imaging/save_options.h"
#include "imaging/status.h"
