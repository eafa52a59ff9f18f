#include "platform/gdi.h"

namespace orvelin::gdi {

ObjectKind stockKind(StockObject s) {
    switch (s) {
        case WHITE_BRUSH:
        case LTGRAY_BRUSH:
        case GRAY_BRUSH:
        case DKGRAY_BRUSH:
        case BLACK_BRUSH:
        case NULL_BRUSH:
            return ObjectKind::Brush;
        case WHITE_PEN:
        case BLACK_PEN:
        case NULL_PEN:
            return ObjectKind::Pen;
        case OEM_FIXED_FONT:
        case ANSI_FIXED_FONT:
        case SYSTEM_FONT:
        case SYSTEM_FIXED_FONT:
            return ObjectKind::Font;
        case STOCK_OBJECT_COUNT:
            break;
    }
    return ObjectKind::None;
}

const char* stockName(StockObject s) {
    static const char* const kNames[STOCK_OBJECT_COUNT] = {
        "WHITE_BRUSH",     "LTGRAY_BRUSH", "GRAY_BRUSH",       "DKGRAY_BRUSH", "BLACK_BRUSH",
        "NULL_BRUSH",      "WHITE_PEN",    "BLACK_PEN",        "NULL_PEN",     "OEM_FIXED_FONT",
        "ANSI_FIXED_FONT", "SYSTEM_FONT",  "SYSTEM_FIXED_FONT"};
    if (s < 0 || s >= STOCK_OBJECT_COUNT) return "?";
    return kNames[s];
}

COLORREF stockBrushColor(StockObject s) {
    switch (s) {
        case LTGRAY_BRUSH:
            return RGB(192, 192, 192);
        case GRAY_BRUSH:
            return RGB(128, 128, 128);
        case DKGRAY_BRUSH:
            return RGB(64, 64, 64);
        case BLACK_BRUSH:
            return RGB(0, 0, 0);
        default:
            return RGB(255, 255, 255);
    }
}

}  // namespace orvelin::gdi
