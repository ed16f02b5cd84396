// The speech view's picture of a recording, drawn into a QImage without a
// window: a waveform (min/max envelope per pixel column), the spectrogram
// below it (0 Hz at the bottom to half the sample rate at the top, log
// magnitude in an inferno-like colour map that reads from black through
// purple and orange to pale yellow), a tier of word boxes each labelled with
// its text, and a time axis in seconds. The program's speech view bar shows
// it (drawn on its analysis thread); `vudeze-cli export --plot` writes it as
// a PNG; the comparison report puts two of them side by side.
//
// Stretches whose samples are no longer kept show the envelope only: their
// spectrogram is left grey. Audio not made yet is left blank.
//
// Reentrant: DrawSpeechPicture takes the recording's lock while it copies
// what it draws, then draws without it; any thread (QImage and QPainter on an
// image work off the user-interface thread, given a QGuiApplication).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <cstdint>
#include <vector>

#include "engine/SpeechTimings.h"
#include "speechview/SpeechViewport.h"

class CSpeechRecording;

// Where each part lies in a picture of a given size.
struct SpeechPictureLayout {
  QRect wave;
  QRect spectrum;
  QRect tier;
  QRect axis;
};
SpeechPictureLayout LayoutSpeechPicture(QSize size);

// The row of the spectrogram's rectangle that shows a frequency (the top row
// half the sample rate, the bottom row 0 Hz).
int SpectrumRowOf(const SpeechPictureLayout& layout, double hz, uint32_t rate);

// The colour of a spectrogram level (0..255).
QRgb SpectrumColour(uint8_t level);

inline constexpr QRgb kWaveBackground = 0xffffffff;
inline constexpr QRgb kWaveTrace = 0xff1f4e9c;
inline constexpr QRgb kNotKept = 0xffd0d0d0;  // a spectrogram no longer kept
inline constexpr QRgb kTierBackground = 0xfff2f2f2;
inline constexpr QRgb kBoxFill = 0xffffffff;
inline constexpr QRgb kBoxBorder = 0xff6b6b6b;
inline constexpr QRgb kAxisBackground = 0xffe6e6e6;

// Draws the picture of `range` across the whole image (which keeps its size;
// an image of Format_RGB32 or ARGB32). The axis labels end in unitFormat's
// "%1" filled with the seconds (the string table's "%1 s").
void DrawSpeechPicture(const CSpeechRecording& recording, const SpeechViewRange& range,
                       const QString& unitFormat, QImage* image);

// The picture of a whole recording, width by height pixels.
QImage DrawWholeSpeech(const CSpeechRecording& recording, QSize size, const QString& unitFormat);

// A synthesis as the speech file sink wrote it, for a picture of its own.
struct SpeechAudio {
  QByteArray audio;                 // the audio data (after any file header)
  uint32_t formatCode;              // the engine audio-format code it is in
  QByteArray text;                  // the text as sent to the engine
  uint32_t codePage;                // its code page (1200: UTF-16LE)
  std::vector<SpeechPiece> pieces;  // the engine's pieces (CAudioTtsInput::Pieces)
};

// The picture of a whole synthesis; a null image when its format cannot be
// shown.
QImage PlotSpeech(const SpeechAudio& speech, QSize size, const QString& unitFormat);
