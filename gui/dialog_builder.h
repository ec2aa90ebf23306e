#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>

#include <functional>
#include <map>
#include <string_view>

#include "gui/dialog_template.h"

namespace lintor {

// Dialog units become pixels with the fixed base units of the template font
// at 96 dpi: 6 px per 4 horizontal units, 13 px per 8 vertical units,
// rounded as the platform's MulDiv rounds.
int dialogUnitsToPixelsX(int units);
int dialogUnitsToPixelsY(int units);
QRect dialogUnitsToPixels(int x, int y, int width, int height);
QSize dialogSize(const DialogTemplate& dialog);

// The stand-in for "MS Sans Serif" 8 pt: a sans-serif face of the same
// pixel height, so that texts fit the fixed geometry.
QFont templateFont();

// A static bitmap control that tells of clicks, as SS_NOTIFY does.
class ClickableLabel final : public QWidget {
public:
    ClickableLabel(QPixmap pixmap, QWidget* parent);
    void setOnClick(std::function<void()> onClick) { onClick_ = std::move(onClick); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap pixmap_;
    std::function<void()> onClick_;
};

QString toQString(std::string_view text);

// Font, caption and fixed size of the template, and a frame with a caption,
// a system menu and a close box plus `extra`, a dialog unless `extra` names
// another window type; never resizable.
void setUpDialogWindow(QWidget& window, const DialogTemplate& dialog, Qt::WindowFlags extra = {});

// Creates the template's controls on the dialog; returns those with an id.
std::map<int, QWidget*> buildControls(const DialogTemplate& dialog, QWidget* parent);

}  // namespace lintor
