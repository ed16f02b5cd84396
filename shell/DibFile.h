// Windows bitmap files ("BM"), read with every offset and size checked
// against the file, so that a damaged or hostile file gives false and never a
// read outside its bytes. The splash screen loads "ttssplash.bmp" with it.
//
// Accepted: a 14-byte file header starting "BM"; an information header of 40,
// 108 or 124 bytes; one plane; 1, 4, 8, 16, 24 or 32 bits per pixel;
// uncompressed, or bit fields (compression 3) for 16 and 32 bits, with the
// three colour masks after a 40-byte header or inside a longer one; rows
// bottom-up (positive height) or top-down (negative height). The colour table
// holds the header's used-colour count of entries, or 2 to the power of the
// bit count when that is 0; only pictures of up to 8 bits per pixel take
// their colours from it (at most 2^bits entries, so a palette never exceeds
// 256), a pixel beyond the table's entries is black. For 16, 24 and 32 bits
// the table is skipped. The pixels start at the file header's pixel offset,
// or right after the colour table when that offset is 0; an offset inside the
// headers or the table is refused.
//
// Refused (false): any other header, bit count or compression (run-length
// encoding included); a zero or negative width; a zero height; more than
// 32767 pixels in either direction or 2^26 pixels in all; masks that overlap,
// are not contiguous or exceed the bit count; a file shorter than its headers,
// table and rows; a file longer than 256 MB or not a regular file.
//
// The alpha channel is ignored: the result is opaque (QImage::Format_RGB32).
// Widget-free and reentrant; no global state.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Reads the file at path into *image. On failure returns false and leaves
// *image untouched.
bool LoadDIBFile(const QString& path, QImage* image);

// The same for a whole file already in memory (file header included).
bool LoadDIBFromBytes(const QByteArray& file, QImage* image);
