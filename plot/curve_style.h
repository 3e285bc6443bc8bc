// Colours and sizes of the curve drawings, shared by the painter and the picture files.
#pragma once

#include <QColor>

inline const QColor kInk(0x22, 0x22, 0x22);
inline const QColor kAxis(0x70, 0x70, 0x70);
inline const QColor kGrid(0xe6, 0xe6, 0xe6);
inline const QColor kBackup(0xc4, 0xc4, 0xc4);
inline const QColor kNote(0xa8, 0x32, 0x24);
inline const QColor kBlue(0x1f, 0x5f, 0xbf);

constexpr double kCurveWidth = 2.5;
constexpr double kDot = 4.5;
constexpr int kMaxTicks = 10;

// Size of one curve in a picture file, and the room for the heading above them.
constexpr int kSheetWidth = 820;
constexpr int kSheetHeight = 540;
constexpr int kHeadingHeight = 44;
constexpr int kFilePixelSize = 14;
