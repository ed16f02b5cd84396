// The logo window's picture, without the window: the waveform bitmap of one
// block of audio and the scroll position that moves it across the window.
//
// One pixel column holds 10 ms of audio (sample rate / 100 samples). A block
// is drawn as a bitmap of the client height and client width + column count
// pixels: black, a green (0,255,0) centre line at y = h/2, and for each column
// c a green vertical line at x = client width / 2 + c spanning the column's
// smallest to largest sample, y = h/2 - h * sample / full scale, where full
// scale is 2^bits. Samples are 8 bits unsigned (128 is silence) or 16 bits
// signed little-endian; other sizes count as 0. Channels are not told apart:
// the block is read as one run of samples. Below 100 samples per second, or
// with 0 bits per sample, nothing is drawn.
//
// Widget-free and reentrant: the logo window calls these on the thread that
// reports played blocks and on the user-interface thread.
#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>

#include "audio/AudioTypes.h"

inline constexpr QRgb kLogoBackground = 0xff000000;
inline constexpr QRgb kLogoTrace = 0xff00ff00;

// The number of pixel columns a block of n bytes fills; 0 when nothing is
// drawn for it.
uint32_t LogoColumnCount(const WAVEFORMATEX& format, uint32_t n);

// The picture before any audio: client-sized, black, with the centre line.
// Null when the client area is empty.
QImage MakeLogoBitmap(QSize client);

// The picture of one block. False (and *bitmap untouched) when nothing is
// drawn: no data, no columns, an empty client area, or no memory for the
// bitmap.
bool DrawLogoWaveform(const WAVEFORMATEX& format, const uint8_t* data, uint32_t n, QSize client,
                      QImage* bitmap);

// The scroll position after one timer tick (10 pixels on, but never showing
// past the bitmap's end, and never below 0).
int LogoScrollAfterTick(int scroll, int bitmapWidth, int clientWidth);
// The scroll position that shows the bitmap's end (never below 0).
int LogoScrollToEnd(int bitmapWidth, int clientWidth);
