#pragma once
/*
 * The camera access library: four C calls that connect to the RZ-410, pass
 * picture settings to it and fetch pictures of any size up to 640 x 480 in
 * the layout of a device-independent bitmap's pixel array.
 *
 * The camera is the first device present under the device root
 * ($OUSBDRV_ROOT, see platform/ousbdrv). Calls may come from any thread; they
 * are serialised inside the library. Settings are kept by the library across
 * OVCAM_Fini / OVCAM_Init, so a camera that was unplugged and plugged back
 * shows the picture with the settings given before.
 */

#if defined(__GNUC__)
#define OVCAM_API __attribute__((visibility("default")))
#else
#define OVCAM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Setting numbers of OVCAM_Setting. */
#define OVCAM_SETTING_PICTURE 101 /* first value brightness, second contrast (-10..10) */
#define OVCAM_SETTING_COLOUR 103  /* first value hue, second saturation (-10..10) */
#define OVCAM_SETTING_SHUTTER 105 /* first value the character '2', '3' or '4'; second 0 */

/* Shutter characters: the longer the exposure, the brighter the picture. */
#define OVCAM_SHUTTER_SHORT '2'
#define OVCAM_SHUTTER_MEDIUM '3'
#define OVCAM_SHUTTER_LONG '4'

/* Colour modes of OVCAM_GetImage. */
#define OVCAM_MODE_GREY 0   /* 1 byte per pixel */
#define OVCAM_MODE_COLOUR 1 /* 3 bytes per pixel: blue, green, red */

/* The largest picture OVCAM_GetImage delivers. */
#define OVCAM_MAX_WIDTH 640
#define OVCAM_MAX_HEIGHT 480

/*
 * View quality code of OVCAM_GetImage: two decimal digits. The tens digit is
 * the quality, 3 best, 2 reduced, 1 lowest (pictures are taken from coarser
 * camera frames and enlarged); the units digit 1 shows the whole view, 2 the
 * centre quarter enlarged to the full size (zoom). Other digits are taken as
 * the nearest valid one.
 */
#define OVCAM_QUALITY_BEST_NORMAL 31
#define OVCAM_QUALITY_BEST_ZOOM 32

/* Connects to the first camera present. Nonzero when connected, 0 when no
 * camera answers. Calling it while connected connects again. */
OVCAM_API int OVCAM_Init(void);

/* Applies a setting (numbers above); unknown numbers are ignored. The two
 * trailing arguments are reserved and should be 0. Settings given while no
 * camera is connected are kept and used once it is. */
OVCAM_API void OVCAM_Setting(int setting, int firstValue, int secondValue, int reserved1,
                             int reserved2);

/*
 * Fills `pixels` with one picture of width x height pixels: rows from the
 * bottom of the picture up, no bytes between rows, 3 bytes per pixel (blue,
 * green, red) in colour mode or 1 grey byte in grey mode. The buffer must
 * hold width x height x 3 (colour) or width x height (grey) bytes.
 * Nonzero when the buffer was filled. 0 when there is no picture: not
 * connected, the camera is gone (it stays disconnected until OVCAM_Init),
 * a null buffer, or a size outside 1..OVCAM_MAX_WIDTH x 1..OVCAM_MAX_HEIGHT.
 */
OVCAM_API int OVCAM_GetImage(int colourMode, int width, int height, int viewQualityCode,
                             unsigned char* pixels);

/* Disconnects; harmless when not connected. */
OVCAM_API void OVCAM_Fini(void);

#ifdef __cplusplus
} /* extern "C" */
#endif
