// Private state of the dialog side of the Qt port: qtDialogBuilder.cpp
// (windows built from the templates), qtControls.cpp (control messages and
// queries), qtSurfaces.cpp (off-screen surfaces and painting) and
// qtPropertySheet.cpp (the property sheet and the version data). Included
// only through qtPortImpl.h; the helpers below are also reached by the
// port's tests.
#pragma once

#include "app/winTypes.h"
#include "res/dialogs.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

class QPainter;
class QWidget;

namespace orbel::qt {

class QtPort;

// An off-screen surface. The detail window draws into it on the timer
// thread while the UI thread copies it to the screen; its mutex guards the
// pixels. What a paint copies is the picture as it stood when its window
// was last invalidated, so a paint that falls between two drawing calls
// never shows a half-drawn picture. Publishing copies only what was drawn
// since the last time: the detail window redraws one line 25 times a second.
struct Surface {
    std::mutex mutex;
    Hwnd owner{};
    QImage image; // drawn into
    QImage shown; // published by invalidateRect; a copy of its own
    QRect drawn;  // what changed in image since the last publication
    QFont font;
    QFont bold;
    QColor text;
};

struct ControlsState {
    std::mutex surfaceMutex; // guards the map, not the pixels
    std::map<HSurface, std::shared_ptr<Surface>> surfaces;
    std::uintptr_t nextSurface = 0x20000;

    // The WM_PAINT being delivered (UI thread only): its window, a painter
    // on its paint widget and where that widget lies in the client area.
    Hwnd painting{};
    QPainter* painter = nullptr;
    QPoint paintOrigin;
    bool blitted = false; // the handler copied a surface in

    // The system colours as the UI thread last read them from the palette,
    // for callers on the timer thread (0x00BBGGRR; -1 = not read yet).
    std::atomic<std::int64_t> face{-1};
    std::atomic<std::int64_t> windowText{-1};
    std::atomic<std::int64_t> shadow{-1};

    bool applicationFontSet = false;
};

// Dialog units to pixels. The horizontal base unit is the average width of
// "A".."Z" "a".."z" in the dialog's font (the 52 letters' total width over
// 52, rounded); the vertical one is the font's height. A horizontal unit is
// a quarter of its base and a vertical one an eighth, rounded to the
// nearest pixel like the platform's MulDiv.
struct DialogUnits {
    int baseX = 0;
    int baseY = 0;
    static DialogUnits of(const QFont& font);
    int x(int dlu) const;
    int y(int dlu) const;
    QRect rect(int x, int y, int cx, int cy) const;
};

// The family that stands in for a template's Japanese face ("MS UI Gothic",
// "ＭＳ Ｐゴシック", given as CP932): Noto Sans CJK JP, or else any installed
// font for Japanese; other faces are kept.
QString dialogFamily(std::string_view cp932Face);
// The font of a template.
QFont dialogFont(const res::DialogTemplate& t);

// Text as a static control without SS_NOPREFIX shows it: "&&" is one '&'
// and a single '&' only marks the next character, which Qt's labels cannot
// underline without a buddy.
QString withoutMnemonics(const QString& text);

// Lines as an edit control counts them: one more than the "\r\n" breaks.
int editLineCount(std::string_view cp932);

// A control of a dialog, on the UI thread; null when either is gone.
QWidget* findControl(QtPort& port, Hwnd dialog, int controlId);
// Where a window's client area starts inside its widget (a border, if any,
// lies outside it).
QPoint clientOrigin(const QWidget* dialog);

// Reads the system colours from the application's palette (UI thread).
void refreshSysColors(ControlsState& state);

// Properties the builder leaves on the widgets it makes.
inline constexpr char kPropId[] = "orbelId";       // int
inline constexpr char kPropKind[] = "orbelKind";   // int (res::ControlKind)
inline constexpr char kPropText[] = "orbelText";   // QByteArray, CP932 as set
inline constexpr char kPropStyle[] = "orbelStyle"; // uint, the template style
inline constexpr char kPropFont[] = "orbelFont";   // qulonglong HFont
inline constexpr char kPropIcon[] = "orbelIcon";   // qulonglong HIcon
inline constexpr char kPropHwnd[] = "orbelHwnd";   // qulonglong Hwnd (windows)
// The object name of the child that paints a window's own drawing.
inline constexpr char kPaintAreaName[] = "orbelPaintArea";

} // namespace orbel::qt
